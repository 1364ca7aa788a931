// The manifest reader over arbitrary bytes, with and without a base
// directory: a vector of records with a hash and a path each, or null.
#include "fuzz/fuzz_support.h"
#include "selftests/shahash.h"

namespace {

void check_and_free(vector* records) {
  for (uint32_t i = 0; i < vec_size(records); ++i) {
    auto* r = vec_get_as<manifest_record*>(records, i);
    if (!r || !r->hash || !r->path) abort();
  }
  shahash_freeManifest(records);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), true);
  (void)ready;
  const std::string path = fuzz::as_file(data, size, "manifest");
  check_and_free(shahash_readManifest(path.c_str(), nullptr));
  check_and_free(shahash_readManifest(path.c_str(), "/base/v2.50"));
  return 0;
}
