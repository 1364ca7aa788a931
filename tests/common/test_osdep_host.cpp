// Host rules of the process layer that both builds run: the quoting of a
// child's arguments (the Windows rule is checked on every host), arguments
// reaching a real child whole, the program lookup with and without the
// executable suffix, where the temporary root is made, the exact letter
// case of a name and the short form of a path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/osdep.h"
#include "common/osdep_host.h"
#include "common/osdep_path.h"
#include "common/vector.h"
#include "tests/support/testutil.h"

namespace {

const std::string kProbe = OSDEP_PROBE_PATH;

std::string take(char* text) {
  std::string r = text ? text : "(null)";
  free(text);
  return r;
}

// What a child started with args wrote and its status, through the
// process layer's own capture.
struct Captured {
  std::optional<int> status;
  std::vector<std::string> lines;
};

Captured capture(const std::vector<std::string>& args) {
  vector* list = vec_new();
  for (const std::string& a : args) vec_push(list, const_cast<char*>(a.c_str()));
  vec_push(list, nullptr);
  Captured c;
  FILE* fp = osd_popen_vec(list);
  if (!fp) return c;
  std::string text;
  for (int ch; (ch = fgetc(fp)) != EOF;) text += static_cast<char>(ch);
  c.status = osd_pclose(fp);
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) c.lines.push_back(line);
  return c;
}

// A variable set for one scope and put back (to empty: the rules treat an
// empty value as unset) at its end.
class EnvValue {
 public:
  EnvValue(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    if (old) old_ = old;
    osd_setenv(name, value);
  }
  ~EnvValue() { osd_setenv(name_.c_str(), old_ ? old_->c_str() : ""); }
  EnvValue(const EnvValue&) = delete;
  EnvValue& operator=(const EnvValue&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

TEST(OsdepHost, QuotesArgumentsTheWayTheChildRuntimeSplitsThem) {
  struct Case {
    const char* arg;
    const char* windows;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"C:\\no\\blank\\dir\\", "C:\\no\\blank\\dir\\"},
      {"a b", "\"a b\""},
      {"", "\"\""},
      {"tab\there", "\"tab\there\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"\"", "\"\\\"\""},
      {"C:\\dir with blank\\", "\"C:\\dir with blank\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"a\\\\b c", "\"a\\\\b c\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(take(osd_quote_arg(c.arg, PathStyle::windows)), c.windows) << c.arg;
    EXPECT_EQ(take(osd_quote_arg(c.arg, PathStyle::posix)), c.arg) << c.arg;
  }
  EXPECT_EQ(osd_quote_arg(nullptr, PathStyle::windows), nullptr);
}

TEST(OsdepHost, ChildReceivesEveryArgumentWhole) {
  const std::vector<std::string> args = {
      "a b", "", "say \"hi\"", "trailing\\", "dir with blank\\", "x\\\\\"y", "tab\tinside", "plain", "  ",
  };
  std::vector<std::string> argv = {kProbe, "args", "-"};
  argv.insert(argv.end(), args.begin(), args.end());
  Captured c = capture(argv);
  ASSERT_EQ(c.status, 0);
  // The probe writes its whole argv: its own name, "args", "-", then ours.
  ASSERT_EQ(c.lines.size(), args.size() + 3);
  EXPECT_EQ(c.lines[1], "args");
  for (size_t i = 0; i < args.size(); ++i) EXPECT_EQ(c.lines[i + 3], args[i]) << i;
}

TEST(OsdepHost, FindsTheProgramWithOrWithoutTheExecutableSuffix) {
  const std::string suffix = osd_exe_suffix();
  std::string bare = kProbe;
  if (!suffix.empty() && bare.size() > suffix.size() && bare.ends_with(suffix))
    bare.resize(bare.size() - suffix.size());
  struct Case {
    std::string program;
    int status;
  };
  const Case cases[] = {
      {kProbe, 7},
      {bare, 7},
      {kProbe + ".missing", -1},
      {bare + "-missing", -1},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = {const_cast<char*>(c.program.c_str()), const_cast<char*>("exit"),
                               const_cast<char*>("7"), nullptr};
    EXPECT_EQ(osd_spawn(c.program.c_str(), argv.data()), c.status) << c.program;
  }
}

TEST(OsdepHost, MakesTheTemporaryRootUnderTheFirstSetVariable) {
  testutil::TempDir first, second;
  const bool windows = osd_os_flags() & kOsdWindowsFlag;
  struct Case {
    const char* temp;
    const char* tmp;
    std::string base;
  };
  const Case cases[] = {
      {first.path().c_str(), second.path().c_str(), first.path()},
      {"", second.path().c_str(), second.path()},
  };
  for (const Case& c : cases) {
    EnvValue temp("TEMP", c.temp), tmp("TMP", c.tmp);
    Captured r = capture({kProbe, "--temps", "exit", "0"});
    ASSERT_EQ(r.status, 0);
    ASSERT_GE(r.lines.size(), 2u);
    ASSERT_EQ(r.lines[0].rfind("root=", 0), 0u) << r.lines[0];
    const std::string root = r.lines[0].substr(5);
    const std::string parent = take(path_dirname(root.c_str()));
    const std::string name = path_basename_ptr(root.c_str());
    EXPECT_EQ(parent, c.base);
    // "lumo", the first free letter, and the generated part.
    EXPECT_EQ(name.rfind("lumoA", 0), 0u) << name;
    EXPECT_GT(name.size(), 5u) << name;
    EXPECT_EQ(r.lines[1], "name=" + take(path_join(root.c_str(), "lumo8-cc_tmp_0.c")));
    // The root goes with the probe.
    EXPECT_FALSE(path_exists(root.c_str())) << root;
  }
  if (windows) {
    // Neither variable set: the current directory.
    testutil::TempDir cwd;
    EnvValue temp("TEMP", ""), tmp("TMP", "");
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(cwd.path());
    Captured r = capture({kProbe, "--keep", "--temps", "exit", "0"});
    std::filesystem::current_path(old);
    ASSERT_EQ(r.status, 0);
    ASSERT_GE(r.lines.size(), 1u);
    const std::string root = r.lines[0].substr(5);
    EXPECT_EQ(take(path_dirname(root.c_str())), ".");
    EXPECT_EQ(std::string(path_basename_ptr(root.c_str())).rfind("lumoA", 0), 0u) << root;
    EXPECT_TRUE(path_is_dir((cwd.path() + "\\" + path_basename_ptr(root.c_str())).c_str()));
  }
}

}  // namespace

