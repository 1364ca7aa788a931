// The option language of tev-gcc: every form its front end writes for TEV
// devices is taken, anything else is refused with its own number.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "tests/toolchain/tev-gcc/tev_fixture.h"

namespace {

using tevtest::number;
using tevtest::Sources;
using Args = std::vector<std::string>;

struct Accepted {
  const char* what;
  Args args;  // added to "-mmcu=kx32m2 -c x.c -Iinc"
};

// clang-format off
const Accepted kAccepted[] = {
    {"stages and output",     {"-ox.o"}},
    {"separate output",       {"-o", "x.o"}},
    {"assembly",              {"-S"}},
    {"verbose",               {"-v", "-V"}},
    {"save temps, ###",       {"-save-temps"}},
    {"optimisation levels",   {"-O0", "-O1", "-O2", "-O3", "-Os", "-Og", "-O"}},
    {"optimiser switches",    {"-flocal", "-fasmfile", "-finstrument-functions", "-fno-instrument-functions"}},
    {"max errors",            {"-fmax-errors=20"}},
    {"debug information",     {"-g", "-gdwarf-3"}},
    {"macros joined",         {"-DA", "-DB=2", "-D__LUMO8_VERSION=2500", "-UA"}},
    {"macros separate",       {"-D", "C=3", "-U", "C"}},
    {"macro value w/ space",  {"-DTEXT=a b"}},
    {"include dirs",          {"-Iinc", "-I", "inc", "-Inowhere"}},
    {"preprocessor switches", {"-C", "-H", "-nostdinc", "-Iinc"}},
    {"dependencies",          {"-MD", "-MF", "deps.d", "-MT", "t", "-MQ", "q", "-MP"}},
    {"user dependencies",     {"-MMD"}},
    {"language",              {"-std=c99", "-std=gnu11", "-std=iso9899:1990", "-ansi"}},
    {"char signedness",       {"-funsigned-char", "-fno-signed-char", "-fsigned-char", "-fno-unsigned-char"}},
    {"warnings",              {"-w", "-Wall", "-Wextra", "-Wpedantic", "-Wno-unused", "-Werror", "-Wno-error", "-Werror=shadow", "-Wno-error=format"}},
    {"linker pieces",         {"-Wl,--info-linker", "-Wl,-Map=x.map", "-Wl,--memorysummary,m.xml", "-Wl,--data-init", "-Wl,--no-data-init", "-Wl,--gc-sections"}},
    {"linker separate",       {"-Xlinker", "-Map=x.map", "-Xlinker", "-Map", "-Xlinker", "y.map"}},
    {"assembler pieces",      {"-Wa,-a,-alh=x.lst,-g", "-Xassembler", "--fatal-warnings"}},
    {"preprocessor pieces",   {"-Wp,-v,-DP=1,-UP,-Iinc", "-Xpreprocessor", "-dM"}},
    {"libraries",             {"-lc", "-l", "m", "-Llib", "-L", "lib"}},
    {"link switches",         {"-nostdlib", "-nodefaultlibs", "-nostartfiles"}},
    {"device repeated",       {"-mdevice=kx32m2", "-mmcu=KX32M2", "-mprocessor=kx32m2"}},
    {"constant data",         {"-mno-const-data-in-progmem", "-mconst-data-in-progmem"}},
    {"errata, extensions",    {"-mskip-bug", "-mext=cci", "-mext=CCI"}},
    {"target values",         {"-mcodeoffset=0x200", "-mcodecov=ram", "-msmart-io-format=\"dxs\"", "-mreserve=ram@0x100:0x1ff", "-mreserve=rom@0:16", "--fill=0xff", "--fill=0@0x100:0x1ff"}},
    {"run-time switches",     {"-mdownload", "-mno-download", "-mdownload-hex", "-mno-download-hex", "-mstackcall", "-mno-stackcall",
                               "-mconfig", "-mno-config", "-mdefault-config-bits", "-mno-default-config-bits", "-mosccal", "-mno-osccal"}},
    {"oscillator, vectors",   {"-moscval", "-moscval=0x34", "-mno-oscval", "-mivt=0x100", "-muse-ivt=0x200", "-mno-ivt", "-mno-use-ivt"}},
    {"stack usage",           {"-morv-stack-usage"}},
    {"language of inputs",    {"-x", "c", "y.c", "-xnone"}},
};
// clang-format on

TEST(TevOptions, AcceptsEveryFormTheFrontEndWrites) {
  for (const Accepted& row : kAccepted) {
    SCOPED_TRACE(row.what);
    Sources src;
    Args args{"-mmcu=kx32m2", "-c", "x.c", "-Iinc"};
    if (std::string(row.what) == "language of inputs") args = {"-mmcu=kx32m2", "-c", "-Iinc"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    testutil::RunResult r = src.run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("error"), std::string::npos) << r.err;
  }
}

TEST(TevOptions, InputsOfEveryKind) {
  Sources src;
  testutil::RunResult r = src.run({"-mmcu=kx32m2", "-c", "x.c", "y.c", "a.s", "b.S", "-Iinc"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(src.new_files(), (std::vector<std::string>{"a.o", "b.o", "x.o", "y.o"}));
}

// A pseudo-terminal, for a run whose standard input is a terminal.
struct Terminal {
  int fd = posix_openpt(O_RDWR | O_NOCTTY);
  const char* name = fd >= 0 && grantpt(fd) == 0 && unlockpt(fd) == 0 ? ptsname(fd) : nullptr;
  Terminal() = default;
  Terminal(const Terminal&) = delete;
  ~Terminal() { close(fd); }
};

struct StdinCase {
  const char* what;
  const char* redirect;  // of standard input; "terminal" for a pseudo-terminal
  Args args;             // after "-mmcu=kx32m2"
  int status;
  const char* expected;  // on standard output or standard error
  const char* made;      // a file the run writes, or ""
};

// clang-format off
const StdinCase kStdinCases[] = {
    {"-E reads C",             "< in.c",      {"-E", "-"},                                  0, "int x;",             ""},
    {"-x c compiles",          "< in.c",      {"-c", "-x", "c", "-"},                       0, "",                   "-.o"},
    {"language required",      "< in.c",      {"-c", "-"},                                  1, "(2035)",             ""},
    {"rule of standard input", "< in.c",      {"-MM", "-MP", "-x", "c", "-"},               0, "-: inc/one.h\ninc/one.h:\n", ""},
    {"preprocessed text",      "< in.c",      {"-c", "-x", "cpp-output", "-", "-o", "i.o"}, 0, "",                   "i.o"},
    {"empty",                  "< /dev/null", {"-E", "-v", "-x", "c", "-"},                 0, "End of search list.", ""},
    {"/dev/null by name",      "< in.c",      {"-E", "-v", "-x", "c", "/dev/null"},         0, "# 1 \"/dev/null\"",  ""},
    {"any name with -x c",     "< /dev/null", {"-c", "-x", "c", "inc/one.h"},               0, "",                   "one.o"},
    {"closed",                 "<&-",         {"-c", "-x", "c", "-"},                       1, "(2030)",             ""},
    {"terminal",               "terminal",    {"-E", "-"},                                  1, "(2039)",             ""},
};
// clang-format on

TEST(TevOptions, StandardInput) {
  Terminal terminal;
  for (const StdinCase& row : kStdinCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("in.c", "#include \"inc/one.h\"\nint x;\n");
    std::string redirect = row.redirect;
    if (redirect == "terminal" && !terminal.name) continue;
    if (redirect == "terminal") redirect = std::string("< ") + terminal.name;
    Args args{"-mmcu=kx32m2"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    testutil::RunResult r = src.run_with_stdin(args, redirect);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE((r.out + r.err).find(row.expected), std::string::npos) << r.out << r.err;
    EXPECT_TRUE(!*row.made || testutil::exists(src.file(row.made))) << row.made;
    EXPECT_TRUE(row.status == 0 || !testutil::exists(src.file("-.o")));
  }
}

// The front end's command file: one option a line, blanks and quotes
// escaped with a backslash, lines with blanks in double quotes.
TEST(TevOptions, ReadsTheFrontEndsCommandFile) {
  Sources src;
  src.write("opts.cmd",
            "-mmcu=kx32m2\n-O2\n-Wall\n-c\nx.c\n\"-DTEXT=\\\"a\\ b\\\"\"\n-Iinc\n-Wl,--info-linker\n"
            "-mdevice=kx32m2\n-mconst-data-in-progmem\n-D__LUMO\n-D__LUMO8\n-D__LUMO__\n-D__LUMO8__\n"
            "-D__LUMO8_VERSION=2500\n");
  testutil::RunResult r = src.run({"@opts.cmd"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(src.new_files(), (std::vector<std::string>{"opts.cmd", "x.o"}));
}

struct Rejected {
  Args args;
  uint32_t message;
};

// clang-format off
const Rejected kRejected[] = {
    {{"-mmcu=kx32m2", "-c", "x.c", "-frobnicate"},        2000},
    {{"-mmcu=kx32m2", "-c", "x.c", "-O9"},                2000},
    {{"-mmcu=kx32m2", "-c", "x.c", "-gcoff"},             2000},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Xparser", "x"},      2000},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mstack=hybrid"},     2000},
    {{"-mmcu=kx32m2", "-c", "x.c", "-merrata=all"},       2000},
    {{"-mmcu=kx32m2", "-c", "x.c", "-"},                  2035},
    {{"-mmcu=kx32m2", "-c", "x.c", "-o"},                 2037},
    {{"-mmcu=kx32m2", "-c", "x.c", "-D"},                 2037},
    {{"-mmcu=kx32m2", "-c", "x.c", "-MD", "-MT"},         2037},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Xlinker"},           2037},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wl,-Map"},           2037},
    {{"-mmcu=kx32m2", "-c", "x.c", "-std=c2049"},         2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wfrobnicate"},       2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wno-1234"},          2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-D1X=2"},             2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mext=gnu"},          2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mcodeoffset=near"},  2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mreserve=ram@0x200:0x100"}, 2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mreserve=rom@0x100"}, 2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-msmart-io-format=\"q\""}, 2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "-x", "fortran"},      2003},
    {{"-mmcu=kx32m2", "-c", "x.c", "--help=everything"},  2003},
    {{"-mmcu=kx99", "-c", "x.c"},                         2053},
    {{"-mmcu=zir16c401", "-c", "x.c"},                    2053},
    {{"-mmcu=kx32m2", "-mdevice=kx99", "-c", "x.c"},      2053},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mdfp=nowhere"},      2204},
    {{"-mmcu=kx32m2", "-c", "x.c", "-mdfp=inc"},          2206},
    {{"-mmcu=kx32m2", "-c"},                              2023},
    {{"-mmcu=kx32m2", "-c", "missing.c"},                 2030},
    {{"-mmcu=kx32m2", "-c", "inc"},                       2057},
    {{"-mmcu=kx32m2", "-c", "inc/one.h"},                 2057},
    {{"-mmcu=kx32m2", "-c", "x.c", "fifo.cmd"},           2057},
    {{"-mmcu=kx32m2", "-c", "notes.txt"},                 2030},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wl,--bogus"},        1100},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wl,-Map=x.map,-q"},  1100},
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wa,-q"},             980 },
    {{"-mmcu=kx32m2", "-c", "x.c", "-Wp,-q"},             191 },
    {{"-mmcu=kx32m2", "-mdevice=kx8m1", "-c", "x.c"},     2085},
    {{"-mprocessor=kx8m1", "-mdevice=kx32m2", "-c", "x.c"}, 2085},
    {{"@missing.cmd"},                                    2088},
    {{"-mmcu=kx32m2", "-c", "x.c", "@fifo.cmd"},          2088},
    {{"-mmcu=kx32m2", "-c", "x.c", "@inc"},               2088},
    {{"-mmcu=kx32m2", "-c", "x.c", "y.c", "-o", "z.o"},   2087},
    {{"-mmcu=kx32m2", "-c", "x.c", "-o", "./x.c"},        2075},
};
// clang-format on

TEST(TevOptions, RefusesEverythingElseWithItsOwnNumber) {
  for (const Rejected& row : kRejected) {
    std::string line;
    for (const std::string& a : row.args) line += a + " ";
    SCOPED_TRACE(line);
    Sources src;
    testutil::RunResult r = src.run(row.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: " + number(row.message) + " "), std::string::npos) << r.err;
    EXPECT_EQ(src.new_files(), std::vector<std::string>{}) << "an output was written";
  }
}

TEST(TevOptions, ReportsEveryBadOptionOfARun) {
  Sources src;
  testutil::RunResult r = src.run({"-mmcu=kx32m2", "-c", "x.c", "-frobnicate", "-std=c2049", "-Wl,--bogus"});
  EXPECT_EQ(r.status, 1);
  for (uint32_t n : {2000u, 2003u, 1100u}) EXPECT_NE(r.err.find(number(n)), std::string::npos) << n << r.err;
}

TEST(TevOptions, WarningsDisabledByW) {
  Sources src;
  src.write("w.c", "#warning careful\nint main(void) { return 0; }\n");
  testutil::RunResult shown = src.run({"-mmcu=kx32m2", "-c", "w.c"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.err.find("(118)"), std::string::npos) << shown.err;
  testutil::RunResult quiet = src.run({"-mmcu=kx32m2", "-c", "w.c", "-w"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
  testutil::RunResult strict = src.run({"-mmcu=kx32m2", "-c", "w.c", "-Werror", "-ofailed.o"});
  EXPECT_EQ(strict.status, 1);
  EXPECT_FALSE(testutil::exists(src.file("failed.o")));
}

}  // namespace
