// Every option row lumo8-cc translates, through the real back ends of the
// staged installation: each back end takes exactly the option language
// lumo8-cc writes for it, so a translation it refuses fails here. Then what
// build systems and editors rely on, for both families, with the host's GNU
// compiler as the measure: dependency files, preprocessed and standard
// input, and diagnostics a problem matcher reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// Option groups a user writes; each is one compile of a small source.
const std::vector<Texts> kCommon = {
    {"-O0"}, {"-O1"}, {"-O2"}, {"-O3"}, {"-Os"}, {"-Og"},
    {"-S"}, {"-E"}, {"-v"},
    {"-o", "out.x"}, {"-oout.x"}, {"-o", "sub/out.x"},
    {"-D", "X=1", "-DY", "-U", "Z", "-I", "inc", "-Iinc2"},
    {"-H"}, {"-dM", "-E"}, {"-M"}, {"-MD"}, {"-MM"}, {"-MMD"}, {"-MD", "-MF", "deps.d"},
    {"-x", "c"}, {"-save-temps"},
    {"-ansi"}, {"-std=c89"}, {"-std=c99"}, {"-std=iso9899:1999"},
    {"-funsigned-char"}, {"-fno-signed-char"}, {"-fsigned-char"}, {"-fno-unsigned-char"},
    {"-finstrument-functions"}, {"-fno-instrument-functions"}, {"-fmax-errors=5"}, {"-gdwarf-3"},
    {"-nostdlib"}, {"-nodefaultlibs"}, {"-nostartfiles"},
    {"-w"}, {"-Wpedantic"}, {"-Werror"}, {"-Wall"}, {"-Wno-unused"},
    {"-Wl,--gc-sections"}, {"-Wl,-Map=out.map"}, {"-Wl,-Map,out.map"}, {"-Wl,--data-init"}, {"-Wl,--no-data-init"},
    {"-Xlinker", "-Map=x.map"}, {"-Wa,-a"}, {"-Xassembler", "-a"},
    {"-Wp,-DX"}, {"-Xpreprocessor", "-DX"},
    {"--memorysummary", "sum.xml"}, {"--memorysummary", "-O2"},
    {"-mcodeoffset=0x100"}, {"-mcodeoffset=256"}, {"-mcodecov=ram"}, {"-msmart-io-format=xd"},
    {"-mdownload"}, {"-mno-stackcall"}, {"-mconfig"}, {"-mno-default-config-bits"}, {"-mosccal"},
    {"-moscval=0x34"}, {"-mno-oscval"}, {"-mivt=0x100"}, {"-mno-use-ivt"},
    {"-morv-stack-usage"}, {"-mconst-data-in-progmem"}, {"-mno-const-data-in-progmem"},
    {"--fill=0xff"}, {"-mext=cci"}, {"-mcci"},
};

const std::vector<Texts> kZirOnly = {
    {"-C"}, {"-xassembler-with-cpp"}, {"-###"},
    {"-fshort-double"}, {"-fno-short-float"}, {"-fcp=24"}, {"-flocal"}, {"-fasmfile"}, {"-fcacheconst=on"},
    {"-gcoff"}, {"-ginhx32"}, {"-ginhx032"}, {"-nostdinc"},
    {"-Wno-2044"}, {"-W2044"}, {"-Wno-all"},
    {"-Wl,--fixupoverflow=warn"}, {"-Xlinker", "--memorysummary=sum"}, {"-Xparser", "-Wx"}, {"-Xp1", "-Wy"},
    {"-Xclang", "-Wz"}, {"-Xlumo8", "--opt=+s"},
    {"-maddrqual=ignore"}, {"-memi=wordwrite"}, {"-merrata=all"}, {"-mwarn=2"}, {"-mundefints=0"},
    {"-mstack=compiled"}, {"-mheap=100"}, {"-msummary=mem"}, {"-msummary=+psect,-class"}, {"-mchecksum=0-ff@100"}, {"-mdebugger=none"},
    {"-mserial=1234@100"}, {"-metadata=on"}, {"-mrom=0-fff"}, {"-mram=default"},
    {"-mc90lib"}, {"-mplib"}, {"-mno-plib"}, {"-mkeep-startup"}, {"-mclink"}, {"-mno-cmacros"},
    {"-mresetbits"}, {"-mno-save-resetbits"}, {"-mmaxichip"}, {"-mmaxizir"}, {"-mshroud"},
    {"-mreserve=ram@0x100:0x1ff"}, {"-mreserve=rom@0x100:0x1ff"}, {"-mext=lumo8"},
    {"--sivt=on"}, {"--hexwright=on"}, {"-mprint-builtins"},
    {"-l", "m"}, {"-L", "lib", "-lm"},
};

const std::vector<Texts> kTevOnly = {
    {"-mdevice=kx32m2"}, {"-merrata=none"}, {"-mreserve=ram@0x100:0x1ff"},
    {"-Wl,-nostdlib"}, {"-lm"}, {"-L", "lib", "-l", "c"},
};

testutil::RunResult compile(const std::string& device, const Texts& options, bool link = false) {
  testutil::TempDir dir;
  fs::create_directories(dir.file("sub"));
  fs::create_directories(dir.file("lib"));
  fs::create_directories(dir.file("inc"));
  testutil::write_file(dir.file("x.c"), "int counter;\nint main(void) {\n  counter = 1;\n  return 0;\n}\n");
  Texts argv{testutil::stage() + "/bin/lumo8-cc", "-mcpu=" + device};
  if (!link) argv.push_back("-c");
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back("x.c");
  return testutil::run(argv, dir.path());
}

std::string describe(const Texts& options) {
  std::string s;
  for (const std::string& o : options) s += o + " ";
  return s;
}

void sweep(const std::string& device, const std::vector<Texts>& groups) {
  for (const Texts& options : groups) {
    SCOPED_TRACE(device + " " + describe(options));
    testutil::RunResult r = compile(device, options);
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

TEST(TranslationThroughTheBackEnds, ZirDevices) {
  for (const char* device : {"zir16c401", "zir18f545"}) {
    sweep(device, kCommon);
    sweep(device, kZirOnly);
  }
}

TEST(TranslationThroughTheBackEnds, TevDevices) {
  sweep("kx32m2", kCommon);
  sweep("kx32m2", kTevOnly);
}

// What lumo8-cc passes on but the back end rightly refuses reaches the user
// as the back end's own message and status.
TEST(TranslationThroughTheBackEnds, RefusedByTheBackEnd) {
  struct Case {
    const char* device;
    Texts options;
    const char* message;
    bool link = false;
  };
  const Case cases[] = {
      {"zir16c401", {"-l", "nosuchlib"}, "(2027) input file \"nosuchlib\" does not exist"},
      {"zir16c401", {"-mext=gnu"}, "(2099) invalid value in option \"--ext=gnu\""},
      {"zir16c401", {"-g"}, ""},
      {"zir16c401", {"-mmcu=foo"}, "(2000) unknown option \"-mmcu=foo\""},  // passed on untranslated
      {"kx32m2", {"-lnosuchlib"}, "(2071) library \"-lnosuchlib\" not found", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(describe(c.options));
    testutil::RunResult r = compile(c.device, c.options, c.link);
    if (!*c.message) {
      EXPECT_EQ(r.status, 0) << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

// ---- Dependency files, against the host's GNU compiler ----

// One make rule, read independently of the program's own reader: targets,
// prerequisites, with continuation lines joined and escaped blanks kept.
struct Rule {
  Texts targets, prerequisites;
};

Texts make_words(const std::string& text) {
  Texts words;
  std::string word;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == ' ') {
      word += text[++i];
    } else if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

std::vector<Rule> make_rules(std::string text) {
  for (size_t at; (at = text.find("\\\n")) != std::string::npos;) text.replace(at, 2, " ");
  std::vector<Rule> rules;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(": ") != std::string::npos ? line.find(": ") : line.rfind(':');
    if (line.empty() || colon == std::string::npos) continue;
    rules.push_back({make_words(line.substr(0, colon)), make_words(line.substr(colon + 1))});
  }
  return rules;
}

// What must agree between two compilers: the targets, the source, the
// user's headers and their phony rules, and whether system headers (whose
// paths differ) are listed at all.
std::string digest(const std::string& text) {
  std::string out;
  for (const Rule& r : make_rules(text)) {
    bool system = false;
    std::string names;
    for (const std::string& p : r.prerequisites) {
      if (p.rfind("src/", 0) == 0)
        names += " " + p;
      else
        system = true;
    }
    std::string targets;
    for (const std::string& t : r.targets) targets += (targets.empty() ? "" : " ") + t;
    // A system header's phony rule names a path that differs between compilers.
    if (r.prerequisites.empty() && targets.rfind("src/", 0) != 0) continue;
    out += targets + ":" + names + (system ? " +system" : "") + "\n";
  }
  return out;
}

// The dependency output of one run, as written: each ".d" file by its
// path, and standard output when it holds rules.
using Outputs = std::map<std::string, std::string>;

Outputs dependency_outputs(const std::string& dir, const std::string& out) {
  Outputs found;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.path().extension() == ".d")
      found[fs::relative(entry.path(), dir).string()] = testutil::read_file(entry.path().string());
  if (out.find(": ") != std::string::npos && out.find("# ") != 0) found["<stdout>"] = out;
  return found;
}

Outputs digests(Outputs outputs) {
  for (auto& [path, text] : outputs) text = digest(text);
  return outputs;
}

void gnu_sources(const testutil::TempDir& dir) {
  fs::create_directories(dir.file("src"));
  fs::create_directories(dir.file("o"));
  // Headers with long names make the rules long enough to be broken, and
  // the short one comes just behind the GNU compiler's last column.
  testutil::write_file(dir.file("src/main.c"),
                       "#include \"a.h\"\n#include <stddef.h>\n#include \"a_header_with_a_long_name_number_one.h\"\n"
                       "#include \"h\"\n#include \"a_header_with_a_long_name_number_two.h\"\nint main(void) {\n  return A;\n}\n");
  testutil::write_file(dir.file("src/h"), "\n");
  testutil::write_file(dir.file("src/a_header_with_a_long_name_number_one.h"), "\n");
  testutil::write_file(dir.file("src/a_header_with_a_long_name_number_two.h"), "\n");
  testutil::write_file(dir.file("src/b.c"), "#include \"a.h\"\nint b(void) { return A; }\n");
  testutil::write_file(dir.file("src/sp ace.c"), "#include \"a.h\"\nint c(void) { return A; }\n");
  testutil::write_file(dir.file("src/a.h"), "#define A 0\n");
}

Outputs dependency_run(const Texts& compiler, const Texts& options) {
  testutil::TempDir dir;
  gnu_sources(dir);
  Texts argv = compiler;
  argv.insert(argv.end(), options.begin(), options.end());
  testutil::RunResult r = testutil::run(argv, dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  return dependency_outputs(dir.path(), r.out);
}

TEST(GnuConventions, DependencyFilesAsTheGnuCompilerWritesThem) {
  const std::vector<Texts> cases = {
      {"-MD", "-c", "src/main.c", "-o", "o/main.o"},
      {"-MMD", "-c", "src/main.c"},
      {"-MMD", "-c", "src/main.c", "-o", "o/x.y.o"},
      {"-MMD", "-c", "src/main.c", "-o", "o/mainobj"},
      {"-MD", "-MF", "x.d", "-MT", "foo", "-MT", "bar", "-c", "src/main.c", "-o", "o/m.o"},
      {"-MMD", "-MQ", "a$b c", "-c", "src/main.c"},
      {"-MMD", "-c", "src/main.c", "-MT", "t", "-MQ", "a$b", "-MQ", "q", "-MT", "u"},
      {"-MMD", "-MF", "o/dep.d", "-c", "src/main.c", "-o", "o/m.o"},
      {"-MMD", "-MP", "-c", "src/main.c", "-o", "o/main.o"},
      {"-MMD", "-c", "src/main.c", "src/b.c"},
      {"-MMD", "-MP", "-c", "src/sp ace.c", "-o", "o/sp$ace.o"},
      {"-M", "src/main.c"},
      {"-M", "src/main.c", "-o", "out.d"},
      {"-M", "-MF", "x.d", "src/main.c"},
      {"-MM", "-MP", "src/main.c"},
      {"-MM", "-MT", "tt", "-MQ", "q:q", "-MP", "src/main.c"},
      {"-MM", "-E", "src/main.c"},
      {"-MMD", "-E", "src/main.c", "-o", "pre.i"},
      {"-MD", "-E", "src/main.c"},
      {"-MD", "-S", "src/main.c", "-o", "o/x.s"},
      {"-MMD", "-S", "src/main.c"},
      {"-MMD", "src/main.c", "-o", "o/prog"},
      {"-MMD", "src/main.c"},
  };
  for (const Texts& options : cases) {
    SCOPED_TRACE(describe(options));
    const Outputs expected = dependency_run({"/usr/bin/gcc"}, options);
    ASSERT_FALSE(expected.empty());
    // Without system headers, whose paths differ, the files are the GNU
    // compiler's to the byte, line breaks included.
    const bool user_only = std::find_if(options.begin(), options.end(), [](const std::string& o) {
                             return o == "-MM" || o == "-MMD";
                           }) != options.end();
    for (const char* device : {"-mcpu=zir16c401", "-mcpu=kx32m2"}) {
      SCOPED_TRACE(device);
      const Outputs got = dependency_run({testutil::stage() + "/bin/lumo8-cc", device}, options);
      EXPECT_EQ(digests(got), digests(expected));
      if (user_only) {
        EXPECT_EQ(got, expected);
      }
    }
  }
}

// ---- Preprocessed and standard input, objects by contents, diagnostics ----

const char* const kGnuDevices[] = {"zir16c401", "kx32m2"};

// sh -c script in dir, with LUMO8CC naming the staged lumo8-cc.
testutil::RunResult shell(const testutil::TempDir& dir, const std::string& script) {
  return testutil::run({"/bin/sh", "-c", script}, dir.path(), {"LUMO8CC=" + testutil::stage() + "/bin/lumo8-cc"});
}

// Preprocessed output compiles to the same object as its source, and
// intermediate files are known by their contents.
TEST(GnuConventions, IntermediateFilesAndTheirNames) {
  for (const char* device : kGnuDevices) {
    SCOPED_TRACE(device);
    testutil::TempDir dir;
    gnu_sources(dir);
    const std::string cc = std::string("\"$LUMO8CC\" -mcpu=") + device;
    testutil::RunResult r = shell(dir, cc + " -DB=2 -E src/main.c > main.i && " + cc + " -c main.i -o from_i.o && " +
                                           cc + " -DB=2 -c src/main.c -o from_c.o");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::read_file(dir.file("from_i.o")), testutil::read_file(dir.file("from_c.o")));
    // A mistake in the preprocessed text is reported at its original place.
    testutil::write_file(dir.file("bad.i"), "# 1 \"src/orig.c\"\nint a;\n\n# 7 \"src/orig.c\"\nint f(void) {\n");
    r = shell(dir, cc + " -c bad.i -o bad.o");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("src/orig.c:7:13: error: (213)"), std::string::npos) << r.err;
    // Build systems name objects after their sources ("main.c.obj"); the
    // contents say what they are.
    r = shell(dir, cc + " -c src/main.c -o main.c.obj && " + cc + " -c src/b.c -o b.c.obj && " + cc +
                       " main.c.obj b.c.obj -o app.img && test -s app.img");
    EXPECT_EQ(r.status, 0) << r.err;
  }
}

TEST(GnuConventions, StandardInputAndTheProbesOfEditors) {
  struct Case {
    const char* script;  // after "$LUMO8CC -mcpu=<device>"
    int status;
    const char* out;  // expected in standard output, or standard error for a failure
  };
  const Case cases[] = {
      {" -E -dM -x c - < /dev/null", 0, "#define __LUMO8__"},
      {" -E -dM -x c /dev/null", 0, "#define __LUMO8__"},
      {" -E -v -x c /dev/null 2>&1", 0, "End of search list."},
      {" -E -v -x c - < /dev/null 2>&1", 0, "#include <...> search starts here:"},
      {" -DA=7 -E - < in.txt", 0, "int x = 7;"},
      {" -c -x c - -o stdin.o < in.txt && test -s stdin.o", 0, ""},
      {" -c - < in.txt", 1, "(2035) -E or -x required when input is from standard input"},
  };
  for (const char* device : kGnuDevices)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(device) + c.script);
      testutil::TempDir dir;
      testutil::write_file(dir.file("in.txt"), "int x = A;\n");
      testutil::RunResult r = shell(dir, std::string("\"$LUMO8CC\" -mcpu=") + device + c.script);
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_NE((c.status ? r.err : r.out).find(c.out), std::string::npos) << r.out << r.err;
    }
}

// Every back-end message with a place reads file:line:column, as editors'
// problem matchers expect.
TEST(GnuConventions, DiagnosticsNameFileLineAndColumn) {
  const char* const sources[] = {
      "int a;\n  #error stop here\n",
      "#include \"absent.h\"\n",
      "#warning look here\nint f(void) {\n",
      "char *s = \"abc;\n",
      "#if 1 +\n#endif\n",
  };
  const std::regex place(R"(^[^:]+:[0-9]+:[0-9]+: (error|warning): )");
  for (const char* device : kGnuDevices)
    for (const char* source : sources) {
      SCOPED_TRACE(std::string(device) + " " + source);
      testutil::TempDir dir;
      testutil::write_file(dir.file("x.c"), source);
      testutil::RunResult r =
          testutil::run({testutil::stage() + "/bin/lumo8-cc", std::string("-mcpu=") + device, "-c", "x.c"}, dir.path());
      EXPECT_EQ(r.status, 1);
      std::istringstream lines(r.err);
      int placed = 0;
      for (std::string line; std::getline(lines, line);) {
        if (line.rfind("x.c", 0) != 0) continue;
        ++placed;
        EXPECT_TRUE(std::regex_search(line, place)) << line;
      }
      EXPECT_GT(placed, 0) << r.err;
    }
}

}  // namespace

