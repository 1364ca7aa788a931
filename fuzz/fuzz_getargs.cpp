// The command-file reader over arbitrary bytes: every line splits into
// arguments of at most kGetargsTokenMax characters, entry 0 is the name,
// and the list is closed by a null. The first byte chooses single-line mode.
#include <cstring>

#include "driver/getargs.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), true);
  (void)ready;
  if (size == 0) return 0;
  const int one_line = data[0] & 1;
  FILE* in = fmemopen(const_cast<uint8_t*>(data + 1), size - 1 ? size - 1 : 1, "r");
  if (!in) return 0;
  if (size == 1) fgetc(in);  // an empty stream
  char** list = getargs_from(in, one_line, "fuzz");
  fclose(in);
  const uint32_t count = getargs_count();
  if (count < 1 || strcmp(list[0], "fuzz") != 0 || list[count] != nullptr) abort();
  for (uint32_t i = 1; i < count; ++i)
    if (!list[i] || strlen(list[i]) > kGetargsTokenMax) abort();
  return 0;
}
