// One run of lumo8 once its options are accepted and its chip is known:
// the stage the options ask for, over every input, and its outputs.
#pragma once

#include "toolchain/lumo8/lumo8_chips.h"
#include "toolchain/lumo8/lumo8_options.h"

// The exit status: 0 when every output was written, 1 after any error.
int l8_build(const l8_config& config, const l8_chip& chip);

// The installation's header directories in search order: <zir>/include,
// then its c90 or c99 directory.
std::vector<std::string> l8_system_include_dirs(bool c90);
