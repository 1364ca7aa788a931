// Dependency files as the GNU driver makes them, for a family whose driver
// only writes its own rules: the legacy driver writes one rule per source
// into one file, naming its own targets; this module reads those rules and
// gives each source the file, the targets and the phony rules that the GNU
// options ask for ("-M", "-MM", "-MD", "-MMD", "-MF", "-MT", "-MQ", "-MP"
// with "-c", "-S", "-E" and "-o").
#pragma once

#include <string>
#include <vector>

enum class depfile_stage { link, compile, assembly, preprocess };

struct depfile_request {
  bool deps_only = false;            // "-M", "-MM": the rules are the output
  depfile_stage stage = depfile_stage::link;
  std::string output;                // "-o" as typed; empty when none
  std::string file;                  // "-MF"; empty when none
  std::vector<std::string> targets;  // "-MT" as given and "-MQ" quoted, in order
  bool phony = false;                // "-MP"
};

// One rule of the driver: the source as given on the command line, then the
// headers it read.
struct depfile_rule {
  std::vector<std::string> prerequisites;
};

// A file to write; an empty path is standard output.
struct depfile_output {
  std::string path;
  std::string text;
};

// The rules of a dependency file in make's syntax ("target: a b \\\n c"),
// with blanks escaped by a backslash; an empty text holds no rule. False
// when the text is not a complete set of rules (no ":" in a rule, a
// continuation at the very end, or no final line end).
bool depfile_parse(const std::string& text, std::vector<depfile_rule>* rules);

// A name quoted for make as "-MQ" quotes it: "$" doubled, blanks, tabs and
// "#" behind a backslash (and the backslashes before a blank doubled). A
// text helper run for every name: not traced.
std::string depfile_quote(const std::string& name);

// The files the GNU driver writes for these rules, in the order of the
// rules; several rules for one file are written in turn to standard output,
// while a named file holds the last (each compile of the GNU driver
// replaces it).
std::vector<depfile_output> depfile_outputs(const depfile_request& request, const std::vector<depfile_rule>& rules);
