// The tool chain's binary formats: object records and libraries.
#include "common/objformat.h"

#include <cstring>

#include "common/osd_byteio.h"
#include "debug/lumodebug_trace.h"

namespace {

constexpr const char* kRecordNames[] = {
    "(invalid)", "TEXT",     "PSECT",    "RELOC",     "SYM",       "START",  "END",
    "IDENT",     "XPSECT",   "SEGMENT",  "XSYM",      "SIGNAT",    "FNINFO", "FNCONF",
    "SEGSTART",  "PSECTLIM", "LISTRELOC", "LR_TEXT",  "LR_RELOC",  "COND_EXPR",
    "DABS",      "Unknown",  "FNALIGN",  "PSECTBOUND", "RECRANGE",
};
static_assert(sizeof kRecordNames / sizeof kRecordNames[0] ==
              static_cast<size_t>(obj_rectype::RECRANGE) + 1);

// A name grows its buffer in steps rather than doubling: names are short, and
// a stream without a NUL should cost no more than the limit.
constexpr size_t kNameBufferStep = 1000;

bool read_bytes(FILE* f, unsigned char* buf, size_t n) { return f && fread(buf, 1, n, f) == n; }
bool write_bytes(FILE* f, const void* buf, size_t n) { return f && (n == 0 || fwrite(buf, 1, n, f) == n); }

bool name_writable(const char* name) {
  return name && *name && strlen(name) <= kObjMaxNameLength;
}

// Checked before anything is written, so that a refused entry leaves the
// stream as it was.
bool entry_writable(const obj_lib_module& module) {
  if (!name_writable(module.name) || (module.symbol_count > 0 && !module.symbols)) return false;
  for (uint16_t i = 0; i < module.symbol_count; ++i)
    if (!name_writable(module.symbols[i].name)) return false;
  return true;
}

}  // namespace

const char* obj_rectype_name(unsigned type) {
  return type <= static_cast<unsigned>(obj_rectype::RECRANGE) ? kRecordNames[type] : kRecordNames[0];
}

// ---- Little-endian fields ----

// A byte has no order: the process layer's reader and writer serve.
bool obj_read_u8(FILE* f, uint8_t* value) { return value && osd_read_u8(f, value); }

bool obj_write_u8(FILE* f, uint8_t value) { return osd_write_u8(f, value); }

bool obj_write_u16(FILE* f, uint16_t value) {
  unsigned char b[2];
  obj_put_u16(b, value);
  return write_bytes(f, b, sizeof b);
}

bool obj_write_u32(FILE* f, uint32_t value) {
  unsigned char b[4];
  obj_put_u32(b, value);
  return write_bytes(f, b, sizeof b);
}

// ---- Object records ----

bool obj_read_record_header(FILE* f, obj_record_header* header) {
  unsigned char b[kObjRecordHeaderSize];
  if (!header || !read_bytes(f, b, sizeof b)) return false;
  header->length = obj_get_u16(b);
  header->type = b[2];
  return true;
}

// ---- Names ----

obj_name_status obj_read_name(FILE* f, std::string* out, size_t limit) {
  out->clear();
  for (int c; f && (c = fgetc(f)) != EOF;) {
    if (c == '\0') return obj_name_status::complete;
    if (out->size() == limit) return obj_name_status::too_long;
    if (out->size() == out->capacity()) out->reserve(out->capacity() + kNameBufferStep);
    out->push_back(static_cast<char>(c));
  }
  return obj_name_status::at_end;
}

bool obj_write_name(FILE* f, const char* name) {
  return name_writable(name) && write_bytes(f, name, strlen(name) + 1);
}

// ---- Libraries ----

bool obj_read_lib_header(FILE* f, obj_lib_header* header) {
  unsigned char b[kObjLibHeaderSize];
  if (!header || !read_bytes(f, b, sizeof b)) return false;
  header->reserved = obj_get_u16(b);
  header->module_count = obj_get_u16(b + 2);
  return true;
}

bool obj_read_lib_entry_fixed(FILE* f, obj_lib_entry_fixed* entry) {
  unsigned char b[kObjLibEntryFixedSize];
  if (!entry || !read_bytes(f, b, sizeof b)) return false;
  entry->reserved16 = obj_get_u16(b);
  entry->symbol_count = obj_get_u16(b + 2);
  entry->size = obj_get_u32(b + 4);
  entry->reserved32 = obj_get_u32(b + 8);
  return true;
}

bool obj_write_lib_header(FILE* f, const obj_lib_header& header) {
  return obj_write_u16(f, header.reserved) && obj_write_u16(f, header.module_count);
}

bool obj_write_lib_entry(FILE* f, const obj_lib_module& module) {
  if (!entry_writable(module)) return false;
  if (!obj_write_u16(f, module.reserved16) || !obj_write_u16(f, module.symbol_count) ||
      !obj_write_u32(f, module.size) || !obj_write_u32(f, module.reserved32) ||
      !obj_write_name(f, module.name))
    return false;
  for (uint16_t i = 0; i < module.symbol_count; ++i)
    if (!obj_write_u8(f, module.symbols[i].flags) || !obj_write_name(f, module.symbols[i].name))
      return false;
  return true;
}

bool obj_write_lib_module(FILE* f, const obj_lib_module& module) {
  if (module.size > 0 && !module.data) return false;
  return write_bytes(f, module.data, module.size);
}

bool obj_write_library(FILE* f, const obj_lib_module* modules, size_t count, uint16_t reserved) {
  DB_ENTER("%zu modules", count);
  if (count > UINT16_MAX || (count > 0 && !modules)) return false;
  for (size_t i = 0; i < count; ++i)
    if (!entry_writable(modules[i]) || (modules[i].size > 0 && !modules[i].data)) return false;
  if (!obj_write_lib_header(f, {reserved, static_cast<uint16_t>(count)})) return false;
  for (size_t i = 0; i < count; ++i)
    if (!obj_write_lib_entry(f, modules[i])) return false;
  for (size_t i = 0; i < count; ++i)
    if (!obj_write_lib_module(f, modules[i])) return false;
  return true;
}
