// Number set as a sorted array with binary search.
#include "common/numset.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#include "common/alloc.h"
#include "debug/lumodebug_trace.h"

struct numset {
  uint32_t count;
  uint32_t capacity;
  uint32_t* items;
};

namespace {

// Index of the first member not below n.
uint32_t lower_bound(const numset* s, uint32_t n) {
  uint32_t lo = 0, hi = s->count;
  while (lo < hi) {
    uint32_t mid = lo + (hi - lo) / 2;
    if (s->items[mid] < n)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

}  // namespace

// The whole-set operations are traced; membership, adding, removing and
// iteration (one number each) are not.
numset* numset_new() {
  DB_ENTER();
  auto* s = static_cast<numset*>(xcalloc(sizeof(numset)));
  DB_EXIT("%p", static_cast<void*>(s));
  return s;
}

void numset_free(numset* s) {
  DB_ENTER("%p", static_cast<void*>(s));
  if (!s) return;
  free(s->items);
  free(s);
}

int numset_add(numset* s, uint32_t n) {
  assert(s != NULL);
  assert(n != kNumsetEnd);
  uint32_t i = lower_bound(s, n);
  if (i < s->count && s->items[i] == n) return 0;
  if (s->count == s->capacity) {
    uint32_t cap = s->capacity ? 2 * s->capacity : 8;
    auto* items = static_cast<uint32_t*>(xcalloc(cap * sizeof(uint32_t)));
    if (s->count) memcpy(items, s->items, s->count * sizeof(uint32_t));
    free(s->items);
    s->items = items;
    s->capacity = cap;
  }
  memmove(s->items + i + 1, s->items + i, (s->count - i) * sizeof(uint32_t));
  s->items[i] = n;
  ++s->count;
  return 1;
}

int numset_remove(numset* s, uint32_t n) {
  assert(s != NULL);
  uint32_t i = lower_bound(s, n);
  if (i >= s->count || s->items[i] != n) return 0;
  memmove(s->items + i, s->items + i + 1, (s->count - i - 1) * sizeof(uint32_t));
  --s->count;
  return 1;
}

bool numset_has(const numset* s, uint32_t n) {
  if (!s) return false;
  uint32_t i = lower_bound(s, n);
  return i < s->count && s->items[i] == n;
}

void numset_clear(numset* s) {
  DB_ENTER("%p", static_cast<void*>(s));
  if (s) s->count = 0;
}

uint32_t numset_first(const numset* s) { return s && s->count ? s->items[0] : kNumsetEnd; }

uint32_t numset_next(const numset* s, uint32_t n) {
  if (!s || n == kNumsetEnd) return kNumsetEnd;
  uint32_t i = lower_bound(s, n + 1);
  return i < s->count ? s->items[i] : kNumsetEnd;
}
