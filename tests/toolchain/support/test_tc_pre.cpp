// The shared preprocessor in-process: what each driver's configuration
// changes, the directives both rely on, and the #if arithmetic.
#include "toolchain/support/tc_pre.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/support/testutil.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre_expr.h"

namespace {

using testutil::TempDir;

std::vector<std::string>* g_lines = nullptr;

// "file:line:number" of every message, the file without its directory.
std::vector<std::string> places(const std::vector<std::string>& lines) {
  static const std::regex kPlace(R"(([^/: ]+): (\d+): \((\d+)\))");
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    std::smatch m;
    out.push_back(std::regex_search(line, m, kPlace) ? m[1].str() + ":" + m[2].str() + ":" + m[3].str() : line);
  }
  return out;
}

struct Outcome {
  bool ok;
  std::string text;
  std::vector<std::string> messages;
  tc_pre_result result;
};

class TcPre : public ::testing::Test {
 protected:
  TempDir dir;
  std::vector<std::string> lines;

  void SetUp() override {
    tc_diag_init();
    g_lines = &lines;
    alert_set_output([](const char* line) { g_lines->push_back(line); });
  }
  void TearDown() override { alert_set_output(nullptr); }

  Outcome run(const tc_pre_config& config, tc_pre_macros& macros, const std::string& main) {
    lines.clear();
    Outcome r;
    r.ok = tc_preprocess(config, macros, dir.file(main), r.result);
    r.text = r.result.text;
    r.messages = places(lines);
    return r;
  }
  Outcome run(const tc_pre_config& config, const std::string& main) {
    tc_pre_macros macros;
    return run(config, macros, main);
  }
};

tc_pre_config plain() {
  tc_pre_config c;
  c.line_markers = false;
  return c;
}

struct SourceCase {
  const char* what;
  const char* source;
  const char* expected;  // the output, or a part of it
  std::vector<std::string> messages;
};

// clang-format off
const SourceCase kSources[] = {
    {"object-like macros nest", "#define A B+1\n#define B 2\nA\n", "2+1", {}},
    {"a macro never expands itself", "#define X X+1\nX\n", "X+1", {}},
    {"function-like macros are kept", "#define F(a) a\nF(3)\n", "F(3)", {}},
    {"literals and numbers keep their letters", "#define L 9\n\"L\" 'L' 0xL1 L\n", "\"L\" 'L' 0xL1 9", {}},
    {"comments become a blank", "a/* x */b // y\n", "a b \n", {}},
    {"joined lines keep the line count", "#define J 1 \\\n + 2\nJ\n", "\n\n1  + 2\n", {}},
    {"#if with defined and arithmetic", "#define V 3\n#if defined(V) && V * 2 == 6\nyes\n#else\nno\n#endif\n", "yes", {}},
    {"#elif after a false #if", "#if 0\na\n#elif 1\nb\n#else\nc\n#endif\n", "\n\n\nb\n", {}},
    {"#ifdef and #undef", "#define U\n#undef U\n#ifndef U\nfree\n#endif\n", "free", {}},
    {"redefinition warns", "#define R 1\n#define R 2\n#define R 2\nR\n", "2", {"s.c:2:101"}},
    {"#error and #warning", "#warning look\n#error stop\n", "", {"s.c:1:118", "s.c:2:159"}},
    {"#else without #if", "#else\n", "", {"s.c:1:100"}},
    {"#else twice", "#if 1\n#else\n#else\n#endif\n", "", {"s.c:3:102"}},
    {"#elif after #else", "#if 1\n#else\n#elif 1\n#endif\n", "", {"s.c:3:104"}},
    {"bad expression", "#if 1 +\n#endif\n", "", {"s.c:1:182"}},
    {"#ifdef without a name", "#ifdef\n#endif\n", "", {"s.c:1:185"}},
    {"extra tokens after #undef", "#undef A B\n", "", {"s.c:1:106"}},
    {"#define without a name", "#define 1\n", "", {"s.c:1:113"}},
    {"unclosed parameter list", "#define F(a\n", "", {"s.c:1:117"}},
    {"bad #include", "#include nothing\n", "", {"s.c:1:111"}},
    {"missing header", "\n#include \"none.h\"\n", "", {"s.c:2:103"}},
    {"unknown directive", "#frob\n", "", {"s.c:1:109"}},
    {"inactive lines are not checked", "#if 0\n#frob\n#error no\n#endif\n", "", {}},
};
// clang-format on

TEST_F(TcPre, DirectivesAndExpansion) {
  for (const SourceCase& c : kSources) {
    SCOPED_TRACE(c.what);
    testutil::write_file(dir.file("s.c"), c.source);
    Outcome r = run(plain(), "s.c");
    EXPECT_NE(r.text.find(c.expected), std::string::npos) << r.text;
    EXPECT_EQ(r.messages, c.messages);
    // Warnings (101, 106, 118) leave the run successful.
    bool errors = false;
    for (const std::string& m : c.messages) errors = errors || !(m.ends_with(":101") || m.ends_with(":106") || m.ends_with(":118"));
    EXPECT_EQ(r.ok, !errors);
  }
}

// What the drivers set differently, on one source each.
TEST_F(TcPre, ConfigurationDecidesTheDifferences) {
  testutil::write_file(dir.file("d.c"), "#pragma p\n#line 7\n#\n# 12 \"x\"\n#ident \"i\"\n");
  testutil::write_file(dir.file("open.c"), "#ifdef X\nint x; /* open\n\n");
  testutil::write_file(dir.file("c.c"), "a /* kept */ b\n");

  tc_pre_config zir = plain();
  zir.copied = {"pragma", "line", "ident", "", "0"};
  tc_pre_config tev = plain();
  tev.dropped = {"", "line"};
  tev.unclosed_at_if = true;
  tev.report_open_comment = true;
  tev.keep_comments = true;

  Outcome a = run(zir, "d.c");
  EXPECT_EQ(a.text, "#pragma p\n#line 7\n#\n#12 \"x\"\n#ident \"i\"\n");
  EXPECT_TRUE(a.ok);
  Outcome b = run(tev, "d.c");
  EXPECT_EQ(b.text, "#pragma p\n\n\n\n\n");
  EXPECT_EQ(b.messages, (std::vector<std::string>{"d.c:4:109", "d.c:5:109"}));

  EXPECT_EQ(run(zir, "open.c").messages, std::vector<std::string>{"open.c:3:108"});
  EXPECT_EQ(run(tev, "open.c").messages, (std::vector<std::string>{"open.c:2:153", "open.c:1:108"}));

  EXPECT_EQ(run(zir, "c.c").text, "a   b\n");
  EXPECT_EQ(run(tev, "c.c").text, "a /* kept */ b\n");
}

TEST_F(TcPre, IncludeSearchAndHeaders) {
  for (const char* d : {"sub", "user", "sys"}) testutil::run({"/bin/mkdir", "-p", dir.file(d)});
  testutil::write_file(dir.file("sub/main.c"), "#include \"near.h\"\n#include <far.h>\n#include \"far.h\"\nend\n");
  testutil::write_file(dir.file("sub/near.h"), "near\n");
  testutil::write_file(dir.file("user/far.h"), "#include <sys.h>\nuser\n");
  testutil::write_file(dir.file("sys/sys.h"), "#include \"inner.h\"\nsys\n");
  testutil::write_file(dir.file("sys/inner.h"), "inner\n");
  testutil::write_file(dir.file("sys/far.h"), "shadowed\n");
  tc_pre_config c;
  c.user_dirs = {dir.file("user")};
  c.system_dirs = {dir.file("sys")};
  std::vector<std::string> listed;
  c.list_header = [&](int depth, const std::string& path) { listed.push_back(std::to_string(depth) + " " + path); };
  Outcome r = run(c, "sub/main.c");
  ASSERT_TRUE(r.ok) << testing::PrintToString(r.messages);
  // What a system header includes beside itself is a system header too
  // (marked "<" here).
  std::vector<std::string> headers;
  for (const tc_pre_header& h : r.result.headers) headers.push_back((h.system ? "<" : "") + h.path);
  const std::string near = dir.file("sub/near.h"), far = dir.file("user/far.h");
  const std::string sys = "<" + dir.file("sys/sys.h"), inner = "<" + dir.file("sys/inner.h");
  EXPECT_EQ(headers, (std::vector<std::string>{near, far, sys, inner, far, sys, inner}));
  EXPECT_EQ(listed[2], "1 " + dir.file("sys/sys.h"));
  EXPECT_EQ(r.text.find("shadowed"), std::string::npos);
  // The markers' file names are read back with their escapes undone (the
  // runs of both drivers place their messages by them).
  int line = 0;
  std::string file;
  EXPECT_TRUE(tc_pre_marker("# 3 \"C:\\\\src\\\\x \\\"q\\\".c\" 1 3", &line, &file));
  EXPECT_EQ(file, "C:\\src\\x \"q\".c");
  EXPECT_EQ(line, 3);
  EXPECT_FALSE(tc_pre_marker("#pragma 3", &line, &file));
  EXPECT_FALSE(tc_pre_marker("# 3 \"open", &line, &file));
}

TEST_F(TcPre, MacroTableAndListings) {
  tc_pre_macros m;
  tc_pre_define(m, "Z", "1");
  tc_pre_define_option(m, "A=two words");
  tc_pre_define_option(m, "B");
  tc_pre_define(m, "F(x,y)", "x");
  tc_pre_define(m, "Z", "3");  // keeps its place
  tc_pre_undefine(m, "B");
  tc_pre_undefine(m, "never");
  EXPECT_EQ(tc_pre_listing(m, tc_pre_order::definition), "#define Z 3\n#define A two words\n#define F(x,y) x\n");
  EXPECT_EQ(tc_pre_listing(m, tc_pre_order::name), "#define A two words\n#define F(x,y) x\n#define Z 3\n");
  // A run sees the table and leaves its own definitions in it.
  testutil::write_file(dir.file("m.c"), "#ifdef A\n#define NEW Z\n#endif\nNEW\n");
  Outcome r = run(plain(), m, "m.c");
  EXPECT_NE(r.text.find("\n3\n"), std::string::npos) << r.text;
  EXPECT_EQ(m.order.back(), "NEW");
}

struct ExpressionCase {
  const char* text;
  bool ok;
  long long value;
};

// clang-format off
const ExpressionCase kExpressions[] = {
    {"1 + 2 * 3", true, 7},          {"(1 + 2) * 3", true, 9},        {"10 - 4 - 3", true, 3},
    {"1 << 4 | 1", true, 17},        {"7 & 3 ^ 1", true, 2},          {"2 < 3 == 1", true, 1},
    {"1 ? 2 : 3", true, 2},          {"0 ? 2 : 0 ? 4 : 5", true, 5},  {"!0 + ~0 + -1", true, -1},
    {"0x10 + 010 + 10UL", true, 34}, {"'a' + '\\n'", true, 107},      {"17 % 5 / 2", true, 1},
    {"UNDEFINED_NAME + 1", true, 1}, {"1 && 0 || 1", true, 1},         {"5 >= 5 && 4 <= 3", true, 0},
    {"1 / 0", false, 0},             {"1 % 0", false, 0},             {"", false, 0},
    {"1 +", false, 0},               {"(1", false, 0},                {"1 ? 2", false, 0},
    {"12z", false, 0},               {"1 2", false, 0},               {"\"s\"", false, 0},
};
// clang-format on

TEST(TcPreExpr, EvaluatesCsIntegerExpressions) {
  for (const ExpressionCase& c : kExpressions) {
    SCOPED_TRACE(c.text);
    long long value = -99;
    EXPECT_EQ(tc_pre_evaluate(c.text, &value), c.ok);
    if (c.ok) {
      EXPECT_EQ(value, c.value);
    }
  }
  long long value = 0;
  EXPECT_FALSE(tc_pre_evaluate(std::string(500, '(') + "1" + std::string(500, ')'), &value));
}

}  // namespace
