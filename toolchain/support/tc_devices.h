// Device data of an installation: the chip files under the families' "dat"
// directories that the back ends check their device options against and
// that the ZIR compilers and the TEV driver list.
//
// A device file holds one device per line, "NAME:N:N:N[:N]" (a name and
// up to four unsigned numbers); lines that are empty or begin with '#' are
// comments.
#pragma once

#include <cstdint>

#include "common/vector.h"

inline constexpr uint32_t kTcDeviceValues = 4;

struct tc_device {
  const char* name;  // as the file writes it, interned
  uint32_t values[kTcDeviceValues];
  uint32_t count;  // how many of the values the line gave
};

// The devices of a file as a vector of tc_device*, in file order. Null when
// the file cannot be opened (*bad_line = 0) or a line is malformed
// (*bad_line = its number).
vector* tc_devices_read(const char* path, uint32_t* bad_line);
// Frees a vector of tc_devices_read and its devices; null is ignored.
void tc_devices_free(vector* devices);

// The device whose name equals `name` in any letter case, or null.
const tc_device* tc_device_find(const vector* devices, const char* name);

// "<dir>/dat/<file>" where <dir> is the parent of the running program's
// directory ("zir/bin/lumo8" reads "zir/dat/<file>"). Null when the program
// cannot locate itself.
const char* tc_datafile(const char* file);
