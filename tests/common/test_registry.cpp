// Product registry: the banner's bytes, named paths by path type, the line
// reader, and the catalogue identity the build number gives.
#include "common/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/stringcache.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;

std::string text(const char* s) { return s ? s : "(null)"; }

TEST(Registry, BannerBytes) {
  testutil::RunResult r = testutil::in_child([] {
    reg_banner();
    return 0;
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "\nProduct:\tLumo8\nComponent:\tlumo8-cc\nVersion:\t2.50 \nBuild date:\tJul 25 2024\n"
            "Release:\t\nBuild number:\t20240725155939\nCopyright (C) 2024 Lumo8 tool chain developers\n");
  EXPECT_EQ(r.err, "");
}

TEST(Registry, VersionAndCatalogueIdentity) {
  EXPECT_EQ(reg_version(), sc_intern("2.50"));
  EXPECT_STREQ(kEmbeddedCatalogueName, "20240725155939_en.msgs");
  EXPECT_EQ(kEmbeddedCatalogueVersion, 20240725155939ULL);
}

// Absolute names stand as they are whatever the installation; relative ones
// need the directory of their path type.
TEST(Registry, NamedPaths) {
  testutil::TempDir tmp;
  const std::string ver = fs::canonical(tmp.path()).string() + "/lumo8/v2.50";
  fs::create_directories(ver + "/zir");
  const struct {
    bool installed;
    uint32_t type;
    const char* name;
    std::string path;
  } cases[] = {
      {false, REG_PATH_DAT, "/x/y.txt", "/x/y.txt"},
      {true, REG_PATH_DAT, "/x/y.txt", "/x/y.txt"},
      {false, REG_PATH_DAT, "y.txt", "(null)"},
      {true, REG_PATH_DAT, "y.txt", ver + "/zir/dat/y.txt"},
      {true, REG_PATH_INSTALL, "sub/y.txt", ver + "/zir/sub/y.txt"},
      {true, 9, "y.txt", "(null)"},
      {true, REG_PATH_DAT, nullptr, "(null)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(text(c.name) + (c.installed ? " installed" : ""));
    lumoinstdir_reset();
    if (c.installed) {
      ASSERT_EQ(lumoinstdir_set(ver.c_str()), 0);
    }
    EXPECT_EQ(text(reg_mkpath(c.type, c.name)), c.path);
  }
  lumoinstdir_reset();
}

TEST(Registry, LineReader) {
  testutil::TempDir tmp;
  testutil::write_file(tmp.file("in"), "first\ncrlf\r\n\nno end");
  FILE* in = fopen(tmp.file("in").c_str(), "r");
  ASSERT_NE(in, nullptr);
  std::vector<std::string> lines;
  char* line = nullptr;
  while (char* got = reg_getline(&line, in)) {
    EXPECT_EQ(got, line);
    lines.emplace_back(line);
    free(line);
  }
  fclose(in);
  EXPECT_EQ(line, nullptr);
  // Read as text on every host: CR LF is a line end.
  EXPECT_EQ(lines, (std::vector<std::string>{"first\n", "crlf\n", "\n", "no end"}));
}

}  // namespace
