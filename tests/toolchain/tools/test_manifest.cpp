// Reading manifests by lumo8-cc's rules plus instaudit's strictness.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"
#include "toolchain/tools/manifest.h"

namespace {

const std::string kHash(64, 'a');

struct ReadCase {
  const char* label;
  std::string text;
  manifest_status status;
  std::string first_name;  // when ok
  int bad_line;            // when garbled
};

const ReadCase kReadCases[] = {
    {"usual line", kHash + " *./bin/x\n", manifest_status::ok, "./bin/x", 0},
    {"two blanks", kHash + "  *./bin/x\n", manifest_status::ok, "./bin/x", 0},
    {"no asterisk", kHash + " ./bin/x\n", manifest_status::ok, "./bin/x", 0},
    {"carriage returns", kHash + " *./bin/x\r\n", manifest_status::ok, "./bin/x", 0},
    {"no final line end", kHash + " *./a\n" + kHash + " *./b", manifest_status::ok, "./a", 0},
    {"windows names", kHash + " *.\\bin\\x.exe\n", manifest_status::ok, ".\\bin\\x.exe", 0},
    {"empty file", "", manifest_status::empty, "", 0},
    {"line without blank", kHash + " *./a\n" + kHash + "\n", manifest_status::garbled, "", 2},
    {"blank line", kHash + " *./a\n\n", manifest_status::garbled, "", 2},
    {"capital digest", std::string(64, 'A') + " *./a\n", manifest_status::garbled, "", 1},
    {"short digest", std::string(63, 'a') + " *./a\n", manifest_status::garbled, "", 1},
    {"no name", kHash + " *\n", manifest_status::garbled, "", 1},
};

TEST(Manifest, ReadingRules) {
  testutil::TempDir tmp;
  for (const ReadCase& c : kReadCases) {
    SCOPED_TRACE(c.label);
    testutil::write_file(tmp.file("manifest"), c.text);
    std::vector<manifest_entry> entries;
    manifest_read_result r = manifest_read(tmp.file("manifest").c_str(), &entries);
    EXPECT_EQ(r.status, c.status) << r.detail;
    if (c.status == manifest_status::ok) {
      ASSERT_FALSE(entries.empty());
      EXPECT_EQ(entries[0].name, c.first_name);
      EXPECT_EQ(entries[0].hash, kHash);
    }
    if (c.status == manifest_status::garbled) {
      EXPECT_EQ(r.line, c.bad_line);
    }
  }
  std::vector<manifest_entry> none;
  EXPECT_EQ(manifest_read(tmp.file("absent").c_str(), &none).status, manifest_status::cannot_open);
}

}  // namespace
