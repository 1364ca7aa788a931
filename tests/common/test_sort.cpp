#include "common/osd_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

int compare_int(const void* a, const void* b) {
  int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
  return (x > y) - (x < y);
}

struct Wide {
  int key;
  char pad[100];  // wider than the pivot's stack buffer
};

int compare_wide(const void* a, const void* b) {
  return compare_int(&static_cast<const Wide*>(a)->key, &static_cast<const Wide*>(b)->key);
}

TEST(Sort, QuicksortAgreesWithStdSort) {
  std::mt19937 rng(7);
  const size_t sizes[] = {0, 1, 2, 3, 8, 9, 10, 31, 100, 1000, 20000};
  for (size_t n : sizes) {
    for (const char* shape : {"random", "few values", "sorted", "reversed", "equal"}) {
      std::vector<int> v(n);
      for (size_t i = 0; i < n; ++i) {
        std::string s = shape;
        v[i] = s == "random" ? static_cast<int>(rng()) : s == "few values" ? static_cast<int>(rng() % 4)
             : s == "sorted" ? static_cast<int>(i) : s == "reversed" ? static_cast<int>(n - i) : 5;
      }
      std::vector<int> expected = v;
      std::sort(expected.begin(), expected.end());
      osd_qsort(v.data(), v.size(), sizeof(int), compare_int);
      ASSERT_EQ(v, expected) << shape << " " << n;
    }
  }
}

TEST(Sort, QuicksortOfWideElements) {
  std::vector<Wide> v(500);
  for (size_t i = 0; i < v.size(); ++i) v[i].key = static_cast<int>((i * 7919) % 500);
  osd_qsort(v.data(), v.size(), sizeof(Wide), compare_wide);
  for (size_t i = 0; i < v.size(); ++i) ASSERT_EQ(v[i].key, static_cast<int>(i));
}

}  // namespace
