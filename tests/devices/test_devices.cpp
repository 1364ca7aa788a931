// Device lists from the device support file and from the compilers, the
// listings and target help that print them, and the TEV built-in list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "devices/devices.h"
#include "devices/machdep.h"
#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunResult;
using testutil::TestInstall;
using Texts = std::vector<std::string>;

Texts texts(vector* list) {
  if (!list) return {"(null)"};
  Texts all;
  for (const char* name : VecItems<const char*>(list)) all.push_back(name);
  vec_free(list);
  return all;
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

TEST(DeviceSupportFile, FamiliesAndMasks) {
  testutil::TempDir dir;
  testutil::write_file(dir.file("mixed.xml"),
                       kDecl + "<deviceSupport>\n"
                               "  <family name=\"zir\"><device name=\"ZIR16C401\"/><device name=\"zir12a210\"/></family>\n"
                               "  <family name=\"zir18\"><device name=\"zir18e501\"/></family>\n"
                               "  <family><device name=\"kx8m1\" alias=\"TEV2S16\"/><device name=\"bogus\"/></family>\n"
                               "</deviceSupport>\n");
  testutil::write_file(dir.file("broken.xml"), kDecl + "\n<deviceSupport/>\n");
  testutil::write_file(dir.file("empty.xml"), kDecl + "<deviceSupport/>\n");
  const struct {
    const char* file;
    uint32_t mask;
    Texts names;
  } cases[] = {
      {"mixed.xml", DEVICES_ALL, {"zir16c401", "zir12a210", "zir18e501", "kx8m1", "tev2s16"}},
      {"mixed.xml", DEVICES_ZIR_ALL, {"zir16c401", "zir12a210", "zir18e501"}},
      {"mixed.xml", DEVICES_ZIR18 | DEVICES_TEV, {"zir18e501", "kx8m1", "tev2s16"}},
      {"mixed.xml", 0, {}},
      {"empty.xml", DEVICES_ALL, {}},
      {"broken.xml", DEVICES_ALL, {"(null)"}},
      {"absent.xml", DEVICES_ALL, {"(null)"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(texts(getDeviceListFromXML(c.mask, dir.file(c.file).c_str())), c.names) << c.file << " " << c.mask;
}

TEST(Builtins, OrderIgnoresLeadingUnderscores) {
  vector* list = vec_new();
  for (const char* n : {"__b", "a", "_a", "b", "__a"}) vec_push(list, n);
  vec_sort(list, builtin_compare);
  EXPECT_EQ(texts(list), (Texts{"__a", "_a", "a", "__b", "b"}));
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

// The installation's compilers, which list their devices (the name is the
// text before the last colon), and its device support file.
void with_compilers(const TestInstall& inst) {
  fake_tool(inst.version_dir() + "/zir/bin/zircc", "ZIR16C401:series 16\nDQS1120\n");
  fake_tool(inst.version_dir() + "/zir/bin/zircc18d", "ZIR18E501:x:series 18\n");
  fake_tool(inst.tev_driver(), kTevTargetHelp);
}
std::string support_file(const TestInstall& inst) { return inst.version_dir() + "/bin/deviceSupport.xml"; }

// The listings from the file, else from the compilers. A device file that
// is not a readable regular file is never waited on: a FIFO without a
// writer is not opened so that it could block.
TEST(Listings, FromTheFileOrTheCompilers) {
  const std::string missing = "::: warning: deviceSupport.xml missing. Supported device list may be inaccurate\n";
  const std::string unreadable =
      "::: warning: deviceSupport.xml could not be read. Supported device list may be inaccurate\n";
  const std::string zir = "zir16c401\ndqs1120\nzir18e501:x\n";
  const struct {
    std::string file;  // the support file's text, "<fifo>", "<dir>", or "" for none
    bool compilers;    // else none, and no TEV driver
    Texts args;
    std::string out;  // the whole output, or for --target-help a line of it
    std::string err;
  } cases[] = {
      {"", true, {"-mprint-devices"}, zir + "kx8m1\nkx16m1\ntev2s16\n", missing},
      {"", true, {"-mcpu=kx8m1", "-mprint-zir-devices"}, zir, missing},
      {"", false, {"-mprint-devices"}, "", missing},
      {"not xml\n", true, {"-mprint-zir-devices"}, zir, unreadable},
      {"<fifo>", true, {"-mprint-zir-devices"}, zir, unreadable},
      {"<fifo>", true, {"--target-help"}, "Known device names:\n", unreadable},
      {"<dir>", true, {"-mprint-zir-devices"}, zir, unreadable},
      {"<dir>", true, {"--target-help"}, "Known device names:\n", unreadable},
      {kDecl + "<d>\n<f><x n=\"KX2T1\"/><x n=\"zir10a110\"/><x n=\"a\"/><x n=\"b\"/><x n=\"zir18e501\"/></f>\n</d>\n",
       true, {"-mprint-devices"}, "kx2t1\nzir10a110\nzir18e501\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back() + " " + c.file);
    TestInstall inst;
    const std::string file = support_file(inst);
    fs::remove(file);
    if (c.compilers) with_compilers(inst);
    if (!c.compilers) fs::remove(inst.tev_driver());
    ASSERT_TRUE(c.file != "<fifo>" || mkfifo(file.c_str(), 0600) == 0);
    if (c.file == "<dir>") fs::create_directory(file);
    if (!c.file.empty() && c.file != "<fifo>" && c.file != "<dir>") testutil::write_file(file, c.file);
    RunResult r = inst.run(c.args, {}, std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0);
    if (c.args.back() == "--target-help")
      EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    else
      EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(inst.driver_argv().empty());
  }
}

// The ZIR rows of the option table, then the TEV driver's own target help
// without its assembler options and the devices of the file in columns;
// without the TEV driver only the ZIR part and the devices.
TEST(Listings, TargetHelp) {
  TestInstall inst;
  with_compilers(inst);
  testutil::write_file(support_file(inst),
                       kDecl + "<d><f><x n=\"zir10a110\"/><x n=\"zir10a120\"/><x n=\"zir12a210\"/><x n=\"kx2t1\"/></f>"
                               "<f><x n=\"kx4t1\"/></f></d>\n");
  RunResult r = inst.run({"--target-help"});
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(r.out.rfind("\nThe following options are ZIR10/12/14/16/18 target specific:\n\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("  -mstack                   Specify default stack model and size\n"), std::string::npos);
  EXPECT_EQ(r.out.find("-mcpu "), std::string::npos);  // not a target row
  EXPECT_TRUE(r.out.ends_with(
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
      "               kx4t1 \n"))
      << r.out;
  EXPECT_EQ(r.err, "");
  fs::remove(inst.tev_driver());
  r = inst.run({"-mcpu=zir16c401", "--target-help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("TEV target specific"), std::string::npos);
  EXPECT_NE(r.out.find("Known device names:\n"), std::string::npos);
}

// The help of a class that has no rows is the usage alone; a class must be
// named. (The whole help, the built-ins and what a TEV run hands on are in
// the option record.)
TEST(Listings, HelpClasses) {
  TestInstall inst;
  for (const char* only_usage : {"--help=params", "--help=undocumented"}) {
    RunResult r = inst.run({only_usage});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Usage: lumo8-cc [options] file...\nOptions:\n") << only_usage;
  }
  RunResult r = inst.run({"--help=", "x.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(1195)"), std::string::npos);
}

}  // namespace
