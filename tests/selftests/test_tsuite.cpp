// The test-suite framework: what its console output leaves on a screen in
// each output mode, the JUnit and text reports, and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "selftests/tsuite.h"
#include "tests/support/testutil.h"

namespace {

std::string g_console;
void capture(const char* text) { g_console += text; }

// The lines a terminal shows after the output: a backspace moves back one
// column, a character overwrites, a newline ends the line.
std::vector<std::string> screen(const std::string& output) {
  std::vector<std::string> lines(1);
  size_t column = 0;
  for (char c : output) {
    std::string& line = lines.back();
    if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else if (c == '\b') {
      if (column) --column;
    } else {
      if (column < line.size())
        line[column] = c;
      else
        line += c;
      ++column;
    }
  }
  for (std::string& line : lines)
    while (!line.empty() && line.back() == ' ') line.pop_back();
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

int passes(tsuite_test*) { return 0; }
int fails(tsuite_test* t) {
  tsuite_addTestFail(t, "check", "it said \"no\"", "tool output\nline 2");
  tsuite_addTestDetail(t, "the detail");
  return 0;
}
int prints(tsuite_test* t) {
  t->print("\tfrom the test\n");
  return 0;
}

tsuite* two_groups(const char* name) {
  tsuite* s = tsuite_new(name);
  tsuite_addtest(s, tsuite_newtest("docs", "readme", passes, nullptr));
  tsuite_addtest(s, tsuite_newtest("docs", "guide", passes, nullptr));
  tsuite_addtest(s, tsuite_newtest("build", "compile", fails, nullptr));
  tsuite_addtest(s, tsuite_newtest("build", "not yet", nullptr, nullptr));
  return s;
}

// Each run in a child: the module keeps its mode and callback.
testutil::RunResult run_in_child(int mode) {
  return testutil::in_child([mode] {
    g_console.clear();
    tsuite* s = two_groups("suite");
    tsuite_setOutputMode(mode);
    int n = tsuite_run(s, capture);
    fputs(g_console.c_str(), stdout);
    return n;
  });
}

TEST(Tsuite, ConsoleInEachMode) {
  struct Case {
    int mode;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {TSUITE_QUIET, {"Starting test suite: suite, 4 test(s):", "Complete. Total tests: 4; 1 failed"}},
      {TSUITE_PROGRESS,
       {"Starting test suite: suite, 4 test(s):", "[           docs] pass", "[          build] fail",
        "Complete. Total tests: 4; 1 failed"}},
      {TSUITE_REWRITE,
       {"Starting test suite: suite, 4 test(s):", "[           docs] pass", "[          build] fail",
        "Complete. Total tests: 4; 1 failed"}},
      {TSUITE_LINES,
       {"Starting test suite: suite, 4 test(s):", "[           docs] readme", "guide", "pass",
        "[          build] compile", "fail", "Complete. Total tests: 4; 1 failed"}},
  };
  for (const Case& c : cases) {
    testutil::RunResult r = run_in_child(c.mode);
    EXPECT_EQ(r.status, 1) << c.mode;
    EXPECT_EQ(screen(r.out), c.lines) << c.mode;
  }
}

TEST(Tsuite, ProgressSuffixBeforeTheSecondTestOfAGroup) {
  testutil::RunResult r = testutil::in_child([] {
    g_console.clear();
    tsuite* s = tsuite_new("p");
    tsuite_addtest(s, tsuite_newtest("g", "first", passes, nullptr));
    tsuite_addtest(s, tsuite_newtest("g", "second", prints, nullptr));
    tsuite_setOutputMode(TSUITE_PROGRESS);
    tsuite_run(s, capture);
    fputs(g_console.c_str(), stdout);
    return 0;
  });
  EXPECT_NE(r.out.find("second - 50.00% complete, ETA 0hrs 0mins "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    from the test\n"), std::string::npos);  // tabs become four blanks
}

TEST(Tsuite, Reports) {
  testutil::TempDir dir;
  testutil::RunResult r = testutil::in_child([&dir] {
    tsuite* s = two_groups("a<b&amp;c");
    tsuite_setOutputMode(TSUITE_QUIET);
    tsuite_run(s, nullptr);
    int listed = tsuite_writeJUnit(s, dir.file("junit.xml").c_str());
    int failed = tsuite_failDetails(s, dir.file("report.txt").c_str());
    return listed * 10 + failed;
  });
  EXPECT_EQ(r.status, 41);
  // Both reports are text files: CR LF line ends on Windows.
  for (const char* report : {"junit.xml", "report.txt"})
    EXPECT_EQ(testutil::read_file(dir.file(report)), testutil::text_bytes(testutil::read_text(dir.file(report))));
  const std::string junit = testutil::read_text(dir.file("junit.xml"));
  EXPECT_EQ(junit.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<testsuite name=\"a&lt;b&amp;c\" timestamp=\"", 0), 0u)
      << junit;
  EXPECT_NE(junit.find("\" errors=\"0\" tests=\"4\" failures=\"1\" time=\""), std::string::npos);
  EXPECT_NE(junit.find("\t\t<failure type=\"check\" message=\"it said \"no\"\"><![CDATA[\ntool output\nline 2]]></failure>\n"),
            std::string::npos)
      << junit;
  EXPECT_NE(junit.find("\" name=\"not yet\">\n\t</testcase>\n</testsuite>\n"), std::string::npos) << junit;
  EXPECT_EQ(junit.find("<failure", junit.find("<failure") + 1), std::string::npos);  // the skipped test did not fail

  const std::string text = testutil::read_text(dir.file("report.txt"));
  const std::string pad70(70 - 6, ' ');
  EXPECT_EQ(text.rfind("Test suite a<b&amp;c results. Total tests: 4; 1 failed\n\n"
                       "GROUP           TEST NAME" + std::string(70 - 9, ' ') + " RESULT  TIME\n"
                       "docs            readme" + pad70 + " pass    (",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("\n----------build:compile----------\n==> type: check\n==> message: it said \"no\"\n"
                      "==> details: the detail\n<------Output-Start------>\ntool output\nline 2\n"
                      "<------Output-End-------->\n\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("build           not yet" + std::string(70 - 7, ' ') + " pass    (0.00)\n"), std::string::npos);
}

TEST(Tsuite, Refusals) {
  testutil::TempDir dir;
  testutil::RunResult r = testutil::in_child([&dir] {
    g_console.clear();
    tsuite* empty = tsuite_new(nullptr);
    tsuite* named = tsuite_new(nullptr);
    if (std::string(empty->name) != "test suite 0" || std::string(named->name) != "test suite 1") return 9;
    if (tsuite_addtest(nullptr, tsuite_newtest("g", "n", passes, nullptr)) != -1) return 2;
    if (tsuite_run(empty, capture) != -1 || !g_console.empty()) return 3;
    if (tsuite_writeJUnit(empty, dir.file("none.xml").c_str()) != -1) return 4;
    if (tsuite_failDetails(nullptr, dir.file("none.txt").c_str()) != 0) return 5;
    tsuite* one = two_groups("x");
    tsuite_setOutputMode(TSUITE_QUIET);
    tsuite_run(one, nullptr);
    // A report that cannot be created goes to standard error.
    return tsuite_failDetails(one, dir.file("no/such/dir/r.txt").c_str()) == 1 ? 0 : 6;
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(testutil::exists(dir.file("none.xml")));
  EXPECT_EQ(r.err.rfind("Test suite x results. Total tests: 4; 1 failed\n", 0), 0u) << r.err;
}

}  // namespace
