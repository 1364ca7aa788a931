// The option language of tev-gcc: every form its front end writes for TEV
// devices is taken, anything else is refused with its own number; and what
// lumo8-cc relies on: the layout of --target-help, the help and version
// listings.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/toolchain/tev-gcc/tev_fixture.h"

namespace {

using tevtest::number;
using tevtest::Sources;
using testutil::RunResult;
using Args = std::vector<std::string>;

// Forms of the front end's translations with values of the kinds the
// installation's end-to-end sweep through lumo8-cc does not write: each is
// taken.
TEST(TevOptions, AcceptsTheFrontEndsFormsWithValuesOfEveryKind) {
  const std::vector<Args> forms = {
      {"-Xlinker", "-Map=x.map", "-Xlinker", "-Map", "-Xlinker", "y.map"},
      {"-Wa,-a,-alh=x.lst,-g", "-Xassembler", "--fatal-warnings"},
      {"-Wp,-v,-DP=1,-UP,-Iinc", "-Xpreprocessor", "-dM"},
      {"-mcodeoffset=0x200", "-msmart-io-format=\"dxs\"", "-mreserve=rom@0:16", "--fill=0@0x100:0x1ff"},
  };
  for (const Args& form : forms) {
    SCOPED_TRACE(form.front());
    Sources src;
    Args args{"-mmcu=kx32m2", "-c", "x.c", "-Iinc"};
    args.insert(args.end(), form.begin(), form.end());
    testutil::RunResult r = src.run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("error"), std::string::npos) << r.err;
  }
}

struct StdinCase {
  const char* what;
  const char* redirect;  // of standard input
  Args args;             // after "-mmcu=kx32m2"
  int status;
  const char* expected;  // on standard output or standard error
  const char* made;      // a file the run writes, or ""
};

// clang-format off
const StdinCase kStdinCases[] = {
    {"-x c compiles",          "< in.c",      {"-c", "-x", "c", "-"},                       0, "",                   "-.o"},
    {"rule of standard input", "< in.c",      {"-MM", "-MP", "-x", "c", "-"},               0, "-: inc/one.h\ninc/one.h:\n", ""},
    {"closed",                 "<&-",         {"-c", "-x", "c", "-"},                       1, "(2030)",             ""},
    {"terminal",               "< /dev/ptmx", {"-E", "-"},                                  1, "(2039)",             ""},
};
// clang-format on

TEST(TevOptions, StandardInput) {
  for (const StdinCase& row : kStdinCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("in.c", "#include \"inc/one.h\"\nint x;\n");
    Args args{"-mmcu=kx32m2"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    testutil::RunResult r = src.run_with_stdin(args, row.redirect);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE((r.out + r.err).find(row.expected), std::string::npos) << r.out << r.err;
    EXPECT_TRUE(!*row.made || testutil::exists(src.file(row.made))) << row.made;
    EXPECT_TRUE(row.status == 0 || !testutil::exists(src.file("-.o")));
  }
}

// Each entry, split at its blanks, follows "-mmcu=kx32m2 -c x.c" (or, after
// a "!", is the whole command line) and is refused with its row's number.
const std::pair<uint32_t, std::vector<std::string>> kRejected[] = {
    {2000, {"-frobnicate", "-O9", "-gcoff", "-Xparser x", "-mstack=hybrid", "-merrata=all"}},
    {2035, {"-"}},
    {2037, {"-o", "-D", "-MD -MT", "-Xlinker", "-Wl,-Map"}},
    {2003, {"-std=c2049", "-Wfrobnicate", "-Wno-1234", "-D1X=2", "-mext=gnu", "-mcodeoffset=near", "-x fortran",
            "-mreserve=ram@0x200:0x100", "-mreserve=rom@0x100", "-msmart-io-format=\"q\"", "--help=everything"}},
    {2053, {"!-mmcu=kx99 -c x.c", "!-mmcu=zir16c401 -c x.c", "-mdevice=kx99"}},
    {2204, {"-mdfp=nowhere"}},
    {2206, {"-mdfp=inc"}},
    {2023, {"!-mmcu=kx32m2 -c"}},
    {2030, {"!-mmcu=kx32m2 -c missing.c", "!-mmcu=kx32m2 -c notes.txt"}},
    {2057, {"!-mmcu=kx32m2 -c inc", "!-mmcu=kx32m2 -c inc/one.h", "fifo.cmd"}},
    {1100, {"-Wl,--bogus", "-Wl,-Map=x.map,-q"}},
    {980, {"-Wa,-q"}},
    {191, {"-Wp,-q"}},
    {2085, {"-mdevice=kx8m1", "!-mprocessor=kx8m1 -mdevice=kx32m2 -c x.c"}},
    {2088, {"!@missing.cmd", "@fifo.cmd", "@inc"}},
    {2087, {"y.c -o z.o"}},
    {2075, {"-o ./x.c"}},
};

TEST(TevOptions, RefusesEverythingElseWithItsOwnNumber) {
  for (const auto& [message, entries] : kRejected) {
    for (const std::string& entry : entries) {
      SCOPED_TRACE(entry);
      Args args = entry[0] == '!' ? Args{} : Args{"-mmcu=kx32m2", "-c", "x.c"};
      std::istringstream words(entry.substr(entry[0] == '!'));
      for (std::string word; words >> word;) args.push_back(word);
      Sources src;
      testutil::RunResult r = src.run(args);
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("error: " + number(message) + " "), std::string::npos) << r.err;
      EXPECT_EQ(src.new_files(), std::vector<std::string>{}) << "an output was written";
    }
  }
}

TEST(TevOptions, ReportsEveryBadOptionOfARun) {
  Sources src;
  testutil::RunResult r = src.run({"-mmcu=kx32m2", "-c", "x.c", "-frobnicate", "-std=c2049", "-Wl,--bogus"});
  EXPECT_EQ(r.status, 1);
  for (uint32_t n : {2000u, 2003u, 1100u}) EXPECT_NE(r.err.find(number(n)), std::string::npos) << n << r.err;
}

// Under -Werror a warning fails the run and leaves no object.
TEST(TevOptions, WerrorFailsOnAWarning) {
  Sources src;
  src.write("w.c", "#warning careful\nint main(void) { return 0; }\n");
  testutil::RunResult strict = src.run({"-mmcu=kx32m2", "-c", "w.c", "-Werror", "-ofailed.o"});
  EXPECT_EQ(strict.status, 1);
  EXPECT_FALSE(testutil::exists(src.file("failed.o")));
}

// The device names of the installation's device file, "tev1" included.
std::vector<std::string> installed_devices() {
  std::vector<std::string> names;
  for (const std::string& line : testutil::lines_of(testutil::read_file(testutil::stage() + "/tev/dat/tevmcus.txt")))
    if (!line.empty() && line[0] != '#') names.push_back(line.substr(0, line.find(':')));
  return names;
}

TEST(TevFrontEnd, TargetHelpHasTheSectionsLumo8ccReads) {
  Sources src;
  RunResult r = src.run({"--target-help"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The option section: from a line beginning "The following" up to one
  // beginning "Assembler".
  const size_t first = r.out.find("\nThe following"), assembler = r.out.find("\nAssembler", first);
  ASSERT_NE(assembler, std::string::npos) << r.out;
  EXPECT_NE(r.out.substr(first, assembler - first).find("-mmcu="), std::string::npos);
  // Every device of the installation, and nothing else, between the markers.
  const std::string known = "\nKnown MCU names:\n";
  const size_t list = r.out.find(known, assembler), linker = r.out.find("\nLinker", list);
  ASSERT_NE(linker, std::string::npos) << r.out;
  std::istringstream words(r.out.substr(list + known.size(), linker - list - known.size()));
  const std::vector<std::string> listed{std::istream_iterator<std::string>(words), {}};
  EXPECT_EQ(listed, installed_devices());
  EXPECT_NE(std::find(listed.begin(), listed.end(), "tev1"), listed.end());
}

TEST(TevFrontEnd, HelpAndVersionEndTheRunWithoutInputs) {
  Sources src;
  struct Case {
    std::vector<std::string> args;
    const char* expected;
    const char* absent;
  };
  const Case cases[] = {
      {{"--help"}, "Usage: tev-gcc", "The following"},
      {{"--help=target"}, "The following options are specific to TEV targets:", "-O0"},
      {{"--help=optimizers"}, "-Os", "-mmcu"},
      {{"--version"}, "tev-gcc 2.50", "Usage"},
      // As lumo8-cc hands it on: with the device and its closing options.
      {{"-mmcu=kx32m2", "--help", "-Wl,--info-linker", "-mdevice=kx32m2", "-D__LUMO"}, "Usage: tev-gcc", ": error:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    RunResult r = src.run(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(c.expected), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(c.absent), std::string::npos) << r.out;
  }
  EXPECT_EQ(src.new_files(), std::vector<std::string>{});
}

}  // namespace
