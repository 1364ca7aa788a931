// Dependency rules for make (-M, -MM, -MD, -MMD and their -MF, -MT, -MQ,
// -MP), written as GNU compilers write them (common/gnudeps.h): the
// targets, then the main source and each header once in the order it was
// first read.
#pragma once

#include <string>
#include <vector>

#include "toolchain/support/tc_pre.h"
#include "toolchain/tev-gcc/tev_options.h"

// The rule for one preprocessed input (kTcStdin for standard input, which
// is no prerequisite of its own) and the headers it read.
std::string tev_deps_rule(const tev_request& request, const std::string& input,
                          const std::vector<tc_pre_header>& headers);

// Where the rule of an input goes: the -MF file; for -M and -MM the output
// or standard output (kTevStdout); else a ".d" file named after the output
// or, without one, after the input.
std::string tev_deps_destination(const tev_request& request, const std::string& input);
