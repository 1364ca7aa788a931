// What tev-gcc writes: ELF objects and executables, preprocessed text and
// macro lists, the include search list, map files and memory summaries;
// and what it leaves alone when it fails.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/toolchain/tev-gcc/tev_fixture.h"

namespace {

using tevtest::number;
using tevtest::Sources;
using testutil::read_file;
using testutil::RunResult;
using Args = std::vector<std::string>;

// The header of an ELF file (the TEV machine's byte order is the host's).
Elf32_Ehdr elf_header(const std::string& bytes) {
  Elf32_Ehdr h{};
  if (bytes.size() >= sizeof h) memcpy(&h, bytes.data(), sizeof h);
  return h;
}

constexpr uint16_t kRel = 1, kExec = 2;

struct ElfCase {
  const char* what;
  Args args;
  const char* output;
  uint16_t type;
};

// clang-format off
const ElfCase kElfCases[] = {
    {"assembler object",        {"-c", "a.s"},                     "a.o",    kRel},
    {"preprocessed assembler",  {"-c", "b.S"},                     "b.o",    kRel},
    {"default executable",      {"x.c", "y.c", "-Iinc"},           "a.out",  kExec},
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
    const Elf32_Ehdr h = elf_header(bytes);
    ASSERT_EQ(memcmp(h.e_ident, ELFMAG, SELFMAG), 0);
    EXPECT_EQ(h.e_ident[EI_CLASS], ELFCLASS32);
    EXPECT_EQ(h.e_ident[EI_DATA], ELFDATA2LSB);
    EXPECT_EQ(h.e_machine, ELF_MACHINE_TEV);
    EXPECT_EQ(h.e_type, row.type);
    EXPECT_EQ(h.e_phnum > 0, row.type == kExec);
    EXPECT_EQ(which_elf(src.file(row.output).c_str()), static_cast<uint64_t>(FID_ELF_TEV));
    // The names of the sections, each NUL-terminated in the section name table.
    for (const char* name : {".text", ".data", ".symtab", ".strtab", ".shstrtab"})
      EXPECT_NE(bytes.find(std::string(name) + '\0'), std::string::npos) << name;
  }
}

// The same program whether it passed through the compiler's assembly or
// not; another source gives another image.
TEST(TevOutputs, OutputsFollowTheirInputsNotTheirForm) {
  Sources src;
  auto build = [&src](Args args) {
    args.insert(args.begin(), {"-mmcu=kx32m2", "-Iinc"});
    RunResult r = src.run(args);
    EXPECT_EQ(r.status, 0) << r.err;
  };
  build({"-c", "x.c", "y.c", "a.s"});
  build({"-S", "x.c"});
  build({"-c", "x.s", "-o", "via_asm.o"});
  build({"x.c", "y.c", "a.s", "-o", "from_sources"});
  build({"via_asm.o", "y.o", "a.o", "-o", "from_assembly"});
  EXPECT_EQ(read_file(src.file("from_assembly")), read_file(src.file("from_sources")));
  src.write("y.c", "int helper(void) { return 8; }\n");
  build({"x.c", "y.c", "a.s", "-o", "changed"});
  EXPECT_NE(read_file(src.file("changed")), read_file(src.file("from_sources")));
}

TEST(TevOutputs, PredefinedAndGivenMacros) {
  Sources src;
  RunResult r = src.run({"-mmcu=kx32m2", "-dM", "-E", "x.c", "-Iinc", "-DGIVEN=7", "-DFLAG", "-D__LUMO8_VERSION=2500",
                         "-DGONE", "-UGONE", "-O2"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"#define __TEV__ 1\n", "#define __LUMO8__ 1\n", "#define __KX32M2__ 1\n",
                           "#define GIVEN 7\n", "#define FLAG 1\n", "#define __LUMO8_VERSION 2500\n",
                           "#define ONE 1\n", "#define __OPTIMIZE__ 1\n", "#define __TEV_FLASH_SIZE__ 32768\n",
                           "#define __TEV_RAM_SIZE__ 2048\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_EQ(r.out.find("GONE"), std::string::npos);
  EXPECT_EQ(r.out.find("__KX8M1__"), std::string::npos);
  RunResult generic = src.run({"-dM", "-E", "y.c"});
  EXPECT_NE(generic.out.find("#define __TEV1__ 1\n"), std::string::npos) << generic.out;
}

// The list holds the given directories that exist, then the system's.
TEST(TevOutputs, VerboseShowsTheRealSearchList) {
  Sources src;
  const std::string start = "#include <...> search starts here:\n";
  RunResult r = src.run({"-mmcu=kx32m2", "-v", "-E", "x.c", "-Iinc", "-Inowhere", "-o", "x.i"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string list = start + " inc\n " + testutil::stage() + "/tev/include\nEnd of search list.\n";
  EXPECT_NE(r.err.find(list), std::string::npos) << r.err;
  RunResult plain = src.run({"-mmcu=kx32m2", "-Wp,-v", "-E", "y.c", "-nostdinc"});
  EXPECT_NE(plain.err.find(start + "End of search list.\n"), std::string::npos) << plain.err;
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

// One rule file for several units holds the last unit's rule; the target
// quoted for make.
TEST(TevOutputs, DependencyRules) {
  Sources src;
  RunResult r = src.run({"-mmcu=kx32m2", "-MMD", "x.c", "y.c", "-Iinc", "-MQ", "a$b c#d", "-o", "prog"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_file(src.file("prog.d")), "a$$b\\ c\\#d: y.c\n");
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
    {"headers listed",      {"-E", "-H", "x.c", "-Iinc"},        "",              ". inc/one.h\n",    ": error:"},
    {"forced language",     {"-E", "-x", "assembler-with-cpp", "b.S"}, "ldi r16, 3", "",               "VALUE"},
    {"steps only",          {"-###", "x.c", "-Iinc"},            "",              "\"x.c\"",          ": error:"},
    {"assembler with -S",   {"-S", "a.s"},                       "",              "(2029)",           ": error:"},
    {"object with -E",      {"-E", "y.c", "a.o"},                "int helper",    "(2029)",           ": error:"},
    {"warnings shown",      {"-c", "w.c"},                       "",              "(118)",            ": error:"},
    {"warnings off",        {"-c", "w.c", "-w"},                 "",              "",                 "(118)"},
};
// clang-format on

TEST(TevOutputs, PreprocessorAndDriverSwitches) {
  for (const SwitchCase& row : kSwitchCases) {
    SCOPED_TRACE(row.what);
    Sources src;
    src.write("c.c", "int k; /* kept */\n");
    src.write("a.o", "");
    src.write("w.c", "#warning careful\nint main(void) { return 0; }\n");
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
