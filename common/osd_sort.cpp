// Sorting arrays of fixed-size elements.
#include "common/osd_sort.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "common/alloc.h"

namespace {

constexpr size_t kSmallElement = 64;
constexpr size_t kInsertionLimit = 8;

void swap_bytes(unsigned char* a, unsigned char* b, size_t size) {
  if (a == b) return;
  for (size_t i = 0; i < size; ++i) {
    unsigned char t = a[i];
    a[i] = b[i];
    b[i] = t;
  }
}

void insertion_sort(unsigned char* lo, size_t count, size_t size, osd_compare_fn compare) {
  for (size_t i = 1; i < count; ++i)
    for (size_t j = i; j > 0 && compare(lo + (j - 1) * size, lo + j * size) > 0; --j)
      swap_bytes(lo + (j - 1) * size, lo + j * size, size);
}

// Hoare partition of [lo, lo + count) around a copy of the middle element.
// Returns the number of elements in the left part; both parts are non-empty.
size_t partition(unsigned char* lo, size_t count, size_t size, osd_compare_fn compare,
                 unsigned char* pivot) {
  // The lower middle: with the last element as pivot the right part could be empty.
  memcpy(pivot, lo + ((count - 1) / 2) * size, size);
  size_t i = 0, j = count - 1;
  for (;;) {
    while (compare(lo + i * size, pivot) < 0) ++i;
    while (compare(lo + j * size, pivot) > 0) --j;
    if (i >= j) return j + 1;
    swap_bytes(lo + i * size, lo + j * size, size);
    ++i;
    --j;
  }
}

}  // namespace

void osd_qsort(void* base, size_t count, size_t size, osd_compare_fn compare) {
  if (count < 2 || size == 0) return;
  unsigned char small[kSmallElement];
  unsigned char* pivot = size <= kSmallElement ? small : static_cast<unsigned char*>(xcalloc(size));

  struct Range { unsigned char* lo; size_t count; };
  Range stack[64];  // the smaller side is always done first: depth <= log2(count)
  size_t depth = 0;
  stack[depth++] = {static_cast<unsigned char*>(base), count};
  while (depth > 0) {
    Range r = stack[--depth];
    while (r.count > kInsertionLimit) {
      size_t left = partition(r.lo, r.count, size, compare, pivot);
      Range a{r.lo, left}, b{r.lo + left * size, r.count - left};
      if (a.count > b.count) std::swap(a, b);
      stack[depth++] = b;  // larger side waits, smaller side goes on
      r = a;
    }
    insertion_sort(r.lo, r.count, size, compare);
  }
  if (pivot != small) free(pivot);
}
