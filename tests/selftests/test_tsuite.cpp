// The self test's framework: what its console output leaves on a screen in
// each output mode, the JUnit and text reports, and the refusals; file
// digests and the hash manifest written, read back and checked (the digest
// itself is the common module's, checked there).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "selftests/shahash.h"
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
      line.resize(std::max(line.size(), column + 1));
      line[column++] = c;
    }
  }
  for (std::string& line : lines)
    while (!line.empty() && line.back() == ' ') line.pop_back();
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

int passes(tsuite_test*) { return 0; }
int fails(tsuite_test* t) {
  t->print("\tfrom the test\n");
  tsuite_addTestFail(t, "check", "it said \"no\"", "tool output\nline 2");
  tsuite_addTestDetail(t, "the detail");
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

// The screen in each mode; the failing test prints a text (its tab as four
// blanks). Progress adds the share done and an estimate of the time left
// before each test after the first of a group, which the next erases.
TEST(Tsuite, ConsoleInEachMode) {
  const struct {
    int mode;
    std::vector<std::string> lines;
    const char* progress;  // a text of the output, or null for none
  } cases[] = {
      {TSUITE_QUIET, {"Starting test suite: suite, 4 test(s):", "Complete. Total tests: 4; 1 failed"}, nullptr},
      {TSUITE_PROGRESS,
       {"Starting test suite: suite, 4 test(s):", "[           docs] pass", "[          build] compile    from the test",
        "fail", "Complete. Total tests: 4; 1 failed"},
       "guide - 25.00% complete, ETA 0hrs 0mins "},
      {TSUITE_REWRITE,
       {"Starting test suite: suite, 4 test(s):", "[           docs] pass", "[          build] compile    from the test",
        "fail", "Complete. Total tests: 4; 1 failed"},
       nullptr},
      {TSUITE_LINES,
       {"Starting test suite: suite, 4 test(s):", "[           docs] readme", "guide", "pass",
        "[          build] compile    from the test", "", "fail", "Complete. Total tests: 4; 1 failed"},
       nullptr},
  };
  for (const auto& c : cases) {
    testutil::RunResult r = run_in_child(c.mode);
    EXPECT_EQ(r.status, 1) << c.mode;
    EXPECT_EQ(screen(r.out), c.lines) << c.mode;
    EXPECT_EQ(r.out.find(c.progress ? c.progress : "% complete") != std::string::npos, c.progress != nullptr)
        << r.out;
  }
}

// The reports of a suite with a failure and a skipped test, and the
// refusals: a suite without tests, no suite, a report that cannot be
// created (which goes to standard error).
TEST(Tsuite, ReportsAndRefusals) {
  testutil::TempDir dir;
  testutil::RunResult r = testutil::in_child([&dir] {
    tsuite* empty = tsuite_new(nullptr);
    tsuite* other = tsuite_new(nullptr);
    printf("%s, %s: %d %d %d %d %d\n", empty->name, other->name,
           tsuite_addtest(nullptr, tsuite_newtest("g", "n", passes, nullptr)), tsuite_run(empty, capture),
           tsuite_writeJUnit(empty, dir.file("none.xml").c_str()),
           tsuite_failDetails(nullptr, dir.file("none.txt").c_str()), static_cast<int>(g_console.size()));
    tsuite* s = two_groups("a<b&amp;c");
    tsuite_setOutputMode(TSUITE_QUIET);
    tsuite_run(s, nullptr);
    printf("%d %d %d", tsuite_writeJUnit(s, dir.file("junit.xml").c_str()),
           tsuite_failDetails(s, dir.file("report.txt").c_str()),
           tsuite_failDetails(s, dir.file("no/such/dir/r.txt").c_str()));
    return 0;
  });
  EXPECT_EQ(r.out, "test suite 0, test suite 1: -1 -1 -1 0 0\n4 1 1");
  EXPECT_EQ(testutil::list_dir(dir.path()), (std::vector<std::string>{"junit.xml", "report.txt"}));
  EXPECT_EQ(r.err.rfind("Test suite a<b&amp;c results. Total tests: 4; 1 failed\n", 0), 0u) << r.err;
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

std::string records(vector* list) {
  if (!list) return "null";
  std::string s;
  for (uint32_t i = 0; i < vec_size(list); ++i) {
    auto* r = vec_get_as<manifest_record*>(list, i);
    s += std::string(i ? "|" : "") + r->hash + " " + r->path;
  }
  shahash_freeManifest(list);
  return s;
}

TEST(Manifest, Reading) {
  testutil::TempDir dir;
  const struct {
    const char* text;
    const char* base;
    const char* records;
  } cases[] = {
      {"abc *./bin/x\n", nullptr, "abc ./bin/x"},
      // the base joined with the host's separator ("%" here)
      {"abc *./bin/x\r\ndef  name \n", "/v", "abc /v%./bin/x|def /v%name"},
      {"abc *./a\nno-blank-here\n", nullptr, "null"},
      {"", nullptr, "null"},
      {"abc **x\n", nullptr, "abc *x"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = dir.file("m" + std::to_string(n++));
    testutil::write_file(path, c.text);
    std::string expected = c.records;
    std::replace(expected.begin(), expected.end(), '%', testutil::kSep);
    EXPECT_EQ(records(shahash_readManifest(path.c_str(), c.base)), expected) << c.text;
  }
  EXPECT_EQ(records(shahash_readManifest(dir.file("absent").c_str(), nullptr)), "null");
}

TEST(Manifest, GeneratedFromATreeCheckedBackAndSearched) {
  // A file that cannot be read ends the program. (First: on Windows a child
  // passes over the earlier calls of its test, whose assertions then fail.)
  testutil::RunResult r = testutil::in_child([] { return shahash_fileSha256("/no/such/file") ? 0 : 2; });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "!! Cannot open file \"/no/such/file\"\n");
  testutil::TempDir tree, out;
  std::filesystem::create_directories(tree.path() + "/bin");
  std::filesystem::create_directories(tree.path() + "/docs/deep");
  testutil::write_file(tree.file("bin/tool"), "tool bytes");
  testutil::write_file(tree.file("docs/deep/User_Guide.md"), "guide");
  testutil::write_file(tree.file("top"), "");
  r = testutil::in_child([&] {
    if (chdir(tree.path().c_str()) != 0) return 9;
    return shahash_generate(PathStyle::posix, ".", out.file("manifest").c_str()) ? 0 : 1;
  });
  ASSERT_EQ(r.status, 0) << r.err;
  // A text file: CR LF line ends on Windows.
  EXPECT_EQ(testutil::read_file(out.file("manifest")), testutil::text_bytes(testutil::read_text(out.file("manifest"))));
  const std::string text = testutil::read_text(out.file("manifest"));
  EXPECT_NE(text.find(shahash_fileSha256(tree.file("bin/tool").c_str()) + std::string(" *./bin/tool\n")), std::string::npos)
      << text;
  EXPECT_NE(text.find(" *./docs/deep/User_Guide.md\n"), std::string::npos);
  EXPECT_NE(text.find("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 *./top\n"), std::string::npos);
  vector* list = shahash_readManifest(out.file("manifest").c_str(), tree.path().c_str());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(vec_size(list), 3u);
  for (const manifest_record* rec : VecItems<manifest_record*>(list)) {
    EXPECT_TRUE(shahash_checkFile(rec->hash, rec->path)) << rec->path;
    std::string upper = rec->hash;
    for (char& c : upper) c = static_cast<char>(toupper(c));
    EXPECT_FALSE(shahash_checkFile(upper.c_str(), rec->path));  // digests compare exactly
  }
  shahash_freeManifest(list);
  EXPECT_FALSE(shahash_checkFile(nullptr, tree.file("top").c_str()));
  EXPECT_FALSE(shahash_checkFile("e3b0", tree.file("gone").c_str()));
  // Files by a part of their names, in any case.
  EXPECT_TRUE(findFileLike("user_GUIDE", tree.file("docs/deep").c_str()));
  EXPECT_FALSE(findFileLike("manual", tree.file("docs/deep").c_str()));
  EXPECT_FALSE(findFileLike("guide", tree.file("nowhere").c_str()));
}

}  // namespace
