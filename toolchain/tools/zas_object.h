// The object file the assembler writes, in the tool chain's record format:
//
//   IDENT   the producing program and the device, NUL-terminated
//   PSECT   per program section: its name (NUL-terminated) and 4-byte size,
//           followed by the section's
//     TEXT    code runs: 4-byte offset in the section, then the bytes
//     SYM     labels of the section (layout below)
//   SYM     the constants (EQU), after every section
//   START   4-byte start address, when END names a start label
//   END     empty; closes the file
//
// A SYM record holds a flag byte (kObjSymLabel or kObjSymConstant, with
// kObjSymGlobal for names declared GLOBAL), the 4-byte value and the
// NUL-terminated name. All numbers little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct zas_run {
  uint32_t address;
  std::vector<unsigned char> bytes;
};

struct zas_psect {
  std::string name;
  uint32_t size;
  std::vector<zas_run> runs;
};

struct zas_symbol {
  std::string name;
  uint32_t value;
  uint8_t flags;
  std::string psect;  // empty for constants
};

struct zas_object {
  std::string ident;
  std::vector<zas_psect> psects;
  std::vector<zas_symbol> symbols;
  bool has_start = false;
  uint32_t start = 0;
};

// The whole file's bytes.
std::vector<unsigned char> zas_object_bytes(const zas_object& obj);
