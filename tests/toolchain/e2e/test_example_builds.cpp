// The example project built through lumo8-cc and the real back ends for
// every device the installation lists: each back end checks the option
// language strictly, so a translation it does not take fails here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "devices/devices.h"
#include "driver/options_process.h"
#include "tests/support/testutil.h"

namespace {

using testutil::RunResult;
using testutil::TempDir;

std::string stage() {
  const char* s = getenv("LUMO_STAGE");
  return s ? s : "";
}

std::vector<std::string> listed_devices() {
  std::vector<std::string> names;
  vector* list = getDeviceListFromXML(DEVICES_ALL, (stage() + "/bin/deviceSupport.xml").c_str());
  for (uint32_t i = 0; list && i < vec_size(list); ++i) names.push_back(vec_get_as<const char*>(list, i));
  if (list) vec_free(list);
  return names;
}

// An Intel HEX image: every line a record with a correct checksum, data
// records before the one end record that closes the file.
::testing::AssertionResult valid_hex(const std::string& text) {
  size_t data_records = 0;
  bool ended = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    std::string line = text.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
    pos = eol == std::string::npos ? text.size() : eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (ended) return ::testing::AssertionFailure() << "a record after the end record";
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0)
      return ::testing::AssertionFailure() << "not a record: " << line;
    std::vector<unsigned> bytes;
    for (size_t i = 1; i + 1 < line.size(); i += 2) bytes.push_back(std::stoul(line.substr(i, 2), nullptr, 16));
    if (bytes.size() != bytes[0] + 5u) return ::testing::AssertionFailure() << "wrong length: " << line;
    unsigned sum = 0;
    for (unsigned b : bytes) sum += b;
    if (sum % 256 != 0) return ::testing::AssertionFailure() << "wrong checksum: " << line;
    if (bytes[3] == 0) ++data_records;
    if (bytes[3] == 1) ended = true;
  }
  if (!ended) return ::testing::AssertionFailure() << "no end record";
  if (data_records == 0) return ::testing::AssertionFailure() << "no data";
  return ::testing::AssertionSuccess();
}

RunResult build(const TempDir& dir, const std::string& device, const std::vector<std::string>& options) {
  const std::string src = std::string(LUMO_SOURCE_DIR) + "/examples/blink";
  std::vector<std::string> argv{stage() + "/bin/lumo8-cc", "-mcpu=" + device};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(src + "/main.c");
  argv.push_back(src + "/led.c");
  return testutil::run(argv, dir.path());
}

TEST(ExampleBuilds, TheInstallationListsDevicesOfEveryFamily) {
  int families = 0;
  const std::vector<std::string> devices = listed_devices();
  for (DeviceType type : {DEVICE_ZIR, DEVICE_ZIR18, DEVICE_TEV}) {
    for (const std::string& d : devices)
      if (option_DeviceType(d.c_str()) == type) {
        ++families;
        break;
      }
  }
  EXPECT_EQ(families, 3);
  EXPECT_GE(devices.size(), 24u);
}

TEST(ExampleBuilds, FullBuildForEveryDevice) {
  for (const std::string& device : listed_devices()) {
    SCOPED_TRACE(device);
    TempDir dir;
    const bool tev = option_DeviceType(device.c_str()) == DEVICE_TEV;
    const std::string image = tev ? "blink.elf" : "blink.hex";
    RunResult r = build(dir, device, {"-O2", "-Wall", "-DLED_PIN=3", "-o", image});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    if (tev)
      EXPECT_EQ(which_elf(dir.file(image).c_str()), static_cast<uint64_t>(FID_ELF_TEV));
    else
      EXPECT_TRUE(valid_hex(testutil::read_file(dir.file(image))));
  }
}

TEST(ExampleBuilds, CompileOnlyForEveryDevice) {
  for (const std::string& device : listed_devices()) {
    SCOPED_TRACE(device);
    TempDir dir;
    const bool tev = option_DeviceType(device.c_str()) == DEVICE_TEV;
    RunResult r = build(dir, device, {"-c", "-Os", "-std=c90", "-Wl,--data-init"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* stem : {"main", "led"}) {
      const std::string object = dir.file(std::string(stem) + (tev ? ".o" : ".p1"));
      if (tev)
        EXPECT_EQ(which_elf(object.c_str()), static_cast<uint64_t>(FID_ELF_TEV)) << object;
      else
        EXPECT_TRUE(fileid_is_p1(object.c_str())) << object;
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
    EXPECT_EQ(own.rfind("\nAPP: LUMO8-CC\nARGS: " + stage() + "/bin/lumo8-cc -mcpu=zir16c401 " + c.option, 0), 0u)
        << own.substr(0, 200);
    // The driver traces from its arguments on: a command file is read.
    EXPECT_NE(testutil::read_file(dir.file("lumo8-1.out")).find("ENTER vec_append("), std::string::npos);
  }
}

}  // namespace
