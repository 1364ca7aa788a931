// The --lumodebug option: sub-options, their warnings and the debug-out
// file. The facility reads its option once per process, so every case runs
// in a child process of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/alert.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_state.h"
#include "tests/support/testutil.h"

namespace {

std::vector<std::string> g_lines;
void capture(const char* line) { g_lines.emplace_back(line); }

struct Case {
  const char* what;
  std::vector<const char*> args;  // each handed to lumodebug_parse in turn
  uint32_t flags;
  uint32_t assert_level;
  unsigned num;
  const char* out;  // debug-out path, or null for none
  const char* zip;
  std::vector<std::string> warnings;  // texts after "LUMODEBUG (warning): "
  std::vector<const char*> in_debug_set = {};
};

std::string warning(const std::string& text) { return "LUMODEBUG (warning): " + text + "\n"; }

// Runs in the child: parses, then compares; the exit status tells.
[[noreturn]] void run_case(const Case& c, const std::string& dir) {
  if (chdir(dir.c_str()) != 0) _exit(3);
  alert_set_output(capture);
  for (const char* a : c.args) lumodebug_parse(a);
  lumodebug_logArgs(0, nullptr);
  std::vector<std::string> expected;
  for (const std::string& w : c.warnings) expected.push_back(warning(w));
  bool ok = true;
  auto check = [&](bool good, const std::string& what) {
    if (!good) fprintf(stderr, "mismatch: %s\n", what.c_str());
    ok = ok && good;
  };
  check(lumodebug_flagword == c.flags, "flags " + std::to_string(lumodebug_flagword));
  check(lumodebug_assertlevel == c.assert_level, "assert level " + std::to_string(lumodebug_assertlevel));
  check(g_lumodebug.num == c.num, "num " + std::to_string(g_lumodebug.num));
  const char* out = g_lumodebug.out ? g_lumodebug.out_path : nullptr;
  check((out == nullptr) == (c.out == nullptr) && (!out || std::string(out) == c.out),
        std::string("out ") + (out ? out : "(none)"));
  check(!c.out || testutil::exists(dir + "/" + c.out), "out file exists");
  const char* zip = g_lumodebug.zip_path;
  check((zip == nullptr) == (c.zip == nullptr) && (!zip || std::string(zip) == c.zip),
        std::string("zip ") + (zip ? zip : "(none)"));
  check(g_lines == expected, "warnings");
  for (const std::string& l : g_lines) fprintf(stderr, "  got: %s", l.c_str());
  for (const char* name : c.in_debug_set) check(lumodebug_in_debug_set(name), std::string("debug set ") + name);
  check(!lumodebug_in_debug_set("absent"), "debug set holds only what was given");
  fflush(stderr);
  _exit(ok ? 0 : 1);
}

TEST(LumodebugOption, SubOptions) {
  const Case cases[] = {
      {"on", {"--lumodebug=on"}, 1, 0, 1, "lumo8-cc-1.out", nullptr, {}},
      {"default", {"--lumodebug=default"}, 1, 0, 1, "lumo8-cc-1.out", nullptr, {}},
      {"num before on", {"--lumodebug=num:3,on"}, 1, 0, 3, "lumo8-cc-3.out", nullptr, {}},
      {"num 0", {"--lumodebug=num:0,on"}, 1, 0, 1, "lumo8-cc-1.out", nullptr,
       {"\"num\" option must be a decimal integer > 0, using \"1\""}},
      {"num not a number", {"--lumodebug=num:7x,on"}, 1, 0, 1, "lumo8-cc-1.out", nullptr,
       {"\"num\" option must be a decimal integer > 0, using \"1\""}},
      {"num too large", {"--lumodebug=num:4294967296"}, 0, 0, 1, nullptr, nullptr,
       {"\"num\" option must be a decimal integer > 0, using \"1\""}},
      {"num without value", {"--lumodebug=num"}, 0, 0, 1, nullptr, nullptr, {"option \"num\", must have an argument"}},
      {"assert in capitals", {"--lumodebug=assert:FATAL"}, 0, 1, 1, nullptr, nullptr, {}},
      {"assert levels", {"--lumodebug=assert:warning"}, 0, 3, 1, nullptr, nullptr, {}},
      {"assert unknown", {"--lumodebug=assert:maybe"}, 0, 0, 1, nullptr, nullptr,
       {"unknown argument (maybe) given to assert option"}},
      {"assert without value", {"--lumodebug=assert"}, 0, 0, 1, nullptr, nullptr,
       {"option \"assert\", must have an argument"}},
      {"prefix match and case", {"--lumodebug=output:x.txt,DEFAULT"}, 1, 0, 1, "x.txt", nullptr, {}},
      {"unknown and empty pieces", {"--lumodebug=bogus,,on,"}, 1, 0, 1, "lumo8-cc-1.out", nullptr,
       {"unknown option \"bogus\""}},
      {"no value at all", {"--lumodebug"}, 0, 0, 1, nullptr, nullptr, {"unknown option \"--lumodebug\""}},
      {"debug names", {"--lumodebug=debug:lumo8:ZIRCC,on"}, 1, 0, 1, "lumo8-cc-1.out", nullptr, {},
       {"LUMO8", "zircc"}},
      {"debug without names", {"--lumodebug=debug::"}, 0, 0, 1, nullptr, nullptr,
       {"option \"debug\", must have at least one argument"}},
      {"out without file", {"--lumodebug=out,on"}, 1, 0, 1, "lumo8-cc-1.out", nullptr,
       {"option \"out\", must have a filename argument"}},
      {"out twice", {"--lumodebug=out:a.out,out:b.out"}, 0, 0, 1, "b.out", nullptr,
       {"debug-out file was set to \"a.out\", resetting to \"b.out\""}},
      {"zip default", {"--lumodebug=zip,on"}, 1, 0, 1, "lumo8-cc-1.out", "lumo8_package.zip", {}},
      {"zip to extend, then another", {"--lumodebug=zip:+old.zip,zip:new.zip"}, 0, 0, 1, nullptr, "old.zip",
       {"Zip file already set to \"old.zip\", ignoring addtional zip options"}},
      {"flags only passed on", {"--lumodebug=sdb,dwarf,alerts,adt"}, 30, 0, 1, "lumo8-cc-1.out", nullptr, {}},
      {"second option", {"--lumodebug=on", "--lumodebug=num:5"}, 1, 0, 1, "lumo8-cc-1.out", nullptr,
       {"Ignoring extra --lumodebug options"}},
  };
  for (const Case& c : cases) {
    testutil::TempDir dir;
    EXPECT_EXIT(run_case(c, dir.path()), testing::ExitedWithCode(0), "") << c.what;
  }
}

TEST(LumodebugOption, ExistingPackageZipIsReplaced) {
  testutil::TempDir dir;
  testutil::write_file(dir.file("lumo8_package.zip"), "old");
  Case c{"zip exists", {"--lumodebug=zip"}, 0, 0, 1, nullptr, "lumo8_package.zip",
         {"Package zip \"lumo8_package.zip\" already exists and will be over-written"}};
  EXPECT_EXIT(run_case(c, dir.path()), testing::ExitedWithCode(0), "");
  EXPECT_FALSE(testutil::exists(dir.file("lumo8_package.zip")));
  // An archive to extend is left alone.
  testutil::write_file(dir.file("old.zip"), "old");
  Case e{"zip extends", {"--lumodebug=zip:+old.zip"}, 0, 0, 1, nullptr, "old.zip", {}};
  EXPECT_EXIT(run_case(e, dir.path()), testing::ExitedWithCode(0), "");
  EXPECT_EQ(testutil::read_file(dir.file("old.zip")), "old");
}

TEST(LumodebugOption, OutIntoADirectoryAppendsWithPlus) {
  testutil::TempDir dir;
  ASSERT_EQ(mkdir(dir.file("logs").c_str(), 0755), 0);
  testutil::write_file(dir.file("logs/lumo8-cc-1.out"), "earlier run\n");
  Case c{"append", {"--lumodebug=out:+logs,on"}, 1, 0, 1, "logs/lumo8-cc-1.out", nullptr, {}};
  EXPECT_EXIT(run_case(c, dir.path()), testing::ExitedWithCode(0), "");
  EXPECT_EQ(testutil::read_file(dir.file("logs/lumo8-cc-1.out")), "earlier run\n\nAPP: LUMO8-CC\nARGS: None\n");
  Case t{"truncate", {"--lumodebug=out:logs,on"}, 1, 0, 1, "logs/lumo8-cc-1.out", nullptr, {}};
  EXPECT_EXIT(run_case(t, dir.path()), testing::ExitedWithCode(0), "");
  EXPECT_EQ(testutil::read_file(dir.file("logs/lumo8-cc-1.out")), "\nAPP: LUMO8-CC\nARGS: None\n");
}

TEST(LumodebugOption, DebugOutThatCannotBeOpenedIsFatal) {
  testutil::TempDir dir;
  auto parse = [&] {
    if (chdir(dir.path().c_str()) == 0) lumodebug_parse("--lumodebug=on,out:missing/dir/x.out");
    _exit(0);
  };
  EXPECT_EXIT(parse(), testing::ExitedWithCode(1),
              "\\(141\\) can't open debug-out file \"missing/dir/x.out\": No such file or directory");
}

// The program as a build runs it.
// The option a child receives: each sub-option's part in table order, the
// names meant for the caller's own children only, and a count per callee.
TEST(LumodebugOption, HandedOnToChildren) {
  struct HandOn {
    const char* what;
    const char* option;
    std::vector<std::pair<uint32_t, const char*>> calls;
    std::vector<std::string> expected;
  };
  const HandOn cases[] = {
      {"the legacy driver", "--lumodebug=on,debug:lumo8:zircc,out:t.txt",
       {{DBC_LUMO8CC, "lumo8"}, {DBC_LUMO8CC, "LUMO8"}, {DBC_LUMO8CC, "zircc"}},
       {"--lumodebug=default,on,out:+t.txt,debug:zircc,num:1", "--lumodebug=default,on,out:+t.txt,debug:zircc,num:2",
        "--lumodebug=default,on,out:+t.txt,debug:zircc,num:1"}},
      {"names by caller", "--lumodebug=sdb,dwarf,alerts,adt,assert:error,debug:lumo8-cc:lumo8x:zircc18:tev",
       {{DBC_LUMO8CC, "lumo8"}, {DBC_LUMO8, "zircc"}, {DBC_DRIVER, "p1"}},
       {"--lumodebug=sdb,dwarf,alerts,assert:error,debug:lumo8-cc:zircc18:tev,adt,num:1",
        "--lumodebug=sdb,dwarf,alerts,assert:error,debug:lumo8-cc:lumo8x:tev,adt,num:1",
        "--lumodebug=sdb,dwarf,alerts,assert:error,debug:lumo8-cc:lumo8x:zircc18:tev,adt,num:1"}},
      {"nothing to hand on", "--lumodebug=zip", {{DBC_LUMO8CC, "lumo8"}}, {"--lumodebug=zip:+lumo8_package.zip"}},
  };
  for (const HandOn& c : cases) {
    SCOPED_TRACE(c.what);
    testutil::TempDir dir;
    testutil::RunResult r = testutil::in_child(
        [&c] {
          lumodebug_parse(c.option);
          for (const auto& [caller, callee] : c.calls) {
            const char* option = lumodebug_optionFor(caller, callee);
            printf("%s\n", option ? option : "(null)");
          }
          return 0;
        },
        dir.path());
    std::string expected;
    for (const std::string& e : c.expected) expected += e + "\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");
  }
}

}  // namespace
