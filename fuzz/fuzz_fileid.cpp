// File identification over arbitrary bytes: the input is stored under a
// name whose extension the first byte chooses, and every identification
// runs on it; the object-record reader also runs on the bytes directly.
#include <string>

#include "common/fileutils.h"
#include "fuzz/fuzz_support.h"

namespace {

const char* const kNames[] = {"in.o", "in.obj", "in.lib", "in.lpp", "in.a", "in.p1",
                              "in.elf", "in.bin", "in",     "in.S",   "in.c", "in.O"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), true);
  (void)ready;
  if (size == 0) return 0;
  const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  const std::string path = fuzz::as_file(data + 1, size - 1, name);
  const char* p = path.c_str();
  (void)fileid(p);
  (void)fileid_is_p1(p);
  (void)fileid_is_obj(p);
  const int library = fileid_is_library(p);
  if (library < 0 || library > 3) abort();
  (void)which_elf(p);
  (void)scan(p);
  if (FILE* in = fmemopen(const_cast<uint8_t*>(data + 1), size - 1 ? size - 1 : 1, "rb")) {
    (void)fileid_is_obj_fp(in);
    rewind(in);
    (void)fileid_is_p1_fp(in);
    fclose(in);
  }
  return 0;
}
