// The host services of the tool-chain programs, on both builds: a fresh file
// beside another, replacing a file that exists (which Windows' rename
// refuses), and the manifest walk telling the skipped file apart by the
// host's file identity.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/pathstyle.h"
#include "common/sha.h"
#include "tests/support/testutil.h"
#include "toolchain/support/tc_host.h"
#include "toolchain/tools/manifest.h"

namespace {

TEST(TcHost, CreatesFreshFilesBesideAPath) {
  testutil::TempDir tmp;
  const std::string target = tmp.file("lib.a");
  std::vector<std::string> names;
  for (int i = 0; i < 3; ++i) {
    std::string name;
    FILE* f = tc_create_beside(target.c_str(), &name);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fputs("x\n", f) >= 0, true);
    EXPECT_EQ(fclose(f), 0);
    EXPECT_EQ(name.rfind(target + ".", 0), 0u) << name;
    // Binary: the line end is written as given.
    EXPECT_EQ(testutil::read_file(name), "x\n");
    names.push_back(name);
  }
  EXPECT_NE(names[0], names[1]);
  EXPECT_NE(names[1], names[2]);
  std::string none;
  EXPECT_EQ(tc_create_beside(tmp.file("missing/lib.a").c_str(), &none), nullptr);
}

TEST(TcHost, ReplaceMovesOverAnExistingFile) {
  testutil::TempDir tmp;
  struct Case {
    bool target_exists;
    bool source_exists;
    bool replaced;
  };
  const Case cases[] = {{true, true, true}, {false, true, true}, {true, false, false}};
  for (const Case& c : cases) {
    const std::string from = tmp.file("new"), to = tmp.file("old");
    std::remove(from.c_str());
    std::remove(to.c_str());
    if (c.source_exists) testutil::write_file(from, "new");
    if (c.target_exists) testutil::write_file(to, "old");
    EXPECT_EQ(tc_replace(from.c_str(), to.c_str()), c.replaced) << c.target_exists << c.source_exists;
    EXPECT_EQ(testutil::read_file(to), c.replaced ? "new" : c.target_exists ? "old" : "");
    EXPECT_FALSE(testutil::exists(from));
  }
}

TEST(TcHost, ManifestWalkSkipsOnlyTheManifestItself) {
  testutil::TempDir tmp;
  const char sep = path_separator();
  testutil::write_file(tmp.file("b"), "bee");
  std::filesystem::create_directories(tmp.file("d/e"));
  testutil::write_file(tmp.file("d/e/f"), "eff");
  testutil::write_file(tmp.file("manifest"), "old\n");
  std::vector<manifest_entry> entries;
  std::string bad;
  ASSERT_TRUE(manifest_collect(tmp.path(), tmp.file("manifest"), &entries, &bad)) << bad;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, std::string(".") + sep + "b");
  EXPECT_EQ(entries[0].hash, "62cb81b5904a262ffaeed02abef36bfc540b09f964b8b0b636662f77ffce6714");
  EXPECT_EQ(entries[1].name, std::string(".") + sep + "d" + sep + "e" + sep + "f");
  // Written in place of the old one, it reads back the same.
  ASSERT_TRUE(manifest_write(tmp.file("manifest").c_str(), entries));
  std::vector<manifest_entry> back;
  ASSERT_EQ(manifest_read(tmp.file("manifest").c_str(), &back).status, manifest_status::ok);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].name, entries[1].name);
  EXPECT_EQ(back[1].hash, "f90e22675ced9c138e1935a8246a5d47ffcb14763a25eb7fb2f3984876741c01");
  EXPECT_EQ(testutil::list_dir(tmp.path()), (std::vector<std::string>{"b", "d", "manifest"})) << "no temporary stays";
  entries.clear();
  ASSERT_TRUE(manifest_collect(tmp.path(), "", &entries, &bad)) << bad;
  EXPECT_EQ(entries.size(), 3u) << "nothing skipped without a manifest";
}

}  // namespace
