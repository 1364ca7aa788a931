// What lumo8 writes: p1 files that the file identification recognises,
// object files in the tool chain's record format, well-formed HEX images
// with their map and summary, preprocessed output with the predefined
// macros and the include search list, and nothing at all when a run fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/support/testutil.h"
#include "tests/toolchain/lumo8/lumo8_run.h"

namespace {

using testutil::TempDir;

class Lumo8Outputs : public ::testing::Test {
 protected:
  TempDir dir;
  void SetUp() override {
    testutil::write_file(dir.file("t.c"), l8test::kSource);
    testutil::write_file(dir.file("start.as"), "\tpsect foo\nbar:\n\tnop ; idle\n\tend bar\n");
  }
  testutil::RunResult lumo8(const std::vector<std::string>& options, const std::string& chip = "16c401") {
    std::vector<std::string> args{"--lumo8cc", "-q", "--chip=" + chip};
    args.insert(args.end(), options.begin(), options.end());
    return l8test::run(dir.path(), args);
  }
};

// p1 files and objects, known by their contents, where they are asked
// for; every kind of input compiles to an object.
TEST_F(Lumo8Outputs, StagesWriteRecognisedFilesWhereAsked) {
  testutil::write_file(dir.file("u.c"), "void f(void) {\n}\n");
  testutil::run({"/bin/mkdir", "-p", dir.file("obj")});
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> made;
    bool (*is)(const char*);
  } cases[] = {
      {{"--pass1", "t.c"}, {"t.p1"}, fileid_is_p1},
      {{"--pass1", "--objdir=obj", "t.c", "u.c"}, {"obj/t.p1", "obj/u.p1"}, fileid_is_p1},
      {{"--pass1", "-oname", "u.c"}, {"name.p1"}, fileid_is_p1},
      {{"--pass1", "-oname.o", "--objdir=obj", "t.c"}, {"obj/name.o"}, fileid_is_p1},
      {{"-c", "start.as", "t.c", "name.p1"}, {"start.o", "t.o", "name.o"}, fileid_is_obj},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.made.front());
    auto r = lumo8(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& made : c.made) EXPECT_TRUE(c.is(dir.file(made).c_str())) << made;
  }
}

// Records of at most 16 bytes, the code contiguous from the reset vector, the
// end record last; a configuration word above 64 KiB takes one extended
// address record.
TEST_F(Lumo8Outputs, TheHexImageIsWellFormedRecordByRecord) {
  for (const auto& [chip, extended] : {std::pair<std::string, unsigned>{"16c401", 0}, {"18e514", 1}}) {
    SCOPED_TRACE(chip);
    auto r = lumo8({"t.c", "start.as"}, chip);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<l8test::HexRecord> records = l8test::hex_records(testutil::read_file(dir.file("t.hex")));
    ASSERT_GE(records.size(), 3u);
    unsigned next = 0, extensions = 0, page = 0;
    for (const l8test::HexRecord& rec : records) {
      EXPECT_LE(rec.count, 16u);
      EXPECT_EQ(rec.type == 1, &rec == &records.back());
      if (rec.type == 4) {
        ++extensions;
        ASSERT_EQ(rec.count, 2u);
        page = rec.data[0] << 8 | rec.data[1];
        EXPECT_EQ(page, 0x0030u);
      } else if (rec.type == 0 && page == 0 && rec.address < 0x4000) {
        EXPECT_EQ(rec.address, next) << "code is contiguous";
        next = rec.address + rec.count;
      }
    }
    EXPECT_EQ(extensions, extended);
    EXPECT_GT(next, 8u);
  }
}

TEST_F(Lumo8Outputs, MapAndMemorySummaryAccompanyTheImage) {
  testutil::run({"/bin/mkdir", "-p", dir.file("sum")});
  auto r = lumo8({"-Mblink.map", "--summary=+xml", "--summarydir=sum", "-oblink", "t.c", "start.as"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(testutil::exists(dir.file("blink.hex")));
  const std::string map = testutil::read_file(dir.file("blink.map"));
  for (const char* part : {"ZIR16C401", "t.c", "_main", "start.as", "bar"}) EXPECT_NE(map.find(part), std::string::npos) << part;
  const std::string xml = testutil::read_file(dir.file("sum/memoryfile.xml"));
  EXPECT_NE(xml.find("<memorySummary chip=\"ZIR16C401\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("total=\"1024\""), std::string::npos) << xml;
}

TEST_F(Lumo8Outputs, PreprocessesWithThePredefinedAndUserMacros) {
  testutil::run({"/bin/mkdir", "-p", dir.file("inc")});
  testutil::write_file(dir.file("inc/mine.h"), "#define MINE 7\nint mine = MINE;\n");
  testutil::write_file(dir.file("p.c"),
                       "#include <mine.h>\n#ifdef USER\nint user = USER;\n#endif\n"
                       "#if defined(__LUMO8__) && __ZIR_SERIES == 16 && MINE > 5\nint zir16;\n#endif\n");
  auto r = lumo8({"--pre", "-Iinc", "-Z-DUSER=42", "p.c"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"int mine = 7;", "int user = 42;", "int zir16;"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  // The listing replaces the text.
  r = lumo8({"--pre", "--info=defvals", "-DLED_PIN=3", "-Z-DZ=2", "-DGONE", "-UGONE", "t.c"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"#define __LUMO8__ 1\n", "#define __LUMO 1\n", "#define __ZIR16C401__ 1\n",
                           "#define _ZIR16C401 1\n", "#define __ZIR_SERIES 16\n", "#define LED_PIN 3\n",
                           "#define Z 2\n", "#define __STDC_VERSION__ 199901L\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_EQ(r.out.find("GONE"), std::string::npos);
  EXPECT_EQ(r.out.find("int\n"), std::string::npos);
}

TEST_F(Lumo8Outputs, TheSearchListNamesTheInstallationsDirectoriesForTheStandard) {
  const std::string include = testutil::stage() + "/zir/include";
  if (!testutil::exists(include + "/c90") || !testutil::exists(include + "/c99"))
    GTEST_SKIP() << "the installation's headers are not staged";
  testutil::run({"/bin/mkdir", "-p", dir.file("inc")});
  for (const char* standard : {"c90", "c99"}) {
    SCOPED_TRACE(standard);
    auto r = lumo8({"--pre", "-Z-v", "-Iinc", "-Inowhere", std::string("--std=") + standard, "-ot.i", "t.c"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string expected = "#include \"...\" search starts here:\n#include <...> search starts here:\n inc\n " +
                                 include + "\n " + include + "/" + standard + "\nEnd of search list.\n";
    EXPECT_EQ(r.err, expected);
  }
}

TEST_F(Lumo8Outputs, AFailedRunLeavesNoOutputBehind) {
  testutil::write_file(dir.file("bad.c"), "int a;\n#error stop here\n");
  testutil::write_file(dir.file("deep.c"), "#include \"deep.c\"\n");
  testutil::write_file(dir.file("open.c"), "#ifdef X\nint x;\n");
  // The compiler's own checks, placed by the line markers: a .i names the
  // original file, a header is reported where it is.
  testutil::write_file(dir.file("brackets.c"), "int f(void) {\n  return (1;\n}\nint g[2] = { 1, 2 ]};\n");
  testutil::write_file(dir.file("open.i"), "# 1 \"orig.c\"\nint a;\n# 7 \"orig.c\"\n\tchar *s = \"x /* y;\n"
                                            "\tchar c = 'x;\n/* at the end\n");
  testutil::write_file(dir.file("bad.h"), "int b[] = { 1 ); // }\n");
  testutil::write_file(dir.file("usesbad.c"), "int a;\n#include \"bad.h\"\n");
  testutil::write_file(dir.file("bad.p1"), std::string(kFileIdP1Version) + " 2.50 " + kFileIdP1Marker +
                                                "\nchip X\ncode 0001 3fzz\nend\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"t.c", "bad.c"}, "bad.c:2:2: error: (159) #error stop here\n"},
      {{"-c", "deep.c"}, "deep.c:1:10: error: (115) include files nested too deeply (limit 64)\n"},
      {{"--pre", "-oopen.out", "open.c"}, "open.c:2:1: error: (108) unterminated #if or #ifdef, started on line 1\n"},
      {{"--pass1", "brackets.c"}, "brackets.c:2:10: error: (213) unbalanced \"(\"\nbrackets.c:4:19: error: (213) unbalanced \"]\"\n"},
      {{"-c", "open.i"}, "orig.c:7:12: error: (297) unterminated string constant\norig.c:8:11: error: (297) unterminated character "
                         "constant\norig.c:9:1: error: (297) unterminated comment\n"},
      {{"-S", "usesbad.c"}, "bad.h:1:15: error: (213) unbalanced \")\"\nbad.h:1:11: error: (213) unbalanced \"{\"\n"},
      {{"bad.p1"}, "bad.p1:3:11: error: (405) \"bad.p1\" is not a valid intermediate (p1) file\n"},
      {{"--pre", "-ot.c", "t.c"}, l8test::error_line(2075, "output file \"t.c\" would overwrite input file")},
      {{"-c", "-oall.o", "start.as", "t.c"},
       l8test::error_line(2087, "\"-oall.o\" names one output, but 2 would be written")},
      {{"--pass1", "--objdir=nowhere", "t.c"}, l8test::error_line(2032, "can't write output file \"nowhere/t.p1\"")},
  };
  const std::vector<std::string> before = testutil::list_dir(dir.path());
  for (const Case& c : cases) {
    auto r = lumo8(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(l8test::well_formed(r.err)) << r.err;
    EXPECT_EQ(testutil::list_dir(dir.path()), before);
  }
}

// Each "--dep=" changes only what it names (lumo8-cc follows -MMD with a
// "--dep=+gcc" for its own dependency file): without +stop a stage writes
// its outputs and a rule file beside them; one --depfile takes a rule per
// input, headers named once, the input first as it was given, and none for
// assembler.
TEST_F(Lumo8Outputs, DependenciesNameTheHeadersAsAsked) {
  testutil::write_file(dir.file("local.h"), "int local;\n");
  testutil::write_file(dir.file("d.c"), "#include \"local.h\"\n#include <lumo.h>\n#include \"local.h\"\nint d;\n");
  testutil::write_file(dir.file("e.c"), "int e;\n");
  const struct {
    std::vector<std::string> args;
    std::string file;  // where the dependencies go
    std::string deps;
    std::vector<std::string> made;  // all files afterwards
  } cases[] = {
      {{"--dep=+gcc,-sys,-stop", "--pass1", "d.c"}, "d.d", "d.p1: d.c \\\n  local.h\n", {"d.d", "d.p1"}},
      {{"--dep=+gcc,-sys,-stop", "--dep=+gcc", "--depfile=all.dep", "--pass1", "d.c", "e.c"}, "all.dep",
       "d.p1: d.c \\\n  local.h\ne.p1: e.c\n", {"all.dep", "d.p1", "e.p1"}},
      {{"--dep=+gcc,+sys,-stop", "--dep=+gcc", "--depfile=all.dep", "-c", "start.as"}, "all.dep", "",
       {"all.dep", "start.o"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    testutil::run({"/bin/sh", "-c", "rm -f *.p1 *.d *.dep *.o"}, dir.path());
    auto r = lumo8(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::read_file(dir.file(c.file)), c.deps);
    std::vector<std::string> expected = c.made;
    expected.insert(expected.end(), {"d.c", "e.c", "local.h", "start.as", "t.c"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(testutil::list_dir(dir.path()), expected);
  }
}

// "-" reads standard input once, as C or (-P) preprocessed assembler named
// "<stdin>", with outputs named from "-" as a GNU compiler names them; a
// terminal there is refused rather than waited on.
TEST_F(Lumo8Outputs, StandardInputIsAnInput) {
  struct Case {
    std::string input;  // piped in; "tty": a terminal
    std::vector<std::string> args;
    int status;
    std::string out, err;  // parts of what is printed
    std::string made;
  };
  const Case cases[] = {
      {"void f(void) {\n}\n", {"--pass1", "-"}, 0, "", "", "-.p1"},
      {"#define OP nop\nOP\n", {"-P", "-c", "-ostdin.o", "-"}, 0, "", "", "stdin.o"},
      {"#include \"t.c\"\n", {"--dep=+gcc,+stop,-sys", "--pass1", "-"}, 0, "-.p1: - \\\n  t.c\n", "", ""},
      {"int f(void) { (\n}\n", {"-c", "-"}, 1, "", "<stdin>:1:15: error: (213) unbalanced \"(\"\n", ""},
      {"tty", {"--pre", "-"}, 1, "", l8test::error_line(2039, "standard input is a terminal; give the input through a pipe or as a file"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + c.args.front());
    if (c.input == "tty" && !testutil::exists("/dev/ptmx")) continue;
    testutil::write_file(dir.file("in.txt"), c.input);
    const std::string feed = c.input == "tty" ? "\"$0\" \"$@\" </dev/ptmx" : "cat in.txt | \"$0\" \"$@\"";
    std::vector<std::string> argv{"/bin/sh", "-c", feed, l8test::lumo8(), "--lumo8cc", "-q", "--chip=16c401"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    auto r = testutil::run(argv, dir.path(), l8test::formats());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_TRUE(c.made.empty() || testutil::exists(dir.file(c.made))) << c.made;
  }
  EXPECT_NE(testutil::read_file(dir.file("-.p1")).find("\nsource <stdin>\n"), std::string::npos);
}

}  // namespace
