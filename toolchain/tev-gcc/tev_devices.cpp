// The installation's TEV device list, read through the shared device-file
// reader.
#include "toolchain/tev-gcc/tev_devices.h"

#include <strings.h>

#include <cctype>

#include "common/msgnum.h"
#include "common/vector.h"
#include "toolchain/support/tc_devices.h"
#include "toolchain/support/tc_diag.h"

namespace {
constexpr const char* kDeviceFile = "tevmcus.txt";
constexpr uint32_t kSizesPerDevice = 3;  // flash, RAM, EEPROM
}  // namespace

bool tev_devices_load(std::vector<tev_device>& devices) {
  const char* path = tc_datafile(kDeviceFile);
  uint32_t bad_line = 0;
  vector* list = path ? tc_devices_read(path, &bad_line) : nullptr;
  if (!list) {
    tc_raise(kMsgNoDeviceList, path ? path : kDeviceFile);
    return false;
  }
  bool complete = true;
  for (uint32_t i = 0; i < vec_size(list); ++i) {
    auto* d = vec_get_as<tc_device*>(list, i);
    if (d->count < kSizesPerDevice) complete = false;
    if (complete) devices.push_back({d->name, d->values[0], d->values[1], d->values[2]});
    delete d;
  }
  vec_free(list);
  if (!complete) tc_raise(kMsgNoDeviceList, path);
  return complete;
}

const tev_device* tev_device_find(const std::vector<tev_device>& devices, const std::string& name) {
  for (const tev_device& d : devices)
    if (strcasecmp(d.name.c_str(), name.c_str()) == 0) return &d;
  return nullptr;
}

std::string tev_device_macro(const std::string& name) {
  std::string macro = "__";
  for (char c : name) macro += static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return macro + "__";
}
