// The micro XML reader over arbitrary bytes: a document yields a tree or
// null, and every element of a tree has its name, text and lists.
#include <cstring>

#include "common/uxml2.h"
#include "common/vector.h"
#include "fuzz/fuzz_support.h"

namespace {

void check_element(const uxml_element* e) {
  if (!e->name || !e->text || !e->children || !e->attributes) abort();
  for (uint32_t i = 0; i < vec_size(e->children); ++i)
    check_element(static_cast<const uxml_element*>(vec_get(e->children, i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), true);
  (void)ready;
  if (size == 0) return 0;
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (!in) return 0;
  uxml_element* root = uxml_read(in);
  fclose(in);
  if (!root) return 0;
  check_element(root);
  uxml_freeElement(root);
  return 0;
}
