// deviceSupport.xml as staged: the form its strict reader needs, and every
// device of both device files listed once under a name that lumo8-cc
// classifies into the device's family.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/uxml2.h"
#include "common/vector.h"
#include "driver/options_process.h"
#include "tests/support/testutil.h"
#include "toolchain/support/tc_devices.h"

namespace {

std::string stage() {
  const char* s = getenv("LUMO_STAGE");
  return s ? s : "";
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Name -> family type (2, 4 or 8) the device files call for; "tev1" is the
// generic core and no device.
std::map<std::string, DeviceType> expected_devices() {
  std::map<std::string, DeviceType> expected;
  uint32_t bad = 0;
  vector* zir = tc_devices_read((stage() + "/zir/dat/zirchips.txt").c_str(), &bad);
  EXPECT_NE(zir, nullptr) << "bad line " << bad;
  vector* tev = tc_devices_read((stage() + "/tev/dat/tevmcus.txt").c_str(), &bad);
  EXPECT_NE(tev, nullptr) << "bad line " << bad;
  if (!zir || !tev) return expected;
  for (const tc_device* d : VecItems<const tc_device*>(zir)) {
    std::string name = d->name;
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    expected[name] = d->values[0] == 18 ? DEVICE_ZIR18 : DEVICE_ZIR;
  }
  for (const tc_device* d : VecItems<const tc_device*>(tev))
    if (std::string(d->name) != "tev1") expected[d->name] = DEVICE_TEV;
  return expected;
}

struct Listed {
  std::string family;
  std::string name;
};

// The device names as lumo8-cc reads them: every attribute value of every
// grandchild of the root, each with its family element's name attribute.
// Empty when the strict reader does not take the document.
std::vector<Listed> read_listing(const std::string& path) {
  std::vector<Listed> out;
  FILE* f = fopen(path.c_str(), "r");
  if (!f) return out;
  uxml_element* root = uxml_read(f);
  fclose(f);
  if (!root) return out;
  for (const auto* family : VecItems<const uxml_element*>(uxml_getChildren(root))) {
    const uxml_attribute* label = uxml_findAttribute(family, "name");
    for (const auto* device : VecItems<const uxml_element*>(uxml_getChildren(family)))
      for (const auto* attr : VecItems<const uxml_attribute*>(uxml_getAttributes(device)))
        out.push_back({label ? uxml_getAttributeValue(label) : "", uxml_getAttributeValue(attr)});
  }
  uxml_freeElement(root);
  return out;
}

TEST(DeviceSupport, DocumentHasTheFormTheStrictReaderNeeds) {
  std::string text = testutil::read_file(stage() + "/bin/deviceSupport.xml");
  std::vector<std::string> lines = lines_of(text);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], R"(<?xml version="1.0" encoding="UTF-8"?>)");
  EXPECT_EQ(lines[1], "<deviceSupport>") << "the root must begin the second line";
  EXPECT_EQ(lines.back(), "</deviceSupport>");
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.find(" ="), std::string::npos);
  EXPECT_EQ(text.find("= "), std::string::npos);
}

TEST(DeviceSupport, ListsEveryDeviceOnceUnderItsFamily) {
  std::map<std::string, DeviceType> expected = expected_devices();
  ASSERT_FALSE(expected.empty());
  std::vector<Listed> listed = read_listing(stage() + "/bin/deviceSupport.xml");
  ASSERT_FALSE(listed.empty()) << "the device list reader does not take the document";
  const std::map<std::string, DeviceType> family_type = {
      {"ZIR", DEVICE_ZIR}, {"ZIR18", DEVICE_ZIR18}, {"TEV", DEVICE_TEV}};
  std::set<std::string> seen;
  for (const Listed& l : listed) {
    SCOPED_TRACE(l.name);
    EXPECT_TRUE(seen.insert(l.name).second) << "listed twice";
    ASSERT_TRUE(family_type.count(l.family)) << l.family;
    auto it = expected.find(l.name);
    ASSERT_NE(it, expected.end()) << "not in the device files (or not lower case)";
    EXPECT_EQ(it->second, family_type.at(l.family));
    EXPECT_EQ(option_DeviceType(l.name.c_str()), it->second) << "lumo8-cc classifies it elsewhere";
  }
  EXPECT_EQ(seen.size(), expected.size());
  EXPECT_FALSE(seen.count("tev1"));
}

}  // namespace
