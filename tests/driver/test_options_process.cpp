// Options processing end to end: the family a command line selects, the
// driver it runs, the fixed leading and closing options, and the runs that
// stop before any driver.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/options_process.h"
#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

using testutil::RunResult;
using testutil::TestInstall;

TEST(DeviceType, ByName) {
  struct Case {
    const char* arg;
    DeviceType type;
  };
  const Case cases[] = {
      {"-mcpu=16f877", DEVICE_ZIR},    {"-mcpu=ZIR16F877", DEVICE_ZIR}, {"-mcpu=zir10f200", DEVICE_ZIR},
      {"-mcpu=12f675", DEVICE_ZIR},    {"-mcpu=14x", DEVICE_ZIR},       {"-mcpu=18f452", DEVICE_ZIR18},
      {"-mcpu=Zir18F452", DEVICE_ZIR18}, {"-mmcu=KX20", DEVICE_TEV},    {"-mcpu=tev128", DEVICE_TEV},
      {"-mprocessor=NOLO3", DEVICE_TEV}, {"-mcpu=WY5", DEVICE_ZIR},     {"-mcpu=dqs1", DEVICE_ZIR},
      {"-mcpu=DQV2", DEVICE_ZIR},      {"-mcpu=17f1", DEVICE_NONE},     {"-mcpu=zir", DEVICE_NONE},
      {"-mcpu=", DEVICE_NONE},         {"16f877", DEVICE_ZIR},          {"-mcpu=zirzir16", DEVICE_NONE},
  };
  for (const Case& c : cases) EXPECT_EQ(option_DeviceType(c.arg), c.type) << c.arg;
}

// A family pack directory holding the named sub-directories.
std::string make_pack(const testutil::TempDir& dir, const std::string& name, std::vector<std::string> subdirs) {
  const std::string pack = dir.file(name);
  std::filesystem::create_directories(pack);
  for (const std::string& s : subdirs) std::filesystem::create_directories(pack + "/" + s);
  return pack;
}

TEST(DeviceType, ByPack) {
  testutil::TempDir dir;
  struct Case {
    std::vector<std::string> subdirs;
    DeviceType type;
  };
  const Case cases[] = {{{"zir"}, DEVICE_ZIR}, {{"tev"}, DEVICE_TEV}, {{"zir", "tev"}, DEVICE_ZIR}, {{"other"}, DEVICE_NONE}};
  int n = 0;
  for (const Case& c : cases) {
    std::string pack = make_pack(dir, "p" + std::to_string(n++), c.subdirs);
    EXPECT_EQ(option_DFPType(("-mdfp=" + pack).c_str()), c.type) << pack;
  }
}

const std::string kZirHead = "--lumo8cc\n-q\n--opt=none\n";
const std::string kZirClosing =
    "-L--fixupoverflow=error\n--std=c99\n--callgraph=none\n--warn=-3\n"
    "\"--errformat=%f:%l:%c:\\ error:\\ (%n)\\ %s\"\n"
    "\"--warnformat=%f:%l:%c:\\ warning:\\ (%n)\\ %s\"\n"
    "\"--msgformat=%f:%l:%c:\\ advisory:\\ (%n)\\ %s\"\n";
const std::string kTevMacros = "-D__LUMO\n-D__LUMO8\n-D__LUMO__\n-D__LUMO8__\n-D__LUMO8_VERSION=2500\n";

enum class Driver { none, zir, tev };

// Each run in an installation that has its own device family pack
// ("<pack>" in the command file): TEV runs close with it unless a pack is
// given. The translations of single options are in the option record.
TEST(OptionsProcess, WholeCommandLines) {
  testutil::TempDir packs;
  const std::string zir_pack = make_pack(packs, "zirpack", {"zir"});
  const std::string tev_pack = make_pack(packs, "tevpack", {"tev"});
  struct Case {
    const char* label;
    std::vector<std::string> args;
    Driver driver;
    std::string file;  // the whole command file
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"a ZIR18 device with a ZIR pack stays ZIR18", {"-mcpu=18f452", "-mdfp=" + zir_pack, "x.c"}, Driver::zir,
       kZirHead + "--chip=18f452\n--dfp=" + testutil::cmdfile_path(zir_pack) + "\nx.c\n" + kZirClosing, 0, ""},
      {"a TEV pack makes a ZIR device a TEV run", {"-mcpu=16f877", "-mdfp=" + tev_pack}, Driver::tev,
       "-mmcu=16f877\n-mdfp=" + testutil::cmdfile_path(tev_pack) +
           "\n-Wl,--info-linker\n-mdevice=16f877\n-mconst-data-in-progmem\n" + kTevMacros,
       0, ""},
      {"the installation's pack", {"-mcpu=kx20", "x.c"}, Driver::tev,
       "-mmcu=kx20\nx.c\n-Wl,--info-linker\n-mdevice=kx20\n-mconst-data-in-progmem\n-mdfp=<pack>\n" + kTevMacros, 0,
       ""},
      {"the version run", {"--version"}, Driver::zir, "--lumo8cc\n--opt=none\n--ver\n" + kZirClosing, 0, ""},
      {"no arguments", {}, Driver::none, "", 1,
       "(2042) no target device specified; use the -mcpu option to specify a target device\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TestInstall inst;
    const std::string pack = inst.version_dir() + testutil::native("/dfp/lumo8");
    std::filesystem::create_directories(pack);
    RunResult r = inst.run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    std::vector<std::string> argv = inst.driver_argv();
    if (c.driver == Driver::none) {
      EXPECT_TRUE(argv.empty());
    } else {
      ASSERT_EQ(argv.size(), 2u);
      EXPECT_EQ(argv[0], c.driver == Driver::zir ? inst.driver() : inst.tev_driver());
      std::string file = c.file;
      if (size_t at = file.find("<pack>"); at != std::string::npos)
        file.replace(at, 6, testutil::cmdfile_path(pack));
      EXPECT_EQ(inst.command_file(), testutil::text_bytes(file));
    }
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

TEST(OptionsProcess, MissingDriver) {
  for (bool tev : {false, true}) {
    TestInstall inst;
    std::filesystem::remove(tev ? inst.tev_driver() : inst.driver());
    RunResult r = inst.run({tev ? "-mcpu=kx20" : "-mcpu=16f877", "x.c"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, std::string("(2045) could not find executable \"") + (tev ? "tev-gcc" : "lumo8") +
                         testutil::kExe + "\"\n");
  }
}

TEST(OptionsProcess, NodelKeepsTheTemporaryRoot) {
  TestInstall inst;
  RunResult r = inst.run({"-mcpu=16f877", "--nodel", "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()).size(), 1u);
}

}  // namespace
