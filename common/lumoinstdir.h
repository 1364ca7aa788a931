// Installation directories. This module owns where the tool chain's files
// are: the installation root and the version directory, derived from the
// location of the running executable (or named by the self test), the fixed
// sub-directories of the version directory by index, and the legacy driver's
// path types. Nothing here reads a system registry; the reg_ names keep the
// legacy driver's vocabulary.
//
// Installation layout: <root>/<version>/{bin,docs,include,etc,zir,tev,...}.
// The executable lies in <version>/bin, <version>/zir/bin or
// <version>/zir-as/bin, symbolic links to it resolved, and the version
// directory must hold "zir". All results are interned texts; null means the
// installation cannot be located. The state is process-wide.
#pragma once

#include <cstdint>

// ---- The version directory and its sub-directories ----

enum LumoInstDir : uint32_t {
  LUMOINSTDIR_FIRST = 0,
  LUMOINSTDIR_ROOT = 0,
  LUMOINSTDIR_VER = 1,
  LUMOINSTDIR_BIN = 2,
  LUMOINSTDIR_DOCS = 3,
  LUMOINSTDIR_INCLUDE = 4,
  LUMOINSTDIR_ETC = 5,
  LUMOINSTDIR_ZIR = 6,
  LUMOINSTDIR_TEV = 7,
  LUMOINSTDIR_VORASMX = 8,
  LUMOINSTDIR_ZIR_AS = 9,
  LUMOINSTDIR_LAST = 10,
};

// The directory of index path (the root, the version directory, or the
// version directory joined with the index's name). An index of
// LUMOINSTDIR_LAST or more is a caller error: an assertion, else null.
const char* lumoinstdir(uint32_t path);
// Uses path as the version directory (and its parent as the root) instead of
// deriving them: 0 on success, 1 when path or its parent does not exist (a
// missing parent leaves path recorded as the version directory).
int lumoinstdir_set(const char* path);
// Derives both directories from the running executable unless both are
// known already; true when both are known. A failure changes nothing and is
// retried by the next call. The records are the derivation's (below, under
// this name): a call that finds both known writes none.
bool set_lumoinstall_paths();
// The derivation of set_lumoinstall_paths from the given executable path,
// whatever is known already; symbolic links in the path are resolved first.
bool set_lumoinstall_paths_from(const char* progname);
// Forgets both directories (for tests and for a second installation).
void lumoinstdir_reset();

// ---- Path types of the legacy driver ----

enum RegPathType : uint32_t {
  REG_PATH_INSTALL = 0,
  REG_PATH_BIN = 1,
  REG_PATH_LIB = 2,
  REG_PATH_HELP = 3,
  REG_PATH_INCLUDE = 4,
  REG_PATH_DAT = 5,
  REG_PATH_SOURCES = 6,
  REG_PATH_RESOURCES = 7,
  REG_PATH_DOCS = 8,
  // 9 is not a path type.
  REG_PATH_C_INCLUDE = 10,
};

// The directory of a path type below the version directory's "zir" (the
// version directory itself when there is no "zir"); null when the
// installation cannot be located or for a type that is none.
const char* reg_instdir(uint32_t type);
// base joined with the directory of type.
const char* reg_create_path(const char* base, uint32_t type);
