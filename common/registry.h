// Directories of the installation by path type, with per-type overrides and
// an optional selection of the standard C library. Nothing here reads a
// system registry; the names keep the legacy driver's vocabulary.
#pragma once

#include <cstdint>

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
  REG_PATH_C_INCLUDE = 10,
};

// The directory of a path type (interned), or null.
const char* reg_instdir(uint32_t type);
// base joined with the directory of type, with the C library selection.
const char* reg_create_path(const char* base, uint32_t type);
// Sets (path) or clears (null) the override of a type: 1 when a slot changed.
int reg_set_path(uint32_t type, const char* path);
const char* reg_set_c_stdlib(const char* name);
const char* reg_get_c_stdlib();
// Clears every override and the C library selection.
void reg_reset();
