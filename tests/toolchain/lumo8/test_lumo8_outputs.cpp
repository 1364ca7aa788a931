// What lumo8 writes: p1 files that the file identification recognises,
// object files in the tool chain's record format, well-formed HEX images
// with their map and summary, preprocessed output with the predefined
// macros and the include search list, and nothing at all when a run fails.
// The last tests run lumo8 behind the real lumo8-cc.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/support/testutil.h"
#include "tests/toolchain/lumo8/lumo8_run.h"

namespace {

using testutil::TempDir;

struct HexRecord {
  unsigned count, address, type;
  std::vector<unsigned> data;
};

// Every line a record whose length and checksum are right; fails the test
// on the first one that is not.
std::vector<HexRecord> hex_records(const std::string& text) {
  std::vector<HexRecord> records;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    std::string line = text.substr(pos, eol - pos);
    pos = eol == std::string::npos ? text.size() : eol + 1;
    EXPECT_TRUE(line.size() >= 11 && line[0] == ':' && line.size() % 2 == 1) << line;
    if (line.size() < 11) break;
    std::vector<unsigned> bytes;
    unsigned sum = 0;
    for (size_t i = 1; i + 1 < line.size(); i += 2) {
      bytes.push_back(std::stoul(line.substr(i, 2), nullptr, 16));
      sum += bytes.back();
    }
    EXPECT_EQ(bytes.size(), bytes[0] + 5u) << line;
    EXPECT_EQ(sum % 256, 0u) << "checksum: " << line;
    records.push_back({bytes[0], bytes[1] << 8 | bytes[2], bytes[3], {bytes.begin() + 4, bytes.end() - 1}});
  }
  return records;
}

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

TEST_F(Lumo8Outputs, Pass1WritesRecognisedP1FilesWhereAsked) {
  testutil::write_file(dir.file("u.c"), "void f(void) {\n}\n");
  testutil::run({"/bin/mkdir", "-p", dir.file("obj")});
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> made;
  };
  const Case cases[] = {
      {{"--pass1", "t.c"}, {"t.p1"}},
      {{"--pass1", "--objdir=obj", "t.c", "u.c"}, {"obj/t.p1", "obj/u.p1"}},
      {{"--pass1", "-oname", "t.c"}, {"name.p1"}},
      {{"--pass1", "-oname.o", "--objdir=obj", "t.c"}, {"obj/name.o"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.made.front());
    auto r = lumo8(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& made : c.made) EXPECT_TRUE(fileid_is_p1(dir.file(made).c_str())) << made;
  }
}

TEST_F(Lumo8Outputs, CompileOnlyWritesObjectFilesForEveryKindOfInput) {
  ASSERT_EQ(lumo8({"--pass1", "t.c"}).status, 0);
  testutil::run({"/bin/mv", dir.file("t.p1"), dir.file("p.p1")});
  struct Case {
    std::string input, object;
  };
  const Case cases[] = {{"start.as", "start.o"}, {"t.c", "t.o"}, {"p.p1", "p.o"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    auto r = lumo8({"-c", c.input});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fileid_is_obj(dir.file(c.object).c_str()));
  }
  // One -o for several objects cannot be honoured.
  auto r = lumo8({"-c", "-oall.o", "start.as", "t.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, l8test::error_line(2087, "\"-oall.o\" names one output, but 2 would be written"));
}

// The code is the same whichever intermediate form it passed through, and
// preprocessed text gives every stage the bytes its source gives: a build
// tool that compiles the .i elsewhere gets what a local build makes. p1 and
// object files are known by their contents, whatever their names.
TEST_F(Lumo8Outputs, TheOutputsDoNotDependOnTheIntermediateForm) {
  ASSERT_EQ(lumo8({"--pre", "-ot.i", "t.c"}).status, 0);
  struct Stage {
    std::string option, made;
  };
  for (const Stage& stage : {Stage{"--pass1", "out.p1"}, Stage{"-c", "out.o"}, Stage{"-S", "out.as"},
                             Stage{"-Mout.map", "out.map"}}) {
    SCOPED_TRACE(stage.option);
    std::vector<std::string> made;
    for (const char* input : {"t.c", "t.i"}) {
      auto r = lumo8({stage.option, "-oout", input});
      ASSERT_EQ(r.status, 0) << input << r.err;
      made.push_back(testutil::read_file(dir.file(stage.made)));
      testutil::run({"/bin/rm", "-f", dir.file(stage.made)});
    }
    EXPECT_EQ(made[0], made[1]);
  }
  ASSERT_EQ(lumo8({"--pass1", "t.c"}).status, 0);
  ASSERT_EQ(lumo8({"-c", "-ot.o", "t.p1"}).status, 0);
  testutil::run({"/bin/sh", "-c", "cp t.p1 t.c.obj && cp t.p1 noext && cp t.o t.bin"}, dir.path());
  std::vector<std::string> images;
  for (const char* input : {"t.c", "t.i", "t.p1", "t.o", "t.c.obj", "noext", "t.bin"}) {
    auto r = lumo8({"-oimage.hex", input});
    ASSERT_EQ(r.status, 0) << input << r.err;
    images.push_back(testutil::read_file(dir.file("image.hex")));
    EXPECT_EQ(images.front(), images.back()) << input;
  }
}

TEST_F(Lumo8Outputs, TheHexImageIsWellFormedRecordByRecord) {
  struct Case {
    std::string chip;
    bool extended;  // the configuration word lies above 64 KiB
  };
  for (const Case& c : {Case{"16c401", false}, Case{"18e514", true}}) {
    SCOPED_TRACE(c.chip);
    auto r = lumo8({"t.c", "start.as"}, c.chip);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<HexRecord> records = hex_records(testutil::read_file(dir.file("t.hex")));
    ASSERT_GE(records.size(), 3u);
    const HexRecord& end = records.back();
    EXPECT_EQ(end.type, 1u);
    EXPECT_EQ(end.count, 0u);
    unsigned next = 0, data = 0, extended = 0, page = 0;
    for (size_t i = 0; i + 1 < records.size(); ++i) {
      const HexRecord& rec = records[i];
      EXPECT_NE(rec.type, 1u) << "end record before the last line";
      EXPECT_LE(rec.count, 16u);
      if (rec.type == 4) {
        ++extended;
        EXPECT_EQ(rec.count, 2u);
        page = rec.data[0] << 8 | rec.data[1];
        EXPECT_EQ(page, 0x0030u);
      } else if (rec.type == 0 && data++ == 0) {
        EXPECT_EQ(rec.address, 0u);  // the code starts at the reset vector
      }
      if (rec.type == 0 && page == 0 && rec.address < 0x4000) {
        EXPECT_EQ(rec.address, next) << "code is contiguous";
        next = rec.address + rec.count;
      }
    }
    EXPECT_EQ(extended, c.extended ? 1u : 0u);
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

TEST_F(Lumo8Outputs, PreprocessesIncludesConditionalsAndMacros) {
  testutil::run({"/bin/mkdir", "-p", dir.file("inc")});
  testutil::write_file(dir.file("inc/mine.h"), "#define MINE 7\nint mine = MINE;\n");
  testutil::write_file(dir.file("local.h"), "int local;\n");
  testutil::write_file(dir.file("p.c"),
                       "#include \"local.h\"\n#include <mine.h>\n#ifdef USER\nint user = USER;\n#else\nint nouser;\n"
                       "#endif\n#if defined(__LUMO8__) && __ZIR_SERIES == 16 && MINE > 5\nint zir16;\n#endif\n"
                       "#undef MINE\n#ifndef MINE\nint gone = MINE;\n#endif\n/* #error in a comment */\n");
  auto r = lumo8({"--pre", "-Iinc", "-Z-DUSER=42", "p.c"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"int local;", "int mine = 7;", "int user = 42;", "int zir16;", "int gone = MINE;"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  EXPECT_EQ(r.out.find("nouser"), std::string::npos);
}

TEST_F(Lumo8Outputs, DefvalsListsThePredefinedAndUserMacros) {
  auto r = lumo8({"--pre", "--info=defvals", "-DLED_PIN=3", "-Z-DZ=2", "-DGONE", "-UGONE", "t.c"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"#define __LUMO8__ 1\n", "#define __LUMO 1\n", "#define __ZIR16C401__ 1\n",
                           "#define _ZIR16C401 1\n", "#define __ZIR_SERIES 16\n", "#define LED_PIN 3\n",
                           "#define Z 2\n", "#define __STDC_VERSION__ 199901L\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_EQ(r.out.find("GONE"), std::string::npos);
  EXPECT_EQ(r.out.find("int\n"), std::string::npos) << "the listing replaces the text";
}

TEST_F(Lumo8Outputs, TheSearchListNamesTheInstallationsDirectoriesForTheStandard) {
  const std::string include = l8test::stage() + "/zir/include";
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
      {{"--pass1", "t.c", "bad.c"}, "bad.c:2:2: error: (159) #error stop here\n"},
      {{"-c", "deep.c"}, "deep.c:1:10: error: (115) include files nested too deeply (limit 64)\n"},
      {{"--pre", "-oopen.out", "open.c"}, "open.c:2:1: error: (108) unterminated #if or #ifdef, started on line 1\n"},
      {{"--pass1", "brackets.c"}, "brackets.c:2:10: error: (213) unbalanced \"(\"\nbrackets.c:4:19: error: (213) unbalanced \"]\"\n"},
      {{"-c", "open.i"}, "orig.c:7:12: error: (297) unterminated string constant\norig.c:8:11: error: (297) unterminated character "
                         "constant\norig.c:9:1: error: (297) unterminated comment\n"},
      {{"-S", "usesbad.c"}, "bad.h:1:15: error: (213) unbalanced \")\"\nbad.h:1:11: error: (213) unbalanced \"{\"\n"},
      {{"bad.p1"}, "bad.p1:3:11: error: (405) \"bad.p1\" is not a valid intermediate (p1) file\n"},
      {{"--pre", "-ot.c", "t.c"}, l8test::error_line(2075, "output file \"t.c\" would overwrite input file")},
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

TEST_F(Lumo8Outputs, IfExpressionsFollowCsPrecedence) {
  struct Case {
    const char* expression;
    bool taken;
  };
  const Case cases[] = {
      {"1 + 2 * 3 == 7", true},     {"(1 + 2) * 3 == 9", true},  {"1 << 4 == 16", true},
      {"10 / 3 == 3 && 10 % 3 == 1", true}, {"-1 < 0", true},    {"!0 && ~0", true},
      {"1 ? 0 : 1", false},         {"0x10 == 16 && 010 == 8", true}, {"'A' == 65", true},
      {"3 > 2 > 0", true},          {"1 | 2 ^ 3 & 4", true},     {"UNDEFINED_NAME", false},
      {"defined __LUMO8__ && !defined(NOPE)", true}, {"__LUMO8_VERSION >= 2500", true},
      {"2 - 1 - 1", false},         {"5 <= 4 || 4 >= 5", false}, {"1 != 1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    testutil::write_file(dir.file("if.c"), std::string("#if ") + c.expression + "\nint taken;\n#else\nint other;\n#endif\n");
    auto r = lumo8({"--pre", "if.c"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("int taken;") != std::string::npos, c.taken) << r.out;
    EXPECT_EQ(r.out.find("int other;") != std::string::npos, !c.taken) << r.out;
  }
}

// Each "--dep=" changes only what it names (lumo8-cc follows -MMD with a
// "--dep=+gcc" for its own dependency file); +stop leaves the rules as the
// only output of any stage; one --depfile takes a rule per input, headers
// named once, the input first as it was given.
TEST_F(Lumo8Outputs, DependenciesNameTheHeadersAsAsked) {
  testutil::write_file(dir.file("local.h"), "int local;\n");
  testutil::write_file(dir.file("d.c"), "#include \"local.h\"\n#include <lumo.h>\n#include \"local.h\"\nint d;\n");
  testutil::write_file(dir.file("e.c"), "int e;\n");
  const std::string lumo_h = l8test::stage() + "/zir/include/lumo.h";
  if (!testutil::exists(lumo_h)) GTEST_SKIP() << "the installation's headers are not staged";
  struct Case {
    std::vector<std::string> args;
    std::string file;  // where the dependencies go; empty: standard output
    std::string deps;
    std::vector<std::string> made;  // the stage's own outputs
  };
  const Case cases[] = {
      {{"--dep=+gcc,+stop,-sys", "--pass1", "d.c"}, "", "d.p1: d.c \\\n  local.h\n", {}},
      {{"--dep=+gcc,+stop", "--pass1", "d.c"}, "", "d.p1: d.c \\\n  local.h \\\n  " + lumo_h + "\n", {}},
      {{"--dep=+gcc,-sys,-stop", "--pass1", "d.c"}, "d.d", "d.p1: d.c \\\n  local.h\n", {"d.p1"}},
      {{"--dep=+gcc", "--depfile=all.dep", "--pass1", "d.c"}, "all.dep", "d.p1: d.c \\\n  local.h \\\n  " + lumo_h + "\n", {"d.p1"}},
      {{"--dep=+gcc,-sys,-stop", "--dep=+gcc", "--depfile=all.dep", "--pass1", "d.c", "e.c"}, "all.dep",
       "d.p1: d.c \\\n  local.h\ne.p1: e.c\n", {"d.p1", "e.p1"}},
      {{"--dep=+gcc,+stop,-sys", "--pre", "-od.i", "d.c"}, "", "d.p1: d.c \\\n  local.h\n", {}},
      {{"--dep=+gcc,+stop,-sys", "--dep=+gcc", "--depfile=all.dep", "-S", "d.c"}, "all.dep", "d.as: d.c \\\n  local.h\n", {}},
      {{"--dep=+gcc,+sys,-stop", "--dep=+gcc", "--depfile=all.dep", "-c", "start.as"}, "all.dep", "", {"start.o"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args[1]);
    testutil::run({"/bin/sh", "-c", "rm -f *.p1 *.d *.dep *.i *.o d.as"}, dir.path());
    auto r = lumo8(c.args);
    ASSERT_EQ(r.status, 0) << r.err;
    // lumo.h brings in headers of its own after it; they are the installation's business.
    const std::string deps = c.file.empty() ? r.out : testutil::read_file(dir.file(c.file));
    if (c.deps.find(lumo_h) == std::string::npos)
      EXPECT_EQ(deps, c.deps);
    else
      EXPECT_EQ(deps.rfind(c.deps.substr(0, c.deps.size() - 1), 0), 0u) << deps;
    std::vector<std::string> expected = c.made;
    expected.insert(expected.end(), {"d.c", "e.c", "local.h", "start.as", "t.c"});
    if (!c.file.empty()) expected.push_back(c.file);
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
      {"int x;\n", {"--pre", "--info=defvals", "-"}, 0, "#define __LUMO8__ 1\n", "", ""},
      {"int x;\n", {"--pre", "-Z-v", "-"}, 0, "# 1 \"<stdin>\"\nint x;\n", "End of search list.\n", ""},
      {"", {"--pre", "-"}, 0, "# 1 \"<stdin>\"\n", "", ""},
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

TEST_F(Lumo8Outputs, AssemblyOutputListsTheCode) {
  auto r = lumo8({"-S", "t.c"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string as = testutil::read_file(dir.file("t.as"));
  EXPECT_NE(as.find("\tpsect text\n_main:\n\tdw\t0x"), std::string::npos) << as;
}

// The point of a strict back end: lumo8-cc's translation of a typical
// build line is accepted as it stands.
TEST_F(Lumo8Outputs, AcceptsWhatLumo8ccWritesForTypicalLines) {
  const std::string cc = l8test::stage() + "/bin/lumo8-cc";
  testutil::write_file(dir.file("x.c"), "#include <lumo.h>\nint counter;\nvoid tick(void) {\n  ++counter;\n}\n");
  struct Case {
    std::vector<std::string> args;
    std::string made;
  };
  const Case cases[] = {
      {{"-mcpu=zir16c401", "-O2", "-Wall", "-c", "x.c"}, "x.p1"},
      {{"-mcpu=ZIR18E514", "-Os", "-std=c90", "-w", "-Wpedantic", "-c", "start.as"}, "start.o"},
      {{"-mcpu=zir16c401", "-O1", "-DDEBUG=1", "-I.", "-Wl,-Map=x.map", "-Wl,--data-init", "-mno-plib",
        "-mstack=compiled", "-mwarn=-2", "--memorysummary", "out", "-o", "out/x.hex", "x.c", "t.c"},
       "out/x.hex"},
      {{"-mcpu=wy2041", "-E", "-dM", "-Wp,-v", "-o", "x.i", "x.c"}, "x.i"},
      // The p1 file of a C source, named as the object a build system asks for, links.
      {{"-mcpu=zir16c401", "-c", "x.c", "-o", "x.c.obj"}, "x.c.obj"},
      {{"-mcpu=zir16c401", "-o", "out/y.hex", "x.c.obj"}, "out/y.hex"},
  };
  testutil::run({"/bin/mkdir", "-p", dir.file("out")});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.made);
    std::vector<std::string> argv{cc};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    auto r = testutil::run(argv, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testutil::exists(dir.file(c.made)));
  }
  // An option lumo8-cc does not know goes through untranslated, and lumo8
  // refuses it.
  auto r = testutil::run({cc, "-mcpu=zir16c401", "-mmcu=foo", "-c", "x.c"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("error: (2000) unknown option \"-mmcu=foo\""), std::string::npos) << r.err;
}

}  // namespace
