// Device lists from the device support file and from the compilers, the
// listings and target help that print them, and the TEV built-in list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/stringcache.h"
#include "devices/devices.h"
#include "devices/machdep.h"
#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunResult;
using testutil::TempDir;
using testutil::TestInstall;
using Texts = std::vector<std::string>;

Texts texts(vector* list) {
  Texts all;
  if (!list) return {"(null)"};
  for (uint32_t i = 0; i < vec_size(list); ++i) all.push_back(vec_get_as<const char*>(list, i));
  vec_free(list);
  return all;
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

TEST(DeviceSupportFile, FamiliesAndMasks) {
  TempDir dir;
  const std::string mixed = kDecl +
                            "<deviceSupport>\n"
                            "  <family name=\"zir\"><device name=\"ZIR16C401\"/><device name=\"zir12a210\"/></family>\n"
                            "  <family name=\"zir18\"><device name=\"zir18e501\"/></family>\n"
                            "  <family><device name=\"kx8m1\" alias=\"TEV2S16\"/><device name=\"bogus\"/></family>\n"
                            "</deviceSupport>\n";
  testutil::write_file(dir.file("mixed.xml"), mixed);
  testutil::write_file(dir.file("broken.xml"), kDecl + "\n<deviceSupport/>\n");
  testutil::write_file(dir.file("empty.xml"), kDecl + "<deviceSupport/>\n");
  struct Case {
    const char* file;
    uint32_t mask;
    Texts names;
  };
  const Case cases[] = {
      {"mixed.xml", DEVICES_ALL, {"zir16c401", "zir12a210", "zir18e501", "kx8m1", "tev2s16"}},
      {"mixed.xml", DEVICES_ZIR_ALL, {"zir16c401", "zir12a210", "zir18e501"}},
      {"mixed.xml", DEVICES_ZIR18 | DEVICES_TEV, {"zir18e501", "kx8m1", "tev2s16"}},
      {"mixed.xml", 0, {}},
      {"empty.xml", DEVICES_ALL, {}},
      {"broken.xml", DEVICES_ALL, {"(null)"}},
      {"absent.xml", DEVICES_ALL, {"(null)"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(texts(getDeviceListFromXML(c.mask, dir.file(c.file).c_str())), c.names) << c.file << " " << c.mask;
}

TEST(Builtins, OrderIgnoresLeadingUnderscores) {
  const char* names[] = {"__b", "a", "_a", "b", "__a"};
  vector* list = vec_new();
  for (const char* n : names) vec_push(list, n);
  vec_sort(list, builtin_compare);
  EXPECT_EQ(texts(list), (Texts{"__a", "_a", "a", "__b", "b"}));
  const char* same = "x";
  EXPECT_EQ(builtin_compare(&same, &same), 1);
}

// A stand-in tool that prints a fixed text.
void fake_tool(const std::string& path, const std::string& output) {
  fs::create_directories(fs::path(path).parent_path());
  testutil::write_file(path, "#!/bin/sh\ncat <<'END'\n" + output + "END\n");
  chmod(path.c_str(), 0755);
}

const char* kTevTargetHelp =
    "Usage: tev-gcc [options] file...\n"
    "The following options are specific to the TEV core:\n"
    "  -mmcu=MCU     select the device\n"
    "Assembler options\n"
    "  -mall-opcodes   accept every opcode\n"
    "The following options are specific to the linker script:\n"
    "  -mrelax       relax branches\n"
    "Known MCU names:\n"
    "  tev1 kx8m1 KX16M1\n"
    "  tev2s16\n"
    "Linker options\n"
    "  ignored ones\n";

class Listings : public ::testing::Test {
 protected:
  void without_support_file() { fs::remove(inst_.version_dir() + "/bin/deviceSupport.xml"); }
  void with_compilers() {
    // The name is the text before the last colon.
    fake_tool(inst_.version_dir() + "/zir/bin/zircc", "ZIR16C401:series 16\nDQS1120\n");
    fake_tool(inst_.version_dir() + "/zir/bin/zircc18d", "ZIR18E501:x:series 18\n");
    fake_tool(inst_.tev_driver(), kTevTargetHelp);
  }
  TestInstall inst_;
};

TEST_F(Listings, FromTheCompilersWhenTheFileIsMissing) {
  without_support_file();
  with_compilers();
  RunResult r = inst_.run({"-mprint-devices"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "zir16c401\ndqs1120\nzir18e501:x\nkx8m1\nkx16m1\ntev2s16\n");
  EXPECT_EQ(r.err, "::: warning: deviceSupport.xml missing. Supported device list may be inaccurate\n");
  r = inst_.run({"-mcpu=kx8m1", "-mprint-zir-devices"});
  EXPECT_EQ(r.out, "zir16c401\ndqs1120\nzir18e501:x\n");
  EXPECT_TRUE(inst_.driver_argv().empty());
}

TEST_F(Listings, NothingInstalled) {
  without_support_file();
  fs::remove(inst_.tev_driver());
  RunResult r = inst_.run({"-mprint-devices"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "::: warning: deviceSupport.xml missing. Supported device list may be inaccurate\n");
}

// A device file that is not a readable regular file is never waited on:
// a FIFO without a writer is not opened so that it could block.
TEST_F(Listings, AnUnreadableFileFallsBackToTheCompilers) {
  with_compilers();
  const std::string file = inst_.version_dir() + "/bin/deviceSupport.xml";
  struct Case {
    const char* label;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"not xml", [&] { testutil::write_file(file, "not xml\n"); }},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); }},
      {"a directory", [&] { fs::create_directory(file); }},
  };
  const std::string warning = "::: warning: deviceSupport.xml could not be read. Supported device list may be inaccurate\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(file);
    c.make();
    RunResult r = inst_.run({"-mprint-zir-devices"}, {}, std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.out, "zir16c401\ndqs1120\nzir18e501:x\n");
    EXPECT_EQ(r.err, warning);
    r = inst_.run({"--target-help"}, {}, std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Known device names:\n"), std::string::npos);
    EXPECT_EQ(r.err, warning);
  }
}

TEST_F(Listings, FromTheFile) {
  with_compilers();
  testutil::write_file(inst_.version_dir() + "/bin/deviceSupport.xml",
                       kDecl + "<d>\n<f><x n=\"KX2T1\"/><x n=\"zir10a110\"/><x n=\"a\"/><x n=\"b\"/><x n=\"zir18e501\"/></f>\n</d>\n");
  RunResult r = inst_.run({"-mprint-devices"});
  EXPECT_EQ(r.out, "kx2t1\nzir10a110\nzir18e501\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Listings, TargetHelp) {
  with_compilers();
  testutil::write_file(inst_.version_dir() + "/bin/deviceSupport.xml",
                       kDecl + "<d><f><x n=\"zir10a110\"/><x n=\"zir10a120\"/><x n=\"zir12a210\"/><x n=\"kx2t1\"/></f>"
                               "<f><x n=\"kx4t1\"/></f></d>\n");
  RunResult r = inst_.run({"--target-help"});
  EXPECT_EQ(r.status, 0);
  const std::string zir_header = "\nThe following options are ZIR10/12/14/16/18 target specific:\n\n";
  ASSERT_EQ(r.out.rfind(zir_header, 0), 0u) << r.out;
  EXPECT_NE(r.out.find("  -mstack                   Specify default stack model and size\n"), std::string::npos);
  EXPECT_EQ(r.out.find("-mcpu "), std::string::npos);  // not a target row
  const std::string tail =
      "\nThe following options are TEV target specific:\n\n"
      "  -mmcu=MCU     select the device\n"
      "  -mrelax       relax branches\n"
      "Known MCU names:\n"
      "  tev1 kx8m1 KX16M1\n"
      "  tev2s16\n"
      "Linker options\n"
      "  ignored ones\n"
      "Known device names:\n"
      "           zir10a110            zir10a120            zir12a210                kx2t1 \n"
      "               kx4t1 \n";
  ASSERT_GE(r.out.size(), tail.size());
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
  EXPECT_EQ(r.err, "");
}

TEST_F(Listings, TargetHelpWithoutTheTevDriver) {
  fs::remove(inst_.tev_driver());
  RunResult r = inst_.run({"-mcpu=zir16c401", "--target-help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("TEV target specific"), std::string::npos);
  EXPECT_NE(r.out.find("Known device names:\n"), std::string::npos);
}

TEST_F(Listings, BuiltinsForTevThenTheDriverRuns) {
  RunResult r = inst_.run({"-mcpu=kx8m1", "-mprint-builtins", "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "__builtin_software_breakpoint\n__builtin_tev_cli\n__builtin_tev_delay_cycles\n"
            "__builtin_tev_flash_segment\n__builtin_tev_fmul\n__builtin_tev_fmuls\n__builtin_tev_fmulsu\n"
            "__builtin_tev_insert_bits\n__builtin_tev_nop\n__builtin_tev_nops\n__builtin_tev_sei\n"
            "__builtin_tev_sleep\n__builtin_tev_swap\n__builtin_tev_wdr\n"
            "driver ran\n");
  EXPECT_FALSE(inst_.driver_argv().empty());
  r = inst_.run({"-mcpu=zir16c401", "-mprint-builtins", "x.c"});
  EXPECT_NE(inst_.command_file().find("--info=builtins\n"), std::string::npos);
}

size_t count_lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST_F(Listings, Help) {
  const std::string usage = "Usage: lumo8-cc [options] file...\nOptions:\n";
  RunResult r = inst_.run({"--help"});
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.out.rfind(usage, 0), 0u) << r.out;
  // 136 rows, one of them on two lines: the only name longer than the column.
  EXPECT_EQ(count_lines(r.out), 2u + 136u + 1u);
  EXPECT_NE(r.out.find("\n  -mno-const-data-in-progmem\n                            "), std::string::npos);
  EXPECT_EQ(r.out.find("-mprint-zir-devices"), std::string::npos);
  EXPECT_NE(r.out.find("\n  -mprint-devices           List supported devices\n"), std::string::npos);

  r = inst_.run({"--help=warnings"});
  EXPECT_EQ(r.out, usage +
                       "  -w                        Suppress all warnings\n"
                       "  -Wpedantic                Flag use of non-standard keywords\n"
                       "  -Werror                   Convert warnings to errors\n"
                       "  -Wno-error                Prevent conversion of warnings to errors\n"
                       "  -Wno-                     Disable warnings or messages\n"
                       "  -W                        Enable warnings or messages\n");
  for (const char* only_usage : {"--help=params", "--help=undocumented"}) {
    r = inst_.run({only_usage});
    EXPECT_EQ(r.out, usage) << only_usage;
    EXPECT_EQ(r.status, 0);
  }
  r = inst_.run({"--help=", "x.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(1195)"), std::string::npos);
  // A TEV run hands the option to the TEV driver and goes on.
  r = inst_.run({"-mcpu=kx8m1", "--help"});
  EXPECT_EQ(r.out, "driver ran\n");
  EXPECT_NE(inst_.command_file().find("--help\n"), std::string::npos);
}

}  // namespace
