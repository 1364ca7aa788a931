// Device families: which family a device name or a device family pack
// belongs to. The driver picks its back end by them, the device lists sort
// names into families with them and the build self tests choose their
// commands by them.
#pragma once

#include <cstdint>

// Device families as a bit set. Code tests masks: ZIR is type & 6, TEV is
// type & 8.
using DeviceType = uint32_t;
enum : DeviceType {
  DEVICE_NONE = 0,
  DEVICE_ZIR = 2,    // ZIR10/12/14/16
  DEVICE_ZIR18 = 4,
  DEVICE_TEV = 8,
};
inline bool device_is_zir(DeviceType t) { return (t & 6) != 0; }
inline bool device_is_tev(DeviceType t) { return (t & 8) != 0; }

// The family of a "-mdfp=<directory>" pack: ZIR when it holds "zir", else
// TEV when it holds "tev", else none. Without a directory: kMsgBadSyntax and
// status 1.
DeviceType option_DFPType(const char* arg);
// The family of a "-mcpu=", "-mmcu=" or "-mprocessor=" device name (the
// part after "=", or the whole argument without one): a known name prefix,
// else the ZIR series number, with or without "zir" before it.
DeviceType option_DeviceType(const char* arg);
