// The linker of tev-gcc: objects into one executable for a device, with
// the start-up code, the memory checks against the device's sizes, the map
// file and the XML memory summary.
#pragma once

#include <string>
#include <vector>

#include "toolchain/tev-gcc/tev_devices.h"
#include "toolchain/tev-gcc/tev_elf.h"

struct tev_link_input {
  std::string name;  // for the map file and messages
  tev_object object;
};

struct tev_link_options {
  bool startup = true;  // false with -nostartfiles: no start-up code, no need for main
};

struct tev_link_result {
  tev_object linked;
  tev_layout layout;
  std::string map;      // the map file text
  std::string summary;  // the memory summary XML
};

// False when an error was reported (a symbol defined twice, no main, a
// memory overflowing).
bool tev_link(const std::vector<tev_link_input>& inputs, const tev_device& device, const tev_link_options& options,
              tev_link_result& result);
