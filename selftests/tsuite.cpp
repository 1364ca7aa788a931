// The test-suite framework: running with the progress display, and the two
// reports.
#include "selftests/tsuite.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"

namespace {

// The calibration loop's count: its duration scales the estimate.
constexpr uint32_t kCalibrationCount = 0x0FFFFFFF;
constexpr double kCalibrationScale = 0.41;
constexpr double kCalibrationWeight = 0.7;

tsuite_print_fn g_print = nullptr;
int g_mode = TSUITE_PROGRESS;
int g_suite_counter = 0;
int g_test_counter = 0;
// Every suite made, with its records (and through them the data of its
// tests): they live until the program ends. Not a vector, which the
// container report would list.
std::vector<tsuite*>* g_suites = new std::vector<tsuite*>;

const char* copy(const char* text) { return text ? sc_intern(text) : nullptr; }

void show(const char* text) {
  if (g_print && text && g_mode != TSUITE_QUIET) g_print(sc_expandTabs(text));
}

void take_back(const char* text) {
  if (!g_print || !text) return;
  if (g_mode & (TSUITE_REWRITE | TSUITE_PROGRESS)) {
    for (const char* p = sc_expandTabs(text); *p; ++p) {
      g_print("\b");
      g_print(" ");
      g_print("\b");
    }
  } else if (g_mode == TSUITE_LINES) {
    g_print("\n");
  }
}

const char* verdict(bool passed) { return passed ? "pass\n" : "fail\n"; }

// Counts up in a way the optimiser must keep, and times it.
long double calibrate() {
  osd_timer* timer = osd_timer_new();
  osd_timer_start(timer);
  volatile uint32_t counter = 0;
  while (counter < kCalibrationCount) counter = counter + 1;
  osd_timer_stop(timer);
  long double seconds = osd_timer_elapsed(timer);
  free(timer);
  return seconds;
}

const char* progress_suffix(double percent, double estimate) {
  if (g_mode != TSUITE_PROGRESS) return "";
  int h = static_cast<int>(estimate / 3600);
  int m = static_cast<int>((estimate - 3600.0 * h) / 60);
  int s = static_cast<int>(estimate - 3600.0 * h - 60.0 * m);
  return sc_printf(" - %.2f%% complete, ETA %dhrs %dmins %dsecs", percent, h, m, s);
}

// XML text: '<' escaped, '&' escaped unless it already starts "&amp;" or
// "&lt;"; everything else as it is.
const char* makeTokenType(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '<')
      out += "&lt;";
    else if (*p == '&' && strncmp(p, "&amp;", 5) != 0 && strncmp(p, "&lt;", 4) != 0)
      out += "&amp;";
    else
      out += *p;
  }
  return sc_intern(out.c_str());
}

const char* elapsed(const tsuite_test* test) {
  // A skipped test has no timer: it took no time.
  return test->timer ? osd_timer_elapsedString(test->timer) : "0.00";
}

struct FileCloser {
  void operator()(FILE* f) const {
    if (f && f != stderr) fclose(f);
  }
};

}  // namespace

tsuite* tsuite_new(const char* name) {
  DB_ENTER("%s", name ? name : "(null)");
  auto* suite = static_cast<tsuite*>(xcalloc(sizeof(tsuite)));
  suite->name = name ? copy(name) : sc_printf("test suite %d", g_suite_counter++);
  char* host = osd_hostname();
  suite->hostname = copy(host ? host : "localhost");
  free(host);
  suite->list = vec_new();
  g_suites->push_back(suite);
  return suite;
}

tsuite_test* tsuite_newtest(const char* group, const char* name, tsuite_run_fn run, void* data) {
  DB_ENTER("%s, %s", group ? group : "(null)", name ? name : "(null)");
  auto* test = static_cast<tsuite_test*>(xcalloc(sizeof(tsuite_test)));
  test->group = copy(group ? group : "");
  test->name = name ? copy(name) : sc_printf("test case %d", g_test_counter++);
  test->run = run;
  test->data = data;
  return test;
}

int tsuite_addtest(tsuite* suite, tsuite_test* test) {
  DB_ENTER();
  if (!suite || !test || !suite->list) {
    DB_EXIT("could not add test");
    return -1;
  }
  vec_push(suite->list, test);
  suite->tests = static_cast<int32_t>(vec_size(suite->list));
  return suite->tests;
}

int tsuite_run(tsuite* suite, tsuite_print_fn print) {
  DB_ENTER();
  if (!suite || !suite->list || suite->tests == 0) {
    DB_EXIT("could not run test suite");
    return -1;
  }
  DB_NOTE("starting test suite \"%s\"", suite->name);
  suite->total_time = 0;
  const long double calibration = calibrate();
  g_print = print;
  if (g_print) g_print(sc_printf("Starting test suite: %s, %d test(s):\n", suite->name, suite->tests));
  const char* previous_group = nullptr;
  const char* shown = nullptr;
  bool group_passed = true;
  int run = 0;
  double percent = 0, estimate = 0;
  for (uint32_t i = 0; i < vec_size(suite->list); ++i) {
    tsuite_test* test = vec_get_as<tsuite_test*>(suite->list, i);
    if (!previous_group || strcmp(test->group, previous_group) != 0) {
      if (previous_group) {
        take_back(shown);
        show(verdict(group_passed));
      }
      show(sc_printf("[%15s] %s", test->group, test->name));
      shown = test->name;
      group_passed = true;
      previous_group = test->group;
    }
    if (!test->run) {
      ++suite->skipped;
      DB_NOTE("test case \"%s\" was skipped", test->name);
      continue;
    }
    if (strcmp(shown, test->name) != 0) {
      if (g_print && g_mode != TSUITE_QUIET) take_back(shown);
      shown = sc_concat(test->name, progress_suffix(percent, estimate));
      show(shown);
    }
    ++run;
    test->print = show;
    DB_NOTE("running test case \"%s\"", test->name);
    test->timer = osd_timer_new();
    osd_timer_start(test->timer);
    test->run(test);
    osd_timer_stop(test->timer);
    suite->total_time += osd_timer_elapsed(test->timer);
    percent = static_cast<double>(run) / suite->tests * 100;
    estimate = static_cast<double>((suite->total_time / run + ((100 - percent) / 100) *
                                                                  (calibration / kCalibrationScale) * kCalibrationWeight) *
                                   (suite->tests - run));
    if (test->fail_type) {
      ++suite->failed;
      group_passed = false;
      DB_NOTE("test case \"%s\" failed", test->name);
    } else {
      DB_NOTE("test case \"%s\" passed", test->name);
    }
  }
  take_back(shown);
  show(verdict(group_passed));
  if (g_print) g_print(sc_printf("Complete. Total tests: %d; %d failed\n", suite->tests, suite->failed));
  DB_EXIT("%d", suite->failed);
  return suite->failed;
}

void tsuite_addTestFailFL(const char* file, uint32_t line, tsuite_test* test, const char* type, const char* message,
                          const char* details) {
  DB_ENTER("%s:%u, %s", file ? file : "(null)", line, message ? message : "(null)");
  if (!test) return;
  test->fail_file = copy(file);
  test->fail_line = line;
  test->fail_type = copy(type ? type : "");
  test->fail_message = copy(message);
  test->fail_details = copy(details);
}

void tsuite_addTestDetail(tsuite_test* test, const char* text) {
  DB_ENTER("%s", text ? text : "(null)");
  if (test) test->detail = copy(text);
}

void tsuite_setOutputMode(int mode) {
  DB_ENTER("%d", mode);
  g_mode = mode;
}

int tsuite_writeJUnit(const tsuite* suite, const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  if (!suite || !path || !suite->list || suite->tests == 0) {
    DB_EXIT("could not write JUnit xml");
    return -1;
  }
  std::unique_ptr<FILE, FileCloser> out(fopen(path, "w"));
  if (!out) {
    DB_EXIT("could not write to output file \"%s\"", path);
    return -1;
  }
  char stamp[32];
  time_t now = time(nullptr);
  struct tm utc {};
  osd_gmtime(now, &utc);
  strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  FILE* f = out.get();
  fputs("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n", f);
  fprintf(f, "<testsuite name=\"%s\" timestamp=\"%s\" hostname=\"%s\" errors=\"0\" tests=\"%d\" failures=\"%d\" time=\"%.2Lf\">\n",
          makeTokenType(suite->name), stamp, makeTokenType(suite->hostname), suite->tests, suite->failed,
          suite->total_time);
  for (uint32_t i = 0; i < vec_size(suite->list); ++i) {
    const auto* test = vec_get_as<const tsuite_test*>(suite->list, i);
    fprintf(f, "\t<testcase time=\"%s\" name=\"%s\">\n", elapsed(test), makeTokenType(test->name));
    if (test->fail_type)
      fprintf(f, "\t\t<failure type=\"%s\" message=\"%s\"><![CDATA[\n%s]]></failure>\n", test->fail_type,
              test->fail_message ? test->fail_message : "", test->fail_details ? test->fail_details : "");
    if (test->system_output) fprintf(f, "\t\t<system-out>\n%s\n\t\t</system-out>\n", test->system_output);
    fputs("\t</testcase>\n", f);
  }
  fputs("</testsuite>\n", f);
  return static_cast<int>(vec_size(suite->list));
}

int tsuite_failDetails(const tsuite* suite, const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  if (!suite) return 0;
  FILE* opened = path ? fopen(path, "w") : nullptr;
  std::unique_ptr<FILE, FileCloser> out(opened ? opened : stderr);
  FILE* f = out.get();
  fprintf(f, "Test suite %s results. Total tests: %d; %d failed\n\n", suite->name, suite->tests, suite->failed);
  fprintf(f, "%-15s %-70s %-7s %s\n", "GROUP", "TEST NAME", "RESULT", "TIME");
  for (uint32_t i = 0; i < vec_size(suite->list); ++i) {
    const auto* test = vec_get_as<const tsuite_test*>(suite->list, i);
    fprintf(f, "%-15s %-70s %-7s (%s)\n", test->group, test->name, test->fail_type ? "fail" : "pass", elapsed(test));
    if (!test->fail_type) continue;
    fprintf(f, "----------%s:%s----------\n", test->group, test->name);
    fprintf(f, "==> type: %s\n", test->fail_type);
    if (test->fail_message) fprintf(f, "==> message: %s\n", test->fail_message);
    if (test->detail) fprintf(f, "==> details: %s\n", test->detail);
    if (test->fail_details) fprintf(f, "<------Output-Start------>\n%s\n<------Output-End-------->\n", test->fail_details);
    fputs("\n", f);
  }
  DB_EXIT("%d", suite->failed);
  return suite->failed;
}
