// The timer of the process layer: start and stop records of the wall clock
// and the process CPU clock.
#include "common/osd_timer.h"

#include <ctime>

#include "common/alloc.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"

namespace {

osd_wall_time wall_now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return {static_cast<int64_t>(ts.tv_sec), static_cast<int64_t>(ts.tv_nsec / 1000)};
}

osd_cpu_time cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return {static_cast<int64_t>(ts.tv_sec), static_cast<int64_t>(ts.tv_nsec)};
}

int64_t whole_milliseconds(const osd_wall_time& w) { return w.sec * 1000 + w.usec / 1000; }

int64_t nanoseconds(const osd_cpu_time& c) { return c.sec * 1000000000 + c.nsec; }

}  // namespace

osd_timer* osd_timer_new() {
  DB_ENTER();
  return static_cast<osd_timer*>(xcalloc(sizeof(osd_timer)));
}

void osd_timer_start(osd_timer* t) {
  DB_ENTER();
  if (!t) return;
  *t = osd_timer{};
  t->started = 1;
  DB_NOTE("starting timer");
  t->start_cpu = cpu_now();
  t->start_wall = wall_now();
}

void osd_timer_stop(osd_timer* t) {
  DB_ENTER();
  if (!t || !t->started) {
    DB_NOTE("timer has not been started!");
    return;
  }
  t->stop_cpu = cpu_now();
  t->stop_wall = wall_now();
  t->stopped = 1;
  DB_NOTE("stopping timer - elapsed time was %s seconds", osd_timer_elapsedString(t));
}

long double osd_timer_elapsed(const osd_timer* t) {
  DB_ENTER();
  if (!t || !t->started || !t->stopped) {
    DB_NOTE("could not calculate elapsed time");
    return 0;
  }
  int64_t ms = whole_milliseconds(t->stop_wall) - whole_milliseconds(t->start_wall);
  if (ms != 0) return static_cast<long double>(ms) / 1000;
  int64_t ns = nanoseconds(t->stop_cpu) - nanoseconds(t->start_cpu);
  return static_cast<long double>(ns) / 1000000000;
}

const char* osd_timer_elapsedString(const osd_timer* t) {
  DB_ENTER();
  const char* s = sc_printf("%.2Lf", osd_timer_elapsed(t));
  DB_NOTE("elapsed time: %s", s);
  return s;
}
