// Builds interrupted as a user interrupts them: make -j8 over a project of
// 300 sources, through the staged installation, with SIGINT sent to the
// whole job (Ctrl-C) at a random moment of its first two seconds. Whatever
// the moment, nothing of lumo8-cc or of a back end may be left anywhere:
// no process, nothing in the temporary base (each build has one of its own),
// nothing beside the outputs in the project.
//
// Heavy: labelled "stress" (the sanitizer leg leaves it out).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSources = 300;
constexpr int kBuildsPerDevice = 100;
constexpr const char* kDevices[] = {"zir16c401", "kx32m2"};
constexpr int kLatestInterruptMs = 2000;
constexpr unsigned kSeed = 20260511;

// Who leaves a name behind, by the names each writes: "lumo8-cc", "a back
// end" or "nobody known".
std::string owner_of(const std::string& name) {
  static const std::regex ours(R"(lumo[A-Z].{6}|lumo8-cc_tmp_.*|.*\.l8d[0-9]+)");
  static const std::regex back_end(R"(.*\.l8tmp[0-9]+|.*\.tev[0-9]+\.tmp|.*\.[A-Za-z0-9]{6})");
  if (std::regex_match(name, ours)) return "lumo8-cc";
  if (std::regex_match(name, back_end)) return "a back end";
  return "nobody known";
}

void write_project(const std::string& dir, const std::string& cc) {
  fs::create_directories(dir + "/src");
  testutil::write_file(dir + "/src/common.h", "#define SCALE 3\nint twice(int x);\n");
  for (int i = 0; i < kSources; ++i)
    testutil::write_file(dir + "/src/f" + std::to_string(i) + ".c",
                         "#include \"common.h\"\nint f" + std::to_string(i) + "(int x) { return x * SCALE + " +
                             std::to_string(i) + "; }\n");
  testutil::write_file(dir + "/Makefile",
                       "CC := " + cc + "\nOBJS := $(patsubst src/%.c,obj/%.o,$(wildcard src/*.c))\n"
                           "all: $(OBJS)\n"
                           "obj/%.o: src/%.c | obj\n"
                           "\t$(CC) -mcpu=$(DEVICE) -MMD -MP -c $< -o $@\n"
                           "obj:\n"
                           "\tmkdir -p obj\n"
                           "-include $(OBJS:.o=.d)\n");
}

using Leftovers = std::map<std::string, std::vector<std::string>>;  // by owner

// Everything under dir that a build has no business leaving, by owner; a
// regular file of the project that is a source, the Makefile or an output
// (whole objects and dependency files) is in place.
void collect(const std::string& dir, const std::string& label, bool project, Leftovers& found) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    const std::string rel = fs::relative(p, dir).string();
    if (project && (rel == "Makefile" || rel == "src" || rel == "obj" || rel.rfind("src/", 0) == 0)) continue;
    const bool output = p.extension() == ".o" || p.extension() == ".d";
    if (project && it->is_regular_file() && output && rel.rfind("obj/", 0) == 0) continue;
    found[owner_of(p.filename().string())].push_back(label + rel);
    if (it->is_directory()) it.disable_recursion_pending();
  }
}

// Starts make -j8 for device in the project, in a process group of its own,
// with its own temporary base.
pid_t start_make(const std::string& project, const std::string& temp, const char* device) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    testutil::default_signals();
    const std::string device_var = std::string("DEVICE=") + device;
    if (chdir(project.c_str()) != 0) _exit(126);
    setenv("TEMP", temp.c_str(), 1);
    setenv("TMPDIR", temp.c_str(), 1);
    unsetenv("TMP");
    unsetenv("MAKEFLAGS");
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd) dup2(null, fd);
    execlp("make", "make", "-s", "-j8", device_var.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(pid, pid);
  return pid;
}

// Waits (bounded) until no process of group pgid is left; false when some
// were, which are then killed.
bool group_ended(pid_t pgid) {
  for (int i = 0; i < 1000; ++i) {
    if (kill(-pgid, 0) != 0 && errno == ESRCH) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(-pgid, SIGKILL);
  return false;
}

TEST(InterruptedBuilds, LeaveNothingBehind) {
  const char* stage = getenv("LUMO_STAGE");
  ASSERT_NE(stage, nullptr);
  const std::string cc = std::string(stage) + "/bin/lumo8-cc";
  ASSERT_TRUE(testutil::exists(cc)) << cc;
  testutil::TempDir scratch;
  const std::string project = scratch.file("project");
  write_project(project, cc);

  std::mt19937 rng(kSeed);
  std::uniform_int_distribution<int> moment(0, kLatestInterruptMs);
  Leftovers left;
  std::map<std::string, int> endings;
  int hung = 0, lingering = 0, runs = 0;
  const Clock::time_point began = Clock::now();
  for (const char* device : kDevices) {
    for (int build = 0; build < kBuildsPerDevice; ++build, ++runs) {
      const std::string temp = scratch.file("temp" + std::to_string(runs));
      fs::create_directories(temp);
      const int after_ms = moment(rng);
      const pid_t make = start_make(project, temp, device);
      ASSERT_GT(make, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(after_ms));
      kill(-make, SIGINT);
      const int wstatus = testutil::wait_bounded(make, std::chrono::seconds(60));
      if (wstatus == -1) ++hung;
      ++endings[wstatus == -1          ? "hung"
                : WIFSIGNALED(wstatus) ? "interrupted"
                : WEXITSTATUS(wstatus) ? "stopped with an error"
                                       : "finished first"];
      if (!group_ended(make)) ++lingering;
      const std::string label = std::string(device) + " build " + std::to_string(build) + " at " +
                                std::to_string(after_ms) + " ms: ";
      collect(temp, label + "temporary base/", false, left);
      collect(project, label, true, left);
      // The next build starts from nothing.
      fs::remove_all(temp);
      std::error_code ec;
      for (const fs::directory_entry& e : fs::directory_iterator(project, ec))
        if (e.path().filename() != "src" && e.path().filename() != "Makefile") fs::remove_all(e.path(), ec);
    }
  }
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began).count();
  std::cout << runs << " builds in " << seconds << " s, seed " << kSeed << "; make";
  for (const auto& [how, count] : endings) std::cout << " " << how << ": " << count << ";";
  std::cout << " processes left: " << lingering << "\n";

  EXPECT_EQ(hung, 0) << "builds that did not end after the interrupt";
  EXPECT_EQ(lingering, 0) << "builds whose processes outlived make";
  // By owner, so that a failure says whose cleanup it is.
  for (const auto& [owner, names] : left) {
    std::string shown;
    for (size_t i = 0; i < names.size() && i < 20; ++i) shown += "\n  " + names[i];
    ADD_FAILURE() << names.size() << " names left by " << owner << ":" << shown;
  }
}

}  // namespace
