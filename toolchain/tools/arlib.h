// The library model of the librarian: a library read whole into memory,
// changed there, and written back through a temporary file that replaces
// the old library only when it is complete.
//
// Libraries are read strictly: every directory entry must be whole, every
// module name a plain file name that occurs once, and the module sizes must
// account for every byte after the directory, no more and no less.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/objformat.h"

// The symbol flag the librarian writes: a symbol the module defines.
inline constexpr uint8_t kArSymDefined = 1;

struct ar_symbol {
  uint8_t flags;
  std::string name;
};

struct ar_module {
  std::string name;
  std::vector<ar_symbol> symbols;
  std::vector<unsigned char> data;
  uint16_t reserved16 = 0;
  uint32_t reserved32 = 0;
};

struct ar_library {
  uint16_t reserved = 0;
  std::vector<ar_module> modules;
};

enum class ar_status {
  ok,
  cannot_open,   // the file cannot be opened or read
  garbled,       // the bytes are no library; the detail says why
  not_a_module,  // neither object records up to END nor a p1 file
  too_many,      // more modules, symbols or bytes than the format holds
  cannot_write,  // a temporary file could not be made, written or renamed
};

struct ar_result {
  ar_status status = ar_status::ok;
  std::string detail;
  explicit operator bool() const { return status == ar_status::ok; }
};

// A module name is a plain file name: not empty, no directory part, not
// "." or "..".
bool ar_valid_name(const std::string& name);

ar_result ar_read(const char* path, ar_library* lib);
// The module from a file: its base name, its bytes, and for object files
// the symbols its SYM records define.
ar_result ar_load_module(const char* path, ar_module* module);
// Index of the module named so, or -1.
long ar_find(const ar_library& lib, const std::string& name);
// Replaces the module of the same name in place, else appends it.
// True when it replaced one.
bool ar_put(ar_library* lib, ar_module module);

// Writes the library to a temporary file beside path and renames it over
// path; on any failure path is left as it was and no temporary stays.
ar_result ar_write(const char* path, const ar_library& lib);
// The same for a plain file (an extracted module).
ar_result ar_write_file(const char* path, const void* data, size_t size);

// The symbols an object module's SYM records define. A SYM record holds a
// flag byte, a 4-byte value and the NUL-terminated name; records of any
// other layout are passed over.
std::vector<ar_symbol> ar_object_symbols(const std::vector<unsigned char>& data);

// SYM record flags as the assembler writes them.
inline constexpr uint8_t kObjSymGlobal = 0x80;
inline constexpr uint8_t kObjSymLabel = 0x01;
inline constexpr uint8_t kObjSymConstant = 0x02;
