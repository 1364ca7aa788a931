#include "common/vector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Distinct element values: the vector compares by identity.
int g_items[64];
void* item(int i) { return &g_items[i]; }
int index_of(void* x) { return static_cast<int>(static_cast<int*>(x) - g_items); }

vector* make(int n) {
  vector* p = vec_new();
  for (int i = 0; i < n; ++i) vec_push(p, item(i));
  return p;
}

std::vector<int> contents(const vector* p) {
  std::vector<int> v;
  for (uint32_t i = 0; i < vec_size(p); ++i) v.push_back(index_of(vec_get(p, i)));
  return v;
}

TEST(Vector, SetGrowsPastTheIndexAndExtendsTheCount) {
  vector* p = vec_new();
  vec_set(p, item(1), 25);
  EXPECT_EQ(vec_size(p), 26u);
  EXPECT_EQ(vec_get(p, 24), nullptr);  // fresh storage between
  EXPECT_EQ(vec_get(p, 25), item(1));
  vec_set(p, item(2), 3);  // inside: count unchanged
  EXPECT_EQ(vec_size(p), 26u);
  EXPECT_EQ(vec_get(p, 3), item(2));
  vec_free(p);
}

TEST(Vector, ElementOperations) {
  vector* p = make(4);  // 0 1 2 3
  EXPECT_EQ(vec_get(p, 4), nullptr);
  EXPECT_EQ(vec_remove_at(p, 4), 0);
  EXPECT_EQ(vec_add_unique(p, item(2)), 2u);
  EXPECT_EQ(vec_add_unique(p, item(7)), 4u);
  EXPECT_EQ(vec_remove(p, item(1)), 1);
  EXPECT_EQ(vec_remove(p, item(1)), 0);
  EXPECT_EQ(p->data[p->count], nullptr);  // the vacated slot is cleared
  EXPECT_EQ(vec_pop(p), item(7));
  EXPECT_EQ(contents(p), (std::vector<int>{0, 2, 3}));

  vector* q = make(2);  // 0 1
  vector* b = vec_new();
  vec_push(b, item(5));
  vec_push(b, item(1));
  vec_push(b, item(5));
  EXPECT_EQ(vec_append(q, b), 3u);
  EXPECT_EQ(contents(q), (std::vector<int>{0, 1, 5, 1, 5}));

  vector* c = vec_copy(q);
  EXPECT_EQ(contents(c), contents(q));
  EXPECT_EQ(c->serial, q->serial);
  EXPECT_NE(c->data, q->data);
  EXPECT_EQ(vec_copy(nullptr), nullptr);

  vector* e = vec_new();
  EXPECT_EQ(vec_pop(e), nullptr);
  vec_push(e, reinterpret_cast<void*>(uintptr_t{2045}));
  EXPECT_EQ(vec_get_as<unsigned>(e, 0), 2045u);  // a number kept as an element
  EXPECT_EQ(vec_size(nullptr), 0u);
  for (vector* v : {p, q, b, c, e}) vec_free(v);
  vec_free(nullptr);
}

// A loop written with the raw protocol; body(p, x, step) may change p.
template <typename Body>
std::vector<int> raw_loop(vector* p, Body body) {
  std::vector<int> seen;
  vec_foreach_begin(p);
  for (int step = 0;; ++step) {
    int more = vec_has_more(p);
    void* x = more ? vec_next(p) : nullptr;
    if (!vec_foreach_continue(p, more)) break;
    seen.push_back(index_of(x));
    body(p, x, step);
  }
  return seen;
}

TEST(Vector, LoopsSurviveChangesToTheVector) {
  struct Case {
    const char* what;
    void (*body)(vector*, void*, int);
    std::vector<int> visited;
    std::vector<int> after;
  };
  const Case cases[] = {
      {"nothing", [](vector*, void*, int) {}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}},
      {"remove the current element",
       [](vector* p, void* x, int) { vec_remove(p, x); }, {0, 1, 2, 3, 4}, {}},
      {"remove current when odd",
       [](vector* p, void* x, int) { if (index_of(x) % 2) vec_remove(p, x); }, {0, 1, 2, 3, 4}, {0, 2, 4}},
      {"remove an element already visited",
       [](vector* p, void*, int step) { if (step == 2) vec_remove_at(p, 0); }, {0, 1, 2, 3, 4}, {1, 2, 3, 4}},
      {"remove an element not yet visited",
       [](vector* p, void*, int step) { if (step == 0) vec_remove(p, item(3)); }, {0, 1, 2, 4}, {0, 1, 2, 4}},
      {"push while looping",
       [](vector* p, void*, int step) { if (step == 4) vec_push(p, item(7)); }, {0, 1, 2, 3, 4, 7}, {0, 1, 2, 3, 4, 7}},
      {"clear", [](vector* p, void*, int step) { if (step == 1) vec_clear(p); }, {0, 1}, {}},
  };
  for (const Case& c : cases) {
    vector* p = make(5);
    EXPECT_EQ(raw_loop(p, c.body), c.visited) << c.what;
    EXPECT_EQ(contents(p), c.after) << c.what;
    EXPECT_EQ(p->iterators, nullptr) << c.what;
    vec_free(p);
  }
}

TEST(Vector, NestedLoopsEachSeeEveryElement) {
  vector* p = make(3);
  std::vector<std::pair<int, int>> pairs;
  for (void* a : VecItems<void*>(p))
    for (void* b : VecItems<void*>(p)) pairs.emplace_back(index_of(a), index_of(b));
  EXPECT_EQ(pairs.size(), 9u);
  EXPECT_EQ(pairs[4], (std::pair<int, int>{1, 1}));
  EXPECT_EQ(p->iterators, nullptr);
  vec_free(p);
}

TEST(Vector, RangeLoopPopsItsIteratorWhenLeftEarly) {
  vector* p = make(6);
  auto find = [&](int wanted) {
    for (void* x : VecItems<void*>(p))
      if (index_of(x) == wanted) return true;
    return false;
  };
  vec_foreach_begin(p);  // an outer loop in progress
  vec_next(p);
  EXPECT_TRUE(find(2));
  EXPECT_FALSE(find(42));
  EXPECT_EQ(vec_next(p), item(1));  // the outer loop is untouched
  EXPECT_EQ(vec_foreach_continue(p, 0), 0);
  EXPECT_EQ(p->iterators, nullptr);
  for (void* x : VecItems<void*>(nullptr)) ADD_FAILURE() << index_of(x);
  vec_free(p);
}

}  // namespace
