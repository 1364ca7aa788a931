// Hash table with chained entries, a program-wide free-entry list and an
// optional master list for the container report.
#include "common/hash.h"

#include <cassert>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "common/alloc.h"
#include "common/osd_sort.h"
#include "common/vector.h"
#include "debug/lumodebug_trace.h"

// The key's full hash is kept with the entry: a chain walk compares it
// before calling the compare function, which equal keys always pass.
struct hash_entry {
  void* value;
  const void* key;
  hash_entry* next;
  uint32_t hash;
};

struct hash_record {
  const hashtable* address;
  uint8_t flags;
  const char* file;
  int line;
  uint32_t capacity;
  uint32_t max_usage;
  uint32_t max_utilisation;
  uint32_t non_empty;
  uint32_t clashes;
};

struct hash_chain_ends {
  hash_entry** last;  // per bucket; null for an empty chain
  uint32_t* length;   // per bucket
};

namespace {

constexpr uint8_t kAlive = 1, kDefaultCompare = 2, kDefaultHash = 4;

hash_entry* g_free_entries = nullptr;
bool g_tracking = false;
vector* g_master = nullptr;

bool is_alive(const hashtable* h) { return !h->record || (h->record->flags & kAlive); }

void check(const hashtable* h) {
  assert(h != NULL);
  assert(is_alive(h));
}

// New entries come in blocks: a table filled at start-up calls the
// allocator once per block, not once per entry. Blocks are kept in a list
// and never freed, like every entry.
constexpr size_t kEntriesPerBlock = 128;
struct EntryBlock {
  EntryBlock* next;
  hash_entry entries[kEntriesPerBlock];
};
EntryBlock* g_blocks = nullptr;

hash_entry* entry_take() {
  if (!g_free_entries) {
    auto* block = static_cast<EntryBlock*>(xcalloc(sizeof(EntryBlock)));
    block->next = g_blocks;
    g_blocks = block;
    for (size_t i = kEntriesPerBlock; i-- > 0;) {
      block->entries[i].next = g_free_entries;
      g_free_entries = &block->entries[i];
    }
  }
  hash_entry* e = g_free_entries;
  g_free_entries = e->next;
  return e;
}

void entry_release(hash_entry* e) {
  e->next = g_free_entries;
  g_free_entries = e;
}

void drop_ends(hashtable* h) {
  if (!h->ends) return;
  free(h->ends->last);
  free(h->ends->length);
  free(h->ends);
  h->ends = nullptr;
}

// Starts keeping the chain ends once the chains have grown long.
void keep_ends_when_long(hashtable* h) {
  if (h->ends || h->count < kHashEndsFrom * h->size) return;
  auto* ends = static_cast<hash_chain_ends*>(xcalloc(sizeof(hash_chain_ends)));
  ends->last = static_cast<hash_entry**>(xcalloc(h->size * sizeof(hash_entry*)));
  ends->length = static_cast<uint32_t*>(xcalloc(h->size * sizeof(uint32_t)));
  for (uint32_t i = 0; i < h->size; ++i)
    for (hash_entry* e = h->buckets[i]; e; e = e->next) {
      ends->last[i] = e;
      ++ends->length[i];
    }
  h->ends = ends;
}

// Puts a new entry for key at *link, the end of chain b that held n entries.
void append(hashtable* h, hash_entry** link, uint32_t b, int n, const void* key, const void* value,
            uint32_t full, const char* file, int line) {
  hash_entry* e = entry_take();
  *e = {const_cast<void*>(value), key, nullptr, full};
  *link = e;
  ++h->count;
  if (hash_chain_ends* ends = h->ends) {
    ends->last[b] = e;
    ++ends->length[b];
  }
  if (hash_record* r = h->record) {
    if (n > 0) {
      lumodebug_tracef(file, line, "HASH @ %s:%d (%u/%u) clashed %d times inserting (%p,%p)",
                       r->file, r->line, h->count, h->size, n, key, value);
      r->clashes += static_cast<uint32_t>(n);
    } else if (++r->non_empty > r->max_utilisation) {
      r->max_utilisation = r->non_empty;
    }
    if (h->count > r->max_usage) r->max_usage = h->count;
  }
  keep_ends_when_long(h);
}

// Moves every entry of every bucket to the free list.
void release_all(hashtable* h) {
  drop_ends(h);
  for (uint32_t i = 0; i < h->size; ++i) {
    hash_entry* e = h->buckets[i];
    while (e) {
      hash_entry* next = e->next;
      entry_release(e);
      e = next;
    }
    h->buckets[i] = nullptr;
  }
  h->count = 0;
}

}  // namespace

// The hash and compare functions run once per key and are not traced.
uint32_t hash_string(const void* text) {
  uint32_t h = 5381;
  for (const char* s = static_cast<const char*>(text); *s; ++s)
    h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*s)));
  return h;
}

uint32_t hash_string_nocase(const void* text) {
  uint32_t h = 5381;
  for (const char* s = static_cast<const char*>(text); *s; ++s) {
    auto c = static_cast<signed char>(tolower(static_cast<unsigned char>(*s)));
    h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(c));
  }
  return h;
}

int hash_string_compare(const void* a, const void* b) {
  return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

int hash_string_nocase_compare(const void* a, const void* b) {
  return strcasecmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

uint32_t voidhash(const void* key) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
}

int voidcmp(const void* a, const void* b) { return a == b ? 0 : 1; }

hashtable* hash_new(uint32_t size, hash_fn hash, hash_compare_fn compare, const char* file,
                    int line) {
  DB_ENTER("%u, %s:%d", size, file, line);
  assert(size != 0);
  auto* h = static_cast<hashtable*>(xcalloc(sizeof(hashtable)));
  h->size = size;
  h->hash = hash ? hash : voidhash;
  h->compare = compare ? compare : voidcmp;
  h->buckets = static_cast<hash_entry**>(xcalloc(size * sizeof(hash_entry*)));
  if (g_tracking) {
    auto* r = static_cast<hash_record*>(xcalloc(sizeof(hash_record)));
    r->address = h;
    r->flags = static_cast<uint8_t>(kAlive | (compare ? 0 : kDefaultCompare) | (hash ? 0 : kDefaultHash));
    r->file = file;
    r->line = line;
    r->capacity = size;
    h->record = r;
    if (!g_master) {
      // The master list is not itself a tracked vector, and the vectors'
      // own master list stays as it is.
      bool tracking = vec_set_tracking(false);
      g_master = vec_new();
      vec_set_tracking(tracking);
    }
    vec_push(g_master, r);
  }
  DB_EXIT("%p", static_cast<void*>(h));
  return h;
}

void hash_free(hashtable* h) {
  DB_ENTER("%p", static_cast<void*>(h));
  if (!h) return;
  check(h);
  release_all(h);
  if (h->record) h->record->flags &= static_cast<uint8_t>(~kAlive);
  free(h->buckets);
  free(h);
}

int hash_insert(hashtable* h, const void* key, const void* value, const char* file, int line) {
  check(h);
  const uint32_t full = h->hash(key);
  const uint32_t b = full % h->size;
  hash_entry** link = &h->buckets[b];
  int n = 0;
  for (; *link; link = &(*link)->next, ++n)
    if ((*link)->hash == full && h->compare(key, (*link)->key) == 0) return 0;
  append(h, link, b, n, key, value, full, file, line);
  return 1;
}

void hash_insert_new(hashtable* h, const void* key, const void* value, const char* file, int line) {
  check(h);
  const uint32_t full = h->hash(key);
  const uint32_t b = full % h->size;
  hash_entry** link = &h->buckets[b];
  int n = 0;
  if (const hash_chain_ends* ends = h->ends) {
    if (ends->last[b]) link = &ends->last[b]->next;
    n = static_cast<int>(ends->length[b]);
  } else {
    for (; *link; link = &(*link)->next) ++n;
  }
  assert(*link == NULL);
  append(h, link, b, n, key, value, full, file, line);
}

void* hash_remove(hashtable* h, const void* key) {
  check(h);
  const uint32_t full = h->hash(key);
  const uint32_t b = full % h->size;
  hash_entry** head = &h->buckets[b];
  hash_entry* before = nullptr;
  for (hash_entry** link = head; *link; before = *link, link = &(*link)->next) {
    hash_entry* e = *link;
    if (e->hash != full || h->compare(key, e->key) != 0) continue;
    *link = e->next;
    if (hash_chain_ends* ends = h->ends) {
      if (ends->last[b] == e) ends->last[b] = before;
      --ends->length[b];
    }
    void* value = e->value;
    entry_release(e);
    --h->count;
    if (h->record && !*head) --h->record->non_empty;
    return value;
  }
  return nullptr;
}

namespace {

const hash_entry* find_entry(const hashtable* h, const void* key) {
  const uint32_t full = h->hash(key);
  for (const hash_entry* e = h->buckets[full % h->size]; e; e = e->next)
    if (e->hash == full && h->compare(key, e->key) == 0) return e;
  return nullptr;
}

}  // namespace

void* hash_lookup(const hashtable* h, const void* key) {
  check(h);
  const hash_entry* e = find_entry(h, key);
  return e ? e->value : nullptr;
}

int hash_haskey(const hashtable* h, const void* key) {
  check(h);
  return find_entry(h, key) ? 1 : 0;
}

namespace {

int by_clashes(const void* a, const void* b) {
  const hash_record* x = *static_cast<hash_record* const*>(a);
  const hash_record* y = *static_cast<hash_record* const*>(b);
  return x->clashes > y->clashes ? -1 : x->clashes < y->clashes ? 1 : 0;
}

char yes_no(bool b) { return b ? 'Y' : 'n'; }

}  // namespace

vector* hash_keys(const hashtable* h) {
  DB_ENTER("%p", static_cast<const void*>(h));
  check(h);
  vector* v = vec_new_sized(h->count ? h->count : 1);
  for (uint32_t i = 0; i < h->size; ++i)
    for (hash_entry* e = h->buckets[i]; e; e = e->next) vec_push(v, e->key);
  return v;
}

void hash_track(bool on) {
  DB_ENTER("%d", on);
  g_tracking = on;
  if (on) lumodebug_add_report(hash_report);
}

// Not traced: the report is trace output itself, and nothing it calls
// writes records into it.
void hash_report() {
  if (!g_master) return;
  if (g_master->count > 1) osd_qsort(g_master->data, g_master->count, sizeof(void*), by_clashes);
  const char* here = LUMO_HERE_FILE;
  lumodebug_trace(here, LUMO_HERE_LINE, "# Hash Table Master List:");
  lumodebug_trace(here, LUMO_HERE_LINE,
                  "# ptr    file:line    max_util/capacity    max_usage/capacity    clashes    voidcmp    voidhash    alive");
  if (vec_size(g_master) == 0) lumodebug_trace(here, LUMO_HERE_LINE, "# No hash tables were used");
  for (auto* r : VecItems<hash_record*>(g_master))
    lumodebug_tracef(here, LUMO_HERE_LINE, "# %p    %s:%d    %u/%u    %u/%u    %u    %c    %c    %c",
                     static_cast<const void*>(r->address), r->file, r->line, r->max_utilisation,
                     r->capacity, r->max_usage, r->capacity, r->clashes,
                     yes_no(r->flags & kDefaultCompare), yes_no(r->flags & kDefaultHash),
                     yes_no(r->flags & kAlive));
}
