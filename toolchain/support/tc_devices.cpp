// Reading the device files of an installation.
#include "toolchain/support/tc_devices.h"

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

bool parse_value(const char* text, uint32_t* value) {
  if (*text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long v = strtoul(text, &end, 10);
  if (errno || *end || v > UINT32_MAX) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

// One device line; false when it does not have the device-line form.
bool parse_line(char* line, tc_device* device) {
  char* save = nullptr;
  char* name = strtok_r(line, ":", &save);
  if (!name || !*name) return false;
  for (const char* p = name; *p; ++p)
    if (*p == ' ' || *p == '\t') return false;
  device->name = sc_intern(name);
  device->count = 0;
  while (char* field = strtok_r(nullptr, ":", &save)) {
    if (device->count == kTcDeviceValues || !parse_value(field, &device->values[device->count])) return false;
    ++device->count;
  }
  return device->count > 0;
}

}  // namespace

vector* tc_devices_read(const char* path, uint32_t* bad_line) {
  *bad_line = 0;
  std::unique_ptr<FILE, FileCloser> file(fopen(path, "r"));
  if (!file) return nullptr;
  vector* devices = vec_new();
  char line[512];
  uint32_t number = 0;
  while (fgets(line, sizeof line, file.get())) {
    ++number;
    size_t length = strlen(line);
    if (length && line[length - 1] == '\n') line[--length] = '\0';
    if (length && line[length - 1] == '\r') line[--length] = '\0';
    if (!length || line[0] == '#') continue;
    auto* device = new tc_device{};
    if (length == sizeof line - 1 || !parse_line(line, device)) {
      delete device;
      tc_devices_free(devices);
      *bad_line = number;
      return nullptr;
    }
    vec_push(devices, device);
  }
  return devices;
}

void tc_devices_free(vector* devices) {
  for (tc_device* d : VecItems<tc_device*>(devices)) delete d;
  vec_free(devices);
}

const tc_device* tc_device_find(const vector* devices, const char* name) {
  if (!devices || !name) return nullptr;
  for (uint32_t i = 0; i < vec_size(devices); ++i) {
    const auto* d = vec_get_as<const tc_device*>(devices, i);
    if (strcasecmp(d->name, name) == 0) return d;
  }
  return nullptr;
}

const char* tc_datafile(const char* file) {
  char* exe = osd_progname();
  if (!exe) return nullptr;
  char* bin = path_dirname(exe);
  char* family = bin ? path_dirname(bin) : nullptr;
  const char* path = family ? sc_pathJoin(sc_pathJoin(family, "dat"), file) : nullptr;
  free(family);
  free(bin);
  free(exe);
  return path;
}
