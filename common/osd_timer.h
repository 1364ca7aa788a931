// The timer of the process layer: wall-clock and process CPU time between a
// start and a stop, for the run times of the test-suite reports.
//
// The elapsed time is the wall-clock difference in whole milliseconds; a
// stop within the same millisecond reports the CPU-time difference instead,
// so that very short runs do not all read 0.00.
#pragma once

#include <cstdint>

struct osd_wall_time {
  int64_t sec;
  int64_t usec;
};

struct osd_cpu_time {
  int64_t sec;
  int64_t nsec;
};

struct osd_timer {
  uint8_t started;
  uint8_t stopped;
  osd_wall_time start_wall;
  osd_cpu_time start_cpu;
  osd_wall_time stop_wall;
  osd_cpu_time stop_cpu;
};

// A zero-filled timer record, owned by the caller (release with free()).
osd_timer* osd_timer_new();
// Clears the record and takes the start times; null is ignored.
void osd_timer_start(osd_timer* t);
// Takes the stop times of a started timer; a timer never started is left alone.
void osd_timer_stop(osd_timer* t);
// Seconds between start and stop; 0 unless the timer was started and stopped.
long double osd_timer_elapsed(const osd_timer* t);
// The elapsed seconds with two decimals ("%.2Lf"), an interned text.
const char* osd_timer_elapsedString(const osd_timer* t);
