// The test-suite framework the installation self test is built on: an
// ordered list of test cases, each with a group, a name and a run function;
// a run with a console progress display and an estimate of the time left;
// a JUnit XML report and a fixed-column text report.
//
// A test fails by recording a failure on its own record; the run
// function's return value is ignored. Records and their strings live until
// the program ends.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "common/osd_timer.h"
#include "common/vector.h"

struct tsuite_test;
using tsuite_print_fn = void (*)(const char* text);
using tsuite_run_fn = int (*)(tsuite_test* test);

struct tsuite {
  const char* name;
  int32_t tests;
  int32_t failed;
  int32_t skipped;
  long double total_time;
  const char* hostname;
  vector* list;  // tsuite_test*
};

struct tsuite_test {
  const char* fail_file;
  uint32_t fail_line;
  const char* group;
  const char* name;
  const char* fail_type;  // non-null: the test failed
  const char* fail_message;
  const char* fail_details;
  const char* system_output;
  const char* detail;
  osd_timer* timer;
  tsuite_run_fn run;
  void* data;
  tsuite_print_fn print;
};

// Output modes of the progress display.
enum : int {
  TSUITE_QUIET = 0,
  TSUITE_LINES = 1,
  TSUITE_REWRITE = 2,
  TSUITE_PROGRESS = 4,
};

tsuite* tsuite_new(const char* name);
tsuite_test* tsuite_newtest(const char* group, const char* name, tsuite_run_fn run, void* data);
int tsuite_addtest(tsuite* suite, tsuite_test* test);
int tsuite_run(tsuite* suite, tsuite_print_fn print);
void tsuite_addTestFailFL(const char* file, uint32_t line, tsuite_test* test, const char* type, const char* message,
                          const char* details);
void tsuite_addTestDetail(tsuite_test* test, const char* text);
void tsuite_setOutputMode(int mode);
int tsuite_writeJUnit(const tsuite* suite, const char* path);
int tsuite_failDetails(const tsuite* suite, const char* path);

// A failure on the test, with the caller's file and line.
#define tsuite_addTestFail(test, type, message, details) \
  tsuite_addTestFailFL(__FILE__, __LINE__, (test), (type), (message), (details))
