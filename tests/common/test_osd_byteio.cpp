// Single bytes on streams: read back as written, and short or failing
// streams leave the value.
#include "common/osd_byteio.h"

#include <gtest/gtest.h>

namespace {

TEST(OsdByteio, ByteBackAndFailingStreams) {
  FILE* f = tmpfile();
  ASSERT_TRUE(osd_write_u8(f, 0xA5));
  rewind(f);
  uint8_t v = 0;
  ASSERT_TRUE(osd_read_u8(f, &v));
  EXPECT_EQ(v, 0xA5);
  EXPECT_FALSE(osd_read_u8(f, &v));  // the end
  EXPECT_FALSE(osd_read_u8(nullptr, &v));
  EXPECT_FALSE(osd_read_u8(f, nullptr));
  EXPECT_FALSE(osd_write_u8(nullptr, 1));
  fclose(f);

  FILE* read_only = fopen("/dev/null", "r");
  ASSERT_NE(read_only, nullptr);
  EXPECT_FALSE(osd_write_u8(read_only, 1));
  EXPECT_FALSE(osd_read_u8(read_only, &v));
  EXPECT_EQ(v, 0xA5);
  fclose(read_only);
}

}  // namespace
