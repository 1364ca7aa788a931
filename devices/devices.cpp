// Device lists and tool locations.
#include "devices/devices.h"

#include <cassert>
#include <cstdio>
#include <cstring>

#include "common/alert.h"
#include "common/lumoinstdir.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "common/uxml2.h"
#include "debug/lumodebug_trace.h"
#include "devices/family.h"

namespace {

struct ToolPlace {
  uint32_t directory;  // LUMOINSTDIR_*
  bool in_bin;         // the tool lies in the directory's "bin"
  const char* name;
  bool alternate;      // the name with "d" appended is tried next
};

// Indexed by tool kind.
constexpr ToolPlace kTools[] = {
    {0, false, nullptr, false},
    {LUMOINSTDIR_TEV, true, "tev-gcc", false},
    {LUMOINSTDIR_ZIR, true, "zircc", true},
    {LUMOINSTDIR_ZIR, true, "zircc18", true},
    {LUMOINSTDIR_ZIR, true, "lumo8", true},
    {LUMOINSTDIR_BIN, false, "lumo8-cc", false},
    {LUMOINSTDIR_VORASMX, false, "vorasmx", false},
    {LUMOINSTDIR_ZIR_AS, true, "zir-as", false},
};
constexpr uint32_t kToolKinds = sizeof kTools / sizeof kTools[0] - 1;

bool windows_host() { return (osd_os_flags() & kOsdWindowsFlag) != 0; }

const char* executable(const char* name) { return sc_concat(name, windows_host() ? ".exe" : ""); }

// Whole lines of the stream, one call each, without their line ends.
bool next_line(FILE* stream, std::string& line) {
  if (!sc_readLine(stream, line)) return false;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return true;
}

bool in_mask(DeviceType type, uint32_t mask) {
  return (type == DEVICE_ZIR && (mask & DEVICES_ZIR)) || (type == DEVICE_ZIR18 && (mask & DEVICES_ZIR18)) ||
         (type == DEVICE_TEV && (mask & DEVICES_TEV));
}

void append_and_free(vector* list, vector* part) {
  if (!part) return;
  vec_append(list, part);
  vec_free(part);
}

}  // namespace

const char* getDriverPath(uint32_t kind) {
  DB_ENTER("%u", kind);
  if (kind < 1 || kind > kToolKinds) {
    DB_EXIT("no such tool kind");
    return nullptr;
  }
  const ToolPlace& tool = kTools[kind];
  if (tool.alternate)
    DB_NOTE("%s", windows_host() ? "This is a Windows based operating system" : "This is NOT a Windows based operating system");
  const char* dir = lumoinstdir(tool.directory);
  if (dir && tool.in_bin) dir = sc_pathJoin(dir, "bin");
  const char* path = dir ? sc_pathJoin(dir, executable(tool.name)) : executable(tool.name);
  if (!path_exists(path) && tool.alternate && dir) path = sc_pathJoin(dir, executable(sc_concat(tool.name, "d")));
  if (!dir || !path_exists(path)) {
    DB_EXIT("Could not locate driver: \"%s\"", path);
    return nullptr;
  }
  DB_EXIT("Found driver: \"%s\"", path);
  return path;
}

vector* getZIRDeviceList_helper(uint32_t kind) {
  DB_ENTER("%u", kind);
  const char* driver = getDriverPath(kind);
  assert(driver != NULL);
  if (!driver) return nullptr;
  FILE* pipe = osd_popen(driver, "--chipinforaw", static_cast<const char*>(nullptr));
  if (!pipe) {
    DB_EXIT("Could not open pipe");
    return nullptr;
  }
  vector* list = vec_new();
  std::string line;
  while (next_line(pipe, line)) {
    const size_t colon = line.rfind(':');
    if (colon != std::string::npos) line.resize(colon);
    DB_NOTE("found chip: \"%s\"", line.c_str());
    vec_push(list, sc_lower(line.c_str()));
  }
  osd_pclose(pipe);
  DB_EXIT("%u devices", vec_size(list));
  return list;
}

vector* getTEVDeviceList() {
  DB_ENTER();
  const char* driver = getDriverPath(TOOL_TEV_DRIVER);
  FILE* pipe = driver ? osd_popen(driver, "--target-help", static_cast<const char*>(nullptr)) : nullptr;
  if (!pipe) {
    DB_EXIT("Could not open pipe");
    return nullptr;
  }
  vector* list = vec_new();
  bool in_names = false;
  std::string text;
  while (sc_readLine(pipe, text)) {
    const char* line = text.c_str();
    if (!in_names) {
      if (sc_startsWith(line, "Known MCU names")) {
        DB_NOTE("Found \"Known MCU names\"");
        in_names = true;
      }
      continue;
    }
    if (sc_startsWith(line, "Linker")) break;
    vector* pieces = sc_split(line, " \n\t");
    for (const char* piece : VecItems<const char*>(pieces)) {
      if (strcmp(piece, "tev1") == 0) {
        DB_NOTE("ignoring: \"%s\"", piece);
        continue;
      }
      DB_NOTE("found chip: \"%s\"", piece);
      vec_push(list, sc_intern(sc_lower(piece)));
    }
    vec_free(pieces);
  }
  osd_pclose(pipe);
  DB_EXIT("%u devices", vec_size(list));
  return list;
}

vector* getDeviceListFromDrivers(uint32_t mask) {
  DB_ENTER("0x%x", mask);
  const char* name = osd_tmpname(nullptr);
  if (!name) {
    DB_EXIT("could not get temp file name");
    return nullptr;
  }
  FILE* sink = fopen(name, "w");
  if (!sink) {
    DB_EXIT("could not open temp file \"%s\"", name);
    return nullptr;
  }
  vector* list = vec_new();
  {
    OsdStderrRedirect quiet(sink);
    if (mask & DEVICES_ZIR) append_and_free(list, getDriverPath(TOOL_ZIRCC) ? getZIRDeviceList_helper(TOOL_ZIRCC) : nullptr);
    if (mask & DEVICES_ZIR18)
      append_and_free(list, getDriverPath(TOOL_ZIRCC18) ? getZIRDeviceList_helper(TOOL_ZIRCC18) : nullptr);
    if (mask & DEVICES_TEV) append_and_free(list, getTEVDeviceList());
  }
  fclose(sink);
  DB_EXIT("%u devices", vec_size(list));
  return list;
}

vector* getDeviceListFromXML(uint32_t mask, const char* path) {
  DB_ENTER("0x%x, %s", mask, path ? path : "(null)");
  FILE* file = path ? osd_fopen_regular(path, "r") : nullptr;
  if (!file) {
    DB_EXIT("could not open xmlfile \"%s\"", path ? path : "(null)");
    return nullptr;
  }
  uxml_element* root = uxml_read(file);
  fclose(file);
  if (!root) {
    DB_EXIT("could not read xmlfile \"%s\"", path);
    return nullptr;
  }
  vector* list = vec_new();
  for (uint32_t i = 0; i < vec_size(root->children); ++i) {
    const auto* group = vec_get_as<const uxml_element*>(root->children, i);
    for (uint32_t j = 0; j < vec_size(group->children); ++j) {
      const auto* device = vec_get_as<const uxml_element*>(group->children, j);
      for (uint32_t k = 0; k < vec_size(device->attributes); ++k) {
        const char* name = sc_intern(sc_lower(vec_get_as<const uxml_attribute*>(device->attributes, k)->value));
        if (in_mask(option_DeviceType(name), mask)) vec_push(list, name);
      }
    }
  }
  uxml_freeElement(root);
  DB_EXIT("%u devices", vec_size(list));
  return list;
}

vector* device_list(uint32_t mask) {
  DB_ENTER("0x%x", mask);
  const char* bin = lumoinstdir(LUMOINSTDIR_BIN);
  const char* path = bin ? sc_pathJoin(bin, kDeviceSupportFile) : nullptr;
  const bool present = path && path_exists(path);
  if (present) {
    if (vector* list = getDeviceListFromXML(mask, path)) {
      DB_EXIT("%u devices", vec_size(list));
      return list;
    }
  }
  alert_print("::: warning: deviceSupport.xml %s. Supported device list may be inaccurate",
              present ? "could not be read" : "missing");
  vector* list = getDeviceListFromDrivers(mask);
  DB_EXIT("%u devices from the drivers", list ? vec_size(list) : 0);
  return list;
}
