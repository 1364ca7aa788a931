// zircc and zircc18 list the devices of their series as the device file
// gives them, with the name before the only colon of each line (lumo8-cc
// takes the text before the last colon as the name), and refuse everything
// but the listing.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

// The device lines of zirchips.txt whose series is (or is not) 18.
std::string expected_listing(bool series18) {
  std::istringstream in(testutil::read_file(testutil::stage() + "/zir/dat/zirchips.txt"));
  std::string out;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string v; std::getline(fields, v, ':');) f.push_back(v);
    if (f.size() != 5 || (f[1] == "18") != series18) continue;
    out += f[0] + ":series " + f[1] + ", program " + f[2] + ", data " + f[3] + ", eeprom " + f[4] + "\n";
  }
  return out;
}

TEST(Zircc, ChipInfoRawListsItsSeries) {
  for (bool series18 : {false, true}) {
    std::string prog = testutil::stage() + (series18 ? "/zir/bin/zircc18" : "/zir/bin/zircc");
    testutil::RunResult r = testutil::run({prog, "--chipinforaw"});
    EXPECT_EQ(r.status, 0) << prog << r.err;
    EXPECT_EQ(r.out, expected_listing(series18)) << prog;
    EXPECT_EQ(r.err, "");
  }
  EXPECT_NE(expected_listing(false), "");
  EXPECT_NE(expected_listing(true), "");
}

TEST(Zircc, AnythingElseIsANumberedError) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {"--chipinfo"}, {"--chipinforaw", "extra"}, {"-c", "x.c"}, {"--CHIPINFORAW"}};
  for (const std::string prog : {"zir/bin/zircc", "zir/bin/zircc18"})
    for (const auto& args : cases) {
      std::vector<std::string> argv = {testutil::stage() + "/" + prog};
      argv.insert(argv.end(), args.begin(), args.end());
      testutil::RunResult r = testutil::run(argv);
      EXPECT_EQ(r.status, 1) << prog << " " << (args.empty() ? "" : args[0]);
      EXPECT_NE(r.err.find("(2021)"), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "");
    }
  testutil::RunResult help = testutil::run({testutil::stage() + "/zir/bin/zircc", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("listing tool only"), std::string::npos);
}

// Without the device support file lumo8-cc asks zircc and zircc18; the
// names it reads from them must be the ones the file lists.
TEST(Zircc, Lumo8ccReadsTheSameZirDevicesFromTheListings) {
  testutil::TempDir tmp;
  ASSERT_EQ(testutil::run({"/bin/cp", "-a", testutil::stage(), tmp.file("v")}).status, 0);
  const std::string cc = tmp.file("v/bin/lumo8-cc");
  testutil::RunResult from_xml = testutil::run({cc, "-mprint-zir-devices"});
  ASSERT_EQ(from_xml.status, 0) << from_xml.err;
  ASSERT_EQ(testutil::run({"/bin/rm", tmp.file("v/bin/deviceSupport.xml")}).status, 0);
  testutil::RunResult from_tools = testutil::run({cc, "-mprint-zir-devices"});
  EXPECT_EQ(from_tools.status, 0);
  EXPECT_NE(from_tools.out.find("zir18f545\n"), std::string::npos) << from_tools.out;
  EXPECT_EQ(from_tools.out, from_xml.out);
}

}  // namespace
