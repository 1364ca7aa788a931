// The example project built through lumo8-cc and the real back ends for
// every device the installation lists: each back end checks the option
// language strictly, so a translation it does not take fails here.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/fileutils.h"
#include "devices/devices.h"
#include "driver/options_process.h"
#include "tests/support/testutil.h"
#include "tests/toolchain/lumo8/lumo8_run.h"

namespace {

using testutil::RunResult;
using testutil::TempDir;

std::vector<std::string> listed_devices() {
  std::vector<std::string> names;
  vector* list = getDeviceListFromXML(DEVICES_ALL, (testutil::stage() + "/bin/deviceSupport.xml").c_str());
  for (uint32_t i = 0; list && i < vec_size(list); ++i) names.push_back(vec_get_as<const char*>(list, i));
  if (list) vec_free(list);
  return names;
}

RunResult build(const TempDir& dir, const std::string& device, const std::vector<std::string>& options) {
  const std::string src = std::string(LUMO_SOURCE_DIR) + "/examples/blink";
  std::vector<std::string> argv{testutil::stage() + "/bin/lumo8-cc", "-mcpu=" + device};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(src + "/main.c");
  argv.push_back(src + "/led.c");
  return testutil::run(argv, dir.path());
}

// A full build and a compile of every device the installation lists: a
// well-formed HEX image or an ELF executable, p1 files or ELF objects.
TEST(ExampleBuilds, EveryDevice) {
  const std::vector<std::string> devices = listed_devices();
  EXPECT_GE(devices.size(), 24u);
  for (const std::string& device : devices) {
    SCOPED_TRACE(device);
    TempDir dir;
    const bool tev = option_DeviceType(device.c_str()) == DEVICE_TEV;
    const std::string image = tev ? "blink.elf" : "blink.hex";
    RunResult r = build(dir, device, {"-O2", "-Wall", "-DLED_PIN=3", "-o", image});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = build(dir, device, {"-c", "-Os", "-std=c90", "-Wl,--data-init"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string object = tev ? ".o" : ".p1";
    for (const std::string& file : {image, "main" + object, "led" + object}) {
      if (tev) {
        EXPECT_EQ(which_elf(dir.file(file).c_str()), static_cast<uint64_t>(FID_ELF_TEV)) << file;
      } else if (file == image) {
        const std::vector<l8test::HexRecord> records = l8test::hex_records(testutil::read_file(dir.file(image)));
        ASSERT_GE(records.size(), 2u);
        EXPECT_EQ(records.front().type, 0u);
        EXPECT_EQ(records.back().type, 1u);
      } else {
        EXPECT_TRUE(fileid_is_p1(dir.file(file).c_str())) << file;
      }
    }
  }
}

// A traced build: lumo8-cc hands the option on to the ZIR driver, and each
// program keeps a trace file of its own. The driver's must not replace the
// one of the lumo8-cc that started it, which begins with its argument log.
TEST(ExampleBuilds, ATracedBuildKeepsATraceForEachProgram) {
  struct Case {
    const char* option;
    const char* own;  // lumo8-cc's trace
  };
  for (const Case& c : {Case{"--lumodebug=on", "lumo8-cc-1.out"}, Case{"--lumodebug=num:3,on", "lumo8-cc-3.out"}}) {
    SCOPED_TRACE(c.option);
    TempDir dir;
    RunResult r = build(dir, "zir16c401", {c.option, "-c"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testutil::list_dir(dir.path()),
              (std::vector<std::string>{"led.p1", "lumo8-1.out", c.own, "main.p1"}));
    const std::string own = testutil::read_file(dir.file(c.own));
    const std::string log = "\nAPP: LUMO8-CC\nARGS: " + testutil::stage() + "/bin/lumo8-cc -mcpu=zir16c401 " + c.option;
    EXPECT_EQ(own.rfind(log, 0), 0u) << own.substr(0, 200);
    // The driver traces from its arguments on: a command file is read.
    EXPECT_NE(testutil::read_file(dir.file("lumo8-1.out")).find("ENTER vec_append("), std::string::npos);
  }
}

}  // namespace
