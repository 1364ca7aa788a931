// The listings of tev-gcc: --help (optionally one class), --target-help
// with the TEV options, the assembler and linker options and the known
// device names, and --version.
#pragma once

#include <string>
#include <vector>

#include "toolchain/tev-gcc/tev_devices.h"

// class_name: empty for the general summary, else "common", "optimizers",
// "warnings" or "target".
void tev_print_help(const std::string& class_name);
void tev_print_target_help(const std::vector<tev_device>& devices);
void tev_print_version();

inline constexpr const char* kTevVersion = "2.50";
