// Installation directories: the derivation of the root and the version
// directory from the executable's location, the fixed sub-directories, and
// the legacy driver's path types with their overrides.
#include "common/lumoinstdir.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug_assert.h"
#include "debug/lumodebug_trace.h"

namespace {

// ---- Derivation ----

const char* g_install_dir = nullptr;  // the installation root
const char* g_install_ver = nullptr;  // the version directory

constexpr const char* kSubdirNames[LUMOINSTDIR_LAST] = {
    "lumo8", "v*", "bin", "docs", "include", "etc", "zir", "tev", "vorasmx", "zir-as",
};

// The directory part of path as an interned text; null when it has none. A
// component directly below the root ("/v2.50") has the root as its parent,
// the root itself has none.
const char* parent_of(const char* path) {
  char* dir = path_dirname(path);
  if (!dir) return nullptr;
  if (*dir) return sc_adopt(dir);
  free(dir);
  return path[1] ? sc_substr(path, 1) : nullptr;
}

// A path ending in "bin/." or "bin/" names the bin directory itself.
const char* strip_trailing_dots(const char* dir) {
  size_t n = strlen(dir);
  while (n > 0 && (dir[n - 1] == '.' || dir[n - 1] == '\\' || dir[n - 1] == path_separator()))
    --n;
  return sc_substr(dir, n);
}

// The executable's path with symbolic links resolved, so that a link on the
// search path finds the installation it points into. The text as given when
// it names nothing (the derivation is then a matter of the text alone).
const char* real_exe_path(const char* progname) {
  char* real = path_real(progname);
  if (!real) return progname;
  const char* resolved = sc_adopt(real);
  if (strcmp(resolved, progname) != 0) DB_NOTE("Executable resolves to: \"%s\"", resolved);
  return resolved;
}

// The version directory, given the parent of the bin directory: one more
// step up when bin lies below "zir" or "zir-as"; null when there is none.
const char* past_tool_dir(const char* dir) {
  char* stem = path_stem_dot(dir);
  const char* tool = nullptr;
  for (const char* name : {"zir", "zir-as"})
    if (strcasecmp(stem, name) == 0) tool = name;
  free(stem);
  if (!tool) return dir;
  DB_NOTE("Identified as running from the '%s' directory: \"%s\"", tool, dir);
  return parent_of(dir);
}

// Records ver and its parent. Without a parent nothing changes.
bool record_install(const char* ver) {
  const char* previous = g_install_ver;
  g_install_ver = ver;
  DB_NOTE("lumoinstall_ver has been set to: \"%s\"", g_install_ver);
  const char* root = parent_of(ver);
  if (!root) {
    g_install_ver = previous;
    return false;
  }
  g_install_dir = root;
  DB_NOTE("lumoinstall_dir has been set to: \"%s\"", g_install_dir);
  return true;
}

// Ends the derivation with the reason as its EXIT record: the "ERROR -"
// lines belong to the derivation's trace, not to the notes.
bool derivation_fails(DbScope& scope, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool derivation_fails(DbScope& scope, int line, const char* format, ...) {
  if (scope.armed()) {
    va_list args;
    va_start(args, format);
    const char* why = sc_vprintf(format, args);
    va_end(args);
    scope.leave(line, "%s", why);
  }
  return false;
}

// ---- Path types ----

// Directory names indexed by path type; null for the base directory itself.
// The C include directory is the plain include one.
constexpr const char* kPathTypeDirs[] = {
    nullptr,      // REG_PATH_INSTALL
    "bin",        // REG_PATH_BIN
    "lib",        // REG_PATH_LIB
    "help",       // REG_PATH_HELP
    "include",    // REG_PATH_INCLUDE
    "dat",        // REG_PATH_DAT
    "sources",    // REG_PATH_SOURCES
    "resources",  // REG_PATH_RESOURCES
    "docs",       // REG_PATH_DOCS
    nullptr,      // not a path type
    "include",    // REG_PATH_C_INCLUDE
};
constexpr uint32_t kPathTypeCount = sizeof kPathTypeDirs / sizeof kPathTypeDirs[0];

bool valid_type(uint32_t type) { return type < kPathTypeCount && type != 9; }

// The directory the path types lie below: the version directory's "zir",
// else the version directory itself.
const char* path_type_base() {
  const char* zir = lumoinstdir(LUMOINSTDIR_ZIR);
  if (zir && path_exists(zir)) return zir;
  return set_lumoinstall_paths() ? g_install_ver : nullptr;
}

}  // namespace

// ---- Derivation ----

namespace {

// The derivation from the executable's path; real says that the path has
// its symbolic links resolved already.
bool derive_from(const char* progname, bool real) {
  // Named for the derivation, whichever entry point started it.
  DbScope db_scope_(__FILE__, __LINE__, "set_lumoinstall_paths");
  if (lumodebug_flagword) db_scope_.enter("\"%s\"", progname ? progname : "(null)");
  const char* dir = progname ? parent_of(real ? progname : real_exe_path(progname)) : nullptr;
  if (!dir) return derivation_fails(db_scope_, __LINE__, "ERROR - couldn't get a path based on progname");
  dir = strip_trailing_dots(dir);
  DB_NOTE("Application appears to be running from directory: \"%s\"", dir);
  const char* last = path_basename_ptr(dir);
  if (!*last)
    return derivation_fails(db_scope_, __LINE__, "ERROR - couldn't get a basename from the path: \"%s\"", dir);
  if (strcasecmp(last, "bin") != 0)
    return derivation_fails(db_scope_, __LINE__, "ERROR - the application is not running from a 'bin' directory");
  const char* above_bin = parent_of(dir);
  const char* ver = above_bin ? past_tool_dir(above_bin) : nullptr;
  if (!ver) return derivation_fails(db_scope_, __LINE__, "ERROR - path not deep enough?");
  const char* zir = sc_pathJoin(ver, "zir");
  if (!path_exists(zir)) {
    DB_NOTE("The 'zir' directory could not be found: \"%s\"", zir);
    DB_EXIT("false");
    return false;
  }
  DB_NOTE("Identified 'zir' directory: \"%s\"", zir);
  bool ok = record_install(ver);
  DB_EXIT("%s", ok ? "true" : "false");
  return ok;
}

}  // namespace

bool set_lumoinstall_paths_from(const char* progname) { return derive_from(progname, false); }

bool set_lumoinstall_paths() {
  if (g_install_dir && g_install_ver) return true;
  char* progname = osd_progname();
  bool ok = derive_from(progname, osd_progname_is_real());
  free(progname);
  return ok;
}

const char* lumoinstdir(uint32_t path) {
  DB_ENTER("%u", path);
  db_assert((path >= LUMOINSTDIR_FIRST) && (path < LUMOINSTDIR_LAST));
  if (path >= LUMOINSTDIR_LAST || !set_lumoinstall_paths()) return nullptr;
  const char* result;
  if (path == LUMOINSTDIR_ROOT) {
    result = g_install_dir;
    DB_NOTE("Returning install directory: \"%s\"", result);
  } else if (path == LUMOINSTDIR_VER) {
    result = g_install_ver;
    DB_NOTE("Returning ver directory: \"%s\"", result);
  } else {
    DB_NOTE("Returning concatenation of \"%s\" and \"%s\"", g_install_ver, kSubdirNames[path]);
    result = sc_pathJoin(g_install_ver, kSubdirNames[path]);
  }
  DB_EXIT("\"%s\"", result);
  return result;
}

int lumoinstdir_set(const char* path) {
  DB_ENTER("\"%s\"", path ? path : "(null)");
  if (!path || !path_exists(path)) {
    DB_NOTE("Path doesn't exist: \"%s\"", path ? path : "(null)");
    return 1;
  }
  // A relative name must keep meaning the same directory after the
  // working directory changes.
  g_install_ver = sc_adopt(path_absolute(path));
  const char* parent = parent_of(g_install_ver);
  if (!parent || !path_exists(parent)) {
    DB_NOTE("Path doesn't exist: \"%s\"", parent ? parent : "(null)");
    return 1;
  }
  g_install_dir = parent;
  DB_NOTE("Install dir set to: \"%s\"", g_install_dir);
  DB_EXIT("0");
  return 0;
}

void lumoinstdir_reset() {
  DB_ENTER();
  g_install_dir = nullptr;
  g_install_ver = nullptr;
}

// ---- Path types ----

const char* reg_create_path(const char* base, uint32_t type) {
  DB_ENTER("\"%s\", %u", base ? base : "(null)", type);
  if (!base || !valid_type(type)) return nullptr;
  const char* dir = kPathTypeDirs[type];
  const char* result = dir ? sc_pathJoin(base, dir) : base;
  if (dir) DB_NOTE("Returning concatenation of path: \"%s\" and \"%s\"", base, dir);
  DB_EXIT("\"%s\"", result);
  return result;
}

const char* reg_instdir(uint32_t type) {
  DB_ENTER("%u", type);
  if (!valid_type(type)) return nullptr;
  const char* base = path_type_base();
  if (!base) {
    DB_NOTE("Could not locate installation directory");
    return nullptr;
  }
  if (type == REG_PATH_INSTALL) {
    DB_NOTE("Returning installation directory: \"%s\"", base);
    DB_EXIT("\"%s\"", base);
    return base;
  }
  const char* result = reg_create_path(base, type);
  DB_EXIT("\"%s\"", result);
  return result;
}
