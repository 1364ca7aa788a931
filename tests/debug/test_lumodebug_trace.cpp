// Trace lines of the debug facility, read back from a real debug-out file.
#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/alert.h"
#include "common/hash.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_state.h"
#include "tests/support/testutil.h"

namespace {

std::unique_ptr<testutil::TempDir> g_dir;
std::string g_trace_path;
size_t g_seen = 0;
std::vector<std::string> g_alerts;

void capture(const char* line) { g_alerts.emplace_back(line); }

class TraceEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    g_dir = std::make_unique<testutil::TempDir>();
    g_trace_path = g_dir->file("trace.out");
    alert_set_output(capture);
    lumodebug_parse(("--lumodebug=on,alerts,out:" + g_trace_path).c_str());
  }
  // The facility keeps its trace open to the end of the process; Windows
  // removes no open file, so the scratch directory would stay behind.
  void TearDown() override {
    if (g_lumodebug.out) fclose(g_lumodebug.out);
    g_lumodebug.out = nullptr;
    g_dir.reset();
  }
};
const auto* const g_env = testing::AddGlobalTestEnvironment(new TraceEnvironment);

// What the trace received since the last call (a text file: CR LF line ends
// on Windows, read back as line feeds).
std::string new_trace() {
  std::string all = testutil::read_text(g_trace_path);
  std::string fresh = all.substr(g_seen);
  g_seen = all.size();
  return fresh;
}

std::vector<std::string> take_alerts() { return std::exchange(g_alerts, {}); }

class Trace : public testing::Test {
 protected:
  void SetUp() override {
    g_lumodebug.indent_level = 0;
    g_lumodebug.indent_step = 4;
    g_lumodebug.indent_columns = 0;
    new_trace();
    take_alerts();
  }
};

int traced_twice(int x) {
  DB_ENTER("%d", x);
  if (x > 1) {
    DB_EXIT("%d", x * 2);
    return x * 2;
  }
  DB_NOTE("small %d", x);
  return x;
}

// Records of explicit calls: the last component of the file name in the
// location column, the indentation; then those of the scope macros, which
// close every return.
TEST_F(Trace, RecordLayout) {
  lumodebug_enter("driver/cmdline.cpp", 10, "cmdline_driver");
  lumodebug_enter("/abs/path/to/options.cpp", 200, "options_process");
  lumodebug_enter("C:\\src\\options.cpp", 7, "option_lookup");
  lumodebug_tracef("x/y.cpp", 1, "after three");
  lumodebug_exit("C:\\src\\options.cpp", 9, "option_lookup");
  lumodebug_exit("options.cpp", 250, "options_process");
  lumodebug_exit("cmdline.cpp", 11, "cmdline_driver");
  EXPECT_EQ(new_trace(),
            "cmdline.cpp:10      > ENTER cmdline_driver()\n"
            "options.cpp:200     >     ENTER options_process()\n"
            "options.cpp:7       >         ENTER option_lookup()\n"
            "y.cpp:1             >             after three\n"
            "options.cpp:9       >         EXIT option_lookup()\n"
            "options.cpp:250     >     EXIT options_process()\n"
            "cmdline.cpp:11      > EXIT cmdline_driver()\n");
  EXPECT_EQ(traced_twice(5), 10);
  EXPECT_EQ(traced_twice(1), 1);
  std::string records;  // without the location column
  for (const std::string& line : testutil::lines_of(new_trace())) records += line.substr(line.find("> ") + 2) + "\n";
  EXPECT_EQ(records,
            "ENTER traced_twice(5)\nEXIT traced_twice() -> 10\nENTER traced_twice(1)\n    small 1\n"
            "EXIT traced_twice()\n");
  EXPECT_EQ(g_lumodebug.indent_level, 0u);
  EXPECT_TRUE(take_alerts().empty());
}

TEST_F(Trace, NotesSplitAtLineFeeds) {
  // Only the first piece takes the arguments, so the second "%d" has none.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
  lumodebug_tracef("n.cpp", 5, "first %d\n\nsecond %d\n", 1);
#pragma GCC diagnostic pop
  lumodebug_trace("n.cpp", 6, "literal %d\nagain %s");
  EXPECT_EQ(new_trace(),
            "n.cpp:5             > first 1\n"
            "n.cpp:5             > second %d\n"
            "n.cpp:6             > literal %d\n"
            "n.cpp:6             > again %s\n");
  lumodebug_tracef("n.cpp", 7, "\n\n");
  lumodebug_trace("n.cpp", 8, "");
  EXPECT_EQ(take_alerts(), (std::vector<std::string>{
                               "LUMODEBUG (warning): tracef (at n.cpp:7) contains no lines\n",
                               "LUMODEBUG (warning): trace (at n.cpp:8) contains no lines\n"}));
  // Warnings are notes in the trace too, and alert copies since alerts are traced.
  std::string trace = new_trace();
  EXPECT_NE(trace.find("> LUMODEBUG (warning): tracef (at n.cpp:7) contains no lines\n"), std::string::npos);
  EXPECT_NE(trace.find("ALERT> LUMODEBUG (warning): trace (at n.cpp:8) contains no lines\n"), std::string::npos);
  // Alert copies and the argument log, which names the program once.
  alert_print("(%d) raw line", 2045);
  EXPECT_EQ(take_alerts(), std::vector<std::string>{"(2045) raw line\n"});
  const char* argv[] = {"lumo8-cc", "-c", "x.c"};
  lumodebug_logArgs(3, argv);
  lumodebug_logArgs(0, nullptr);
  EXPECT_EQ(new_trace(), "ALERT> (2045) raw line\n\nAPP: LUMO8-CC\nARGS: lumo8-cc -c x.c\nARGS: None\n");
}

TEST_F(Trace, IndentSaturatesAtBothEnds) {
  lumodebug_exit("s.c", 1, "f");
  // A step of 0 keeps the record at column 0: the indentation of the
  // deepest level would be gigabytes of blanks.
  g_lumodebug.indent_level = UINT32_MAX;
  g_lumodebug.indent_step = 0;
  lumodebug_enter("s.c", 2, "g");
  EXPECT_EQ(g_lumodebug.indent_level, UINT32_MAX);
  EXPECT_EQ(g_lumodebug.indent_columns, 0u);
  EXPECT_EQ(take_alerts(), (std::vector<std::string>{"LUMODEBUG (warning): min debug-out indent level reached\n",
                                                     "LUMODEBUG (warning): max debug-out indent level reached\n"}));
  g_lumodebug.indent_level = 1;
  g_lumodebug.indent_columns = 4;
  g_lumodebug.indent_step = 6;
  lumodebug_exit("s.c", 3, "g");  // 4 columns less one step of 6: not below 0
  EXPECT_EQ(g_lumodebug.indent_columns, 0u);
}

// Where the line printf makes of format and its arguments starts in trace.
__attribute__((format(printf, 2, 3))) size_t find_line(const std::string& trace, const char* format, ...) {
  char line[200];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  return trace.find(line);
}

void expect_ordered(size_t first, size_t second) {
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
}

// The container reports as the end of a run writes them, and the clashes
// traced as they happen, by hash_insert_new as by hash_insert (also once the
// chain ends are kept, from 4 entries, and after removals).
TEST_F(Trace, ContainerReports) {
  vec_track(true);
  vector* keep = vec_new("a.cpp", 10);
  for (int i = 0; i < 11; ++i) vec_push(keep, &i);
  // The first tracked hash table makes its own master list: the vectors'
  // stays, with keep in it.
  hash_track(true);
  hashtable* h = hash_new(1, hash_string, hash_string_compare, "h.cpp", 5);
  hash_insert(h, "a", "1", "use.cpp", 20);
  hash_insert(h, "b", "2", "use.cpp", 21);
  hash_insert(h, "c", "3", "use.cpp", 22);
  hashtable* p = hash_new(5, nullptr, nullptr, "h.cpp", 6);
  hash_insert(p, reinterpret_cast<void*>(1), nullptr);
  hash_insert(p, reinterpret_cast<void*>(2), nullptr);
  hash_remove(p, reinterpret_cast<void*>(2));  // its bucket is empty again
  hash_insert(p, reinterpret_cast<void*>(3), nullptr);
  hash_free(p);
  hashtable* n = hash_new(1, hash_string, hash_string_compare, "h.cpp", 7);
  for (const char* k : {"a", "b", "c", "d", "e", "f"}) hash_insert_new(n, k, k, "use.cpp", 30);
  hash_remove(n, "f");
  hash_remove(n, "c");
  hash_insert_new(n, "g", "g", "use.cpp", 31);
  hash_track(false);
  vector* gone = vec_new("a.cpp", 10);
  vec_push(gone, keep);
  vec_free(gone);
  vector* small = vec_new_sized(2, "b.cpp", 3);
  vec_track(false);
  vector* untracked = vec_new();
  const std::string clashes = new_trace();
  for (const char* line : {"use.cpp:21          > HASH @ h.cpp:5 (2/1) clashed 1 times inserting (",
                           "use.cpp:22          > HASH @ h.cpp:5 (3/1) clashed 2 times inserting (",
                           "use.cpp:30          > HASH @ h.cpp:7 (6/1) clashed 5 times inserting (",
                           "use.cpp:31          > HASH @ h.cpp:7 (5/1) clashed 4 times inserting ("})
    EXPECT_NE(clashes.find(line), std::string::npos) << line << "\n" << clashes;
  hash_report();
  vec_report();
  const std::string t = new_trace();
  EXPECT_NE(t.find("# ptr    file:line    max_util/capacity    max_usage/capacity    clashes    voidcmp    voidhash    "
                   "alive\n"),
            std::string::npos);
  // Tables by clashes, vectors by capacity; in the vectors' summary the
  // newest node first, the freed vector dead.
  expect_ordered(find_line(t, "> # %p    h.cpp:5    1/1    3/1    3    n    n    Y\n", static_cast<void*>(h)),
                 find_line(t, "> # %p    h.cpp:6    2/5    2/5    0    Y    Y    n\n", static_cast<void*>(p)));
  expect_ordered(find_line(t, "> # %p    a.cpp:10    11/20    Y\n", static_cast<void*>(keep)),
                 find_line(t, "> # %p    b.cpp:3    0/0    Y\n", static_cast<void*>(small)));
  expect_ordered(find_line(t, "> # %35s:%-5d%24s1/0    0/0    1/0\n", "b.cpp", 3, ""),
                 find_line(t, "> # %35s:%-5d%24s1/20    1/10    2/30\n", "a.cpp", 10, ""));
  for (vector* v : {keep, small, untracked}) vec_free(v);
  hash_free(h);
  hash_free(n);
}

}  // namespace
