// Dependency rules as the GNU compiler driver writes them, for every program
// that makes them (lumo8-cc for the legacy driver, tev-gcc for itself):
// which targets a rule names, how names are quoted for make, how a rule is
// laid out and broken into lines, and which file it goes to, for the options
// "-M", "-MM", "-MD", "-MMD", "-MF", "-MT", "-MQ" and "-MP" together with
// "-c", "-S", "-E" and "-o". make, Ninja's depfile reader, ccache and distcc
// all read that form.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The input name that stands for standard input: no prerequisite of its
// own, and the rule's default target.
inline constexpr const char* kGnuDepsStdin = "-";

enum class gnudeps_stage : uint8_t { link, compile, assembly, preprocess };

struct gnudeps_request {
  bool deps_only = false;  // "-M", "-MM": the rules are the output
  gnudeps_stage stage = gnudeps_stage::link;
  std::string output;                      // "-o" as typed; empty when none
  std::string file;                        // "-MF"; empty when none
  std::vector<std::string> targets;        // "-MT", as given
  std::vector<std::string> quoted_targets; // "-MQ", quoted when written
  bool phony = false;                      // "-MP"
};

// A name as make reads it back: "$" doubled, blanks, tabs and "#" behind a
// backslash (and the backslashes before a blank doubled). A text helper run
// for every name: not traced.
std::string gnudeps_quote(const std::string& name);

// The rule of one input: its targets, then the prerequisites (quoted here;
// the input itself first unless it is standard input), broken with " \"
// before a line grows past the GNU driver's last column; with "-MP" an
// empty rule for every prerequisite other than the input.
std::string gnudeps_rule(const gnudeps_request& request, const std::string& input,
                         const std::vector<std::string>& prerequisites);

// Where the rule of an input goes; empty for standard output.
std::string gnudeps_destination(const gnudeps_request& request, const std::string& input);
