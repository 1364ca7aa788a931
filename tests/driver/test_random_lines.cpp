// Random command lines through the built program and the staged
// installation with its real back ends: option names from the option
// table, plausible values, input files and random bytes, from a fixed seed.
// Every run must end by itself (a generous limit catches a hang), with an
// exit status below 128 (not a signal), and leave nothing in its private
// temporary base.
//
// Left out on purpose: the installation commands (--selfinit rewrites the
// staged manifest, --selftest builds the examples), --nodel (it keeps the
// temporary files by design) and --lumodebug (it may start a debugger).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "driver/options.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned kSeed = 8086;
constexpr int kLines = 3000;
// Far beyond any run of a small compile: a run still going is hung.
constexpr auto kRunLimit = std::chrono::seconds(20);

const char* const kLeftOut[] = {"--selfinit", "--selftest", "--nodel", "--lumodebug"};
const char* const kDevices[] = {"-mcpu=zir16c401", "-mcpu=kx32m2", "-mcpu=kx20", "-mcpu=zir10a110",
                                "-mcpu=tev4d64",   "-mcpu=nosuch", "-mcpu="};
const char* const kValues[] = {"",       "0",        "1",      "2",        "3",    "s",        "kx20",
                               "c99",    "c90",      "cci",    "iar",      "+asm", "-speed",   "default",
                               "on",     "off",      "all",    "none",     "-3",   "9",        "100000000000000000000",
                               "0x100",  "100-1ff",  "x.hex",  "out.elf",  "obj",  "a,b,,c",   "=",
                               "@",      "%s%n%x",   "main.c", "inc",      "lib",  "-",        "--",
                               "FOO=1",  "BAR",      "X=a b",  "\"q\"",    "'",    "\\",       "error",
                               "warning", "1,2,3",   "+",      "24",       "32",   "elf:x",    "map.map"};
const char* const kInputs[] = {"main.c", "led.c", "led.h",    "missing.c", "junk.o", "junk.obj", "junk.a",
                               "junk.lib", "x.s",  "x.S",      "x.p1",      "data.bin", "@args.txt", "@missing.txt",
                               "@",      "",      "-",        "inc"};

class LineSource {
 public:
  explicit LineSource(unsigned seed) : rng_(seed) {
    for (const option_row* row = option_table; row->name; ++row)
      if (std::none_of(std::begin(kLeftOut), std::end(kLeftOut), [row](const char* n) { return !strcmp(n, row->name); }))
        rows_.push_back(row);
  }

  // Some lines are plausible builds (a known device, bare options from the
  // table, the example's sources), so that the back ends run; the others
  // mix in values, other inputs and random bytes.
  std::vector<std::string> line() {
    std::vector<std::string> args;
    if (pick(0, 9) < 4) {
      args.push_back(kDevices[pick(0, 4)]);
      for (int n = pick(0, 3); n > 0; --n) args.push_back(rows_[static_cast<size_t>(pick(0, static_cast<int>(rows_.size()) - 1))]->name);
      args.push_back("main.c");
      if (pick(0, 1)) args.push_back("led.c");
      return args;
    }
    if (pick(0, 9) < 8) args.push_back(one_of(kDevices));
    for (int n = pick(0, 6); n > 0; --n) add_token(args);
    return args;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  template <size_t N>
  std::string one_of(const char* const (&list)[N]) {
    return list[pick(0, static_cast<int>(N) - 1)];
  }

  // Bytes other than NUL; a separator would let a value name a path
  // outside the run's directory.
  std::string random_bytes() {
    std::string s(static_cast<size_t>(pick(1, 16)), ' ');
    for (char& c : s) {
      do c = static_cast<char>(pick(1, 255));
      while (c == '/');
    }
    return s;
  }

  std::string value() { return pick(0, 4) == 0 ? random_bytes() : one_of(kValues); }

  void add_token(std::vector<std::string>& args) {
    int kind = pick(0, 9);
    if (kind < 6) {
      const option_row* row = rows_[static_cast<size_t>(pick(0, static_cast<int>(rows_.size()) - 1))];
      std::string name = row->name;
      int form = pick(0, 3);
      if (form == 0) {
        args.push_back(name);
      } else if (form == 1) {
        args.push_back(name + "=" + value());
      } else if (form == 2) {
        args.push_back(name);
        args.push_back(value());
      } else {
        args.push_back(name + value());
      }
    } else if (kind < 9) {
      args.push_back(one_of(kInputs));
    } else {
      args.push_back(random_bytes());
    }
  }

  std::mt19937 rng_;
  std::vector<const option_row*> rows_;
};

// The files a line may name, in its working directory.
void populate(const std::string& dir) {
  const std::string examples = std::string(LUMO_SOURCE_DIR) + "/examples/blink";
  for (const char* f : {"main.c", "led.c", "led.h"}) fs::copy_file(examples + "/" + f, dir + "/" + f);
  testutil::write_file(dir + "/junk.o", "not an object file\n");
  testutil::write_file(dir + "/junk.obj", std::string("\x03\x00\x07xyz\x00\x00\x06", 9));
  testutil::write_file(dir + "/junk.a", std::string("\x00\x00\x02\x00", 4));
  testutil::write_file(dir + "/junk.lib", "!<arch>\n");
  testutil::write_file(dir + "/x.s", "\tnop\n");
  testutil::write_file(dir + "/x.S", "#define X 1\n\tnop\n");
  testutil::write_file(dir + "/x.p1", "Version 2.50 HALDRIN Software Intermediate Code\n");
  testutil::write_file(dir + "/data.bin", std::string("\x7f" "ELF\x01\x01\x01", 7));
  testutil::write_file(dir + "/args.txt", "-O2 'led.c' -DA=\"1 2\"\n@args.txt\n");
  fs::create_directory(dir + "/inc");
}

TEST(RandomLines, EveryRunEndsCleanly) {
  const char* stage = getenv("LUMO_STAGE");
  if (!stage || !*stage) GTEST_SKIP() << "LUMO_STAGE is not set (ctest sets it)";
  const std::string cc = std::string(stage) + "/bin/lumo8-cc";
  ASSERT_TRUE(testutil::exists(cc)) << cc;
  testutil::TempDir temp, work;
  LineSource source(kSeed);
  std::map<int, int> statuses;
  int failures = 0;
  for (int i = 0; i < kLines && failures < 10; ++i) {
    const std::vector<std::string> args = source.line();
    // Each line in a fresh copy of the inputs, so that outputs of one line
    // (an object file written over an input) do not steer the next.
    const std::string dir = work.file("line");
    fs::remove_all(dir);
    fs::create_directory(dir);
    populate(dir);
    std::vector<std::string> argv{cc};
    argv.insert(argv.end(), args.begin(), args.end());
    testutil::RunResult o = testutil::run(argv, dir, {"TEMP=" + temp.path(), "-TMP"}, kRunLimit);
    const std::vector<std::string> left = testutil::list_dir(temp.path());
    if (o.timed_out || o.status >= 128 || !left.empty()) {
      ++failures;
      ADD_FAILURE() << "line " << i << ": " << testing::PrintToString(args) << "\n  "
                    << (o.timed_out ? "did not end" : "status " + std::to_string(o.status))
                    << (left.empty() ? "" : ", left " + left[0]);
      for (const std::string& name : left) fs::remove_all(temp.file(name));
    }
    ++statuses[o.status];
  }
  std::string summary;
  for (auto [status, count] : statuses) summary += " " + std::to_string(status) + ":" + std::to_string(count);
  RecordProperty("statuses", summary);
  std::cout << "exit statuses (status:runs):" << summary << "\n";
}

}  // namespace
