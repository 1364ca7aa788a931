// The path table: text rules in both host styles, and the file-system calls
// on real scratch directories.
#include "common/osdep_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/testutil.h"

namespace {

constexpr PathStyle W = PathStyle::windows;
constexpr PathStyle P = PathStyle::posix;

// Takes a heap result of the path table; null becomes "(null)".
std::string take(char* s) {
  std::string r = s ? s : "(null)";
  free(s);
  return r;
}

// The working directory moved to a fresh scratch directory for one test.
class InScratchDir {
 public:
  InScratchDir() : old_(take(osd_getcwd())) { EXPECT_EQ(chdir(dir_.path().c_str()), 0); }
  ~InScratchDir() { EXPECT_EQ(chdir(old_.c_str()), 0); }
  InScratchDir(const InScratchDir&) = delete;
  InScratchDir& operator=(const InScratchDir&) = delete;

 private:
  testutil::TempDir dir_;
  std::string old_;
};

TEST(OsdPath, NormaliseJoinAndAbsoluteTest) {
  struct Case {
    PathStyle style;
    const char* in;
    const char* out;
  };
  const Case normalised[] = {
      {W, "C:\\a\\.\\b\\..\\c\\", "C:\\a\\c"}, {W, "C:\\", "C:\\"},        {W, "C:/x//y/", "C:\\x\\y"},
      {W, "C:\\..\\a", "C:\\a"},               {W, "C:a\\..\\..\\b", "C:..\\b"},
      {W, "\\\\srv\\share\\.\\x\\", "\\\\srv\\share\\x"},                  {W, "/a/b/..", "\\a"},
      {P, "/", "/"},                           {P, "//a///b/", "/a/b"},    {P, "/a/../..", "/"},
      {P, "../../x/./", "../../x"},            {P, "a/b/../../..", ".."},  {P, "a\\b", "a/b"},
      {P, "./", "."},                          {P, "", ""},
  };
  for (const Case& c : normalised) EXPECT_EQ(take(path_normalise(c.in, c.style)), c.out) << c.in;

  struct Join {
    const char* a;
    const char* b;
    PathStyle style;
    const char* out;
  };
  const Join joins[] = {
      {"a/", "/b", P, "a/b"}, {"/", "etc", P, "/etc"}, {"a", "b/c", W, "a\\b/c"}, {"C:\\", "\\x", W, "C:\\x"},
      {"dir", "", P, "dir/"}, {"", "b", P, "(null)"},  {nullptr, "b", W, "(null)"},
  };
  for (const Join& j : joins) EXPECT_EQ(take(path_join(j.a, j.b, j.style)), j.out) << j.b;

  for (const char* p : {"C:\\x", "c:", "\\\\srv\\s"}) EXPECT_TRUE(path_is_absolute(p, W)) << p;
  for (const char* p : {"\\x", "/usr", "C", ""}) EXPECT_FALSE(path_is_absolute(p, W)) << p;
  EXPECT_TRUE(path_is_absolute("/usr", P));
  EXPECT_FALSE(path_is_absolute("C:\\x", P));
}

TEST(OsdPath, Splitting) {
  struct Case {
    const char* p;
    const char* basename;
    const char* stem_dot;
    const char* stem;
    const char* extension;
    const char* dirname;
  };
  const Case cases[] = {
      {"x\\foo.c", "foo.c", "foo.", "foo", ".c", "x"},
      {"dir/sub/file.tar.gz", "file.tar.gz", "file.tar.", "file.tar", ".gz", "dir/sub"},
      {"noext", "noext", "noext", "noext", "", "(null)"},
      {"a.d/obj", "obj", "obj", "obj", "", "a.d"},
      {"C:main.h", "main.h", "main.", "main", ".h", "C"},
      {"a\\b/c.s", "b/c.s", "b/c.", "b/c", ".s", "a"},  // a backslash wins over a later slash
      {"lib/", "", "", "", "", "lib"},
      {".profile", ".profile", ".", "", ".profile", "(null)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(take(path_stem_dot(c.p)), c.stem_dot) << c.p;
    EXPECT_EQ(take(path_stem(c.p)), c.stem) << c.p;
    EXPECT_EQ(take(path_dirname(c.p)), c.dirname) << c.p;
    // The pointer results point into their argument.
    EXPECT_EQ(path_basename_ptr(c.p), c.p + strlen(c.p) - strlen(c.basename)) << c.p;
    EXPECT_EQ(path_extension(c.p), c.p + strlen(c.p) - strlen(c.extension)) << c.p;
  }
}

TEST(OsdPath, MkdirP) {
  InScratchDir here;
  testutil::write_file("file", "x");
  struct Case {
    const char* p;
    int result;
  };
  const Case cases[] = {
      {"a/b/c", 0}, {"a/b/c", 0}, {"d//e///", 0}, {"a/../f", 0}, {"file", 1}, {"file/x", 1}, {"/", 0}, {"", 1},
  };
  const mode_t old_mask = umask(027);
  for (const Case& c : cases) EXPECT_EQ(mkdir_p(c.p, P), c.result) << c.p;
  umask(old_mask);
  for (const char* made : {"a", "a/b/c", "d/e", "f"}) {
    struct stat st;
    ASSERT_EQ(stat(made, &st), 0) << made;
    EXPECT_EQ(st.st_mode & 07777, 0750u) << made;
  }
  // A bare drive or drive root is there already.
  EXPECT_EQ(mkdir_p("Q:", W), 0);
  EXPECT_EQ(mkdir_p("Q:\\", W), 0);
  EXPECT_EQ(testutil::list_dir("."), (std::vector<std::string>{"a", "d", "f", "file"}));
}

int open_descriptors() { return static_cast<int>(testutil::list_dir("/proc/self/fd").size()); }

TEST(OsdPath, RmdirRRemovesTheTreeButNotLinkTargets) {
  InScratchDir here;
  ASSERT_EQ(mkdir_p("top/a/b/c", P) + mkdir_p("top/empty", P) + mkdir_p("outside", P), 0);
  for (const char* f : {"top/f1", "top/a/f2", "top/a/b/c/f3", "outside/keep", "file"}) testutil::write_file(f, "x");
  ASSERT_EQ(symlink("../../outside", "top/a/link"), 0);
  ASSERT_EQ(symlink("nowhere", "top/a/b/dangling"), 0);
  ASSERT_EQ(symlink("outside", "link"), 0);
  for (const char* p : {"file", "missing", "link", ""}) EXPECT_EQ(rmdir_r(p), -1) << p;

  int fds = open_descriptors();
  EXPECT_EQ(rmdir_r("top"), 0);
  EXPECT_EQ(open_descriptors(), fds);
  EXPECT_EQ(testutil::list_dir("."), (std::vector<std::string>{"file", "link", "outside"}));
  EXPECT_TRUE(testutil::exists("outside/keep"));
}

TEST(OsdPath, RmdirRBeyondThePathLengthLimit) {
  testutil::TempDir dir;
  const std::string top = dir.file("deep"), name(40, 'd');
  ASSERT_EQ(mkdir(top.c_str(), 0777), 0);
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; fd >= 0 && i < 2 * PATH_MAX / 41; ++i) {
    ASSERT_EQ(mkdirat(fd, name.c_str(), 0777), 0);
    close(openat(fd, "file", O_WRONLY | O_CREAT, 0666));
    int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(rmdir_r(top.c_str()), 0);
  EXPECT_FALSE(testutil::exists(top));
}

TEST(OsdPath, RmdirRGoesOnPastAFailureAndReportsIt) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not hold for the superuser";
  InScratchDir here;
  ASSERT_EQ(mkdir_p("top/locked", P) + mkdir_p("top/open/inner", P), 0);
  testutil::write_file("top/locked/stuck", "s");
  testutil::write_file("top/open/inner/gone", "g");
  ASSERT_EQ(chmod("top/locked", 0555), 0);
  int r = rmdir_r("top");
  chmod("top/locked", 0777);
  EXPECT_EQ(r, -1);
  EXPECT_EQ(testutil::list_dir("top"), std::vector<std::string>{"locked"});
  EXPECT_TRUE(testutil::exists("top/locked/stuck"));
}

}  // namespace
