// The staged data of an installation. deviceSupport.xml: the form its
// strict reader needs, and every device of both device files listed once
// under a name that lumo8-cc classifies into the device's family. The
// headers: valid C on their own, every header compiling alone (so it
// includes what it needs) with the host compiler, without the host's system
// headers, in each language mode and chip selection the drivers use.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "common/vector.h"
#include "devices/devices.h"
#include "driver/options_process.h"
#include "tests/support/testutil.h"
#include "toolchain/support/tc_devices.h"

namespace {

// Name -> family type (2, 4 or 8) the device files call for; "tev1" is the
// generic core and no device.
std::map<std::string, DeviceType> expected_devices() {
  std::map<std::string, DeviceType> expected;
  uint32_t bad = 0;
  vector* zir = tc_devices_read((testutil::stage() + "/zir/dat/zirchips.txt").c_str(), &bad);
  EXPECT_NE(zir, nullptr) << "bad line " << bad;
  vector* tev = tc_devices_read((testutil::stage() + "/tev/dat/tevmcus.txt").c_str(), &bad);
  EXPECT_NE(tev, nullptr) << "bad line " << bad;
  if (!zir || !tev) return expected;
  for (const tc_device* d : VecItems<const tc_device*>(zir)) {
    std::string name = d->name;
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    expected[name] = d->values[0] == 18 ? DEVICE_ZIR18 : DEVICE_ZIR;
  }
  for (const tc_device* d : VecItems<const tc_device*>(tev))
    if (std::string(d->name) != "tev1") expected[d->name] = DEVICE_TEV;
  tc_devices_free(zir);
  tc_devices_free(tev);
  return expected;
}

TEST(DeviceSupport, DocumentHasTheFormTheStrictReaderNeeds) {
  std::string text = testutil::read_file(testutil::stage() + "/bin/deviceSupport.xml");
  std::vector<std::string> lines = testutil::lines_of(text);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"(<?xml version="1.0" encoding="UTF-8"?>)");
  EXPECT_EQ(lines[1], "<deviceSupport>") << "the root must begin the second line";
  EXPECT_EQ(lines.back(), "</deviceSupport>");
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find(" ="), std::string::npos);
  EXPECT_EQ(text.find("= "), std::string::npos);
}

// The device names as lumo8-cc reads them, each once and classified into
// its family.
TEST(DeviceSupport, ListsEveryDeviceOnceInItsFamily) {
  const std::map<std::string, DeviceType> expected = expected_devices();
  ASSERT_FALSE(expected.empty());
  vector* names = getDeviceListFromXML(DEVICES_ALL, (testutil::stage() + "/bin/deviceSupport.xml").c_str());
  ASSERT_NE(names, nullptr) << "the device list reader does not take the document";
  std::map<std::string, DeviceType> listed;
  for (const char* name : VecItems<const char*>(names))
    EXPECT_TRUE(listed.emplace(name, option_DeviceType(name)).second) << name << " listed twice";
  vec_free(names);
  EXPECT_EQ(listed, expected);
}

struct HeaderSet {
  const char* label;
  const char* std;
  std::vector<std::string> dirs;  // relative to the installation; first wins
  std::vector<std::string> defines;
  std::vector<std::string> headers;
};

const std::vector<std::string> kZirEntry = {"lumo.h", "zir_core.h", "zir16c401.h"};
const std::vector<std::string> kC90 = {"stdio.h",  "stdlib.h", "string.h", "stddef.h",
                                       "limits.h", "assert.h", "ctype.h"};

std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const HeaderSet kSets[] = {
    {"zir c90", "c90", {"zir/include/c90", "zir/include"}, {}, plus(kZirEntry, kC90)},
    {"zir c99", "c99", {"zir/include/c99", "zir/include"}, {}, plus(plus(kZirEntry, kC90), {"stdint.h", "stdbool.h"})},
    {"zir c99 chip 16c401", "c99", {"zir/include/c99", "zir/include"}, {"-D__ZIR16C401__"}, {"lumo.h"}},
    {"zir c99 series 18", "c99", {"zir/include/c99", "zir/include"}, {"-D__ZIR18__"}, {"lumo.h", "zir18_core.h"}},
    {"zir c99 series number 18", "c99", {"zir/include/c99", "zir/include"}, {"-D__ZIR_SERIES=18"}, {"lumo.h"}},
    {"zir c90 chip 18f545", "c90", {"zir/include/c90", "zir/include"}, {"-D__ZIR18__", "-D__ZIR18F545__"},
     {"lumo.h", "zir18f545.h"}},
    {"tev", "c99", {"tev/include"}, {}, {"lumo.h", "tev.h", "stdio.h", "stdint.h", "string.h", "stdlib.h",
                                         "stddef.h", "stdbool.h", "limits.h"}},
};

TEST(Headers, EachHeaderCompilesAloneWithoutHostHeaders) {
  testutil::TempDir tmp;
  for (const HeaderSet& set : kSets) {
    for (const std::string& header : set.headers) {
      SCOPED_TRACE(std::string(set.label) + ": " + header);
      std::string source = tmp.file("use.c");
      // Twice: the include guards must hold.
      testutil::write_file(source, "#include <" + header + ">\n#include <" + header +
                                       ">\nint lumo_header_probe(void) { return 0; }\n");
      std::vector<std::string> argv = {LUMO_HOST_CC, std::string("-std=") + set.std, "-pedantic-errors", "-Wall",
                                       "-Werror",    "-fsyntax-only",                 "-nostdinc"};
      for (const std::string& d : set.dirs) argv.push_back("-I" + testutil::stage() + "/" + d);
      argv.insert(argv.end(), set.defines.begin(), set.defines.end());
      argv.push_back(source);
      testutil::RunResult r = testutil::run(argv);
      EXPECT_EQ(r.status, 0) << r.err;
    }
  }
}

TEST(Headers, LumoHeaderPicksTheChipAndSeriesDefinitions) {
  struct Pick {
    std::vector<std::string> defines;
    const char* probe;  // must compile with these macros
    bool compiles;
  };
  // _ROMSIZE comes from a chip header; LATA only from the series 18 core,
  // PCL only from the core of series 10 to 16.
  const Pick picks[] = {
      {{"-D__ZIR16C401__"}, "int p(void) { return _ROMSIZE == 1024 && PCL; }", true},
      {{}, "int p(void) { return _ROMSIZE; }", false},
      {{"-D__ZIR_SERIES=18"}, "int p(void) { return LATA; }", true},
      {{"-D__ZIR_SERIES=16"}, "int p(void) { return LATA; }", false},
      {{"-D__ZIR_SERIES=16"}, "int p(void) { return PCL; }", true},
      {{"-D__ZIR18__", "-D__ZIR18F545__"}, "int p(void) { return _EEPROMSIZE == 1024 && PORTD && LATA; }", true},
      {{"-D__ZIR18F545__", "-D_ROMSIZE=65536"}, "int p(void) { return _ROMSIZE; }", true},
  };
  testutil::TempDir tmp;
  for (const Pick& pick : picks) {
    SCOPED_TRACE(pick.probe);
    testutil::write_file(tmp.file("chip.c"), std::string("#include <lumo.h>\n") + pick.probe + "\n");
    std::vector<std::string> argv = {LUMO_HOST_CC, "-fsyntax-only", "-nostdinc", "-Werror",
                                     "-I" + testutil::stage() + "/zir/include"};
    argv.insert(argv.end(), pick.defines.begin(), pick.defines.end());
    argv.push_back(tmp.file("chip.c"));
    testutil::RunResult r = testutil::run(argv);
    EXPECT_EQ(r.status == 0, pick.compiles) << r.err;
  }
}

}  // namespace
