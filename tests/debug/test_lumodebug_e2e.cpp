// --lumodebug through the built program: what the legacy driver receives,
// the trace file a run leaves, its package zip and its container reports.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <elf.h>
#include <gnu/libc-version.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/vector.h"
#include "debug/lumodebug.h"
#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

using testutil::RunResult;
using testutil::TestInstall;

constexpr const char* kZirDevice = "-mcpu=zir16c401";
const std::string kNoDebugger = "LUMODEBUG (warning): Debugger \"/usr/bin/lldb\" is not available\n";

bool have_debugger() { return testutil::exists("/usr/bin/lldb"); }

// The status of a run that could not make its private mount.
constexpr int kCannotHide = 125;

// Runs lumo8-cc as TestInstall::run does, answering the debugger's prompt
// as a developer would once the child has stopped at main: go on, and leave
// when the stand-in driver has recorded its run (the debugger continues in
// the background, and leaving earlier would end the child with it).
RunResult run_debugger_session(const TestInstall& inst, const std::vector<std::string>& args) {
  std::vector<std::string> argv{inst.lumo8cc()};
  argv.insert(argv.end(), args.begin(), args.end());
  const std::string recorded = inst.record_dir() + "/argv";
  return testutil::in_child(
      [&] {
        int session[2];
        if (pipe(session) != 0) return 126;
        pid_t pid = fork();
        if (pid == 0) {
          dup2(session[0], 0);
          close(session[0]);
          close(session[1]);
          std::vector<char*> v;
          for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
          v.push_back(nullptr);
          execv(v[0], v.data());
          _exit(127);
        }
        close(session[0]);
        auto say = [&](const char* line) { return write(session[1], line, strlen(line)) >= 0; };
        say("process continue\n");
        for (int i = 0; i < 600 && !testutil::exists(recorded); ++i) usleep(50000);
        usleep(200000);  // the driver writes its records, then ends
        say("quit\n");
        close(session[1]);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      },
      // The leak checker cannot work in a program that runs under a debugger.
      inst.work_dir(),
      {"TEMP=" + inst.temp_dir(), "-TMP", "LUMO_RECORD=" + inst.record_dir(), "LSAN_OPTIONS=detect_leaks=0"});
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The --lumodebug lines of the command file the driver received.
std::vector<std::string> handed_on(const TestInstall& inst) {
  std::vector<std::string> found;
  for (const std::string& line : lines_of(inst.command_file()))
    if (line.rfind("--lumodebug", 0) == 0) found.push_back(line);
  return found;
}

// Entries of an archive and their contents.
std::vector<std::pair<std::string, std::string>> read_zip(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> entries;
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!za) return entries;
  for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, i, 0, &st);
    std::string data(st.size, '\0');
    if (zip_file_t* f = zip_fopen_index(za, i, 0)) {
      zip_fread(f, data.data(), st.size);
      zip_fclose(f);
    }
    entries.emplace_back(st.name, data);
  }
  zip_discard(za);
  return entries;
}

TEST(LumodebugRun, LegacyDriverGetsTheRewrittenOption) {
  TestInstall inst;
  const std::string user = "--lumodebug=on,debug:lumo8:zircc,out:t.txt";
  // lumo8 is in the debug set: it runs under the debugger where there is one,
  // and the run warns that there is none otherwise.
  RunResult r = have_debugger() ? run_debugger_session(inst, {user, kZirDevice, "-c", "x.c"})
                                : inst.run({user, kZirDevice, "-c", "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  if (!have_debugger()) {
    EXPECT_EQ(r.err, kNoDebugger);
  }
  EXPECT_EQ(handed_on(inst), std::vector<std::string>{"--lumodebug=default,on,out:+t.txt,debug:zircc,num:1"});
  EXPECT_EQ(inst.command_file().find(user), std::string::npos);
  EXPECT_TRUE(testutil::exists(inst.work_dir() + "/t.txt"));
  EXPECT_FALSE(testutil::exists(inst.work_dir() + "/lumo8-cc-1.out"));
}

TEST(LumodebugRun, SubOptionsThroughTheProgram) {
  struct Case {
    const char* what;
    std::vector<std::string> args;  // before the device and the input
    std::vector<std::string> handed;
    const char* trace;  // the trace file in the work directory, or null for none
    std::string err;
    std::function<void(const std::string& work)> prepare = nullptr;
  };
  const Case cases[] = {
      {"num:3", {"--lumodebug=num:3,on"}, {"--lumodebug=default,on,num:1"}, "lumo8-cc-3.out", ""},
      {"num:0", {"--lumodebug=num:0,on"}, {"--lumodebug=default,on,num:1"}, "lumo8-cc-1.out",
       "LUMODEBUG (warning): \"num\" option must be a decimal integer > 0, using \"1\"\n"},
      {"assert:FATAL", {"--lumodebug=assert:FATAL"}, {"--lumodebug=assert:fatal"}, nullptr, ""},
      {"assert:maybe", {"--lumodebug=assert:maybe"}, {}, nullptr,
       "LUMODEBUG (warning): unknown argument (maybe) given to assert option\n"},
      {"a second --lumodebug", {"--lumodebug=on", "--lumodebug=num:5,adt"}, {"--lumodebug=default,on,num:1"},
       "lumo8-cc-1.out", "LUMODEBUG (warning): Ignoring extra --lumodebug options\n"},
      {"out:+dir", {"--lumodebug=out:+logs,on"}, {"--lumodebug=default,on,out:+logs/lumo8-cc-1.out,num:1"},
       "logs/lumo8-cc-1.out", "",
       [](const std::string& work) {
         mkdir((work + "/logs").c_str(), 0755);
         testutil::write_file(work + "/logs/lumo8-cc-1.out", "earlier run\n");
       }},
      {"a TEV device drops it", {"--lumodebug=on"}, {}, "lumo8-cc-1.out", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestInstall inst;
    if (c.prepare) c.prepare(inst.work_dir());
    std::vector<std::string> args = c.args;
    args.push_back(std::string(c.what).find("TEV") != std::string::npos ? "-mcpu=kx20" : kZirDevice);
    args.push_back("x.c");
    RunResult r = inst.run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(handed_on(inst), c.handed);
    std::vector<std::string> files = testutil::list_dir(inst.work_dir());
    if (!c.trace) {
      EXPECT_EQ(files, std::vector<std::string>{});
      continue;
    }
    std::string trace = testutil::read_file(inst.work_dir() + "/" + c.trace);
    std::string start = "\nAPP: LUMO8-CC\nARGS: " + inst.lumo8cc();
    if (c.prepare) start = "earlier run\n" + start;
    // A second option is parsed, and traced, before the arguments are logged.
    size_t at = trace.find(start);
    EXPECT_EQ(at == 0, c.args.size() == 1) << trace.substr(0, 300);
    EXPECT_NE(at, std::string::npos);
  }
}

TEST(LumodebugRun, PackageZipHoldsTheTrace) {
  TestInstall inst;
  const std::string work = inst.work_dir();
  RunResult r = inst.run({"--lumodebug=zip,on", kZirDevice, "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  auto entries = read_zip(work + "/lumo8_package.zip");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "lumo8-cc-1.out");
  // The trace as far as it was written when it was packed: all of the run.
  const std::string trace = testutil::read_file(work + "/lumo8-cc-1.out");
  EXPECT_EQ(trace.rfind(entries[0].second, 0), 0u);
  EXPECT_NE(entries[0].second.find("EXIT cmdline_driver() -> Returning status: 0"), std::string::npos);

  // A second run replaces that package; one with zip:+ extends it.
  testutil::write_file(work + "/notes.txt", "kept\n");
  r = inst.run({"--lumodebug=zip,on", kZirDevice, "x.c"});
  EXPECT_EQ(r.err, "LUMODEBUG (warning): Package zip \"lumo8_package.zip\" already exists and will be over-written\n");
  ASSERT_EQ(rename((work + "/lumo8_package.zip").c_str(), (work + "/old.zip").c_str()), 0);
  r = inst.run({"--lumodebug=zip:+old.zip,on,out:second.out", kZirDevice, "x.c"});
  EXPECT_EQ(r.err, "");
  entries = read_zip(work + "/old.zip");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].first, "lumo8-cc-1.out");
  EXPECT_EQ(entries[1].first, "second.out");
  EXPECT_NE(entries[1].second.find("ARGS: " + inst.lumo8cc() + " --lumodebug=zip:+old.zip"), std::string::npos);
  EXPECT_EQ(handed_on(inst), std::vector<std::string>{"--lumodebug=default,on,out:+second.out,zip:+old.zip,num:1"});
}

// The ENTER and EXIT records of a trace file read back as a call stack.
struct TraceShape {
  size_t records = 0;
  std::string mismatch;           // the first EXIT that closes no open ENTER of its function
  std::vector<std::string> open;  // what no EXIT closed, outermost first
  std::set<std::string> sources;  // the source files that wrote records
  std::string last;               // the last record, without its location column
};

TraceShape shape_of(const std::string& trace) {
  const std::regex record(R"(^([^\s:]+):\d+ *> *((ENTER|EXIT) ([A-Za-z_0-9:~]+)\(.*)$)");
  TraceShape shape;
  for (const std::string& line : lines_of(trace)) {
    std::smatch m;
    if (!std::regex_match(line, m, record)) continue;
    ++shape.records;
    shape.sources.insert(m[1]);
    shape.last = m[2];
    if (m[3] == "ENTER") {
      shape.open.push_back(m[4]);
    } else if (shape.open.empty() || shape.open.back() != m[4]) {
      if (shape.mismatch.empty()) shape.mismatch = line;
    } else {
      shape.open.pop_back();
    }
  }
  return shape;
}

// The real path of the shared library that holds symbol; empty when there
// is none.
std::string library_of(void* symbol) {
  Dl_info info{};
  if (dladdr(symbol, &info) == 0 || !info.dli_fname) return {};
  char* real = realpath(info.dli_fname, nullptr);
  if (!real) return {};
  std::string path = real;
  free(real);
  return path;
}

// A packaging run of lumo8-cc in inst with source mounted over target, for
// this run only (a private mount namespace); status kCannotHide when the
// mount needs privileges the test lacks.
RunResult package_with_mount(const TestInstall& inst, const std::string& source, const std::string& target) {
  std::vector<std::string> argv{inst.lumo8cc(), "--lumodebug=zip,on", kZirDevice, "x.c"};
  return testutil::in_child(
      [&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0)
          return kCannotHide;
        std::vector<char*> v;
        for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
        v.push_back(nullptr);
        execv(v[0], v.data());
        return 127;
      },
      inst.work_dir(), {"TEMP=" + inst.temp_dir(), "-TMP", "LUMO_RECORD=" + inst.record_dir()});
}

// The zip library is loaded only when a package is asked for; where it
// cannot be loaded the run warns, writes no package and goes on. The library
// is made unloadable for one run by a private mount of an empty file over it.
TEST(LumodebugRun, PackagingWithoutTheZipLibraryWarnsAndGoesOn) {
  const std::string library = library_of(reinterpret_cast<void*>(&zip_open));
  ASSERT_FALSE(library.empty());
  TestInstall inst;
  RunResult r = package_with_mount(inst, "/dev/null", library);
  if (r.status == kCannotHide) GTEST_SKIP() << "the zip library cannot be hidden without privileges";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "LUMODEBUG (warning): Packaging is not available: the zip library (libzip.so.4) cannot be "
                   "loaded, ignoring the zip option\n");
  EXPECT_FALSE(testutil::exists(inst.work_dir() + "/lumo8_package.zip"));
  EXPECT_TRUE(testutil::exists(inst.work_dir() + "/lumo8-cc-1.out"));
  EXPECT_FALSE(inst.driver_argv().empty());
}

// Whether the program at path has a program interpreter (is linked
// dynamically).
bool has_interpreter(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  Elf64_Ehdr header{};
  if (!in.read(reinterpret_cast<char*>(&header), sizeof header)) return false;
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    in.seekg(static_cast<std::streamoff>(header.e_phoff + static_cast<uint64_t>(i) * header.e_phentsize));
    if (!in.read(reinterpret_cast<char*>(&segment), sizeof segment)) return false;
    if (segment.p_type == PT_INTERP) return true;
  }
  return false;
}

// A statically linked lumo8-cc loads the zip library only beside the C
// library it was built with. For one run the system's C library is replaced,
// by a private mount, with a copy whose version banner says another release
// (the copy works as before): the run warns, writes no package and goes on.
TEST(LumodebugRun, PackagingBesideAnotherCLibraryWarnsAndGoesOn) {
  TestInstall inst;
  if (has_interpreter(inst.lumo8cc())) GTEST_SKIP() << "this build links lumo8-cc dynamically";
  const std::string library = library_of(reinterpret_cast<void*>(&gnu_get_libc_version));
  ASSERT_FALSE(library.empty());
  std::string image = testutil::read_file(library);
  const std::string banner = std::string("release version ") + gnu_get_libc_version() + ".";
  const size_t at = image.find(banner);
  ASSERT_NE(at, std::string::npos) << library;
  char& digit = image[at + banner.size() - 2];  // the last digit of the version
  digit = digit == '9' ? '8' : '9';
  const std::string copy = inst.work_dir() + "/libc-copy.so";
  testutil::write_file(copy, image);
  RunResult r = package_with_mount(inst, copy, library);
  unlink(copy.c_str());
  if (r.status == kCannotHide) GTEST_SKIP() << "the C library cannot be replaced without privileges";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "LUMODEBUG (warning): Packaging is not available: the zip library (libzip.so.4) cannot be "
                   "loaded, ignoring the zip option\n");
  EXPECT_FALSE(testutil::exists(inst.work_dir() + "/lumo8_package.zip"));
  EXPECT_FALSE(inst.driver_argv().empty());
}

// Whole runs with the trace on: the trace begins with the argument log,
// every EXIT closes the innermost open ENTER of the same function, and at
// the end nothing is open but the calls an early end of the program left on
// its way into cleanup, whose own EXIT is the last record. The modules each
// run goes through show in the location columns.
TEST(LumodebugRun, EnterAndExitRecordsBalance) {
  using Names = std::vector<std::string>;
  const Names kWalk = {"cmdline_driver", "options_process", "options_handler", "option_translate"};
  const Names kSpecial = {"cmdline_driver", "options_process", "options_handler", "option_translate", "opt_installation"};
  const struct Case {
    const char* what;
    Names args;  // after the --lumodebug option
    int status;
    Names open;  // left open when the program ends early
    Names sources;
  } cases[] = {
      {"ZIR compile",
       {kZirDevice, "-O2", "-Wall", "-Wno-101", "-DX=1", "-I.", "-Wl,-Map=main.map", "-lm", "-o", "main.hex", "main.c"},
       0,
       {},
       {"cmdline.cpp", "options_process.cpp", "options.cpp", "options_general.cpp", "options_tools.cpp",
        "options_target.cpp", "options_closing.cpp", "alert.cpp", "alert_msgstate.cpp", "messages.cpp",
        "fileutils.cpp", "lumoinstdir.cpp", "osdep.cpp", "osdep_path.cpp", "vector.cpp", "hash.cpp", "numset.cpp",
        "lumodebug.cpp", "lumodebug_handon.cpp", "lumodebug_spawn.cpp", "lumodebug_package.cpp"}},
      {"TEV compile",
       {"-mcpu=kx20", "-O2", "-Wall", "-mprint-builtins", "-Wl,--gc-sections", "-c", "main.c"},
       0,
       {},
       {"cmdline.cpp", "options_process.cpp", "options.cpp", "options_target.cpp", "options_closing.cpp",
        "machdep.cpp", "osdep.cpp", "osdep_path.cpp", "vector.cpp", "lumodebug_spawn.cpp"}},
      {"--help", {"--help"}, 0, kWalk, {"help.cpp", "cleanup.cpp", "lumodebug.cpp"}},
      {"--target-help", {"--target-help"}, 0, kWalk, {"help.cpp", "devices.cpp", "osdep.cpp", "cleanup.cpp"}},
      {"-mprint-devices", {"-mprint-devices"}, 0, kWalk, {"help.cpp", "devices.cpp", "cleanup.cpp"}},
      {"an unknown device", {"-mcpu=nosuch", "main.c"}, 1, {"cmdline_driver", "options_process", "alert_raise"},
       {"alert.cpp", "messages.cpp", "cleanup.cpp"}},
      {"--selftest", {"--selftest=docs_readme"}, 0, kSpecial,
       {"selftests.cpp", "tsuite.cpp", "stDocumentation.cpp", "shahash.cpp", "osd_timer.cpp", "cleanup.cpp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestInstall inst;
    testutil::write_file(inst.work_dir() + "/main.c", "int main(void) { return 0; }\n");
    std::vector<std::string> args{"--lumodebug=on,out:" + inst.work_dir() + "/run.out"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = inst.run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::string trace = testutil::read_file(inst.work_dir() + "/run.out");
    EXPECT_EQ(trace.rfind("\nAPP: LUMO8-CC\nARGS: " + inst.lumo8cc(), 0), 0u) << trace.substr(0, 300);
    TraceShape shape = shape_of(trace);
    EXPECT_GT(shape.records, 20u);
    EXPECT_EQ(shape.mismatch, "");
    EXPECT_EQ(shape.open, c.open);
    // The exit handlers that run afterwards write nothing.
    if (c.open.empty()) {
      EXPECT_NE(trace.find("EXIT cmdline_driver() -> Returning status: " + std::to_string(c.status)),
                std::string::npos);
      EXPECT_EQ(shape.last, "EXIT lumodebug_cleanup()");
    } else {
      EXPECT_EQ(shape.last, "EXIT cleanup() -> exiting with status " + std::to_string(c.status));
    }
    for (const std::string& source : c.sources) EXPECT_EQ(shape.sources.count(source), 1u) << source;
  }
}

TEST(LumodebugRun, ContainerReportsEndTheTrace) {
  TestInstall inst;
  RunResult r = inst.run({"--lumodebug=on,adt", kZirDevice, "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines = lines_of(testutil::read_file(inst.work_dir() + "/lumo8-cc-1.out"));
  const std::string loc = R"(^\S+:\d+ +> )";
  const std::vector<std::regex> fixed = {
      std::regex(loc + R"(# Hash Table Master List:$)"),
      std::regex(loc + R"(# ptr    file:line    max_util/capacity    max_usage/capacity    clashes    voidcmp    )"
                       R"(voidhash    alive$)"),
  };
  const std::regex hash_row(loc + R"(# 0x[0-9a-f]+    \S+:\d+    \d+/\d+    \d+/\d+    \d+    [Yn]    [Yn]    [Yn]$)");
  const std::regex vec_head1(loc + "# Living Vector Master List:$");
  const std::regex vec_head2(loc + "# ptr    file:line    max_count/capacity    alive$");
  const std::regex vec_row(loc + R"(# 0x[0-9a-f]+    \S+:\d+    \d+/\d+    Y$)");
  const std::regex sum_head(loc + "# Vector Master List Summary:$");
  const std::string sum3 = "#                                                                  Living              Dead"
                           "                Total";
  const std::string sum4 = "#                                file:line                         vectors/capacity    "
                           "vectors/capacity    vectors/capacity";
  const std::regex sum_row(loc + R"(# [ \S]{35}:\d+ *                        \d+/\d+    \d+/\d+    \d+/\d+$)");

  size_t at = 0;
  while (at < lines.size() && !std::regex_search(lines[at], fixed[0])) ++at;
  ASSERT_LT(at + 1, lines.size());
  EXPECT_TRUE(std::regex_search(lines[++at], fixed[1])) << lines[at];
  size_t hash_rows = 0;
  while (++at < lines.size() && std::regex_search(lines[at], hash_row)) ++hash_rows;
  EXPECT_GE(hash_rows, 2u);  // the option table and the string cache at least
  ASSERT_LT(at + 1, lines.size());
  EXPECT_TRUE(std::regex_search(lines[at], vec_head1)) << lines[at];
  EXPECT_TRUE(std::regex_search(lines[++at], vec_head2)) << lines[at];
  while (++at < lines.size() && std::regex_search(lines[at], vec_row)) {
  }
  ASSERT_LT(at + 2, lines.size());
  EXPECT_TRUE(std::regex_search(lines[at], sum_head)) << lines[at];
  EXPECT_NE(lines[++at].find("> " + sum3), std::string::npos) << lines[at];
  EXPECT_NE(lines[++at].find("> " + sum4), std::string::npos) << lines[at];
  size_t summary_rows = 0;
  while (++at < lines.size() && std::regex_search(lines[at], sum_row)) ++summary_rows;
  EXPECT_GT(summary_rows, 0u);
  EXPECT_EQ(at, lines.size()) << "after the reports: " << lines[at];
}

// Without the debugger a child named in debug: runs normally, after one
// warning however many children are started.
// Hides the debugger from this process alone where it is installed: a
// private mount namespace with an empty file system over /usr/bin. False
// where the process may not do that.
bool hide_debugger() {
  if (!have_debugger()) return true;
  if (unshare(CLONE_NEWNS) != 0) return false;
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return mount("none", "/usr/bin", "tmpfs", MS_RDONLY, nullptr) == 0 && !have_debugger();
}

TEST(LumodebugSpawn, MissingDebuggerFallsBackToANormalRun) {
  const struct {
    const char* option;
    bool force;
    std::string err;
  } cases[] = {
      {"--lumodebug=debug:record_driver", false, kNoDebugger},
      {"--lumodebug=on", true, kNoDebugger},
      {"--lumodebug=on", false, ""},  // no debug set: the debugger is not considered
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    testutil::TempDir dir, record;
    RunResult r = testutil::in_child(
        [&c] {
          if (!hide_debugger()) return kCannotHide;
          lumodebug_parse(c.option);
          int status = 0;
          for (int i = 0; i < 2; ++i) {
            vector* args = vec_new();
            vec_push(args, RECORD_DRIVER_PATH);
            vec_push(args, "one two");
            status += lumodebug_spawn(RECORD_DRIVER_PATH, args, c.force);
            vec_free(args);
          }
          return status;
        },
        dir.path(), {"LUMO_RECORD=" + record.path(), "LUMO_RECORD_STATUS=3"});
    if (r.status == kCannotHide) GTEST_SKIP() << "/usr/bin/lldb is installed and cannot be hidden without privileges";
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "driver ran\ndriver ran\n");
    EXPECT_EQ(testutil::read_file(record.file("argv")), std::string(RECORD_DRIVER_PATH) + "\none two\n");
  }
}

// The debugger run: a child named in debug: starts under /usr/bin/lldb.
TEST(LumodebugRun, DriverUnderTheDebugger) {
  if (!have_debugger()) GTEST_SKIP() << "/usr/bin/lldb is not installed (scripts/setup.sh installs it)";
  TestInstall inst;
  RunResult r = run_debugger_session(inst, {"--lumodebug=debug:lumo8", kZirDevice, "x.c"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  // The debugger read the command file: both breakpoints, then the run,
  // which stopped at the driver's main until the session went on.
  const std::string session = r.out + r.err;
  for (const char* line : {"break set --name db_assert", "break set --name main", "break command add 2", "run"})
    EXPECT_NE(session.find(line), std::string::npos) << line << "\n" << session;
  EXPECT_NE(session.find("stop reason = breakpoint 2"), std::string::npos) << session;
  // The driver ran to its end under the debugger, with the command file.
  const std::vector<std::string> argv = inst.driver_argv();
  ASSERT_FALSE(argv.empty());
  EXPECT_EQ(argv.back().rfind("@", 0), 0u);
  EXPECT_EQ(argv[0], inst.driver());
  // The debugger's command file went with the rest of the temporary files.
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
}

}  // namespace
