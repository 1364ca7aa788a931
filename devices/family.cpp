// Device families of device names and device family packs.
#include "devices/family.h"

#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/msgnum.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"

namespace {


struct DeviceRule {
  const char* prefix;
  DeviceType type;
};
// Tested in order on the device name, without regard to case.
constexpr DeviceRule kDevicePrefixes[] = {
    {"kx", DEVICE_TEV}, {"tev", DEVICE_TEV}, {"nolo", DEVICE_TEV},
    {"wy", DEVICE_ZIR}, {"dqs", DEVICE_ZIR}, {"dqv", DEVICE_ZIR},
};

const char* device_trace(DeviceType type) {
  switch (type) {
    case DEVICE_TEV:
      return "device identified as an TEV";
    case DEVICE_ZIR:
      return "device identified as a ZIR10/12/14/16";
    case DEVICE_ZIR18:
      return "device identified as a ZIR18\n";
    default:
      return "device was not identified\n";
  }
}

DeviceType device_from_number(const char* name) {
  const char* number = strncasecmp(name, "zir", 3) == 0 ? name + 3 : name;
  if (strncmp(number, "18", 2) == 0) return DEVICE_ZIR18;
  for (const char* series : {"10", "12", "14", "16"})
    if (strncmp(number, series, 2) == 0) return DEVICE_ZIR;
  return DEVICE_NONE;
}

}  // namespace

DeviceType option_DFPType(const char* arg) {
  DB_ENTER("%s", arg ? arg : "(null)");
  // A pack option needs its directory, as any option with a value.
  const char* eq = arg ? strchr(arg, '=') : nullptr;
  if (!eq || !eq[1]) {
    DB_EXIT("malformed option: %s\n", arg ? arg : "unknown");
    alert_raise(kMsgBadSyntax, arg ? arg : "unknown");
    cleanup(1);
  }
  const char* dir = eq + 1;
  DeviceType type = DEVICE_NONE;
  if (path_exists(sc_pathJoin(dir, "zir"))) {
    type = DEVICE_ZIR;
    DB_EXIT("The DFP has a 'zir' subdirectory");
  } else if (path_exists(sc_pathJoin(dir, "tev"))) {
    type = DEVICE_TEV;
    DB_EXIT("The DFP has an 'tev' subdirectory");
  } else {
    DB_EXIT("device was not identified\n");
  }
  return type;
}

DeviceType option_DeviceType(const char* arg) {
  DB_ENTER("%s", arg ? arg : "(null)");
  const char* eq = arg ? strchr(arg, '=') : nullptr;
  const char* name = eq ? eq + 1 : (arg ? arg : "");
  DeviceType type = DEVICE_NONE;
  for (const DeviceRule& rule : kDevicePrefixes)
    if (strncasecmp(name, rule.prefix, strlen(rule.prefix)) == 0) {
      type = rule.type;
      break;
    }
  if (type == DEVICE_NONE) type = device_from_number(name);
  DB_EXIT("%s", device_trace(type));
  return type;
}
