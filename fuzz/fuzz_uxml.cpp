// The micro XML reader over arbitrary bytes: a document yields a tree or
// null; a tree is written back out, and what was written is read again
// (the writer's forms are not all readable, so only safety is checked).
#include <cstring>

#include "common/uxml2.h"
#include "common/vector.h"
#include "fuzz/fuzz_support.h"

namespace {

size_t count_elements(const uxml_element* e) {
  size_t n = 1;
  vector* children = uxml_getChildren(e);
  for (uint32_t i = 0; i < vec_size(children); ++i)
    n += count_elements(static_cast<const uxml_element*>(vec_get(children, i)));
  vec_free(children);
  return n;
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
  char* text = nullptr;
  size_t length = 0;
  FILE* out = open_memstream(&text, &length);
  if (!out || !uxml_write(root, out)) abort();
  fclose(out);
  if (count_elements(root) == 0) abort();
  uxml_freeElement(root);
  if (FILE* again = fmemopen(text, length ? length : 1, "r")) {
    if (uxml_element* copy = uxml_read(again)) uxml_freeElement(copy);
    fclose(again);
  }
  free(text);
  return 0;
}
