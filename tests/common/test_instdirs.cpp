// Installation directories: the derivation from an executable path in real
// scratch trees (links included), the sub-directory indexes, the version
// directory named by the self test, and the path types with overrides and the
// C library selection. The module state is process-wide: every test starts
// from reset state, and cases that change directory run in a child.
//
// The test program itself lies in no installation, so a lookup that falls
// back on the running executable fails.
#include "common/lumoinstdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::TempDir;

std::string text(const char* s) { return s ? s : "(null)"; }

// A scratch tree; paths are given relative to its real top directory.
class Tree {
 public:
  std::string at(const std::string& rel) const { return rel.empty() ? top_ : top_ + "/" + rel; }
  void dirs(const std::vector<std::string>& rels) const {
    for (const std::string& rel : rels) fs::create_directories(at(rel));
  }
  // An executable file, its directories made first.
  std::string exe(const std::string& rel) const {
    fs::create_directories(fs::path(at(rel)).parent_path());
    testutil::write_file(at(rel), "");
    return at(rel);
  }
  void link(const std::string& rel, const std::string& target) const {
    fs::create_directories(fs::path(at(rel)).parent_path());
    fs::create_symlink(target, at(rel));
  }

 private:
  TempDir dir_;
  std::string top_ = fs::canonical(dir_.path()).string();
};

class InstDirs : public testing::Test {
 protected:
  void SetUp() override {
    lumoinstdir_reset();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(InstDirs, DerivationFromEveryBinPosition) {
  struct Case {
    const char* label;
    std::vector<std::string> dirs;
    const char* exe;
    const char* ver;  // null: not an installation
  };
  const Case cases[] = {
      {"version bin", {"lumo8/v2.50/zir"}, "lumo8/v2.50/bin/lumo8-cc", "lumo8/v2.50"},
      {"zir bin", {}, "lumo8/v2.50/zir/bin/lumo8-cc", "lumo8/v2.50"},
      {"zir-as bin", {"lumo8/v2.50/zir"}, "lumo8/v2.50/zir-as/bin/zir-as", "lumo8/v2.50"},
      {"names in capitals", {"lumo8/v2.50/zir"}, "lumo8/v2.50/ZIR-AS/BIN/zir-as", "lumo8/v2.50"},
      {"a root of any name", {"v2.50/zir"}, "v2.50/bin/lumo8-cc", "v2.50"},
      {"not in bin", {"lumo8/v2.50/zir"}, "lumo8/v2.50/tools/lumo8-cc", nullptr},
      {"a name that only starts with bin", {"lumo8/v2.50/zir"}, "lumo8/v2.50/bin2/lumo8-cc", nullptr},
      {"bin below another tool", {"lumo8/v2.50/zir"}, "lumo8/v2.50/tev/bin/tev-gcc", nullptr},
      {"no zir beside bin", {"lumo8/v2.50/docs"}, "lumo8/v2.50/bin/lumo8-cc", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    SetUp();
    Tree tree;
    tree.dirs(c.dirs);
    std::string exe = tree.exe(c.exe);
    EXPECT_EQ(set_lumoinstall_paths_from(exe.c_str()), c.ver != nullptr);
    if (c.ver) {
      std::string ver = tree.at(c.ver);
      EXPECT_EQ(text(lumoinstdir(LUMOINSTDIR_VER)), ver);
      EXPECT_EQ(text(lumoinstdir(LUMOINSTDIR_ROOT)), fs::path(ver).parent_path().string());
    } else {
      EXPECT_EQ(lumoinstdir(LUMOINSTDIR_VER), nullptr);
      EXPECT_EQ(lumoinstdir(LUMOINSTDIR_ROOT), nullptr);
      EXPECT_EQ(reg_instdir(REG_PATH_DAT), nullptr);
    }
  }
}

// A failing derivation keeps what an earlier one found, and texts that name
// nothing are judged as texts.
TEST_F(InstDirs, FailuresLeaveTheStateAsItWas) {
  Tree tree;
  tree.dirs({"lumo8/v2.50/zir"});
  const std::string good = tree.exe("lumo8/v2.50/bin/lumo8-cc");
  const std::string not_bin = tree.exe("elsewhere/lumo8-cc");
  const char* const failing[] = {
      nullptr,            not_bin.c_str(),  "lumo8-cc",      "bin/lumo8-cc", "zir/bin/lumo8-cc",
      "/lumo8-cc",        "/bin/lumo8-cc",  "",              "bin/./lumo8-cc",
  };
  testutil::RunResult r = testutil::in_child(
      [&] {
        int failures = 0;
        if (!set_lumoinstall_paths_from(good.c_str())) return 90;
        for (const char* progname : failing) {
          if (set_lumoinstall_paths_from(progname)) ++failures;
          if (text(lumoinstdir(LUMOINSTDIR_VER)) != tree.at("lumo8/v2.50")) ++failures;
        }
        return failures;
      },
      tree.at(""));
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(InstDirs, SymbolicLinksLeadToTheRealInstallation) {
  Tree tree;
  tree.dirs({"real/lumo8/v2.50/zir"});
  const std::string exe = tree.exe("real/lumo8/v2.50/bin/lumo8-cc");
  tree.link("links/lumo8-cc", exe);
  tree.link("usr/bin/lumo8-cc", exe);
  tree.link("usr/bin/cc8", tree.at("links/lumo8-cc"));
  tree.link("alias", tree.at("real/lumo8/v2.50"));
  const char* const via[] = {
      "links/lumo8-cc",      // a link outside any bin directory
      "usr/bin/lumo8-cc",    // a link in a bin directory of another tree
      "usr/bin/cc8",         // a link to a link
      "alias/bin/lumo8-cc",  // through a linked version directory
  };
  for (const char* path : via) {
    SCOPED_TRACE(path);
    SetUp();
    EXPECT_TRUE(set_lumoinstall_paths_from(tree.at(path).c_str()));
    EXPECT_EQ(text(lumoinstdir(LUMOINSTDIR_VER)), tree.at("real/lumo8/v2.50"));
    EXPECT_EQ(text(lumoinstdir(LUMOINSTDIR_ROOT)), tree.at("real/lumo8"));
  }
}

TEST_F(InstDirs, VersionDirectoryNamedByTheSelfTest) {
  Tree tree;
  tree.dirs({"other/v9", "lumo8/v2.50/zir"});
  struct Case {
    const char* label;
    std::string path;
    const char* cwd;
    int status;
    std::string ver, root;  // afterwards; "(null)" when unknown
  };
  const Case cases[] = {
      {"an installation without zir", tree.at("other/v9"), "", 0, tree.at("other/v9"), tree.at("other")},
      {"a relative name is made absolute", "v2.50", "lumo8", 0, tree.at("lumo8/v2.50"), tree.at("lumo8")},
      {"a missing directory", tree.at("other/v8"), "", 1, "(null)", "(null)"},
      {"the root has no parent", "/", "", 1, "(null)", "(null)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    testutil::RunResult r = testutil::in_child(
        [&] {
          int status = lumoinstdir_set(c.path.c_str());
          bool same = text(lumoinstdir(LUMOINSTDIR_VER)) == c.ver && text(lumoinstdir(LUMOINSTDIR_ROOT)) == c.root;
          return status == c.status && same ? 0 : 1;
        },
        tree.at(c.cwd));
    EXPECT_EQ(r.status, 0);
  }
}

TEST_F(InstDirs, DatDirectoryWithAndWithoutZir) {
  Tree tree;
  tree.dirs({"with/v2.50/zir", "without/v2.50/bin"});
  const struct {
    const char* ver;
    uint32_t type;
    const char* dir;
  } cases[] = {
      {"with/v2.50", REG_PATH_DAT, "with/v2.50/zir/dat"},
      {"with/v2.50", REG_PATH_INSTALL, "with/v2.50/zir"},
      {"without/v2.50", REG_PATH_DAT, "without/v2.50/dat"},
      {"without/v2.50", REG_PATH_INSTALL, "without/v2.50"},
      {"without/v2.50", REG_PATH_DOCS, "without/v2.50/docs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir);
    SetUp();
    ASSERT_EQ(lumoinstdir_set(tree.at(c.ver).c_str()), 0);
    EXPECT_EQ(text(reg_instdir(c.type)), tree.at(c.dir));
  }
  EXPECT_EQ(reg_instdir(9), nullptr);
  EXPECT_EQ(reg_instdir(11), nullptr);
}

}  // namespace
