// Trace lines of the debug facility, read back from a real debug-out file.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <string>
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

std::vector<std::string> take_alerts() {
  std::vector<std::string> a;
  a.swap(g_alerts);
  return a;
}

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

TEST_F(Trace, EnterExitAndNoteLayout) {
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
}

TEST_F(Trace, IndentSaturatesAtBothEnds) {
  lumodebug_exit("s.c", 1, "f");
  EXPECT_EQ(g_lumodebug.indent_level, 0u);
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
  new_trace();
}

TEST_F(Trace, AlertCopiesAndArgumentLog) {
  alert_print("(%d) raw line", 2045);
  EXPECT_EQ(take_alerts(), std::vector<std::string>{"(2045) raw line\n"});
  const char* argv[] = {"lumo8-cc", "-c", "x.c"};
  lumodebug_logArgs(3, argv);
  lumodebug_logArgs(0, nullptr);
  EXPECT_EQ(new_trace(), "ALERT> (2045) raw line\n\nAPP: LUMO8-CC\nARGS: lumo8-cc -c x.c\nARGS: None\n");
}

int traced_twice(int x) {
  DB_ENTER("%d", x);
  if (x > 1) {
    DB_EXIT("%d", x * 2);
    return x * 2;
  }
  DB_NOTE("small %d", x);
  return x;
}

TEST_F(Trace, ScopeMacrosBalanceEveryReturn) {
  EXPECT_EQ(traced_twice(5), 10);
  EXPECT_EQ(traced_twice(1), 1);
  std::string t = new_trace();
  EXPECT_NE(t.find("> ENTER traced_twice(5)\n"), std::string::npos) << t;
  EXPECT_NE(t.find("> EXIT traced_twice() -> 10\n"), std::string::npos) << t;
  EXPECT_NE(t.find(">     small 1\n"), std::string::npos) << t;
  EXPECT_EQ(g_lumodebug.indent_level, 0u);
  size_t exits = 0;
  for (size_t at = 0; (at = t.find("EXIT", at)) != std::string::npos; ++at) ++exits;
  EXPECT_EQ(exits, 2u);
  EXPECT_TRUE(take_alerts().empty());
}

// The container reports, as the end of a run writes them.
TEST_F(Trace, VectorReport) {
  vec_track(true);
  vector* keep = vec_new("a.cpp", 10);
  for (int i = 0; i < 11; ++i) vec_push(keep, &i);
  // The first tracked hash table makes its own master list: the vectors'
  // stays, with keep in it.
  hash_track(true);
  hash_free(hash_new(3, hash_string, hash_string_compare));
  hash_track(false);
  vector* gone = vec_new("a.cpp", 10);
  vec_push(gone, keep);
  vec_free(gone);
  vector* small = vec_new_sized(2, "b.cpp", 3);
  vec_track(false);
  vector* untracked = vec_new();
  new_trace();
  vec_report();
  std::string t = new_trace();
  char keep_line[128], small_line[128];
  snprintf(keep_line, sizeof keep_line, "> # %p    a.cpp:10    11/20    Y\n", static_cast<void*>(keep));
  snprintf(small_line, sizeof small_line, "> # %p    b.cpp:3    0/0    Y\n", static_cast<void*>(small));
  EXPECT_NE(t.find("> # Living Vector Master List:\n"), std::string::npos) << t;
  size_t k = t.find(keep_line), s = t.find(small_line);
  ASSERT_NE(k, std::string::npos) << t;
  ASSERT_NE(s, std::string::npos) << t;
  EXPECT_LT(k, s);  // larger capacity first
  // Summary: newest node first; the freed vector counts as dead.
  char summary_a[160], summary_b[160];
  snprintf(summary_a, sizeof summary_a, "> # %35s:%-5d%24s1/20    1/10    2/30\n", "a.cpp", 10, "");
  snprintf(summary_b, sizeof summary_b, "> # %35s:%-5d%24s1/0    0/0    1/0\n", "b.cpp", 3, "");
  size_t a = t.find(summary_a), b = t.find(summary_b);
  EXPECT_NE(a, std::string::npos) << t;
  EXPECT_NE(b, std::string::npos) << t;
  EXPECT_LT(b, a);
  vec_free(keep);
  vec_free(small);
  vec_free(untracked);
}

TEST_F(Trace, HashReportAndClashes) {
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
  hash_track(false);
  std::string clashes = new_trace();
  EXPECT_NE(clashes.find("use.cpp:21          > HASH @ h.cpp:5 (2/1) clashed 1 times inserting ("), std::string::npos)
      << clashes;
  EXPECT_NE(clashes.find("use.cpp:22          > HASH @ h.cpp:5 (3/1) clashed 2 times inserting ("), std::string::npos);
  hash_report();
  std::string t = new_trace();
  char line_h[128], line_p[128];
  snprintf(line_h, sizeof line_h, "> # %p    h.cpp:5    1/1    3/1    3    n    n    Y\n", static_cast<void*>(h));
  snprintf(line_p, sizeof line_p, "> # %p    h.cpp:6    2/5    2/5    0    Y    Y    n\n", static_cast<void*>(p));
  EXPECT_NE(t.find("# ptr    file:line    max_util/capacity    max_usage/capacity    clashes    voidcmp    voidhash    alive\n"),
            std::string::npos);
  size_t at_h = t.find(line_h), at_p = t.find(line_p);
  ASSERT_NE(at_h, std::string::npos) << t;
  ASSERT_NE(at_p, std::string::npos) << t;
  EXPECT_LT(at_h, at_p);  // most clashes first
  hash_free(h);
}

// hash_insert_new counts the entries already in the chain as hash_insert
// does, also once the chain ends are kept (from 4 entries in a table of 1
// bucket) and after removals of the last and of a middle entry.
TEST_F(Trace, InsertNewClashesLikeInsert) {
  hash_track(true);
  hashtable* h = hash_new(1, hash_string, hash_string_compare, "h.cpp", 7);
  for (const char* k : {"a", "b", "c", "d", "e", "f"}) hash_insert_new(h, k, k, "use.cpp", 30);
  hash_remove(h, "f");
  hash_remove(h, "c");
  hash_insert_new(h, "g", "g", "use.cpp", 31);
  hash_track(false);
  std::string t = new_trace();
  EXPECT_NE(t.find("use.cpp:30          > HASH @ h.cpp:7 (6/1) clashed 5 times inserting ("), std::string::npos) << t;
  EXPECT_NE(t.find("use.cpp:31          > HASH @ h.cpp:7 (5/1) clashed 4 times inserting ("), std::string::npos) << t;
  vector* keys = hash_keys(h);
  std::string order;
  for (const char* k : VecItems<const char*>(keys)) order += k;
  vec_free(keys);
  EXPECT_EQ(order, "abdeg");
  hash_free(h);
}

}  // namespace
