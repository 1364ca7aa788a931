// lumo8's option language: anything lumo8-cc does not write is refused with
// its own message number (the installation's end-to-end sweep shows that
// what it writes is taken), and the chip, the inputs and the command files
// are checked before any output.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"
#include "tests/toolchain/lumo8/lumo8_run.h"

namespace {

using testutil::TempDir;

struct Refused {
  std::string arg;
  unsigned number;
};

// Forms lumo8-cc does not write, values its forms never carry, and the
// arguments lumo8-cc passes on untranslated when it does not know them.
const Refused kRefused[] = {
    {"--bogus", 2000},           {"-mcpu=zir16c401", 2000},     {"-mmcu=16c401", 2000},
    {"--Werrorx", 2000},         {"-q=1", 2000},                {"--chipx=16c401", 2000},
    {"--opt=+9", 2099},          {"--opt=", 2099},              {"--std=c11", 2099},
    {"--std=C99", 2099},         {"--chip=", 2099},             {"--msgdisable=12", 2099},
    {"--msgdisable=0:off", 2099}, {"--msgdisable=x:off", 2099}, {"--runtime=+clib", 2099},
    {"--runtime=+plib:1", 2099}, {"--runtime=clib", 2099},      {"--summary=+xml,", 2099},
    {"--summary=+bogus", 2099},  {"-Z-Q", 2099},                {"-Z", 2099},
    {"-Z-D", 2099},              {"--Werror=abc", 2099},        {"--Werror=", 2099},
    {"-o", 2099},                {"-D1X", 2099},                {"--warn=x", 2099},
    {"--errors=0", 2099},        {"--codeoffset=0xg", 2099},    {"--ext=gnu", 2099},
    {"--callgraph=full", 2099},  {"--dep=+gcc,+stop,+sys", 2099}, {"--info=", 2099},
    {"--objdir=", 2099},         {"-R", 2099},                  {"-M", 2099},
    {"--EXT=cci", 2000},         {"--Chip=16c401", 2000},       {"--ver=1", 2000},
};

std::string message(unsigned number, const std::string& arg) {
  return number == 2000 ? "unknown option \"" + arg + "\"" : "invalid value in option \"" + arg + "\"";
}

class Lumo8Language : public ::testing::Test {
 protected:
  TempDir dir;
  // No headers: "--runtime=-cinc" leaves the installation's out.
  void SetUp() override { testutil::write_file(dir.file("t.c"), "int\nmain(void) {\n}\n"); }
};

TEST_F(Lumo8Language, RefusesWithItsNumberInTheEnvironmentsFormat) {
  for (const Refused& bad : kRefused) {
    SCOPED_TRACE(bad.arg);
    auto r = l8test::run(dir.path(), {"-q", "--chip=16c401", bad.arg, "t.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, l8test::error_line(bad.number, message(bad.number, bad.arg)));
    EXPECT_TRUE(l8test::well_formed(r.err));
    EXPECT_EQ(testutil::list_dir(dir.path()), std::vector<std::string>{"t.c"});
  }
}

TEST_F(Lumo8Language, FormatOptionsOverrideTheEnvironment) {
  auto r = l8test::run(dir.path(), {"--bogus", "--errformat=E%n/%s", "--chip=16c401", "t.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "E2000/unknown option \"--bogus\"\n");
}

TEST_F(Lumo8Language, ChecksTheChipAndTheInputs) {
  testutil::write_file(dir.file("g.p1"), "Version 2.50 something else entirely, not our marker\n");
  testutil::write_file(dir.file("g.o"), std::string("\x05\x00\x01" "ab", 5));
  testutil::write_file(dir.file("g.lib"), "not a library at all");
  testutil::write_file(dir.file("notes.txt"), "hello\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"t.c"}, l8test::error_line(2033, "no device selected; name one with --chip=<device>")},
      {{"--chip=16c999", "t.c"}, l8test::error_line(2053, "device \"16c999\" is not known to this installation")},
      {{"--chip=16c401"}, l8test::error_line(2023, "no input files specified; nothing to do")},
      {{"--chip=16c401", "missing.c"}, l8test::error_line(2027, "input file \"missing.c\" does not exist")},
      {{"--chip=16c401", "notes.txt"}, l8test::error_line(2057, "input file \"notes.txt\" is of a type this driver can't use")},
      {{"--chip=16c401", "-c", "g.p1"}, l8test::error_line(405, "\"g.p1\" is not a valid intermediate (p1) file")},
      {{"--chip=16c401", "-c", "g.o"}, l8test::error_line(1246, "\"g.o\" is not a valid object file")},
      {{"--chip=16c401", "t.c", "g.lib"}, l8test::error_line(1209, "\"g.lib\" is not a valid library")},
      {{"--chip=16c401", "@missing.cmd"}, l8test::error_line(2088, "can't read command file \"missing.cmd\"")},
      // Not regular files: reading them would block or fail.
      {{"--chip=16c401", "@fifo.cmd"}, l8test::error_line(2088, "can't read command file \"fifo.cmd\"")},
      {{"--chip=16c401", "@sub"}, l8test::error_line(2088, "can't read command file \"sub\"")},
  };
  ASSERT_EQ(mkfifo(dir.file("fifo.cmd").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0700), 0);
  const std::vector<std::string> before = testutil::list_dir(dir.path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    std::vector<std::string> args{"-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = l8test::run(dir.path(), args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(l8test::well_formed(r.err));
    EXPECT_EQ(testutil::list_dir(dir.path()), before);
  }
}

TEST_F(Lumo8Language, TheChipIsFoundInAnyLetterCaseWithOrWithoutItsFamily) {
  for (const char* chip : {"16c401", "16C401", "ZIR16c401", "zir18e514", "wy2041", "DQV3340"}) {
    SCOPED_TRACE(chip);
    auto r = l8test::run(dir.path(), {"-q", std::string("--chip=") + chip, "--pre", "t.c"});
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

TEST_F(Lumo8Language, VersionNeedsNoChipAndQuietDropsTheBanner) {
  auto version = l8test::run(dir.path(), {"--lumo8cc", "--opt=none", "--ver"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("lumo8 ZIR compiler driver V2.50", 0), 0u) << version.out;
  auto loud = l8test::run(dir.path(), {"--chip=16c401", "--pre", "-opre.i", "t.c"});
  EXPECT_EQ(loud.out.rfind("lumo8 ZIR compiler driver V2.50", 0), 0u);
  auto quiet = l8test::run(dir.path(), {"-q", "--chip=16c401", "--pre", "-opre.i", "t.c"});
  EXPECT_EQ(quiet.out, "");
  // Verbose (-v or -V) names each stage as it runs.
  auto verbose = l8test::run(dir.path(), {"-q", "--chip=16c401", "--pre", "-opre.i", "-V", "t.c"});
  EXPECT_NE(verbose.err.find("lumo8: preprocessing t.c\n"), std::string::npos) << verbose.err;
}

TEST_F(Lumo8Language, WarningsFollowTheMessageOptions) {
  testutil::write_file(dir.file("w.c"), "#warning look here\n#define A 1\n#define A 2\nint x;\n");
  const std::string look = "w.c:1:2: warning: (118) #warning: look here\n";
  const std::string redefined = "w.c:3:2: warning: (101) macro \"A\" redefined\n";
  struct Case {
    std::vector<std::string> extra;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{}, 0, look + redefined},
      {{"--msgdisable=118:off"}, 0, redefined},
      {{"--msgdisable=0"}, 0, ""},
      {{"--warn=1"}, 0, redefined},  // a level-2 row
      {{"--warn=3"}, 0, ""},
      {{"--warn=-3"}, 0, look + redefined},
      {{"--Werror"}, 1, look + redefined + l8test::error_line(2024, "2 warning(s) treated as errors (--Werror)")},
      {{"--Werror", "--Wno-error"}, 0, look + redefined},
      {{"--Werror=118"}, 0, look + redefined},
      {{"--Werror", "--msgdisable=0"}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extra.empty() ? "(none)" : c.extra.front());
    std::vector<std::string> args{"-q", "--chip=16c401", "--pre", "-ow.i"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    args.push_back("w.c");
    auto r = l8test::run(dir.path(), args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(l8test::well_formed(r.err));
    EXPECT_EQ(testutil::exists(dir.file("w.i")), c.status == 0);
    testutil::run({"/bin/rm", "-f", dir.file("w.i")});
  }
}

}  // namespace
