// Hash table: a fixed number of buckets chosen at creation, chained entries
// in insertion order, pluggable hash and compare functions.
//
// Keys and values are untyped pointer-sized values; the table owns neither.
// Released entries go to one program-wide free list and are reused before
// new memory is taken, so tables that are filled and freed repeatedly do not
// call the allocator. While tracking is on, every new table gets a
// master-list record with its usage statistics for hash_report(), which
// switching tracking on registers as an end-of-run report of the trace.
//
// Creating and freeing a table and taking its keys are traced; the
// operations on one entry (insert, remove, lookup, haskey) and the hash and
// compare functions are not: every text the string cache holds and every
// option looked up passes through them.
#pragma once

#include <cstdint>

#include "common/srcloc.h"

struct vector;
struct hash_entry;
struct hash_record;
struct hash_chain_ends;

using hash_fn = uint32_t (*)(const void* key);
using hash_compare_fn = int (*)(const void* a, const void* b);

struct hashtable {
  uint32_t size;
  uint32_t count;
  hash_fn hash;
  hash_compare_fn compare;
  hash_entry** buckets;
  hash_record* record;
  // The last entry and the length of every chain, kept once the chains
  // average kHashEndsFrom entries, so that hash_insert_new need not walk them.
  hash_chain_ends* ends;
};

inline constexpr uint32_t kHashEndsFrom = 4;

// Hash functions offered to creators, and the compare functions that pair
// with them. hash_string reads each byte as a signed 8-bit value.
uint32_t hash_string(const void* text);
uint32_t hash_string_nocase(const void* text);
int hash_string_compare(const void* a, const void* b);
int hash_string_nocase_compare(const void* a, const void* b);
// The defaults: the key's low 32 bits, and pointer identity.
uint32_t voidhash(const void* key);
int voidcmp(const void* a, const void* b);

hashtable* hash_new(uint32_t size, hash_fn hash, hash_compare_fn compare,
                    const char* file = LUMO_HERE_FILE, int line = LUMO_HERE_LINE);
void hash_free(hashtable* h);
// 1 when inserted, 0 when an equal key is present (that entry is unchanged).
int hash_insert(hashtable* h, const void* key, const void* value,
                const char* file = LUMO_HERE_FILE, int line = LUMO_HERE_LINE);
// hash_insert of a key that the caller knows is not in the table (its own
// index says so): the same chain end, count, usage figures and clash trace,
// without comparing keys, and without walking a chain once they are long.
void hash_insert_new(hashtable* h, const void* key, const void* value,
                     const char* file = LUMO_HERE_FILE, int line = LUMO_HERE_LINE);
void* hash_remove(hashtable* h, const void* key);
void* hash_lookup(const hashtable* h, const void* key);
int hash_haskey(const hashtable* h, const void* key);
// A new vector of all keys: buckets in index order, chains in order.
vector* hash_keys(const hashtable* h);

void hash_track(bool on);
void hash_report();
