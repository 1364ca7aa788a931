#include "common/numset.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

TEST(Numset, AgreesWithAnOrderedSet) {
  std::mt19937 rng(20261206);
  numset* s = numset_new();
  std::set<uint32_t> model;
  for (int i = 0; i < 5000; ++i) {
    uint32_t n = rng() % 300;
    if (rng() % 3 == 0) {
      ASSERT_EQ(numset_remove(s, n), static_cast<int>(model.erase(n)));
    } else {
      ASSERT_EQ(numset_add(s, n), model.insert(n).second ? 1 : 0);
    }
    ASSERT_EQ(numset_has(s, n), model.count(n) == 1);
  }
  std::vector<uint32_t> ascending;
  for (uint32_t n = numset_first(s); n != kNumsetEnd; n = numset_next(s, n)) ascending.push_back(n);
  EXPECT_EQ(ascending, std::vector<uint32_t>(model.begin(), model.end()));
  numset_free(s);
}

TEST(Numset, Limits) {
  numset* s = numset_new();
  EXPECT_EQ(numset_first(s), kNumsetEnd);
  EXPECT_EQ(numset_add(s, 0), 1);
  EXPECT_EQ(numset_add(s, UINT32_MAX - 1), 1);
  EXPECT_EQ(numset_next(s, 0), UINT32_MAX - 1);
  EXPECT_EQ(numset_next(s, UINT32_MAX - 1), kNumsetEnd);
  numset_clear(s);
  EXPECT_EQ(numset_first(s), kNumsetEnd);
  EXPECT_FALSE(numset_has(nullptr, 1));
  numset_free(s);
}

}  // namespace
