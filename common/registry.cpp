// Installation directories by path type, with overrides and the standard C
// library selection.
#include "common/registry.h"

#include "common/lumoinstdir.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug.h"

namespace {

enum OverrideSlot { SLOT_BIN, SLOT_LIB, SLOT_INCLUDE, SLOT_DAT, SLOT_SOURCES, SLOT_COUNT, SLOT_NONE };

struct PathTypeRow {
  const char* dirname;  // null for the base directory itself
  OverrideSlot slot;
};

// Indexed by path type; type 9 is not a path type.
constexpr PathTypeRow kPathTypes[] = {
    {nullptr, SLOT_NONE},         // REG_PATH_INSTALL
    {"bin", SLOT_BIN},            // REG_PATH_BIN
    {"lib", SLOT_LIB},            // REG_PATH_LIB
    {"help", SLOT_NONE},          // REG_PATH_HELP
    {"include", SLOT_INCLUDE},    // REG_PATH_INCLUDE
    {"dat", SLOT_DAT},            // REG_PATH_DAT
    {"sources", SLOT_SOURCES},    // REG_PATH_SOURCES
    {"resources", SLOT_NONE},     // REG_PATH_RESOURCES
    {"docs", SLOT_NONE},          // REG_PATH_DOCS
    {nullptr, SLOT_NONE},         // not a path type
    {"include", SLOT_INCLUDE},    // REG_PATH_C_INCLUDE
};
constexpr uint32_t kPathTypeCount = sizeof kPathTypes / sizeof kPathTypes[0];

constexpr const char* kSlotNames[SLOT_COUNT] = {"bin", "lib", "inc", "dat", "src"};

const char* g_overrides[SLOT_COUNT] = {};
const char* g_c_stdlib = nullptr;

bool valid_type(uint32_t type) { return type < kPathTypeCount && type != 9; }

const char* override_for(uint32_t type) {
  DbScope db_scope_(__FILE__, __LINE__, "reg_path_mods");
  if (lumodebug_flagword) db_scope_.enter("%u", type);
  if (type == REG_PATH_C_INCLUDE && !g_c_stdlib) type = REG_PATH_INCLUDE;
  OverrideSlot slot = kPathTypes[type].slot;
  if (slot == SLOT_NONE || !g_overrides[slot]) return nullptr;
  return reg_create_path(g_overrides[slot], type);
}

}  // namespace

const char* reg_create_path(const char* base, uint32_t type) {
  DB_ENTER("\"%s\", %u", base ? base : "(null)", type);
  if (!base || !valid_type(type)) return nullptr;
  const char* dir = kPathTypes[type].dirname;
  const char* result = dir ? sc_pathJoin(base, dir) : base;
  if (g_c_stdlib && (type == REG_PATH_C_INCLUDE || type == REG_PATH_LIB || type == REG_PATH_SOURCES))
    result = sc_pathJoin(result, g_c_stdlib);
  else if (dir)
    DB_NOTE("Returning concatenation of path: \"%s\" and \"%s\"", base, dir);
  DB_EXIT("\"%s\"", result);
  return result;
}

const char* reg_instdir(uint32_t type) {
  DB_ENTER("%u", type);
  if (!valid_type(type)) return nullptr;
  if (const char* overridden = override_for(type)) {
    DB_EXIT("\"%s\"", overridden);
    return overridden;
  }
  const char* base = lumoinstdir(LUMOINSTDIR_ZIR);
  if (!base || !path_exists(base)) {
    base = set_lumoinstall_paths() ? lumoinstdir(LUMOINSTDIR_VER) : nullptr;
    if (!base) {
      DB_NOTE("Could not locate installation directory");
      return nullptr;
    }
  }
  if (type == REG_PATH_INSTALL) {
    DB_NOTE("Returning installation directory: \"%s\"", base);
    return base;
  }
  if (type == REG_PATH_C_INCLUDE && !g_c_stdlib) type = REG_PATH_INCLUDE;
  const char* result = reg_create_path(base, type);
  DB_EXIT("\"%s\"", result);
  return result;
}

int reg_set_path(uint32_t type, const char* path) {
  DB_ENTER("%u, \"%s\"", type, path ? path : "(null)");
  if (path && !path_exists(path)) {
    DB_NOTE("Path does not exist: \"%s\"", path);
    return 0;
  }
  if (path && !path_is_dir(path)) {
    DB_NOTE("Path is not a directory: \"%s\"", path);
    return 0;
  }
  if (!valid_type(type) || type == REG_PATH_C_INCLUDE) return 0;
  OverrideSlot slot = kPathTypes[type].slot;
  if (slot == SLOT_NONE) return 0;
  g_overrides[slot] = path ? sc_intern(path) : nullptr;
  DB_NOTE("%s path now set to: \"%s\"", kSlotNames[slot], path ? path : "null");
  DB_EXIT("1");
  return 1;
}

const char* reg_set_c_stdlib(const char* name) {
  DB_ENTER("\"%s\"", name ? name : "(null)");
  g_c_stdlib = name ? sc_intern(name) : nullptr;
  DB_NOTE("standard C library is now set to: \"%s\"", g_c_stdlib ? g_c_stdlib : "(null)");
  return g_c_stdlib;
}

const char* reg_get_c_stdlib() {
  DB_ENTER();
  DB_NOTE("standard C library is presently: \"%s\"", g_c_stdlib ? g_c_stdlib : "(null)");
  return g_c_stdlib;
}

void reg_reset() {
  for (const char*& slot : g_overrides) slot = nullptr;
  g_c_stdlib = nullptr;
}
