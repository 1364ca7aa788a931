// The command-file reader and argument expansion, in-process, and the
// command file's round trip from the writer through the reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "driver/cmdline.h"
#include "driver/getargs.h"
#include "tests/support/testutil.h"

namespace {

using Args = std::vector<std::string>;

// The arguments of a command file with these contents, entry 0 left out.
Args read_text(const std::string& text, int one_line = 0) {
  FILE* f = tmpfile();
  fwrite(text.data(), 1, text.size(), f);
  rewind(f);
  char** list = getargs_from(f, one_line, "prog");
  fclose(f);
  EXPECT_STREQ(list[0], "prog");
  EXPECT_EQ(list[getargs_count()], nullptr);
  return Args(list + 1, list + getargs_count());
}

TEST(Getargs, Tokens) {
  struct Case {
    const char* label;
    std::string text;
    Args args;
    int one_line = 0;
  };
  const Case cases[] = {
      {"blanks separate", "-c a.c  b.c\n", {"-c", "a.c", "", "b.c"}},
      {"single quotes group", "'my file.c'\n", {"my file.c"}},
      {"backslash before a blank", "other\\ file.c\n", {"other file.c"}},
      {"the other quote inside quotes", "'say \"hi\"' \"it's\"\n", {"say \"hi\"", "it's"}},
      {"escaped quotes", "\\\"x\\'\n", {"\"x'"}},
      {"backslash before a letter stays", "C:\\dir\\x.c\n", {"C:\\dir\\x.c"}},
      {"two backslashes give one", "a\\\\b\n", {"a\\b"}},
      {"an open quote ends with its line", "'open quote\nnext\n", {"open quote", "next"}},
      {"tab ends even inside quotes", "'a\tb'\n", {"a", "b"}},
      {"CR LF ends a line", "-c x.c\r\n'a b'\r\n", {"-c", "x.c", "a b"}},
      {"a lone carriage return is kept", "x\ry.c\n", {"x\ry.c"}},
      {"last line without line feed", "a\nb", {"a", "b"}},
      {"empty quotes give an empty argument", "'' x\n", {"", "x"}},
      {"empty file", "", {}},
      {"quotes in the middle join", "-D'A B'=1\n", {"-DA B=1"}},
      {"one-line mode stops after the first line", "a b\nc\n", {"a", "b"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(read_text(c.text, c.one_line), c.args);
  }
}

TEST(Getargs, ListGrowsAndIsReused) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "a" + std::to_string(i) + "\n";
  Args args = read_text(text);
  ASSERT_EQ(args.size(), 3000u);
  EXPECT_EQ(args[2999], "a2999");
  EXPECT_EQ(read_text("x\n"), Args{"x"});
  EXPECT_EQ(getargs_count(), 2u);
}

TEST(Getargs, OverlongArgumentIsCutAndReported) {
  testutil::RunResult r = testutil::in_child([] {
    const std::string longest(kGetargsTokenMax, 'x');
    Args args = read_text(longest + "\n" + longest + "yz tail\nnext\n");
    bool ok = args == Args{longest, longest, "next"};
    return ok && alert_has_errors() ? 0 : 1;
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "(917) argument too long\n");
}

// cmdline_args keeps process-wide state (the program name): each case runs
// in a child.
TEST(CmdlineArgs, ExpansionAndUnescaping) {
  testutil::TempDir dir;
  testutil::write_file(dir.file("outer"), "-c 'my file.c' other\\ file.c @" + dir.file("inner") + "\n");
  testutil::write_file(dir.file("inner"), "-DX=1\n\n  @\n");
  struct Case {
    const char* label;
    Args argv;
    Args expected;
  };
  const Case cases[] = {
      {"nested command files", {"@" + dir.file("outer"), "z.c"},
       {"-c", "my file.c", "other file.c", "-DX=1", "@", "z.c"}},
      {"command-line arguments are unescaped", {"a\\ b", "q\\\"", "keep\\n", "two\\\\", ""},
       {"a b", "q\"", "keep\\n", "two\\"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    testutil::RunResult r = testutil::in_child([&c] {
      std::vector<char*> argv{const_cast<char*>("/some/where/lumo8-cc")};
      for (const std::string& a : c.argv) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      vector* args = cmdline_args(static_cast<int>(argv.size() - 1), argv.data(), nullptr);
      for (const char* a : VecItems<const char*>(args)) printf("[%s]\n", a);
      printf("progname=%s\n", cmdline_progname());
      return alert_has_errors();
    });
    std::string expected;
    for (const std::string& a : c.expected) expected += "[" + a + "]\n";
    EXPECT_EQ(r.out, expected + "progname=lumo8-cc\n");
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

#ifndef _WIN32
// Any argument list goes through the real writer of the command file
// (cmdline_spawn, to a stand-in driver that keeps it) and comes back through
// the reader unchanged: random lists, seeded. Left out are the writer's two
// limits (a tab, line feed or carriage return cannot be carried; a backslash
// directly before a quote is written as it stands and read as an escaped
// backslash) and empty arguments, which every reader drops.
class ArgumentSource {
 public:
  Args list() {
    Args args(pick(0, 12));
    for (std::string& a : args) {
      // Mostly short, now and then up to the reader's limit.
      const int length = pick(0, 20) == 0 ? pick(1, static_cast<int>(kGetargsTokenMax)) : pick(1, 24);
      while (static_cast<int>(a.size()) < length) {
        const char c = character();
        if ((c != '"' && c != '\'') || a.empty() || a.back() != '\\') a += c;
      }
    }
    return args;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  // The characters the quoting rules care about far more often than the rest.
  char character() {
    static const std::string special = " \"'\\@#=-$`;|&*?()<>{}[]!~%";
    const int kind = pick(0, 9);
    if (kind < 4) return special[pick(0, static_cast<int>(special.size()) - 1)];
    if (kind < 8) return static_cast<char>(pick('a', 'z'));
    for (;;)
      if (char c = static_cast<char>(pick(1, 255)); c != '\t' && c != '\n' && c != '\r') return c;
  }

  std::mt19937 rng_{20261206};
};

TEST(CmdfileRoundTrip, RandomListsReadBackUnchanged) {
  testutil::TempDir temp, record;
  const std::string cmdfile = record.file("cmdfile");
  testutil::RunResult r = testutil::in_child(
      [&cmdfile]() -> int {
        ArgumentSource source;
        int failures = 0;
        for (int i = 0; i < 400 && failures < 5; ++i) {
          const Args args = source.list();
          vector* options = vec_new();
          vec_push(options, RECORD_DRIVER_PATH);
          for (const std::string& a : args) vec_push(options, a.c_str());
          remove(cmdfile.c_str());
          const int status = cmdline_spawn(options, CMDLINE_FILE_ALWAYS, 0);
          vec_free(options);
          if (status != 0 || read_text(testutil::read_file(cmdfile)) != args) {
            fprintf(stderr, "list %d: status %d, %zu arguments, first %.40s\n", i, status, args.size(),
                    args.empty() ? "" : args[0].c_str());
            ++failures;
          }
        }
        fflush(stderr);
        exit(failures);  // through the exit handlers, which remove the temporary root
      },
      ".", {"TEMP=" + temp.path(), "-TMP", "LUMO_RECORD=" + record.path()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testutil::list_dir(temp.path()), std::vector<std::string>{});
}
#endif

}  // namespace
