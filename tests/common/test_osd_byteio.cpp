// Fixed-size values on streams: the bytes written in each order, reading
// them back either way, and short or failing streams.
#include "common/osd_byteio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

static_assert(osd_swap16(0x1122) == 0x2211);
static_assert(osd_swap32(0x11223344u) == 0x44332211u);
static_assert(osd_swap64(0x1122334455667788ull) == 0x8877665544332211ull);

std::vector<unsigned char> contents(FILE* f) {
  std::vector<unsigned char> r;
  rewind(f);
  for (int c; (c = fgetc(f)) != EOF;) r.push_back(static_cast<unsigned char>(c));
  rewind(f);
  return r;
}

template <typename T>
void append_both_orders(std::vector<unsigned char>& bytes, T v) {
  unsigned char b[sizeof v];
  memcpy(b, &v, sizeof v);
  bytes.insert(bytes.end(), b, b + sizeof v);
  std::reverse(b, b + sizeof v);
  bytes.insert(bytes.end(), b, b + sizeof v);
}

TEST(OsdByteio, EveryWidthBothOrders) {
  FILE* f = tmpfile();
  const uint16_t v16 = 0x1234;
  const uint32_t v32 = 0xDEADBEEF;
  const uint64_t v64 = 0x0123456789ABCDEFull;
  ASSERT_TRUE(osd_write_u8(f, 0xA5));
  ASSERT_TRUE(osd_write_u16(f, v16) && osd_write_u16_swapped(f, v16));
  ASSERT_TRUE(osd_write_u32(f, v32) && osd_write_u32_swapped(f, v32));
  ASSERT_TRUE(osd_write_u64(f, v64) && osd_write_u64_swapped(f, v64));
  std::vector<unsigned char> expected{0xA5};
  append_both_orders(expected, v16);
  append_both_orders(expected, v32);
  append_both_orders(expected, v64);
  ASSERT_EQ(contents(f), expected);

  // Each value read back as written, then the other way round.
  uint8_t r8 = 0;
  uint16_t a16 = 0, b16 = 0;
  uint32_t a32 = 0, b32 = 0;
  uint64_t a64 = 0, b64 = 0;
  ASSERT_TRUE(osd_read_u8(f, &r8) && osd_read_u16(f, &a16) && osd_read_u16_swapped(f, &b16));
  ASSERT_TRUE(osd_read_u32_swapped(f, &a32) && osd_read_u32(f, &b32));
  ASSERT_TRUE(osd_read_u64(f, &a64) && osd_read_u64(f, &b64));
  EXPECT_EQ(r8, 0xA5);
  EXPECT_EQ(a16, v16);
  EXPECT_EQ(b16, v16);
  EXPECT_EQ(a32, osd_swap32(v32));
  EXPECT_EQ(b32, osd_swap32(v32));
  EXPECT_EQ(a64, v64);
  EXPECT_EQ(b64, osd_swap64(v64));
  EXPECT_FALSE(osd_read_u8(f, &r8));
  EXPECT_EQ(r8, 0xA5);
  fclose(f);
}

TEST(OsdByteio, ShortOrFailingStreamsLeaveTheValue) {
  FILE* f = tmpfile();
  for (uint8_t b : {1, 2, 3, 4, 5, 6, 7}) osd_write_u8(f, b);
  rewind(f);
  uint64_t v64 = 42;
  EXPECT_FALSE(osd_read_u64_swapped(f, &v64));  // 7 bytes of 8
  EXPECT_EQ(v64, 42u);
  uint32_t v32 = 42;
  EXPECT_FALSE(osd_read_u32(nullptr, &v32));
  EXPECT_FALSE(osd_read_u32(f, nullptr));
  EXPECT_FALSE(osd_write_u16(nullptr, 1));
  fclose(f);

  FILE* read_only = fopen("/dev/null", "r");
  ASSERT_NE(read_only, nullptr);
  EXPECT_FALSE(osd_write_u32_swapped(read_only, 1));
  EXPECT_FALSE(osd_read_u32(read_only, &v32));
  EXPECT_EQ(v32, 42u);
  fclose(read_only);
}

}  // namespace
