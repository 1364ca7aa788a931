// Fixed-size values on streams, in host byte order or byte-swapped.
//
// A read gives false at the end of the stream or on an error and then leaves
// *value unchanged; a write gives false when the stream took fewer bytes.
// A null stream or value pointer fails. These run once per field of the
// files they read, so unlike the rest of the process layer they are not
// traced.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr uint16_t osd_swap16(uint16_t v) { return static_cast<uint16_t>((v << 8) | (v >> 8)); }

constexpr uint32_t osd_swap32(uint32_t v) {
  return (v << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}

constexpr uint64_t osd_swap64(uint64_t v) {
  return (static_cast<uint64_t>(osd_swap32(static_cast<uint32_t>(v))) << 32) |
         osd_swap32(static_cast<uint32_t>(v >> 32));
}

bool osd_read_u8(FILE* f, uint8_t* value);
bool osd_read_u16(FILE* f, uint16_t* value);
bool osd_read_u32(FILE* f, uint32_t* value);
bool osd_read_u64(FILE* f, uint64_t* value);
bool osd_read_u16_swapped(FILE* f, uint16_t* value);
bool osd_read_u32_swapped(FILE* f, uint32_t* value);
bool osd_read_u64_swapped(FILE* f, uint64_t* value);

bool osd_write_u8(FILE* f, uint8_t value);
bool osd_write_u16(FILE* f, uint16_t value);
bool osd_write_u32(FILE* f, uint32_t value);
bool osd_write_u64(FILE* f, uint64_t value);
bool osd_write_u16_swapped(FILE* f, uint16_t value);
bool osd_write_u32_swapped(FILE* f, uint32_t value);
bool osd_write_u64_swapped(FILE* f, uint64_t value);
