// Installation directories derived from the executable's own location.
#include "common/lumoinstdir.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug.h"

namespace {

const char* g_install_dir = nullptr;  // the installation root
const char* g_install_ver = nullptr;  // the version directory

constexpr const char* kSubdirNames[LUMOINSTDIR_LAST] = {
    "lumo8", "v*", "bin", "docs", "include", "etc", "zir", "tev", "vorasmx", "zir-as",
};

// The directory part of path as an interned text; null when it has none or
// the part is empty.
const char* parent_of(const char* path) {
  char* dir = path_dirname(path);
  if (!dir) return nullptr;
  if (!*dir) {
    free(dir);
    return nullptr;
  }
  return sc_adopt(dir);
}

// A path ending in "bin/." or "bin/" names the bin directory itself.
const char* strip_trailing_dots(const char* dir) {
  size_t n = strlen(dir);
  while (n > 0 && (dir[n - 1] == '.' || dir[n - 1] == '\\' || dir[n - 1] == path_separator()))
    --n;
  return sc_substr(dir, n);
}

// Steps from the bin directory to the version directory: past "zir" or
// "zir-as" when bin lies below one of them.
const char* version_dir_above_bin(const char* bindir) {
  const char* dir = parent_of(bindir);
  if (!dir) {
    DB_NOTE("ERROR - path not deep enough?");
    return nullptr;
  }
  char* stem = path_stem_dot(dir);
  const char* below = nullptr;
  if (strcasecmp(stem, "zir") == 0) below = "zir";
  if (strcasecmp(stem, "zir-as") == 0) below = "zir-as";
  free(stem);
  if (!below) return dir;
  DB_NOTE("Identified as running from the '%s' directory: \"%s\"", below, dir);
  const char* up = parent_of(dir);
  if (!up) DB_NOTE("ERROR - path not deep enough?");
  return up;
}

}  // namespace

bool set_lumoinstall_paths_from(const char* progname) {
  DB_ENTER("\"%s\"", progname ? progname : "(null)");
  const char* dir = progname ? parent_of(progname) : nullptr;
  if (!dir) {
    DB_NOTE("ERROR - couldn't get a path based on progname");
    return false;
  }
  dir = strip_trailing_dots(dir);
  DB_NOTE("Application appears to be running from directory: \"%s\"", dir);
  const char* last = path_basename_ptr(dir);
  if (!*last) {
    DB_NOTE("ERROR - couldn't get a basename from the path: \"%s\"", dir);
    return false;
  }
  if (strcasecmp(last, "bin") != 0) {
    DB_NOTE("ERROR - the application is not running from a 'bin' directory");
    return false;
  }
  const char* ver = version_dir_above_bin(dir);
  if (!ver) return false;
  const char* zir = sc_pathJoin(ver, "zir");
  if (!path_exists(zir)) {
    DB_NOTE("The 'zir' directory could not be found: \"%s\"", zir);
    return false;
  }
  DB_NOTE("Identified 'zir' directory: \"%s\"", zir);
  const char* root = parent_of(ver);
  if (!root) {
    DB_NOTE("ERROR - path not deep enough?");
    return false;
  }
  g_install_ver = ver;
  DB_NOTE("lumoinstall_ver has been set to: \"%s\"", g_install_ver);
  g_install_dir = root;
  DB_NOTE("lumoinstall_dir has been set to: \"%s\"", g_install_dir);
  DB_EXIT("true");
  return true;
}

bool set_lumoinstall_paths() {
  if (g_install_dir && g_install_ver) return true;
  DB_ENTER();
  char* progname = osd_progname();
  bool ok = set_lumoinstall_paths_from(progname);
  free(progname);
  DB_EXIT("%s", ok ? "true" : "false");
  return ok;
}

const char* lumoinstdir(uint32_t index) {
  DB_ENTER("%u", index);
  assert((index >= LUMOINSTDIR_FIRST) && (index < LUMOINSTDIR_LAST));
  if (index >= LUMOINSTDIR_LAST || !set_lumoinstall_paths()) return nullptr;
  const char* result;
  if (index == LUMOINSTDIR_ROOT) {
    result = g_install_dir;
    DB_NOTE("Returning install directory: \"%s\"", result);
  } else if (index == LUMOINSTDIR_VER) {
    result = g_install_ver;
    DB_NOTE("Returning ver directory: \"%s\"", result);
  } else {
    DB_NOTE("Returning concatenation of \"%s\" and \"%s\"", g_install_ver, kSubdirNames[index]);
    result = sc_pathJoin(g_install_ver, kSubdirNames[index]);
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
  g_install_dir = nullptr;
  g_install_ver = nullptr;
}
