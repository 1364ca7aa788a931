// The tool chain's binary formats: object records and libraries.
//
// Every multi-byte field is little-endian whatever the host, so values are
// put together byte by byte rather than read in host order.
//
// Object file: a sequence of records, each a 2-byte data length (0 to 512),
// a 1-byte record type (1 to 23) and the data; an END record closes it.
//
// Library: a 2-byte field the readers do not examine, the 2-byte module
// count M, a directory of M entries, then the modules' bytes in directory
// order. A directory entry is a 2-byte field not examined, the 2-byte symbol
// count S, the 4-byte module size, a 4-byte field not examined, the
// NUL-terminated module name (not empty) and S symbols, each a flag byte and
// a NUL-terminated name (not empty).
//
// Readers give false at the end of the stream or on a read error; what they
// would have filled in is then unspecified. Writers give false when the
// stream took fewer bytes or when the result would not read back (a record
// type out of range, data too long, an empty name; such a refusal writes
// nothing). These run once per field of every file examined, so they are
// not traced; only obj_write_library, which writes a whole library, is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// ---- Object records ----

enum class obj_rectype : uint8_t {
  TEXT = 1,
  PSECT = 2,
  RELOC = 3,
  SYM = 4,
  START = 5,
  END = 6,
  IDENT = 7,
  XPSECT = 8,
  SEGMENT = 9,
  XSYM = 10,
  SIGNAT = 11,
  FNINFO = 12,
  FNCONF = 13,
  SEGSTART = 14,
  PSECTLIM = 15,
  LISTRELOC = 16,
  LR_TEXT = 17,
  LR_RELOC = 18,
  COND_EXPR = 19,
  DABS = 20,
  Unknown = 21,
  FNALIGN = 22,
  PSECTBOUND = 23,
  RECRANGE = 24,  // end of the range: not a type a file may hold
};

inline constexpr unsigned kObjFirstRecordType = 1;
inline constexpr unsigned kObjLastRecordType = 23;
inline constexpr uint16_t kObjMaxRecordLength = 512;
inline constexpr size_t kObjRecordHeaderSize = 3;

// A type a record may carry (1 to 23).
constexpr bool obj_rectype_valid(unsigned type) {
  return type >= kObjFirstRecordType && type <= kObjLastRecordType;
}
// "TEXT" ... "RECRANGE" for 1 to 24, "(invalid)" for anything else.
const char* obj_rectype_name(unsigned type);

struct obj_record_header {
  uint16_t length;  // bytes of data after the header
  uint8_t type;
};

// The 3-byte header; nothing is checked beyond its being there.
bool obj_read_record_header(FILE* f, obj_record_header* header);

// ---- Little-endian fields ----

constexpr uint16_t obj_get_u16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
constexpr uint32_t obj_get_u32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
constexpr void obj_put_u16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
constexpr void obj_put_u32(unsigned char* p, uint32_t v) {
  obj_put_u16(p, static_cast<uint16_t>(v));
  obj_put_u16(p + 2, static_cast<uint16_t>(v >> 16));
}

bool obj_read_u8(FILE* f, uint8_t* value);
bool obj_write_u8(FILE* f, uint8_t value);
bool obj_write_u16(FILE* f, uint16_t value);
bool obj_write_u32(FILE* f, uint32_t value);

// ---- Names ----

// The longest name the readers accept.
inline constexpr size_t kObjMaxNameLength = 32000;

enum class obj_name_status {
  complete,  // the NUL was read
  at_end,    // the stream ended first; out holds what came before
  too_long,  // more than limit characters came before any NUL
};

// Reads the characters up to the next NUL (which is consumed) into out.
obj_name_status obj_read_name(FILE* f, std::string* out, size_t limit = kObjMaxNameLength);
// name and its NUL; refuses a null or empty name or one longer than the limit.
bool obj_write_name(FILE* f, const char* name);

// ---- Libraries ----

inline constexpr size_t kObjLibHeaderSize = 4;
// The fixed part of a directory entry, before the module name.
inline constexpr size_t kObjLibEntryFixedSize = 12;

struct obj_lib_header {
  uint16_t reserved;  // not examined by the readers; written as given
  uint16_t module_count;
};

struct obj_lib_entry_fixed {
  uint16_t reserved16;  // not examined by the readers; written as given
  uint16_t symbol_count;
  uint32_t size;        // bytes of module data
  uint32_t reserved32;  // not examined by the readers; written as given
};

bool obj_read_lib_header(FILE* f, obj_lib_header* header);
bool obj_read_lib_entry_fixed(FILE* f, obj_lib_entry_fixed* entry);

struct obj_lib_symbol {
  uint8_t flags;  // meaning left to the librarian
  const char* name;
};

// A module as the writers take it: its directory entry and its bytes.
struct obj_lib_module {
  const char* name;
  const obj_lib_symbol* symbols;
  uint16_t symbol_count;
  const void* data;
  uint32_t size;
  uint16_t reserved16 = 0;
  uint32_t reserved32 = 0;
};

bool obj_write_lib_header(FILE* f, const obj_lib_header& header);
// The directory entry of module (not its data).
bool obj_write_lib_entry(FILE* f, const obj_lib_module& module);
// The module's bytes, as they go after the directory.
bool obj_write_lib_module(FILE* f, const obj_lib_module& module);
// A whole library: header, directory, data. More than 65535 modules fail.
bool obj_write_library(FILE* f, const obj_lib_module* modules, size_t count, uint16_t reserved = 0);
