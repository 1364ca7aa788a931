// The timer: the elapsed-time rule on hand-set records, and a real run; single
// bytes on streams: read back as written, and short or failing streams leave
// the value.
#include "common/osd_timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/osd_byteio.h"

namespace {

osd_timer record(bool started, bool stopped, osd_wall_time start, osd_wall_time stop, osd_cpu_time cpu_start,
                 osd_cpu_time cpu_stop) {
  return osd_timer{started, stopped, start, cpu_start, stop, cpu_stop};
}

TEST(OsdTimer, ElapsedRule) {
  struct Case {
    const char* what;
    osd_timer t;
    long double seconds;
    const char* text;
  };
  const Case cases[] = {
      {"never started", record(false, false, {}, {}, {}, {}), 0, "0.00"},
      {"not stopped", record(true, false, {10, 0}, {}, {}, {}), 0, "0.00"},
      {"wall clock", record(true, true, {10, 0}, {12, 346000}, {0, 0}, {0, 5}), 2346.0L / 1000, "2.35"},
      {"whole milliseconds only", record(true, true, {3, 999}, {4, 1998}, {}, {}), 1001.0L / 1000, "1.00"},
      {"same millisecond: CPU time", record(true, true, {5, 100}, {5, 900}, {1, 0}, {1, 250000000}), 0.25L,
       "0.25"},
      {"a millisecond across a second", record(true, true, {7, 999999}, {8, 0}, {}, {0, 7}), 1.0L / 1000, "0.00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(osd_timer_elapsed(&c.t), c.seconds) << c.what;
    EXPECT_STREQ(osd_timer_elapsedString(&c.t), c.text) << c.what;
  }
  EXPECT_STREQ(osd_timer_elapsedString(nullptr), "0.00");
}

TEST(OsdTimer, MeasuresARun) {
  osd_timer* t = osd_timer_new();
  osd_timer_stop(t);  // never started: left as it was
  const osd_timer zero{};
  EXPECT_EQ(memcmp(t, &zero, sizeof zero), 0);

  osd_timer_start(t);
  // At least 31 ms by the wall clock: a sleep may end early on some hosts
  // (Wine), and the timer counts whole milliseconds.
  const auto until = std::chrono::system_clock::now() + std::chrono::milliseconds(31);
  while (std::chrono::system_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  osd_timer_stop(t);
  EXPECT_GE(osd_timer_elapsed(t), 0.029L);  // wall clock, not CPU time
  EXPECT_LT(osd_timer_elapsed(t), 10.0L);
  osd_timer_start(t);  // a restart forgets the earlier stop
  EXPECT_EQ(osd_timer_elapsed(t), 0);
  free(t);
}

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
