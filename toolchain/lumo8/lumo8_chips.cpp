// Finding the chip of a run in the installation's device list.
#include "toolchain/lumo8/lumo8_chips.h"

#include "common/msgnum.h"
#include "toolchain/support/tc_devices.h"
#include "toolchain/support/tc_diag.h"

namespace {

constexpr const char* kChipFile = "zirchips.txt";
// NAME:SERIES:PROGRAM_WORDS:DATA_BYTES[:EEPROM_BYTES]
constexpr uint32_t kChipValuesMin = 3;

}  // namespace

bool l8_find_chip(const std::string& chip, l8_chip* found) {
  const char* path = tc_datafile(kChipFile);
  uint32_t bad_line = 0;
  vector* devices = path ? tc_devices_read(path, &bad_line) : nullptr;
  if (!devices) {
    // A malformed line is shown where it is; the reader does not say which field.
    if (bad_line > 0) tc_diag_at(path, static_cast<int>(bad_line));
    tc_raise(kMsgBadDeviceList, path ? path : kChipFile, bad_line);
    return false;
  }
  const tc_device* device = tc_device_find(devices, chip.c_str());
  if (!device) device = tc_device_find(devices, ("zir" + chip).c_str());
  bool ok = device && device->count >= kChipValuesMin;
  if (ok) {
    found->name = device->name;
    found->series = device->values[0];
    found->program_words = device->values[1];
    found->data_bytes = device->values[2];
    found->eeprom_bytes = device->count > kChipValuesMin ? device->values[3] : 0;
  } else {
    tc_raise(kMsgDeviceNotKnown, chip.c_str());
  }
  tc_devices_free(devices);
  return ok;
}
