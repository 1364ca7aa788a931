// Vector: growable array of pointer-sized elements with an iterator stack
// and an optional master list for the container report.
#include "common/vector.h"

#include <cassert>
#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "common/alloc.h"
#include "common/osd_sort.h"
#include "debug/lumodebug_trace.h"

struct vec_iterator {
  uint32_t next;
  vec_iterator* below;
};

struct vec_record {
  const vector* address;
  uint8_t flags;  // bit 0: alive
  const char* file;
  int line;
  uint32_t capacity;
  uint32_t max_count;
};

namespace {

constexpr uint8_t kAlive = 1;

uint32_t g_serial = 0;
vector* g_master = nullptr;  // vector of vec_record*, itself untracked
bool g_tracking = false;

vec_iterator* g_free_iterators = nullptr;
uint32_t g_free_iterator_count = 0;

bool is_alive(const vector* p) { return !p->record || (p->record->flags & kAlive); }

vec_iterator* iterator_take() {
  vec_iterator* it = g_free_iterators;
  if (!it) return static_cast<vec_iterator*>(xcalloc(sizeof(vec_iterator)));
  g_free_iterators = it->below;
  --g_free_iterator_count;
  *it = {};
  return it;
}

void iterator_release(vec_iterator* it) {
  if (g_free_iterator_count >= kVecIteratorCacheMax) {
    free(it);
    return;
  }
  it->below = g_free_iterators;
  g_free_iterators = it;
  ++g_free_iterator_count;
}

void record_new(vector* p, const char* file, int line) {
  if (!g_tracking) return;
  auto* r = static_cast<vec_record*>(xcalloc(sizeof(vec_record)));
  *r = {p, kAlive, file, line, p->capacity, p->count};
  p->record = r;
  vec_push(g_master, r);
}

void note_count(vector* p) {
  if (p->record && p->count > p->record->max_count) p->record->max_count = p->count;
}

// Makes room for target index t.
void grow(vector* p, uint32_t t) {
  if (p->capacity != 0 && t < p->capacity) return;
  uint64_t cap = p->capacity ? 2ull * p->capacity : p->initial_capacity;
  if (cap == 0) cap = 1;  // a zero initial capacity could never double
  while (t >= cap) cap *= 2;
  if (cap > UINT32_MAX) alloc_out_of_memory();
  auto** data = static_cast<void**>(xcalloc(cap * sizeof(void*)));
  if (p->count) memcpy(data, p->data, p->count * sizeof(void*));
  free(p->data);
  p->data = data;
  p->capacity = static_cast<uint32_t>(cap);
  if (p->record) p->record->capacity = p->capacity;
}

void check(const vector* p) {
  assert(p != NULL);
  assert(is_alive(p));
}

}  // namespace

namespace {

vector* make_vector(uint32_t initial_capacity, const char* file, int line) {
  auto* p = static_cast<vector*>(xcalloc(sizeof(vector)));
  p->initial_capacity = initial_capacity;
  p->serial = ++g_serial;
  record_new(p, file, line);
  return p;
}

}  // namespace

// The container operations are traced with the creating site, the element
// operations (see the header) are not.
vector* vec_new(const char* file, int line) {
  DB_ENTER("%s:%d", file, line);
  vector* p = make_vector(kVecDefaultCapacity, file, line);
  DB_EXIT("%p", static_cast<void*>(p));
  return p;
}

vector* vec_new_sized(uint32_t initial_capacity, const char* file, int line) {
  DB_ENTER("%u, %s:%d", initial_capacity, file, line);
  vector* p = make_vector(initial_capacity, file, line);
  DB_EXIT("%p", static_cast<void*>(p));
  return p;
}

vector* vec_copy(const vector* p, const char* file, int line) {
  DB_ENTER("%p, %s:%d", static_cast<const void*>(p), file, line);
  if (!p) return nullptr;
  assert(is_alive(p));
  auto* c = static_cast<vector*>(xcalloc(sizeof(vector)));
  c->count = p->count;
  c->capacity = p->capacity;
  c->initial_capacity = p->initial_capacity;
  c->serial = p->serial;
  if (p->capacity) {
    c->data = static_cast<void**>(xcalloc(p->capacity * sizeof(void*)));
    memcpy(c->data, p->data, p->capacity * sizeof(void*));
  }
  record_new(c, file, line);
  DB_EXIT("%p", static_cast<void*>(c));
  return c;
}

void vec_free(vector* p) {
  DB_ENTER("%p", static_cast<void*>(p));
  if (!p) return;
  assert(is_alive(p));
  while (p->iterators) {
    vec_iterator* it = p->iterators;
    p->iterators = it->below;
    iterator_release(it);
  }
  if (p->record) p->record->flags &= static_cast<uint8_t>(~kAlive);
  free(p->data);
  free(p);
}

uint32_t vec_size(const vector* p) { return p ? p->count : 0; }

void* vec_get(const vector* p, uint32_t i) {
  check(p);
  if (i >= p->count) return nullptr;
  assert(p->data != NULL);
  return p->data[i];
}

uint32_t vec_push(vector* p, const void* x) {
  check(p);
  grow(p, p->count);
  p->data[p->count] = const_cast<void*>(x);
  ++p->count;
  note_count(p);
  return p->count - 1;
}

void vec_set(vector* p, const void* x, uint32_t i) {
  check(p);
  grow(p, i > p->count ? i : p->count);
  p->data[i] = const_cast<void*>(x);
  if (i >= p->count) {
    p->count = i + 1;
    note_count(p);
  }
}

void* vec_pop(vector* p) {
  check(p);
  if (p->count == 0) return nullptr;
  assert(p->data != NULL);
  return p->data[--p->count];
}

uint32_t vec_add_unique(vector* p, const void* x) {
  check(p);
  for (uint32_t i = 0; i < p->count; ++i)
    if (p->data[i] == x) return i;
  return vec_push(p, x);
}

int vec_remove_at(vector* p, uint32_t i) {
  check(p);
  if (i >= p->count) return 0;
  assert(p->data != NULL);
  memmove(p->data + i, p->data + i + 1, (p->count - i - 1) * sizeof(void*));
  p->data[--p->count] = nullptr;
  for (vec_iterator* it = p->iterators; it; it = it->below)
    if (it->next > i) --it->next;
  return 1;
}

int vec_remove(vector* p, const void* x) {
  check(p);
  for (uint32_t i = 0; i < p->count; ++i)
    if (p->data[i] == x) return vec_remove_at(p, i);
  return 0;
}

void vec_clear(vector* p) {
  DB_ENTER("%p", static_cast<void*>(p));
  check(p);
  p->count = 0;
}

uint32_t vec_append(vector* dst, const vector* src) {
  DB_ENTER("%p, %p", static_cast<void*>(dst), static_cast<const void*>(src));
  check(dst);
  const vector* n = src;
  assert(n != NULL);
  assert(dst != src);  // the source would grow while it is read
  for (uint32_t i = 0; i < src->count; ++i) vec_push(dst, src->data[i]);
  return src->count;
}

void vec_sort(vector* p, int (*compare)(const void* a, const void* b)) {
  DB_ENTER("%p", static_cast<void*>(p));
  check(p);
  if (p->count > 1) osd_qsort(p->data, p->count, sizeof(void*), compare);
}

void vec_foreach_begin(vector* p) {
  if (!p) return;
  assert(is_alive(p));
  vec_iterator* it = iterator_take();
  it->below = p->iterators;
  p->iterators = it;
}

bool vec_has_more(const vector* p) {
  if (!p) return false;
  assert(p->iterators != NULL);
  return p->iterators->next < p->count;
}

void* vec_next(vector* p) {
  if (!p) return nullptr;
  assert(p->iterators != NULL);
  vec_iterator* it = p->iterators;
  if (it->next >= p->count) return nullptr;
  return p->data[it->next++];
}

int vec_foreach_continue(vector* p, int more) {
  if (!p) {
    assert(more == 0);
    return more;
  }
  if (more == 0) {
    assert(p->iterators != NULL);
    vec_iterator* it = p->iterators;
    p->iterators = it->below;
    iterator_release(it);
  }
  return more;
}

namespace {

// Switching tracking on again starts a new master list: the records of the
// old one are never reported, and a vector still alive stops keeping its
// own. Freed directly, as the list was made untracked.
void drop_master() {
  if (!g_master) return;
  for (uint32_t i = 0; i < g_master->count; ++i) {
    auto* r = static_cast<vec_record*>(g_master->data[i]);
    if (r->flags & kAlive) const_cast<vector*>(r->address)->record = nullptr;
    free(r);
  }
  free(g_master->data);
  free(g_master);
  g_master = nullptr;
}

}  // namespace

void vec_track(bool on) {
  DB_ENTER("%d", on);
  g_tracking = false;
  if (!on) return;
  drop_master();
  g_master = vec_new();  // created while tracking is off: the list has no record of its own
  g_tracking = true;
  lumodebug_add_report(vec_report);
}

bool vec_tracking() { return g_tracking; }

bool vec_set_tracking(bool on) {
  bool was = g_tracking;
  g_tracking = on && g_master;
  return was;
}

namespace {

struct SummaryNode {
  const char* file;
  int line;
  uint64_t living, living_capacity, dead, dead_capacity;
  SummaryNode* next;
};

int record_order(const void* a, const void* b) {
  const vec_record* x = *static_cast<vec_record* const*>(a);
  const vec_record* y = *static_cast<vec_record* const*>(b);
  if (x->capacity != y->capacity) return x->capacity > y->capacity ? -1 : 1;
  if (x->max_count != y->max_count) return x->max_count < y->max_count ? -1 : 1;
  if (int c = strcmp(x->file, y->file)) return c;
  return x->line < y->line ? -1 : x->line > y->line ? 1 : 0;
}

void report_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
void report_line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  lumodebug_vtracef(LUMO_HERE_FILE, LUMO_HERE_LINE, format, args);
  va_end(args);
}

}  // namespace

// Not traced: the report is trace output itself, and nothing it calls
// writes records into it.
void vec_report() {
  if (!g_master) return;
  if (g_master->count > 1) osd_qsort(g_master->data, g_master->count, sizeof(void*), record_order);
  report_line("# Living Vector Master List:");
  report_line("# ptr    file:line    max_count/capacity    alive");
  SummaryNode* nodes = nullptr;
  for (uint32_t i = 0; i < g_master->count; ++i) {
    auto* r = static_cast<vec_record*>(g_master->data[i]);
    SummaryNode* n = nodes;
    while (n && !(n->file == r->file && n->line == r->line)) n = n->next;
    if (!n) {
      n = static_cast<SummaryNode*>(xcalloc(sizeof(SummaryNode)));
      n->file = r->file;
      n->line = r->line;
      n->next = nodes;
      nodes = n;
    }
    if (r->flags & kAlive) {
      ++n->living;
      n->living_capacity += r->capacity;
      report_line("# %p    %s:%d    %u/%u    %c", static_cast<const void*>(r->address), r->file,
                  r->line, r->max_count, r->capacity, 'Y');
    } else {
      ++n->dead;
      n->dead_capacity += r->capacity;
    }
  }
  report_line("# Vector Master List Summary:");
  report_line("#                                                                  Living              Dead                Total");
  report_line("#                                file:line                         vectors/capacity    vectors/capacity    vectors/capacity");
  while (nodes) {
    SummaryNode* n = nodes;
    report_line("# %35s:%-5d                        %ju/%ju    %ju/%ju    %ju/%ju", n->file, n->line,
                static_cast<uintmax_t>(n->living), static_cast<uintmax_t>(n->living_capacity),
                static_cast<uintmax_t>(n->dead), static_cast<uintmax_t>(n->dead_capacity),
                static_cast<uintmax_t>(n->living + n->dead),
                static_cast<uintmax_t>(n->living_capacity + n->dead_capacity));
    nodes = n->next;
    free(n);
  }
}
