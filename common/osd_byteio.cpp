// Single bytes on streams.
#include "common/osd_byteio.h"

bool osd_read_u8(FILE* f, uint8_t* value) {
  uint8_t v;
  if (!f || !value || fread(&v, sizeof v, 1, f) != 1) return false;
  *value = v;
  return true;
}

bool osd_write_u8(FILE* f, uint8_t value) { return f && fwrite(&value, sizeof value, 1, f) == 1; }
