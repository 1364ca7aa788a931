// The option lookup over arbitrary keys: the input is the key, optionally
// followed by a NUL and a sub-option group tag. A row found is a row of the
// table with a name.
#include <string>

#include "driver/options.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), options_initialize(~0u), true);
  (void)ready;
  const std::string all(reinterpret_cast<const char*>(data), size);
  const std::string key = all.c_str();
  const bool has_tag = key.size() < all.size();
  const std::string tag = has_tag ? std::string(all.c_str() + key.size() + 1) : std::string();
  const char* sub = has_tag ? tag.c_str() : nullptr;
  hashtable* table = options_table();
  for (const option_row* row : {option_lookup(table, key.c_str(), sub), option_prefix_lookup(table, key.c_str(), sub, 5),
                                  option_prefix_lookup(table, key.c_str(), sub, 2)}) {
    if (!row) continue;
    if (!row->name || row < option_table || row >= option_table + kOptionTableRows) abort();
  }
  return 0;
}
