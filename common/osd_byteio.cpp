// Fixed-size values on streams, in host byte order or byte-swapped.
#include "common/osd_byteio.h"

namespace {

constexpr uint8_t swapped(uint8_t v) { return v; }
constexpr uint16_t swapped(uint16_t v) { return osd_swap16(v); }
constexpr uint32_t swapped(uint32_t v) { return osd_swap32(v); }
constexpr uint64_t swapped(uint64_t v) { return osd_swap64(v); }

template <typename T>
bool read_value(FILE* f, T* value, bool swap) {
  T v;
  if (!f || !value || fread(&v, sizeof v, 1, f) != 1) return false;
  *value = swap ? swapped(v) : v;
  return true;
}

template <typename T>
bool write_value(FILE* f, T value, bool swap) {
  if (swap) value = swapped(value);
  return f && fwrite(&value, sizeof value, 1, f) == 1;
}

}  // namespace

bool osd_read_u8(FILE* f, uint8_t* value) { return read_value(f, value, false); }
bool osd_read_u16(FILE* f, uint16_t* value) { return read_value(f, value, false); }
bool osd_read_u32(FILE* f, uint32_t* value) { return read_value(f, value, false); }
bool osd_read_u64(FILE* f, uint64_t* value) { return read_value(f, value, false); }
bool osd_read_u16_swapped(FILE* f, uint16_t* value) { return read_value(f, value, true); }
bool osd_read_u32_swapped(FILE* f, uint32_t* value) { return read_value(f, value, true); }
bool osd_read_u64_swapped(FILE* f, uint64_t* value) { return read_value(f, value, true); }

bool osd_write_u8(FILE* f, uint8_t value) { return write_value(f, value, false); }
bool osd_write_u16(FILE* f, uint16_t value) { return write_value(f, value, false); }
bool osd_write_u32(FILE* f, uint32_t value) { return write_value(f, value, false); }
bool osd_write_u64(FILE* f, uint64_t value) { return write_value(f, value, false); }
bool osd_write_u16_swapped(FILE* f, uint16_t value) { return write_value(f, value, true); }
bool osd_write_u32_swapped(FILE* f, uint32_t value) { return write_value(f, value, true); }
bool osd_write_u64_swapped(FILE* f, uint64_t value) { return write_value(f, value, true); }
