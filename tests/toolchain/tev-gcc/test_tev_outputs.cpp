// What tev-gcc writes: ELF objects and executables, preprocessed text and
// macro lists, the include search list, map files and memory summaries;
// and what it leaves alone when it fails.
#include <gtest/gtest.h>

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
  // The same inputs give the same bytes; another source another image.
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "x.c", "y.c", "a.s", "-Iinc", "-o", "again"}).status, 0);
  EXPECT_EQ(read_file(src.file("again")), read_file(src.file("from_sources")));
  src.write("y.c", "int helper(void) { return 8; }\n");
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "x.c", "y.c", "a.s", "-Iinc", "-o", "changed"}).status, 0);
  EXPECT_NE(read_file(src.file("changed")), read_file(src.file("from_sources")));
}

TEST(TevOutputs, AssemblySourceAssemblesToTheSameObject) {
  Sources src;
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-S", "x.c", "-Iinc"}).status, 0);
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-c", "x.c", "-Iinc", "-o", "direct.o"}).status, 0);
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
  const char* source;
  uint32_t message;
  const char* where;  // "file:line:column" of the message
};

// clang-format off
const FailCase kFailCases[] = {
    {"#error",              "int a;\n#error stop here\n",         159,  "f.c:2:2:"},
    {"missing include",     "#include \"absent.h\"\n",            103,  "f.c:1:10:"},
    {"unknown directive",   "\n#frobnicate\n",                   109,  "f.c:2:2:"},
    {"else without if",     "#else\n",                            100,  "f.c:1:2:"},
    {"unterminated if",     "#ifdef X\nint a;\n",                 108,  "f.c:1:2:"},
    {"bad expression",      "#if 1 +\n#endif\n",                  182,  "f.c:1:2:"},
    {"division by zero",    "#if 1 / 0\n#endif\n",                182,  "f.c:1:2:"},
    {"unterminated comment", "int a; /* no end\n",                153,  "f.c:1:8:"},
    {"unterminated string", "char *s = \"abc;\n",                 297 , "f.c:1:11:"},
    {"unbalanced brace",    "int main(void) {\n  return 0;\n",    213 , "f.c:1:16:"},
    {"stray bracket",       "int a;\n)\n",                        213 , "f.c:2:1:"},
};
// clang-format on

TEST(TevOutputs, SourceErrorsNameTheirPlaceAndWriteNothing) {
  for (const FailCase& row : kFailCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("f.c", row.source);
    RunResult r = src.run({"-mmcu=kx32m2", "-c", "f.c", "x.c", "-Iinc"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(std::string(row.where) + " error: " + number(row.message)), std::string::npos) << r.err;
    // Neither the failing unit nor the good one leaves an object.
    EXPECT_EQ(src.new_files(), (std::vector<std::string>{"f.c"}));
  }
}

TEST(TevOutputs, AssemblerErrors) {
  Sources src;
  src.write("bad.s", "\t.text\nstart:\tfrob r1\n\t.byte zz\n\t.weird\nstart:\n");
  RunResult r = src.run({"-mmcu=kx32m2", "-c", "bad.s"});
  EXPECT_EQ(r.status, 1);
  for (const char* expected : {"bad.s:2:", "bad.s:3:", "bad.s:4:", "bad.s:5:"})
    EXPECT_NE(r.err.find(expected), std::string::npos) << expected << r.err;
  EXPECT_FALSE(testutil::exists(src.file("bad.o")));
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

TEST(TevOutputs, DependencyRules) {
  Sources src;
  RunResult rule = src.run({"-mmcu=kx32m2", "-M", "x.c", "-Iinc"});
  ASSERT_EQ(rule.status, 0) << rule.err;
  EXPECT_EQ(rule.out, "x.o: x.c \\\n inc/one.h \\\n inc/sys.h\n");
  ASSERT_EQ(src.run({"-mmcu=kx32m2", "-c", "x.c", "-Iinc", "-MD", "-MF", "x.dep"}).status, 0);
  EXPECT_EQ(read_file(src.file("x.dep")), rule.out);
  EXPECT_TRUE(testutil::exists(src.file("x.o")));
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
    {"user rules only",     {"-MM", "s.c", "-Iinc"},             "s.o: s.c \\\n inc/one.h\n", "",     "stdint"},
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
