// Which devices the installation supports, for any combination of device
// families, and where each tool of the installation lies.
//
// The list comes from the installation's device support file
// (bin/deviceSupport.xml); when that file is missing or unreadable the
// compilers are asked instead. Lists hold lower-case interned names in the
// order found (duplicates kept) and belong to the caller.
#pragma once

#include <cstdint>

#include "common/vector.h"

// Family mask bits.
enum : uint32_t {
  DEVICES_ZIR = 1,    // ZIR10/12/14/16
  DEVICES_ZIR18 = 2,  // ZIR18
  DEVICES_TEV = 4,
  DEVICES_ALL = 7,
  DEVICES_ZIR_ALL = 3,
};

// Tool kinds of getDriverPath.
enum : uint32_t {
  TOOL_TEV_DRIVER = 1,
  TOOL_ZIRCC = 2,
  TOOL_ZIRCC18 = 3,
  TOOL_LUMO8 = 4,
  TOOL_LUMO8CC = 5,
  TOOL_VORASMX = 6,
  TOOL_ZIR_AS = 7,
};

inline constexpr const char* kDeviceSupportFile = "deviceSupport.xml";

// The full path of a tool, or null for a kind outside 1 to 7 or a missing
// file. Kinds 2 to 4 also try the name with "d" appended.
const char* getDriverPath(uint32_t kind);
// The devices a ZIR compiler (kind 2 or 3) lists with "--chipinforaw"; null
// when it cannot be run.
vector* getZIRDeviceList_helper(uint32_t kind);
// The devices after "Known MCU names" in the TEV driver's target help;
// null when it cannot be run.
vector* getTEVDeviceList();
// The compilers' lists for the families of mask, their error output not
// shown; null when standard error cannot be redirected.
vector* getDeviceListFromDrivers(uint32_t mask);
// The devices of a device support file that belong to the families of
// mask; null when it cannot be opened or read.
vector* getDeviceListFromXML(uint32_t mask, const char* path);
// The supported devices of the families of mask: from the device support
// file, else (with a warning) from the compilers.
vector* device_list(uint32_t mask);
