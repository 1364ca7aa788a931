// What lumo8-cc relies on: the layout of --target-help, the help and
// version listings, and the compiles lumo8-cc itself starts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/toolchain/tev-gcc/tev_fixture.h"

namespace {

using tevtest::Sources;
using testutil::RunResult;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The device names of the installation's device file, "tev1" included.
std::vector<std::string> installed_devices() {
  std::vector<std::string> names;
  for (const std::string& line : lines_of(testutil::read_file(tevtest::stage() + "/tev/dat/tevmcus.txt")))
    if (!line.empty() && line[0] != '#') names.push_back(line.substr(0, line.find(':')));
  return names;
}

TEST(TevFrontEnd, TargetHelpHasTheSectionsLumo8ccReads) {
  Sources src;
  RunResult r = src.run({"--target-help"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = lines_of(r.out);
  // The option section: from "The following" up to the "Assembler" line.
  size_t first = 0, assembler = 0, known = 0, linker = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!first && lines[i].rfind("The following", 0) == 0) first = i;
    if (first && !assembler && lines[i].rfind("Assembler", 0) == 0) assembler = i;
    if (lines[i] == "Known MCU names:") known = i;
    if (known && !linker && lines[i].rfind("Linker", 0) == 0) linker = i;
  }
  ASSERT_GT(first, 0u) << r.out;
  ASSERT_GT(assembler, first + 1) << r.out;
  ASSERT_GT(known, assembler);
  ASSERT_GT(linker, known + 1);
  bool mmcu_listed = false;
  for (size_t i = first + 1; i < assembler; ++i) mmcu_listed = mmcu_listed || lines[i].find("-mmcu=") != std::string::npos;
  EXPECT_TRUE(mmcu_listed);
  // Every device of the installation, and nothing else, between the markers.
  std::vector<std::string> listed;
  for (size_t i = known + 1; i < linker; ++i) {
    std::istringstream words(lines[i]);
    for (std::string w; words >> w;) listed.push_back(w);
  }
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

RunResult lumo8cc(const Sources& src, const std::vector<std::string>& args) {
  std::vector<std::string> argv{tevtest::stage() + "/bin/lumo8-cc"};
  argv.insert(argv.end(), args.begin(), args.end());
  return testutil::run(argv, src.path());
}

// lumo8-cc writes its translation into a command file and starts tev-gcc
// with it: a form tev-gcc refused would fail these builds.
TEST(TevFrontEnd, Lumo8ccCompilesAndLinksThroughTevGcc) {
  Sources src;
  RunResult compile = lumo8cc(src, {"-mcpu=kx32m2", "-O2", "-Wall", "-c", "x.c", "-Iinc"});
  ASSERT_EQ(compile.status, 0) << compile.err;
  EXPECT_EQ(compile.err, "");
  EXPECT_EQ(which_elf(src.file("x.o").c_str()), static_cast<uint64_t>(FID_ELF_TEV));
  EXPECT_EQ(tevtest::elf_header(testutil::read_file(src.file("x.o"))).type, 1);

  RunResult build = lumo8cc(src, {"-mcpu=KX32M2", "-O2", "-Wall", "x.c", "y.c", "-Iinc", "-o", "prog.elf"});
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(which_elf(src.file("prog.elf").c_str()), static_cast<uint64_t>(FID_ELF_TEV));
  EXPECT_EQ(tevtest::elf_header(testutil::read_file(src.file("prog.elf"))).type, 2);
}

TEST(TevFrontEnd, Lumo8ccOptionMixReachesTevGccIntact) {
  Sources src;
  RunResult r = lumo8cc(src, {"-mcpu=kx16m4", "-Os", "-g", "-std=c99", "-funsigned-char", "-DTEXT=\"a b\"", "-D", "N=2",
                              "-I", "inc", "-Wl,-Map=prog.map,--gc-sections", "--memorysummary", "mem.xml",
                              "-Wa,-a", "-Xlinker", "--data-init", "-mno-const-data-in-progmem", "-merrata=all",
                              "-mcodeoffset=0x100", "-mreserve=ram@0x100:0x10f", "-Wno-unused", "-x", "c", "x.c",
                              "-xnone", "a.s", "-lm", "-o", "prog.elf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(which_elf(src.file("prog.elf").c_str()), static_cast<uint64_t>(FID_ELF_TEV));
  EXPECT_TRUE(testutil::exists(src.file("prog.map")));
  EXPECT_TRUE(testutil::exists(src.file("mem.xml")));
}

TEST(TevFrontEnd, Lumo8ccPassesTevGccsRefusal) {
  Sources src;
  RunResult r = lumo8cc(src, {"-mcpu=kx99z", "-c", "x.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(2053)"), std::string::npos) << r.err;
  EXPECT_EQ(src.new_files(), std::vector<std::string>{});
}

}  // namespace
