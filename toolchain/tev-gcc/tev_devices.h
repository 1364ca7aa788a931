// The TEV devices of the installation (tev/dat/tevmcus.txt): the names
// "-mmcu=" accepts, their memory sizes, and the macro each device defines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct tev_device {
  std::string name;  // lower case, as the device file writes it
  uint32_t flash;    // program memory, bytes
  uint32_t ram;      // data memory, bytes
  uint32_t eeprom;   // bytes
};

// "tev1": the generic core, accepted like a device.
inline constexpr const char* kTevGenericCore = "tev1";

// The devices in file order; false (and a numbered error) when the file
// is missing or malformed.
bool tev_devices_load(std::vector<tev_device>& devices);

// The device named `name` in any letter case, or null.
const tev_device* tev_device_find(const std::vector<tev_device>& devices, const std::string& name);

// "__KX32M2__" for "kx32m2".
std::string tev_device_macro(const std::string& name);
