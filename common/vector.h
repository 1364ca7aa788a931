// Vector: the program's one general container, a growable array of untyped
// pointer-sized elements.
//
// Elements are compared by identity and never owned. Each vector carries a
// stack of iterators, which makes the for-each protocol safe against
// additions and removals during a loop and lets loops over one vector nest.
// While tracking is on (the debug facility's container-report flag), every
// new vector gets a master-list record that vec_report() prints at the end:
// switching tracking on registers it as an end-of-run report of the trace.
//
// Growth: the first allocation holds the initial capacity (10 for vec_new),
// each later one twice the capacity, until the target index fits.
//
// The element operations (size, get, set, push, pop, remove, the
// for-each protocol) are not traced: every loop of the program runs through
// them, so their trace would drown the rest. Creating, copying, freeing,
// clearing, appending and sorting a whole vector are, and switching the
// master list; vec_tracking is a getter and vec_report writes trace output
// itself, so neither is.
#pragma once

#include <cstdint>
#include <type_traits>

#include "common/srcloc.h"

struct vec_iterator;
struct vec_record;

struct vector {
  uint32_t count;
  uint32_t capacity;
  uint32_t initial_capacity;
  vec_iterator* iterators;
  void** data;
  uint32_t serial;
  vec_record* record;
};

inline constexpr uint32_t kVecDefaultCapacity = 10;
inline constexpr uint32_t kVecIteratorCacheMax = 8192;

vector* vec_new(const char* file = LUMO_HERE_FILE, int line = LUMO_HERE_LINE);
vector* vec_new_sized(uint32_t initial_capacity, const char* file = LUMO_HERE_FILE,
                      int line = LUMO_HERE_LINE);
vector* vec_copy(const vector* p, const char* file = LUMO_HERE_FILE, int line = LUMO_HERE_LINE);
void vec_free(vector* p);

uint32_t vec_size(const vector* p);
void* vec_get(const vector* p, uint32_t i);
uint32_t vec_push(vector* p, const void* x);
void vec_set(vector* p, const void* x, uint32_t i);
void* vec_pop(vector* p);
uint32_t vec_add_unique(vector* p, const void* x);
int vec_remove_at(vector* p, uint32_t i);
int vec_remove(vector* p, const void* x);
void vec_clear(vector* p);
uint32_t vec_append(vector* dst, const vector* src);
// compare receives pointers to two slots.
void vec_sort(vector* p, int (*compare)(const void* a, const void* b));

// The for-each protocol. A loop reads:
//   vec_foreach_begin(p);
//   for (;;) { int more = vec_has_more(p); void* x = more ? vec_next(p) : nullptr;
//              if (!vec_foreach_continue(p, more)) break; ...body... }
// A loop left early calls vec_foreach_continue(p, 0). VecItems below does
// all of this for range-for loops.
void vec_foreach_begin(vector* p);
bool vec_has_more(const vector* p);
void* vec_next(vector* p);
int vec_foreach_continue(vector* p, int more);

// Master list of vectors for the container report.
void vec_track(bool on);
bool vec_tracking();
// Sets whether new vectors are tracked without starting a new master list
// (for the lists of other reports); returns the previous setting. Turning
// tracking on this way needs a master list, so only give back what it returned.
bool vec_set_tracking(bool on);
void vec_report();

// Typed element access: the element converted to T (a pointer or an integer
// stored as a pointer-sized value).
template <typename T>
T vec_get_as(const vector* p, uint32_t i) {
  void* x = vec_get(p, i);
  if constexpr (std::is_pointer_v<T>)
    return static_cast<T>(x);
  else
    return static_cast<T>(reinterpret_cast<uintptr_t>(x));
}

// Range-for over a vector through its iterator stack:
//   for (const char* s : VecItems<const char*>(list)) ...
// The iterator is pushed when the loop starts and popped when it ends, also
// when the loop is left by break or return, so the body may add and
// remove elements and other loops over the same vector may nest inside.
template <typename T>
class VecItems {
 public:
  explicit VecItems(vector* p) : p_(p) {}
  VecItems(const VecItems&) = delete;
  VecItems& operator=(const VecItems&) = delete;
  ~VecItems() {
    if (pushed_) vec_foreach_continue(p_, 0);
  }

  class iterator {
   public:
    explicit iterator(VecItems* owner) : owner_(owner) {}
    T operator*() const { return owner_->value_; }
    iterator& operator++() {
      owner_->fetched_ = false;
      return *this;
    }
    bool operator!=(const iterator&) const { return owner_->fetch(); }

   private:
    VecItems* owner_;
  };

  iterator begin() {
    if (p_) {
      vec_foreach_begin(p_);
      pushed_ = true;
    }
    return iterator(this);
  }
  iterator end() { return iterator(this); }

 private:
  bool fetch() {
    if (fetched_) return more_;
    fetched_ = true;
    more_ = pushed_ && vec_has_more(p_);
    if (more_) {
      void* x = vec_next(p_);
      if constexpr (std::is_pointer_v<T>)
        value_ = static_cast<T>(x);
      else
        value_ = static_cast<T>(reinterpret_cast<uintptr_t>(x));
    } else if (pushed_) {
      vec_foreach_continue(p_, 0);
      pushed_ = false;
    }
    return more_;
  }

  vector* p_;
  bool pushed_ = false;
  bool fetched_ = false;
  bool more_ = false;
  T value_{};
};
