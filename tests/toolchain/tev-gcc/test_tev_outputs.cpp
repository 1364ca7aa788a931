// What tev-gcc writes: ELF objects and executables, preprocessed text and
// macro lists, the include search list, map files and memory summaries;
// and what it leaves alone when it fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/toolchain/tev-gcc/tev_fixture.h"

namespace {

using tevtest::elf_header;
using tevtest::number;
using tevtest::Sources;
using testutil::read_file;
using testutil::RunResult;
using Args = std::vector<std::string>;

constexpr uint16_t kRel = 1, kExec = 2;

struct ElfCase {
  const char* what;
  Args args;
  const char* output;
  uint16_t type;
};

// clang-format off
const ElfCase kElfCases[] = {
    {"C object",                {"-c", "x.c", "-Iinc"},            "x.o",    kRel},
    {"named object",            {"-c", "x.c", "-Iinc", "-o", "n.o"}, "n.o",  kRel},
    {"assembler object",        {"-c", "a.s"},                     "a.o",    kRel},
    {"preprocessed assembler",  {"-c", "b.S"},                     "b.o",    kRel},
    {"default executable",      {"x.c", "y.c", "-Iinc"},           "a.out",  kExec},
    {"named executable",        {"x.c", "a.s", "-Iinc", "-oprog"}, "prog",   kExec},
    {"without start-up code",   {"y.c", "-nostartfiles", "-o", "lib.elf"}, "lib.elf", kExec},
};
// clang-format on

TEST(TevOutputs, ElfFilesOfTheTevMachine) {
  for (const ElfCase& row : kElfCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    Args args{"-mmcu=kx32m2"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    RunResult r = src.run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = read_file(src.file(row.output));
    tevtest::ElfHeader h = elf_header(bytes);
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.elf_class, 1);  // 32-bit
    EXPECT_EQ(h.data, 1);       // little endian
    EXPECT_EQ(h.machine, ELF_MACHINE_TEV);
    EXPECT_EQ(h.type, row.type);
    EXPECT_EQ(h.phnum > 0, row.type == kExec);
    EXPECT_EQ(which_elf(src.file(row.output).c_str()), static_cast<uint64_t>(FID_ELF_TEV));
    std::vector<std::string> sections = tevtest::elf_section_names(bytes);
    for (const char* name : {".text", ".data", ".symtab", ".strtab", ".shstrtab"})
      EXPECT_NE(std::find(sections.begin(), sections.end(), name), sections.end()) << name;
  }
}

TEST(TevOutputs, ObjectsLinkAndOutputsFollowTheirInputs) {
  Sources src;
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-c", "x.c", "y.c", "a.s", "-Iinc"}).status, 0);
  RunResult linked = src.run({"-mmcu=kx32m2", "x.o", "y.o", "a.o", "-o", "from_objects"});
  ASSERT_EQ(linked.status, 0) << linked.err;
  RunResult direct = src.run({"-mmcu=kx32m2", "x.c", "y.c", "a.s", "-Iinc", "-o", "from_sources"});
  ASSERT_EQ(direct.status, 0) << direct.err;
  EXPECT_EQ(read_file(src.file("from_objects")), read_file(src.file("from_sources")));
  // Objects named as build systems name them are known by their contents.
  for (const auto& [from, to] : {std::pair{"x.o", "x.c.obj"}, {"y.o", "y.obj"}, {"a.o", "a"}})
    testutil::write_file(src.file(to), read_file(src.file(from)));
  RunResult renamed = src.run({"-mmcu=kx32m2", "x.c.obj", "y.obj", "a", "-o", "from_renamed"});
  ASSERT_EQ(renamed.status, 0) << renamed.err;
  EXPECT_EQ(read_file(src.file("from_renamed")), read_file(src.file("from_sources")));
  // The same inputs give the same bytes; another source another image.
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "x.c", "y.c", "a.s", "-Iinc", "-o", "again"}).status, 0);
  EXPECT_EQ(read_file(src.file("again")), read_file(src.file("from_sources")));
  src.write("y.c", "int helper(void) { return 8; }\n");
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "x.c", "y.c", "a.s", "-Iinc", "-o", "changed"}).status, 0);
  EXPECT_NE(read_file(src.file("changed")), read_file(src.file("from_sources")));
}

TEST(TevOutputs, IntermediateFilesGiveTheSameObject) {
  Sources src;
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-S", "x.c", "-Iinc"}).status, 0);
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-c", "x.c", "-Iinc", "-o", "direct.o"}).status, 0);
  // Preprocessed text is compiled as it is, whatever its name and the preprocessor's options.
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-E", "x.c", "-Iinc", "-o", "x.i"}).status, 0);
  testutil::write_file(src.file("other.txt"), read_file(src.file("x.i")));
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-c", "x.i", "-o", "via_i.o"}).status, 0);
  EXPECT_EQ(read_file(src.file("via_i.o")), read_file(src.file("direct.o")));
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-c", "-x", "cpp-output", "other.txt", "-UONE", "-o", "via_i.o"}).status, 0);
  EXPECT_EQ(read_file(src.file("via_i.o")), read_file(src.file("direct.o")));
  RunResult r = src.run({"-mmcu=kx32m2", "-c", "x.s", "-o", "via_asm.o"});
  ASSERT_EQ(r.status, 0) << r.err << read_file(src.file("x.s"));
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "direct.o", "-o", "one"}).status, 0);
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "via_asm.o", "-o", "two"}).status, 0);
  EXPECT_EQ(read_file(src.file("one")), read_file(src.file("two")));
}

TEST(TevOutputs, PredefinedAndGivenMacros) {
  Sources src;
  RunResult r = src.run({"-mmcu=kx32m2", "-dM", "-E", "x.c", "-Iinc", "-DGIVEN=7", "-DFLAG", "-D__LUMO8_VERSION=2500",
                         "-DGONE", "-UGONE", "-O2"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"#define __TEV__ 1\n", "#define __LUMO8__ 1\n", "#define __KX32M2__ 1\n",
                           "#define GIVEN 7\n", "#define FLAG 1\n", "#define __LUMO8_VERSION 2500\n",
                           "#define ONE 1\n", "#define __OPTIMIZE__ 1\n", "#define __TEV_FLASH_SIZE__ 32768\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_EQ(r.out.find("GONE"), std::string::npos);
  EXPECT_EQ(r.out.find("__KX8M1__"), std::string::npos);
  RunResult generic = src.run({"-dM", "-E", "y.c"});
  EXPECT_NE(generic.out.find("#define __TEV1__ 1\n"), std::string::npos) << generic.out;
}

std::vector<std::string> search_list(const std::string& err) {
  std::vector<std::string> dirs;
  const std::string start = "#include <...> search starts here:\n";
  size_t at = err.find(start);
  if (at == std::string::npos) return dirs;
  for (size_t pos = at + start.size(); pos < err.size();) {
    size_t eol = err.find('\n', pos);
    std::string line = err.substr(pos, eol - pos);
    if (line == "End of search list.") return dirs;
    dirs.push_back(line.substr(1));
    pos = eol + 1;
  }
  return {"(no end of search list)"};
}

TEST(TevOutputs, VerboseShowsTheRealSearchList) {
  Sources src;
  const std::string system = tevtest::stage() + "/tev/include";
  RunResult r = src.run({"-mmcu=kx32m2", "-v", "-E", "x.c", "-Iinc", "-Inowhere", "-o", "x.i"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(search_list(r.err), (std::vector<std::string>{"inc", system})) << r.err;
  RunResult plain = src.run({"-mmcu=kx32m2", "-Wp,-v", "-E", "y.c", "-nostdinc"});
  EXPECT_EQ(search_list(plain.err), std::vector<std::string>{}) << plain.err;
  EXPECT_NE(plain.err.find("End of search list."), std::string::npos);
}

struct PreCase {
  const char* what;
  const char* source;
  const char* expected;  // in the output
  const char* absent;    // not in the output
};

// clang-format off
const PreCase kPreCases[] = {
    {"object-like macros",   "#define A 1\n#define B A+A\nint v = B;\n",          "int v = 1+1;",   "B;"},
    {"undef",                "#define A 1\n#undef A\nint v = A;\n",              "int v = A;",     "= 1"},
    {"ifdef else",           "#ifdef NOPE\nbad\n#else\ngood\n#endif\n",          "good",           "bad"},
    {"ifndef",               "#ifndef NOPE\ngood\n#endif\n",                     "good",           "NOPE"},
    {"nested",               "#ifdef A0\n#ifdef A1\nbad\n#endif\n#else\nok\n#endif\n", "ok",       "bad"},
    {"if expressions",       "#if defined(ONE) && (2 * 3 == 6) && !defined NOPE\ngood\n#elif 1\nbad\n#endif\n", "good", "bad"},
    {"device macro in #if",  "#if __KX32M2__ && __TEV_RAM_SIZE__ >= 2048\ngood\n#endif\n", "good", "#if"},
    {"comments dropped",     "a /* gone */ b // gone too\n",                     "a   b",           "gone"},
    {"strings untouched",    "#define A 1\nchar *s = \"A /* x */\";\n",          "\"A /* x */\"",  "\"1"},
    {"quote include local",  "#include \"one.h\"\nint v = ONE;\n",               "int v = 1;",     "include"},
    {"angle include via -I", "#include <sys.h>\nint v = SYS;\n",                 "int v = 1;",     "include"},
    {"system header",        "#include <stdint.h>\n",                            "stdint.h",       "#include"},
};
// clang-format on

TEST(TevOutputs, Preprocessor) {
  for (const PreCase& row : kPreCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("inc/p.c", row.source);
    RunResult r = src.run({"-mmcu=kx32m2", "-E", "inc/p.c", "-Iinc", "-DONE"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(row.expected), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(row.absent), std::string::npos) << r.out;
  }
}

struct FailCase {
  const char* what;
  const char* file;
  const char* source;
  uint32_t message;
  const char* where;  // "file:line:column" of the message
};

// clang-format off
const FailCase kFailCases[] = {
    {"#error",               "f.c", "int a;\n#error stop here\n",         159, "f.c:2:2:"},
    {"missing include",      "f.c", "#include \"absent.h\"\n",            103, "f.c:1:10:"},
    {"unknown directive",    "f.c", "\n#frobnicate\n",                    109, "f.c:2:2:"},
    {"else without if",      "f.c", "#else\n",                            100, "f.c:1:2:"},
    {"unterminated if",      "f.c", "#ifdef X\nint a;\n",                 108, "f.c:1:2:"},
    {"bad expression",       "f.c", "#if 1 +\n#endif\n",                  182, "f.c:1:2:"},
    {"division by zero",     "f.c", "#if 1 / 0\n#endif\n",                182, "f.c:1:2:"},
    {"unterminated comment", "f.c", "int a; /* no end\n",                 153, "f.c:1:8:"},
    {"unterminated string",  "f.c", "char *s = \"abc;\n",                 297, "f.c:1:11:"},
    {"unbalanced brace",     "f.c", "int main(void) {\n  return 0;\n",    213, "f.c:1:16:"},
    {"stray bracket",        "f.c", "int a;\n)\n",                        213, "f.c:2:1:"},
    {"in a header",          "f.c", "#include \"inc/bad.h\"\n",           213, "inc/bad.h:3:1:"},
    {"preprocessed by gcc",  "f.i", "# 0 \"o.c\"\n# 1 \"<built-in>\"\n# 1 \"o.c\"\nint a;\n# 7 \"h.h\" 1 3\n  int b = );\n", 213, "h.h:7:11:"},
    {"unknown mnemonic",     "f.s", "\t.text\nstart:\tfrob r1\n",          847, "f.s:2:8:"},
    {"bad operand",          "f.s", "\t.data\n\t.byte 1, zz\n",           811, "f.s:2:11:"},
    {"bad directive",        "f.s", "  .weird 1\n",                       847, "f.s:1:3:"},
    {"label defined twice",  "f.s", "a: nop\nb: a: nop\n",                1004, "f.s:2:4:"},
    {"after the preprocessor", "f.S", "#define V 1\n\tldi r1, V\n\tfrob\n", 847, "f.S:3:2:"},
};
// clang-format on

TEST(TevOutputs, SourceErrorsNameTheirPlaceAndWriteNothing) {
  // What editors and build tools match a message with a place by.
  const std::regex gnu("[^:]+:[0-9]+:[0-9]+: (error|warning): .*");
  for (const FailCase& row : kFailCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write(row.file, row.source);
    src.write("inc/bad.h", "int f(void) {\n  return (1;\n}\n");
    RunResult r = src.run({"-mmcu=kx32m2", "-c", row.file, "x.c", "-Iinc"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(std::string(row.where) + " error: " + number(row.message)), std::string::npos) << r.err;
    std::istringstream lines(r.err);
    for (std::string line; std::getline(lines, line);) EXPECT_TRUE(std::regex_match(line, gnu)) << line;
    // Neither the failing unit nor the good one leaves an object.
    EXPECT_EQ(src.new_files(), (std::vector<std::string>{row.file}));
  }
}

struct LinkFail {
  const char* what;
  Args args;
  uint32_t message;
};

// clang-format off
const LinkFail kLinkFails[] = {
    {"defined twice",  {"x.c", "y.c", "twice.c", "-Iinc"},  1004},
    {"no main",        {"y.c"},                             1052},
    {"program memory", {"-mmcu=kx2t1", "big.s"},            1007},
    {"data memory",    {"-mmcu=kx2t1", "ram.c"},            1008},
    {"not an object",  {"x.c", "fake.o", "-Iinc"},          1246},
    {"library",        {"x.c", "-lnosuch", "-Iinc"},        2071},
    {"bad library",    {"x.c", "-lfake", "-L.", "-Iinc"},   1209},
};
// clang-format on

TEST(TevOutputs, LinkErrorsKeepTheOldImage) {
  for (const LinkFail& row : kLinkFails) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("twice.c", "int helper(void) { return 1; }\n");
    src.write("big.s", "\t.text\n\t.global main\nmain:\t.space 4000\n");
    src.write("ram.c", "char big[200];\nint main(void) { return 0; }\n");
    src.write("fake.o", "not an object\n");
    src.write("libfake.a", "not an archive\n");
    src.write("prog", "old image");
    Args args{"-mmcu=kx32m2", "-o", "prog", "-Wl,-Map=prog.map"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    RunResult r = src.run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(number(row.message)), std::string::npos) << r.err;
    EXPECT_EQ(read_file(src.file("prog")), "old image");
    EXPECT_FALSE(testutil::exists(src.file("prog.map")));
    for (const std::string& f : src.new_files()) EXPECT_EQ(f.find(".tmp"), std::string::npos) << f;
  }
}

TEST(TevOutputs, MapFileAndMemorySummary) {
  Sources src;
  RunResult r = src.run({"-mmcu=kx8m1", "x.c", "-Iinc", "-Wl,-Map=prog.map", "-Wl,--memorysummary,mem.xml",
                         "-Wl,--info-linker", "-o", "prog"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string map = read_file(src.file("prog.map"));
  for (const char* text : {"kx8m1", "main", "counter", "x.c", "8192"}) EXPECT_NE(map.find(text), std::string::npos) << text;
  const std::string xml = read_file(src.file("mem.xml"));
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
  EXPECT_NE(xml.find("device=\"kx8m1\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("name=\"program\" units=\"bytes\" length=\"8192\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("name=\"data\" units=\"bytes\" length=\"512\""), std::string::npos) << xml;
}

struct DepCase {
  const char* what;
  Args args;
  const char* file;  // where the rule goes; "-" for standard output
  const char* rule;  // without its line continuations; SYS stands for the system's stdint.h
};

// clang-format off
const DepCase kDepCases[] = {
    {"-S",                      {"-MD", "-S", "src/m.c", "-o", "o/x.s"},        "o/x.d",    "o/x.s: src/m.c src/h.h SYS\n"},
    {"link",                    {"-MMD", "src/m.c", "src/b.c"},                 "a-m.d",    "m.o: src/m.c src/h.h\n"},
    {"link with -o",            {"-MMD", "src/m.c", "src/b.c", "-o", "o/prog"}, "o/prog.d", "o/prog: src/b.c\n"},
    {"-MF, -MT and -MQ",        {"-MMD", "-c", "src/m.c", "-MF", "x.dep", "-MT", "t", "-MQ", "a$b c#d", "-MQ", "q", "-MT", "u"},
                                "x.dep", "t u a$$b\\ c\\#d q: src/m.c src/h.h\n"},
    {"joined forms",            {"-MM", "-MTt", "-MQq r", "-MFm.dep", "src/m.c"}, "m.dep",  "t q\\ r: src/m.c src/h.h\n"},
    {"-M writes to -o only",    {"-M", "-c", "src/m.c", "-o", "o/m.o"},         "o/m.o",    "m.o: src/m.c src/h.h SYS\n"},
    {"-MM to standard output",  {"-MM", "src/m.c", "src/b.c"},                  "-",        "m.o: src/m.c src/h.h\nb.o: src/b.c\n"},
    {"blanks, long lines",      {"-MM", "-MT", std::string(60, 't'), "src/sp ace.c", "-MP"}, "-",
                                "tttttttttttttttttttttttttttttttttttttttttttttttttttttttttttt: src/sp\\ ace.c src/h.h\nsrc/h.h:\n"},
};
// clang-format on

std::string rule_in(const Sources& src, const RunResult& r, const std::string& file) {
  return file == "-" ? r.out : read_file(src.file(file));
}

std::string unwrapped(std::string rule) {
  for (size_t at; (at = rule.find(" \\\n")) != std::string::npos;) rule.erase(at, 3);
  return rule;
}

// The GNU compiler's rules for the common cases are checked against the
// host's in the installation's end-to-end tests; these are tev-gcc's own
// forms and corners.
TEST(TevOutputs, DependencyRules) {
  const std::string system = tevtest::stage() + "/tev/include/stdint.h";
  for (const DepCase& row : kDepCases) {
    SCOPED_TRACE(row.what);
    Sources tev;
    mkdir(tev.file("src").c_str(), 0700);
    mkdir(tev.file("o").c_str(), 0700);
    tev.write("src/m.c", "#include \"h.h\"\n#include <stdint.h>\nint main(void) { return 0; }\n");
    tev.write("src/sp ace.c", "#include \"h.h\"\n");
    tev.write("src/h.h", "#define H 1\n");
    tev.write("src/b.c", "int b;\n");
    Args args{"-mmcu=kx32m2"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    RunResult r = tev.run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string rule = rule_in(tev, r, row.file);
    std::string expected = row.rule;
    if (size_t at = expected.find("SYS"); at != std::string::npos) expected.replace(at, 3, system);
    EXPECT_EQ(unwrapped(rule), expected);
  }
}

struct SwitchCase {
  const char* what;
  Args args;
  const char* in_out;  // expected on standard output
  const char* in_err;  // expected on standard error
  const char* absent;  // in neither
};

// clang-format off
const SwitchCase kSwitchCases[] = {
    {"line markers",        {"-E", "y.c"},                       "# 1 \"y.c\"",   "",                 "(warning)"},
    {"no line markers",     {"-E", "-P", "y.c"},                 "int helper",    "",                 "# 1"},
    {"comments kept",       {"-E", "-C", "c.c"},                 "/* kept */",    "",                 ": error:"},
    {"comments dropped",    {"-E", "c.c"},                       "int k;",        "",                 "kept"},
    {"headers listed",      {"-E", "-H", "x.c", "-Iinc"},        "",              ". inc/one.h\n",    ": error:"},
    {"user rules only",     {"-MM", "s.c", "-Iinc"},             "s.o: s.c inc/one.h\n", "",           "stdint"},
    {"all rules",           {"-M", "s.c", "-Iinc"},              "tev/include/stdint.h", "",          ": error:"},
    {"forced language",     {"-E", "-x", "assembler-with-cpp", "b.S"}, "ldi r16, 3", "",               "VALUE"},
    {"steps only",          {"-###", "x.c", "-Iinc"},            "",              "\"x.c\"",          ": error:"},
    {"assembler with -S",   {"-S", "a.s"},                       "",              "(2029)",           ": error:"},
    {"object with -E",      {"-E", "y.c", "a.o"},                "int helper",    "(2029)",           ": error:"},
};
// clang-format on

TEST(TevOutputs, PreprocessorAndDriverSwitches) {
  for (const SwitchCase& row : kSwitchCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("c.c", "int k; /* kept */\n");
    src.write("s.c", "#include \"one.h\"\n#include <stdint.h>\n");
    src.write("a.o", "");
    Args args{"-mmcu=kx32m2"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    RunResult r = src.run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(row.in_out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(row.in_err), std::string::npos) << r.err;
    EXPECT_EQ((r.out + r.err).find(row.absent), std::string::npos) << r.out << r.err;
  }
}

}  // namespace
