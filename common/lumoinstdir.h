// Installation directories: the installation root and the version directory,
// derived from the location of the running executable, and the fixed
// sub-directories of the version directory.
//
// The executable lies in <version>/bin, <version>/zir/bin or
// <version>/zir-as/bin, and the version directory must hold "zir". All
// results are interned texts; null means the installation cannot be located.
#pragma once

#include <cstdint>

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

const char* lumoinstdir(uint32_t index);
// Uses path as the version directory (and its parent as the root) instead of
// deriving them: 0 on success, 1 when path or its parent does not exist.
int lumoinstdir_set(const char* path);
// Derives both directories once; true when both are known.
bool set_lumoinstall_paths();
// Derives the directories from an executable path instead of the running
// program's (the derivation of set_lumoinstall_paths).
bool set_lumoinstall_paths_from(const char* progname);
// Forgets both directories (for tests and for a second installation).
void lumoinstdir_reset();
