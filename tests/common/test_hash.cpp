#include "common/hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/vector.h"

namespace {

TEST(Hash, StringFunctions) {
  EXPECT_EQ(hash_string("a\xFF"), (5381u * 33u + 97u) * 33u - 1u);  // bytes are signed
  EXPECT_EQ(hash_string_nocase("AbC"), hash_string("abc"));
  EXPECT_EQ(hash_string_nocase_compare("LUMO", "lumo"), 0);
  EXPECT_NE(hash_string_compare("LUMO", "lumo"), 0);
}

std::vector<std::string> keys_of(const hashtable* h) {
  vector* v = hash_keys(h);
  std::vector<std::string> keys;
  for (const char* k : VecItems<const char*>(v)) keys.emplace_back(k);
  vec_free(v);
  return keys;
}

TEST(Hash, InsertLookupRemove) {
  hashtable* h = hash_new(127, hash_string, hash_string_compare);
  int one = 1, two = 2;
  EXPECT_EQ(hash_insert(h, "key", &one), 1);
  EXPECT_EQ(hash_insert(h, "key", &two), 0);
  EXPECT_EQ(hash_lookup(h, "key"), &one);
  EXPECT_EQ(h->count, 1u);
  EXPECT_EQ(hash_insert(h, "null", nullptr), 1);
  EXPECT_EQ(hash_lookup(h, "null"), nullptr);
  EXPECT_EQ(hash_haskey(h, "null"), 1);  // a stored null is told from absence
  EXPECT_EQ(hash_haskey(h, "absent"), 0);
  EXPECT_EQ(hash_remove(h, "key"), &one);
  EXPECT_EQ(hash_remove(h, "key"), nullptr);
  EXPECT_EQ(h->count, 1u);
  hash_free(h);
  hash_free(nullptr);
}

TEST(Hash, ChainsKeepInsertionOrder) {
  hashtable* h = hash_new(1, hash_string, hash_string_compare);
  for (const char* k : {"delta", "alpha", "charlie", "bravo"}) hash_insert(h, k, k);
  EXPECT_EQ(keys_of(h), (std::vector<std::string>{"delta", "alpha", "charlie", "bravo"}));
  hash_remove(h, "alpha");
  hash_insert(h, "alpha", "alpha");
  EXPECT_EQ(keys_of(h), (std::vector<std::string>{"delta", "charlie", "bravo", "alpha"}));
  hash_free(h);
}

TEST(Hash, DefaultFunctionsCompareByPointer) {
  hashtable* h = hash_new(5, nullptr, nullptr);
  char a[] = "same", b[] = "same";
  EXPECT_EQ(hash_insert(h, a, a), 1);
  EXPECT_EQ(hash_insert(h, b, b), 1);
  EXPECT_EQ(hash_lookup(h, b), b);
  EXPECT_EQ(h->hash, voidhash);
  EXPECT_EQ(h->compare, voidcmp);
  hash_free(h);
}

// hash_insert_new against hash_insert on the same operations: the chains
// hold the same keys in the same order, before and after the chain ends are
// kept (a table of 3 buckets keeps them from 12 entries on), through
// removals anywhere in a chain and refills of new tables.
TEST(Hash, InsertNewKeepsTheChainsOfInsert) {
  hashtable* plain = hash_new(3, hash_string, hash_string_compare);
  hashtable* fast = hash_new(3, hash_string, hash_string_compare);
  std::vector<std::string> keys;
  for (int i = 0; i < 60; ++i) keys.push_back("k" + std::to_string(i));
  std::vector<bool> live(keys.size(), false);
  uint32_t seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  bool kept_ends = false;
  for (int step = 0; step < 3000; ++step) {
    const size_t i = next() % keys.size();
    const char* k = keys[i].c_str();
    if (step % 500 == 499) {
      hash_free(plain);
      hash_free(fast);
      plain = hash_new(3, hash_string, hash_string_compare);
      fast = hash_new(3, hash_string, hash_string_compare);
      live.assign(keys.size(), false);
    } else if (!live[i] || next() % 3 == 0) {
      if (live[i]) continue;
      ASSERT_EQ(hash_insert(plain, k, k), 1);
      hash_insert_new(fast, k, k);
      live[i] = true;
    } else {
      ASSERT_EQ(hash_remove(plain, k), k);
      ASSERT_EQ(hash_remove(fast, k), k);
      live[i] = false;
    }
    kept_ends = kept_ends || fast->ends;
    ASSERT_EQ(keys_of(fast), keys_of(plain)) << "step " << step;
    ASSERT_EQ(fast->count, plain->count);
  }
  EXPECT_TRUE(kept_ends);
  hash_free(plain);
  hash_free(fast);
}

}  // namespace
