// The ZIR devices of the installation: "--chip=" names one of them.
#pragma once

#include <cstdint>
#include <string>

struct l8_chip {
  std::string name;  // as the device list writes it ("ZIR16C401")
  uint32_t series = 0;
  uint32_t program_words = 0;
  uint32_t data_bytes = 0;
  uint32_t eeprom_bytes = 0;
};

// Looks the chip up in the installation's zir/dat/zirchips.txt, in any
// letter case and with or without the "zir" that lumo8-cc takes off.
// Reports kMsgDeviceNotKnown or kMsgBadDeviceList (no readable list), both fatal.
bool l8_find_chip(const std::string& chip, l8_chip* found);
