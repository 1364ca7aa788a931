// The package zip and consistency checks of the debug facility.
// Each case keeps process-wide facility state, so it runs in a child.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <map>
#include <string>
#include <vector>

#include "common/pathstyle.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_assert.h"
#include "tests/support/testutil.h"

namespace {

struct Entry {
  std::string data;
  uint16_t method = 0;
  std::string comment;
};

// Every entry of an archive, read back with the zip library.
std::map<std::string, Entry> read_zip(const std::string& path) {
  std::map<std::string, Entry> entries;
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!za) return entries;
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, i, 0, &st);
    Entry e;
    e.method = st.comp_method;
    zip_uint32_t length = 0;
    if (const char* c = zip_file_get_comment(za, i, &length, 0)) e.comment.assign(c, length);
    zip_file_t* f = zip_fopen_index(za, i, 0);
    e.data.resize(st.size);
    if (f) {
      zip_fread(f, e.data.data(), st.size);
      zip_fclose(f);
    }
    entries[st.name] = e;
  }
  zip_discard(za);
  return entries;
}

void write_zip(const std::string& path, const std::string& name, const std::string& data) {
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(za, nullptr);
  zip_source_t* s = zip_source_buffer(za, data.data(), data.size(), 0);
  ASSERT_GE(zip_file_add(za, name.c_str(), s, 0), 0);
  ASSERT_EQ(zip_close(za), 0);
}

TEST(LumodebugPackage, ArchiveNames) {
  const struct {
    const char* path;
    PathStyle style;
    const char* name;
  } cases[] = {
      {"t.out", PathStyle::windows, "t.out"},
      {"logs\\run\\t.out", PathStyle::windows, "logs/run/t.out"},
      {"C:\\work\\t.out", PathStyle::windows, "SYSTEM_ROOT/work/t.out"},
      {"c:/work/t.out", PathStyle::windows, "SYSTEM_ROOT/work/t.out"},
      // Two backslashes: the path from its fourth character on, as for a drive.
      {"\\\\server\\share\\t.out", PathStyle::windows, "SYSTEM_ROOT/erver/share/t.out"},
      {"C:", PathStyle::windows, "SYSTEM_ROOT"},
      {"1:\\x", PathStyle::windows, "1:/x"},
      {"/tmp/run/t.out", PathStyle::posix, "SYSTEM_ROOT/tmp/run/t.out"},
      {"//t.out", PathStyle::posix, "SYSTEM_ROOT/t.out"},
      {"C:\\work\\t.out", PathStyle::posix, "C:/work/t.out"},
      {"logs/t.out", PathStyle::posix, "logs/t.out"},
  };
  for (const auto& c : cases) EXPECT_STREQ(lumodebug_archiveName(c.path, c.style), c.name) << c.path;
}

struct PackCase {
  const char* what;
  const char* option;
  const char* file;     // added with lumodebug_addToPackage, in the work directory
  const char* comment;
  const char* archive;  // the package zip the option names
  std::vector<std::string> warnings;  // texts after "LUMODEBUG (warning): "
  std::vector<std::string> entries;   // names in the archive afterwards, sorted
};

TEST(LumodebugPackage, AddsToANewOrAnExistingArchive) {
  const PackCase cases[] = {
      {"new archive", "--lumodebug=zip", "data.txt", "the comment", "lumo8_package.zip", {}, {"data.txt"}},
      {"named archive, no comment", "--lumodebug=zip:p.zip", "sub/data.txt", nullptr, "p.zip", {}, {"sub/data.txt"}},
      {"extended", "--lumodebug=zip:+old.zip", "data.txt", nullptr, "old.zip", {}, {"data.txt", "keep.txt"}},
      {"extended, same name replaced", "--lumodebug=zip:+old.zip", "keep.txt", nullptr, "old.zip", {}, {"keep.txt"}},
      {"file absent", "--lumodebug=zip", "absent.txt", nullptr, "lumo8_package.zip", {}, {}},
      {"no zip path", "--lumodebug=alerts", "data.txt", nullptr, "lumo8_package.zip", {}, {}},
      {"not an archive", "--lumodebug=zip:+bad.zip", "data.txt", nullptr, "bad.zip",
       {"Unable to open package zip file (bad.zip) for reading to append \"data.txt\""}, {}},
      {"directory missing", "--lumodebug=zip:gone/p.zip", "data.txt", nullptr, "gone/p.zip",
       {"Unable to finalize package zip (gone/p.zip) after adding \"data.txt\""}, {}},
  };
  for (const PackCase& c : cases) {
    SCOPED_TRACE(c.what);
    testutil::TempDir dir;
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
    testutil::write_file(dir.file("data.txt"), std::string(4000, 'a') + "end\n");
    testutil::write_file(dir.file("sub/data.txt"), "in sub\n");
    testutil::write_file(dir.file("keep.txt"), "new keep\n");
    testutil::write_file(dir.file("bad.zip"), "not a zip");
    write_zip(dir.file("old.zip"), "keep.txt", "old keep\n");
    testutil::RunResult r = testutil::in_child(
        [&c] {
          lumodebug_parse(c.option);
          lumodebug_addToPackage(c.file, c.comment);
          return 0;
        },
        dir.path());
    std::string expected;
    for (const std::string& w : c.warnings) expected += "LUMODEBUG (warning): " + w + "\n";
    EXPECT_EQ(r.err, expected);
    EXPECT_EQ(r.status, 0);
    std::map<std::string, Entry> got = read_zip(dir.file(c.archive));
    std::vector<std::string> names;
    for (const auto& [name, e] : got) names.push_back(name);
    EXPECT_EQ(names, c.entries);
    for (const auto& [name, e] : got) {
      if (name != c.file) continue;
      EXPECT_EQ(e.data, testutil::read_file(dir.file(c.file)));
      EXPECT_EQ(e.method, ZIP_CM_DEFLATE);
      EXPECT_EQ(e.comment, c.comment ? c.comment : "");
    }
    if (std::string(c.what) == "extended") {
      EXPECT_EQ(got["keep.txt"].data, "old keep\n");
    }
    if (std::string(c.what) == "not an archive") {
      EXPECT_EQ(testutil::read_file(dir.file("bad.zip")), "not a zip");
    }
  }
}

TEST(LumodebugPackage, ExistingZipThatCannotBeRemovedIsUpdated) {
  testutil::TempDir dir;
  ASSERT_EQ(mkdir(dir.file("lumo8_package.zip").c_str(), 0755), 0);
  testutil::write_file(dir.file("lumo8_package.zip/x"), "keeps the directory from being removed");
  testutil::RunResult r = testutil::in_child(
      [] {
        lumodebug_parse("--lumodebug=zip");
        return 0;
      },
      dir.path());
  EXPECT_EQ(r.err,
            "LUMODEBUG (warning): Package zip \"lumo8_package.zip\" already exists and will be over-written\n"
            "LUMODEBUG (warning): Unable to remove \"lumo8_package.zip\", it will be updated if possible\n");
}

// db_assert at each level: the message of the level, and whether the run
// goes on.
TEST(LumodebugAssert, Levels) {
  const struct {
    const char* option;
    int status;
    std::string err;
  } cases[] = {
      {"--lumodebug=assert:ignore", 0, "went on\n"},
      {"--lumodebug=assert:warning", 0, "(1501) assertion failure: 1 == 2 (src/a.c:7)  (warning)\nwent on\n"},
      {"--lumodebug=assert:error", 0, "(1502) assertion failure: 1 == 2 (src/a.c:7) \nwent on\n"},
      {"--lumodebug=assert:fatal", 1, "(1503) assertion failure: 1 == 2 (src/a.c:7) \n"},
  };
  for (const auto& c : cases) {
    testutil::TempDir dir;
    testutil::RunResult r = testutil::in_child(
        [&] {
          lumodebug_parse(c.option);
          db_assert_fail("1 == 2", "src/a.c", 7);
          fprintf(stderr, "went on\n");
          return 0;
        },
        dir.path());
    EXPECT_EQ(r.status, c.status) << c.option;
    EXPECT_EQ(r.err, c.err) << c.option;
  }
  // At level 0 the condition is not evaluated.
  int evaluated = 0;
  lumodebug_assertlevel = LDB_ASSERT_IGNORE;
  db_assert(++evaluated == 0);
  EXPECT_EQ(evaluated, 0);
}

}  // namespace
