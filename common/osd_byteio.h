// Single bytes on streams.
//
// A read gives false at the end of the stream or on an error and then leaves
// *value unchanged; a write gives false when the stream took no byte. A
// null stream or value pointer fails. These run once per field of the files
// they read, so unlike the rest of the process layer they are not traced.
#pragma once

#include <cstdint>
#include <cstdio>

bool osd_read_u8(FILE* f, uint8_t* value);
bool osd_write_u8(FILE* f, uint8_t value);
