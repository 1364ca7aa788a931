// Every option row lumo8-cc translates, through the real back ends of the
// staged installation: each back end takes exactly the option language
// lumo8-cc writes for it, so a translation it refuses fails here. Then what
// build systems rely on, for both families, with the host's GNU compiler as
// the measure: dependency files, and preprocessed input and objects known by
// their contents.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <map>
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

testutil::RunResult compile(const std::string& device, const Texts& options) {
  testutil::TempDir dir;
  fs::create_directories(dir.file("sub"));
  fs::create_directories(dir.file("lib"));
  fs::create_directories(dir.file("inc"));
  testutil::write_file(dir.file("x.c"), "int counter;\nint main(void) {\n  counter = 1;\n  return 0;\n}\n");
  Texts argv{testutil::stage() + "/bin/lumo8-cc", "-mcpu=" + device, "-c"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back("x.c");
  return testutil::run(argv, dir.path());
}

std::string describe(const Texts& options) {
  std::string s;
  for (const std::string& o : options) s += o + " ";
  return s;
}

TEST(TranslationThroughTheBackEnds, EveryFamily) {
  const std::pair<const char*, std::vector<Texts>> sweeps[] = {
      {"zir16c401", kZirOnly}, {"zir18f545", kZirOnly}, {"kx32m2", kTevOnly}};
  for (const auto& [device, own] : sweeps)
    for (const std::vector<Texts>* groups : {&kCommon, &own})
      for (const Texts& options : *groups) {
        SCOPED_TRACE(std::string(device) + " " + describe(options));
        testutil::RunResult r = compile(device, options);
        EXPECT_EQ(r.status, 0) << r.err;
      }
}

// ---- Dependency files, against the host's GNU compiler ----

// What must agree between two compilers: the rules with their line breaks
// undone, the system headers (absolute paths, which differ between
// compilers) only noted, and no phony rules for them.
std::string digest(std::string text) {
  for (size_t at; (at = text.find("\\\n")) != std::string::npos;) text.replace(at, 2, " ");
  std::string out;
  for (const std::string& line : testutil::lines_of(text)) {
    std::istringstream words(line);
    std::string rule;
    bool system = false;
    for (std::string word; words >> word;) {
      if (word[0] == '/')
        system = true;
      else
        rule += " " + word;
    }
    if (!rule.empty()) out += rule + (system ? " +system\n" : "\n");
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
      {"-MMD", "-c", "src/main.c", "-MT", "t", "-MQ", "a$b c", "-MQ", "q", "-MT", "u"},
      {"-MMD", "-MF", "o/dep.d", "-c", "src/main.c", "-o", "o/m.o"},
      {"-MMD", "-MP", "-c", "src/main.c", "-o", "o/main.o"},
      {"-MMD", "-c", "src/main.c", "src/b.c"},
      {"-MMD", "-MP", "-c", "src/sp ace.c", "-o", "o/sp$ace.o"},
      {"-M", "src/main.c"},
      {"-M", "src/main.c", "-o", "out.d"},
      {"-M", "-MF", "x.d", "src/main.c"},
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
    const bool user_only = options[0] == "-MM" || options[0] == "-MMD";
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

// An output that is a device (here a node like /dev/null, made where the
// test may) is written straight into, never replaced by a file; what else
// appears beside it is what the GNU compiler leaves there.
TEST(GnuConventions, OutputsIntoADevice) {
  const std::vector<Texts> cases = {
      {"-c", "src/main.c", "-o", "dev/null"},         {"-E", "src/main.c", "-o", "dev/null"},
      {"src/main.c", "-o", "dev/null"},               {"-c", "src/main.c", "-MD", "-o", "dev/null"},
      {"-MMD", "-MF", "dev/null", "-c", "src/main.c", "-o", "o/m.o"},
  };
  for (const Texts& options : cases)
    for (const char* compiler : {"gcc", "zir16c401", "kx32m2"}) {
      SCOPED_TRACE(std::string(compiler) + ": " + describe(options));
      testutil::TempDir dir;
      gnu_sources(dir);
      fs::create_directories(dir.file("dev"));
      if (mknod(dir.file("dev/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "no device node can be made without privileges";
      Texts argv = std::string(compiler) == "gcc" ? Texts{"/usr/bin/gcc"}
                                                  : Texts{testutil::stage() + "/bin/lumo8-cc", std::string("-mcpu=") + compiler};
      argv.insert(argv.end(), options.begin(), options.end());
      testutil::RunResult r = testutil::run(argv, dir.path());
      EXPECT_EQ(r.status, 0) << r.err;
      struct stat st;
      EXPECT_TRUE(stat(dir.file("dev/null").c_str(), &st) == 0 && S_ISCHR(st.st_mode));
      const Texts expected = options[2] == "-MD" ? Texts{"null", "null.d"} : Texts{"null"};
      EXPECT_EQ(testutil::list_dir(dir.file("dev")), expected);
    }
}

// ---- Preprocessed input, objects by contents ----

TEST(GnuConventions, IntermediateFilesAndTheirNames) {
  struct Case {
    const char* script;  // with $CC as lumo8-cc for the device
    int status;
    const char* out;  // expected in standard output, or standard error for a failure
  };
  const Case cases[] = {
      // Preprocessed output compiles to the same object as its source; a
      // mistake in it is reported at its original place.
      {"$CC -DB=2 -E src/main.c > main.i && $CC -c main.i -o i.o && $CC -DB=2 -c src/main.c -o c.o && cmp i.o c.o",
       0, ""},
      {"$CC -c bad.i -o bad.o", 1, "src/orig.c:7:13: error: (213)"},
      // Build systems name objects after their sources; the contents say what they are.
      {"$CC -c src/main.c -o main.c.obj && $CC -c src/b.c -o b.c.obj && $CC main.c.obj b.c.obj -o app.img && "
       "test -s app.img",
       0, ""},
  };
  for (const char* device : {"zir16c401", "kx32m2"})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(device) + ": " + c.script);
      testutil::TempDir dir;
      gnu_sources(dir);
      testutil::write_file(dir.file("bad.i"), "# 1 \"src/orig.c\"\nint a;\n\n# 7 \"src/orig.c\"\nint f(void) {\n");
      testutil::RunResult r = testutil::run({"/bin/sh", "-c", std::string("CC=\"$0 -mcpu=") + device + "\"; " + c.script,
                                             testutil::stage() + "/bin/lumo8-cc"},
                                            dir.path());
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_NE((c.status ? r.err : r.out).find(c.out), std::string::npos) << r.out << r.err;
    }
}

}  // namespace

