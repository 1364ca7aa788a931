// The legacy driver's dependency rules made into the GNU driver's files:
// the legacy driver writes one rule per source into one file, naming its
// own targets; this module reads those rules back and gives each source the
// file, the targets and the phony rules that the GNU options ask for
// (common/gnudeps.h).
#pragma once

#include <string>
#include <vector>

#include "common/gnudeps.h"

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

// The files the GNU driver writes for these rules, in the order of the
// rules; several rules for one file are written in turn to standard output,
// while a named file holds the last (each compile of the GNU driver
// replaces it).
std::vector<depfile_output> depfile_outputs(const gnudeps_request& request, const std::vector<depfile_rule>& rules);
