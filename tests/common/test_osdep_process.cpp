// Process part of the process layer: the temporary root and its names,
// removal at exit and on fatal signals, output capture, the environment.
// Cases that end or signal a process run in osdep_probe.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/osdep.h"
#include "common/osdep_host.h"
#include "common/vector.h"
#include "tests/support/testutil.h"

namespace {

using testutil::TempDir;

const std::string kProbe = OSDEP_PROBE_PATH;
const std::string kUnexpected =
    "\n\nAn unexpected problem has been encountered and the program must quit; "
    "contact Orvane support with details\n\n";

// Environment changes for one scope; the old values come back at its end.
class EnvScope {
 public:
  EnvScope() = default;
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;
  ~EnvScope() {
    for (auto& [name, value] : saved_) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    tzset();
  }
  void set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    value ? setenv(name, value, 1) : unsetenv(name);
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

std::string dir_of(const std::string& p) { return p.substr(0, p.rfind('/')); }
std::string base_of(const std::string& p) { return p.substr(p.rfind('/') + 1); }

// The root=, name=, dir= lines of a probe run with --temps.
struct ProbeTemps {
  std::string root, first, second, dir;
};
ProbeTemps parse_temps(const std::string& out) {
  std::map<std::string, std::vector<std::string>> lines;
  size_t at = 0;
  for (size_t nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1) {
    std::string line = out.substr(at, nl - at);
    size_t eq = line.find('=');
    if (eq != std::string::npos) lines[line.substr(0, eq)].push_back(line.substr(eq + 1));
  }
  auto get = [&](const char* key, size_t i) { return lines[key].size() > i ? lines[key][i] : std::string(); };
  return {get("root", 0), get("name", 0), get("name", 1), get("dir", 0)};
}

// ---- Temporary root and names ----

TEST(OsdTemp, BaseFollowsHostVariables) {
  struct Case {
    const char *temp, *tmp, *tmpdir;  // null: unset
    const char *windows, *posix;
  };
  const Case cases[] = {
      {"/t1", "/t2", "/t3", "/t1", "/t1"},
      {"", "/t2", "/t3", "/t2", "/t2"},
      {"", nullptr, "/t3", ".", "/t3"},
      {nullptr, "", "", ".", "/tmp"},
      {nullptr, nullptr, nullptr, ".", "/tmp"},
  };
  for (const Case& c : cases) {
    EnvScope env;
    env.set("TEMP", c.temp);
    env.set("TMP", c.tmp);
    env.set("TMPDIR", c.tmpdir);
    EXPECT_STREQ(osd_tmp_base(PathStyle::windows), c.windows) << c.windows;
    EXPECT_STREQ(osd_tmp_base(PathStyle::posix), c.posix) << c.posix;
  }
}

// A base that is missing is made; the names carry the program's prefix,
// blanks made underscores.
TEST(OsdTemp, ProbeRootPlacementAndNames) {
  TempDir base;
  const std::string prefix = "my_probe_x";
  testutil::RunResult r = testutil::run(
      {kProbe, "--keep", "--prefix", "my probe\tx", "--temps", "exit", "0"}, ".", {"TEMP=" + base.file("new/sub")});
  ASSERT_EQ(r.status, 0) << r.err;
  ProbeTemps t = parse_temps(r.out);
  EXPECT_EQ(dir_of(t.root), base.file("new/sub"));
  EXPECT_EQ(base_of(t.root).substr(0, 5), "lumoA");
  EXPECT_EQ(base_of(t.root).size(), 11u);
  struct stat st {};
  ASSERT_EQ(stat(t.root.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(t.first, t.root + "/" + prefix + "_tmp_0.c");
  EXPECT_EQ(t.second, t.root + "/" + prefix + "_tmp_1.c");
  EXPECT_EQ(t.dir, t.root + "/" + prefix + "_tmp_2");
  EXPECT_EQ(testutil::list_dir(t.root), (std::vector<std::string>{prefix + "_tmp_1.c", prefix + "_tmp_2"}));
  EXPECT_TRUE(testutil::exists(t.dir + "/inner.txt"));
}

// ---- Removal at exit and on fatal signals ----

TEST(OsdExit, RemovalByHowTheProcessEnds) {
  struct Case {
    const char* label;
    std::vector<std::string> setup, action;
    int status;
    bool kept;
    std::string err;
  };
  // The process ends by the signal itself (128 + S as a shell shows it),
  // so that a shell loop or make sees it.
  const std::string crash = kUnexpected, term = std::to_string(SIGTERM);
  const Case cases[] = {
      {"normal exit", {}, {"exit", "0"}, 0, false, ""},
      {"keep flag", {"--keep"}, {"exit", "0"}, 0, true, ""},
      {"fatal message", {"--signals"}, {"fatal"}, 1, false, "(141) can't open probe file \"nowhere\": No such file or directory\n"},
      {"SIGTERM", {"--signals"}, {"raise", term}, 128 + SIGTERM, false, ""},
      {"SIGPIPE", {"--signals"}, {"raise", std::to_string(SIGPIPE)}, 128 + SIGPIPE, false, ""},
      {"SIGABRT", {"--signals"}, {"raise", std::to_string(SIGABRT)}, 128 + SIGABRT, false, crash},
      {"keep flag and SIGTERM", {"--signals", "--keep"}, {"raise", term}, 128 + SIGTERM, true, ""},
      {"handlers outlive a child", {"--signals", "--spawn-first"}, {"raise", term}, 128 + SIGTERM, false, ""},
      {"no handlers", {}, {"raise", term}, 128 + SIGTERM, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir base, outside;
    testutil::write_file(outside.file("registered.txt"), "x");
    ASSERT_EQ(mkdir(outside.file("tree").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(outside.file("tree/sub").c_str(), 0700), 0);
    testutil::write_file(outside.file("tree/sub/leaf"), "x");

    std::vector<std::string> argv{kProbe, "--register-file", outside.file("registered.txt"), "--register-dir",
                                  outside.file("tree")};
    argv.insert(argv.end(), c.setup.begin(), c.setup.end());
    argv.push_back("--temps");
    argv.insert(argv.end(), c.action.begin(), c.action.end());
    testutil::RunResult r = testutil::run(argv, ".", {"TEMP=" + base.path()});

    EXPECT_EQ(r.status, c.status);
    ProbeTemps t = parse_temps(r.out);
    ASSERT_EQ(dir_of(t.root), base.path());
    EXPECT_EQ(testutil::exists(t.root), c.kept);
    EXPECT_EQ(testutil::exists(t.second), c.kept);
    EXPECT_EQ(testutil::exists(outside.file("registered.txt")), c.kept);
    EXPECT_EQ(testutil::exists(outside.file("tree")), c.kept);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(OsdExit, HandlerRestoresTheConsoleStreams) {
  TempDir base, scratch;
  const std::string file = scratch.file("redirected");
  testutil::RunResult r = testutil::run(
      {kProbe, "--signals", "--temps", "--redirect", file, "raise", std::to_string(SIGSEGV)}, ".",
      {"TEMP=" + base.path()});
  EXPECT_EQ(r.status, 128 + SIGSEGV);
  ProbeTemps t = parse_temps(r.out);
  // What was written while redirected stays there; the handler's newline
  // reaches the original standard output.
  EXPECT_EQ(testutil::read_file(file), "hidden\n");
  EXPECT_EQ(r.out, "root=" + t.root + "\nname=" + t.first + "\nname=" + t.second + "\ndir=" + t.dir + "\n\n");
  EXPECT_EQ(r.err, kUnexpected);
  EXPECT_FALSE(testutil::exists(t.root));
}

// The handler's own walk: files beyond one read of a directory, nested
// directories, and a symbolic link it must remove without following.
TEST(OsdExit, SignalRemovalTakesTheWholeRootAndNothingBeyond) {
  TempDir base, bystander;
  testutil::write_file(bystander.file("keep.txt"), "x");
  testutil::RunResult r = testutil::run(
      {kProbe, "--signals", "--temps", "--deep-tree", bystander.path(), "raise", std::to_string(SIGTERM)}, ".",
      {"TEMP=" + base.path()});
  EXPECT_EQ(r.status, 128 + SIGTERM);
  EXPECT_EQ(testutil::list_dir(base.path()), std::vector<std::string>{});
  EXPECT_EQ(testutil::list_dir(bystander.path()), std::vector<std::string>{"keep.txt"});
}

// Only the process that made the temporary root removes it: a forked copy
// that ends, by exit or by a signal, leaves it to its parent.
TEST(OsdExit, AForkedCopyLeavesTheRootToItsOwner) {
  for (const std::string& how : {std::string("exit"), std::to_string(SIGTERM)}) {
    SCOPED_TRACE(how);
    TempDir base;
    testutil::RunResult r =
        testutil::run({kProbe, "--signals", "--temps", "fork-copy", how}, ".", {"TEMP=" + base.path()});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("copy=kept\n"), std::string::npos) << r.out;
    EXPECT_EQ(testutil::list_dir(base.path()), std::vector<std::string>{});
  }
}

// ---- Output capture ----

std::string read_all(FILE* fp) {
  std::string text;
  for (int ch; (ch = fgetc(fp)) != EOF;) text += static_cast<char>(ch);
  return text;
}

TEST(OsdPopen, CapturesBothStreamsInOrder) {
  struct stat before {}, after {};
  ASSERT_EQ(fstat(STDOUT_FILENO, &before), 0);

  FILE* fp = osd_popen(kProbe.c_str(), "interleave", nullptr);
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(read_all(fp), "out 1\nerr 1\nout 2\nerr 2\n");
  EXPECT_EQ(osd_pclose(fp), 3);

  // The capture never moved this process's own standard output.
  ASSERT_EQ(fstat(STDOUT_FILENO, &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_dev, after.st_dev);
}

TEST(OsdPopen, RefusalsAndForeignStreams) {
  TempDir scratch;
  testutil::write_file(scratch.file("plain"), "not a program");
  const std::string missing = scratch.file("missing"), plain = scratch.file("plain");
  const std::vector<std::vector<const char*>> lists = {
      {}, {nullptr}, {missing.c_str(), nullptr}, {plain.c_str(), nullptr}};
  for (const auto& items : lists) {
    vector* list = vec_new();
    for (const char* a : items) vec_push(list, a);
    EXPECT_EQ(osd_popen_vec(list), nullptr) << items.size();
  }
  EXPECT_EQ(osd_popen_vec(nullptr), nullptr);
  EXPECT_EQ(osd_popen(missing.c_str(), "x", nullptr), nullptr);

  EXPECT_EQ(osd_pclose(nullptr), -1);
  FILE* foreign = tmpfile();
  ASSERT_NE(foreign, nullptr);
  EXPECT_EQ(osd_pclose(foreign), -1);
  EXPECT_GE(fputs("still open", foreign), 0);
  EXPECT_EQ(fclose(foreign), 0);
  FILE* fp = osd_popen(kProbe.c_str(), "exit", "4", nullptr);
  ASSERT_NE(fp, nullptr);
  EXPECT_EQ(osd_pclose(fp), 4);
  EXPECT_EQ(osd_pclose(fp), -1);  // gone from the pipe status table
}

// ---- Environment ----

TEST(OsdHost, Environment) {
  EnvScope env;
  env.set("OSD_TEST_VAR", "old");
  EXPECT_EQ(osd_setenv(nullptr, "x"), 0);
  EXPECT_EQ(osd_setenv("OSD_TEST_VAR", "new value"), 0);
  EXPECT_STREQ(getenv("OSD_TEST_VAR"), "new value");
  EXPECT_EQ(osd_setenv("OSD_TEST_VAR", nullptr), 0);
  EXPECT_STREQ(getenv("OSD_TEST_VAR"), "");
}

}  // namespace
