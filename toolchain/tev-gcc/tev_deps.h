// Dependency rules for make (-M, -MM, -MD, -MMD and their -MF, -MT, -MQ,
// -MP), written as GNU compilers write them, because make, Ninja's depfile
// reader, ccache and distcc all parse that form: the targets, then the main
// source and each header once in the order it was first read, continued
// with " \" before a line grows past 72 columns; with -MP an empty rule
// for each header, so that a header deleted since the last build does not
// stop make.
#pragma once

#include <string>
#include <vector>

#include "toolchain/support/tc_pre.h"
#include "toolchain/tev-gcc/tev_options.h"

// A file name as make reads it back: blanks (and the backslashes before
// them), "$" and "#" escaped.
std::string tev_make_quote(const std::string& name);

// The rule for one preprocessed input (kTcStdin for standard input, which
// is no prerequisite of its own) and the headers it read.
std::string tev_deps_rule(const tev_request& request, const std::string& input,
                          const std::vector<tc_pre_header>& headers);

// Where the rule of an input goes: the -MF file; for -M and -MM the output
// or standard output (kTevStdout); else a ".d" file named after the output
// or, without one, after the input.
std::string tev_deps_destination(const tev_request& request, const std::string& input);
