// The --lumodebug option: in-process (in a child per case, as the facility
// reads its option once per process), its sub-options, assertions and the
// package zip; through the built program, what the driver receives under
// the debugger or not, and the trace, package and reports a run leaves.
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <elf.h>
#include <gnu/libc-version.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/pathstyle.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_assert.h"
#include "debug/lumodebug_state.h"
#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

using testutil::RunResult;
using testutil::TestInstall;
using Names = std::vector<std::string>;

// What the facility's warning with text writes.
std::string warning(const std::string& text) { return "LUMODEBUG (warning): " + text + "\n"; }

struct ZipEntry {
  std::string data;
  uint16_t method = 0;
  std::string comment;
};

// Every entry of an archive by name, read back with the zip library; empty
// when it cannot be read.
std::map<std::string, ZipEntry> read_zip(const std::string& path) {
  std::map<std::string, ZipEntry> entries;
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &error);
  for (zip_int64_t i = 0; za && i < zip_get_num_entries(za, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(za, i, 0, &st);
    ZipEntry& e = entries[st.name];
    e.method = st.comp_method;
    zip_uint32_t length = 0;
    if (const char* c = zip_file_get_comment(za, i, &length, 0)) e.comment.assign(c, length);
    e.data.resize(st.size);
    if (zip_file_t* f = zip_fopen_index(za, i, 0)) {
      zip_fread(f, e.data.data(), st.size);
      zip_fclose(f);
    }
  }
  if (za) zip_discard(za);
  return entries;
}

// An archive of one entry; false when it could not be written.
bool write_zip(const std::string& path, const std::string& name, const std::string& data) {
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  zip_source_t* s = za ? zip_source_buffer(za, data.data(), data.size(), 0) : nullptr;
  return s && zip_file_add(za, name.c_str(), s, 0) >= 0 && zip_close(za) == 0;
}

// In a child in dir: parses each option, runs then, and prints the state as
// "flags assert-level num out zip" ("-" for none, the out file marked when
// it was not made) and the probe names that are in the debug set.
RunResult parsed(const std::string& dir, const Names& options, const std::function<void()>& then = nullptr) {
  return testutil::in_child(
      [&] {
        for (const std::string& o : options) lumodebug_parse(o.c_str());
        if (then) then();
        const LumodebugState& s = g_lumodebug;
        const char* out = s.out ? s.out_path : nullptr;
        printf("%u %u %u %s%s %s", lumodebug_flagword, lumodebug_assertlevel, s.num, out ? out : "-",
               out && !testutil::exists(out) ? "(not made)" : "", s.zip_path ? s.zip_path : "-");
        for (const char* name : {"LUMO8", "zircc", "absent"})
          if (lumodebug_in_debug_set(name)) printf(" %s", name);
        return 0;
      },
      dir);
}

// Each row parsed, then an assertion failed: the state, the warnings, the
// assertion's message at the level set, and the status of a run that ends
// there. (The warnings the program shows are in the rows through it below.)
TEST(LumodebugOption, SubOptionsAndAssertions) {
  const std::string bad_num = warning("\"num\" option must be a decimal integer > 0, using \"1\"");
  const std::string traced = "1 0 1 lumo8-cc-1.out -";
  auto assertion = [](char level) {
    return std::string("(150") + level + ") assertion failure: 1 == 2 (src/a.c:7) ";
  };
  const struct {
    Names options;
    std::string state;  // as parsed() prints it; empty for a run that ended
    std::string err;
    int status = 0;
  } cases[] = {
      {{"--lumodebug=num:7x,num:4294967296,assert:ignore,on"}, traced, bad_num + bad_num},
      {{"--lumodebug=assert:warning"}, "0 3 1 - -", assertion('1') + " (warning)\n"},
      {{"--lumodebug=assert:Error"}, "0 2 1 - -", assertion('2') + "\n"},
      {{"--lumodebug=assert:FATAL"}, "", assertion('3') + "\n", 1},
      {{"--lumodebug"}, "0 0 1 - -", warning("unknown option \"--lumodebug\"")},
      {{"--lumodebug=debug:lumo8:ZIRCC,on"}, traced + " LUMO8 zircc", ""},
      {{"--lumodebug=debug::"}, "0 0 1 - -", warning("option \"debug\", must have at least one argument")},
      {{"--lumodebug=output:a.out,DEFAULT,out:b.out"}, "1 0 1 b.out -",  // prefixes, any case
       warning("debug-out file was set to \"a.out\", resetting to \"b.out\"")},
      {{"--lumodebug=on,out:missing/dir/x.out"}, "",
       "(141) can't open debug-out file \"missing/dir/x.out\": No such file or directory\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.back());
    testutil::TempDir dir;
    RunResult r = parsed(dir.path(), c.options, [] { db_assert_fail("1 == 2", "src/a.c", 7); });
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.state);
    EXPECT_EQ(r.err, c.err);
  }
  // At level 0 the condition is not evaluated.
  int evaluated = 0;
  lumodebug_assertlevel = LDB_ASSERT_IGNORE;
  db_assert(++evaluated == 0);
  EXPECT_EQ(evaluated, 0);
}

// The option each child receives: the names meant for the caller's own
// children only, and a count per callee, whatever the case of its name.
TEST(LumodebugOption, HandedOnToChildren) {
  testutil::TempDir dir;
  RunResult r = parsed(dir.path(), {"--lumodebug=on,debug:lumo8-cc:lumo8x:zircc18:tev"}, [] {
    for (const auto& [caller, callee] : {std::pair{DBC_LUMO8CC, "lumo8"}, {DBC_LUMO8CC, "LUMO8"}, {DBC_LUMO8, "zircc"},
                                         {DBC_DRIVER, "p1"}})
      printf("%s\n", lumodebug_optionFor(caller, callee));
  });
  EXPECT_EQ(r.out.substr(0, r.out.rfind('\n') + 1),
            "--lumodebug=default,on,debug:lumo8-cc:zircc18:tev,num:1\n"
            "--lumodebug=default,on,debug:lumo8-cc:zircc18:tev,num:2\n"
            "--lumodebug=default,on,debug:lumo8-cc:lumo8x:tev,num:1\n"
            "--lumodebug=default,on,debug:lumo8-cc:lumo8x:zircc18:tev,num:1\n");
}

TEST(LumodebugPackage, ArchiveNames) {
  constexpr PathStyle W = PathStyle::windows, P = PathStyle::posix;
  const struct {
    const char* path;
    PathStyle style;
    const char* name;
  } cases[] = {
      {"logs\\run\\t.out", W, "logs/run/t.out"},
      {"C:", W, "SYSTEM_ROOT"},
      {"C:\\work\\t.out", W, "SYSTEM_ROOT/work/t.out"},
      {"c:/work/t.out", W, "SYSTEM_ROOT/work/t.out"},
      // Two backslashes: the path from its fourth character on, as for a drive.
      {"\\\\server\\share\\t.out", W, "SYSTEM_ROOT/erver/share/t.out"},
      {"1:\\x", W, "1:/x"},
      {"/tmp/run/t.out", P, "SYSTEM_ROOT/tmp/run/t.out"},
      {"//t.out", P, "SYSTEM_ROOT/t.out"},
      {"C:\\work\\t.out", P, "C:/work/t.out"},
  };
  for (const auto& c : cases) EXPECT_STREQ(lumodebug_archiveName(c.path, c.style), c.name) << c.path;
}

// An existing package is replaced unless the option extends it ("+"); a
// file goes in deflated, with its comment, replacing an older copy. (What
// cannot be read or written is among the rows through the program.)
TEST(LumodebugPackage, AddsToANewOrAnExistingArchive) {
  const struct {
    const char* option;
    const char* file;  // added with lumodebug_addToPackage
    const char* comment;
    const char* archive;
    std::string warnings;
    Names entries;  // afterwards, sorted
  } cases[] = {
      {"--lumodebug=zip", "data.txt", "the comment", "lumo8_package.zip",
       warning("Package zip \"lumo8_package.zip\" already exists and will be over-written"), {"data.txt"}},
      {"--lumodebug=zip:+old.zip", "data.txt", nullptr, "old.zip", "", {"data.txt", "keep.txt"}},
      {"--lumodebug=zip:+old.zip", "keep.txt", nullptr, "old.zip", "", {"keep.txt"}},
      {"--lumodebug=zip:p.zip", "absent.txt", nullptr, "p.zip", "", {}},
      {"--lumodebug=zip:dir.zip", "data.txt", nullptr, "dir.zip",
       warning("Package zip \"dir.zip\" already exists and will be over-written") +
           warning("Unable to remove \"dir.zip\", it will be updated if possible") +
           warning("Unable to open package zip file (dir.zip) for reading to append \"data.txt\""),
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.file);
    testutil::TempDir dir;
    ASSERT_EQ(mkdir(dir.file("dir.zip").c_str(), 0755), 0);
    testutil::write_file(dir.file("dir.zip/x"), "keeps the directory from being removed");
    testutil::write_file(dir.file("data.txt"), std::string(4000, 'a') + "end\n");
    testutil::write_file(dir.file("keep.txt"), "new keep\n");
    ASSERT_TRUE(write_zip(dir.file("old.zip"), "keep.txt", "old keep\n"));
    ASSERT_TRUE(write_zip(dir.file("lumo8_package.zip"), "stale.txt", "stale\n"));
    RunResult r = parsed(dir.path(), {c.option}, [&c] { lumodebug_addToPackage(c.file, c.comment); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, c.warnings);
    Names names;
    for (const auto& [name, e] : read_zip(dir.file(c.archive))) {
      names.push_back(name);
      EXPECT_EQ(e.data, name == c.file ? testutil::read_file(dir.file(c.file)) : "old keep\n") << name;
      if (name != c.file) continue;
      EXPECT_EQ(e.method, ZIP_CM_DEFLATE);
      EXPECT_EQ(e.comment, c.comment ? c.comment : "");
    }
    EXPECT_EQ(names, c.entries);
  }
}

constexpr const char* kZirDevice = "-mcpu=zir16c401";
bool have_debugger() { return testutil::exists("/usr/bin/lldb"); }

// The status of a run that could not make its private mount.
constexpr int kCannotMount = 125;

// lumo8-cc with args, its debugger session answered as a developer would
// once the program has stopped at main: go on, and leave when the stand-in
// driver has recorded its run (leaving earlier would end the program).
RunResult run_in_session(const TestInstall& inst, const Names& args) {
  Names argv{"/bin/sh", "-c",
             "{ echo 'process continue'; i=0; while [ ! -e \"$LUMO_RECORD/argv\" ] && [ $i -lt 600 ]; do "
             "sleep 0.05; i=$((i + 1)); done; sleep 0.2; echo quit; } | \"$0\" \"$@\"",
             inst.lumo8cc()};
  argv.insert(argv.end(), args.begin(), args.end());
  // The leak checker cannot work in a program that runs under a debugger.
  return testutil::run(argv, inst.work_dir(), {"TEMP=" + inst.temp_dir(), "-TMP", "LUMO_RECORD=" + inst.record_dir(),
                                               "LSAN_OPTIONS=detect_leaks=0"});
}

// lumo8-cc with args, from a child of the test that first mounts source
// over target for itself alone (status kCannotMount when it may not).
RunResult run_with_mount(const TestInstall& inst, const Names& args, const std::string& source,
                         const std::string& target, const char* type = nullptr, unsigned long flags = MS_BIND) {
  Names argv{inst.lumo8cc()};
  argv.insert(argv.end(), args.begin(), args.end());
  return testutil::in_child(
      [&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(source.c_str(), target.c_str(), type, flags, nullptr) != 0)
          return kCannotMount;
        std::vector<char*> v;
        for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
        v.push_back(nullptr);
        execv(v[0], v.data());
        return 127;
      },
      inst.work_dir(), {"TEMP=" + inst.temp_dir(), "-TMP", "LUMO_RECORD=" + inst.record_dir()});
}

// The --lumodebug lines of the command file the driver received.
Names handed_on(const TestInstall& inst) {
  Names found;
  for (const std::string& line : testutil::lines_of(inst.command_file()))
    if (line.rfind("--lumodebug", 0) == 0) found.push_back(line);
  return found;
}

// lumo8 is in the debug set: it runs under the debugger, which stops it at
// main until the session goes on; where there is none (or it is hidden by
// an empty file system over /usr/bin) the run warns and runs it normally.
// It receives the option rewritten for it.
TEST(LumodebugRun, DriverInTheDebugSet) {
  for (const bool hidden : {false, true}) {
    SCOPED_TRACE(hidden ? "debugger hidden" : "debugger as installed");
    if (hidden && !have_debugger()) continue;
    const bool session = have_debugger() && !hidden;
    TestInstall inst;
    const Names args{"--lumodebug=on,debug:lumo8:zircc,out:t.txt", kZirDevice, "-c", "x.c"};
    RunResult r = hidden    ? run_with_mount(inst, args, "none", "/usr/bin", "tmpfs", MS_RDONLY)
                  : session ? run_in_session(inst, args)
                            : inst.run(args);
    if (r.status == kCannotMount) GTEST_SKIP() << "/usr/bin/lldb cannot be hidden without privileges";
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    if (session) {
      for (const char* line : {"break set --name db_assert", "break set --name main", "break command add 2", "run",
                               "stop reason = breakpoint 2"})
        EXPECT_NE((r.out + r.err).find(line), std::string::npos) << line << "\n" << r.out << r.err;
    } else {
      EXPECT_EQ(r.err, warning("Debugger \"/usr/bin/lldb\" is not available"));
    }
    EXPECT_EQ(handed_on(inst), Names{"--lumodebug=default,on,out:+t.txt,debug:zircc,num:1"});
    const Names argv = inst.driver_argv();
    ASSERT_FALSE(argv.empty());
    EXPECT_EQ(argv[0], inst.driver());
    EXPECT_EQ(argv.back().rfind("@", 0), 0u);
    EXPECT_EQ(testutil::list_dir(inst.work_dir()), Names{"t.txt"});
    // The debugger's command file went with the rest of the temporary files.
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), Names{});
  }
}

// What a run hands on, its warnings (those of the package at its end), its
// trace file and its package, in a work directory that holds a trace of an
// earlier run in logs/ and an archive that is not one.
TEST(LumodebugRun, SubOptionsThroughTheProgram) {
  const struct {
    Names args;  // before the device and the input
    const char* device;
    Names handed;
    const char* trace;  // the trace file in the work directory, or null for none
    std::string err;
  } cases[] = {
      {{"--lumodebug=num:3,num:0,num,bogus,,on,"}, kZirDevice, {"--lumodebug=default,on,num:1"}, "lumo8-cc-3.out",
       warning("\"num\" option must be a decimal integer > 0, using \"3\"") +
           warning("option \"num\", must have an argument") + warning("unknown option \"bogus\"")},
      {{"--lumodebug=assert:FATAL,assert:maybe,assert"}, kZirDevice, {"--lumodebug=assert:fatal"}, nullptr,
       warning("unknown argument (maybe) given to assert option") +
           warning("option \"assert\", must have an argument")},
      {{"--lumodebug=on", "--lumodebug=num:5,adt"}, kZirDevice, {"--lumodebug=default,on,num:1"}, "lumo8-cc-1.out",
       warning("Ignoring extra --lumodebug options")},
      {{"--lumodebug=out:+logs,on"}, kZirDevice, {"--lumodebug=default,on,out:+logs/lumo8-cc-1.out,num:1"},
       "logs/lumo8-cc-1.out", ""},
      {{"--lumodebug=out:logs,out,on"}, kZirDevice, {"--lumodebug=default,on,out:+logs/lumo8-cc-1.out,num:1"},
       "logs/lumo8-cc-1.out", warning("option \"out\", must have a filename argument")},
      // Each sub-option's part in table order, without the names meant for lumo8 itself.
      {{"--lumodebug=sdb,dwarf,alerts,assert:error,debug:lumo8-cc:lumo8x:zircc18:tev"}, kZirDevice,
       {"--lumodebug=sdb,dwarf,alerts,assert:error,debug:lumo8-cc:zircc18:tev,num:1"}, "lumo8-cc-1.out", ""},
      {{"--lumodebug=on"}, "-mcpu=kx20", {}, "lumo8-cc-1.out", ""},  // a TEV device drops it
      {{"--lumodebug=zip:+bad.zip,zip:p.zip,on"}, kZirDevice, {"--lumodebug=default,on,zip:+bad.zip,num:1"},
       "lumo8-cc-1.out",
       warning("Zip file already set to \"bad.zip\", ignoring addtional zip options") +
           warning("Unable to open package zip file (bad.zip) for reading to append \"lumo8-cc-1.out\"")},
      {{"--lumodebug=zip:bad.zip,on"}, kZirDevice, {"--lumodebug=default,on,zip:+bad.zip,num:1"}, "lumo8-cc-1.out",
       warning("Package zip \"bad.zip\" already exists and will be over-written")},
      {{"--lumodebug=zip:+kept.zip,on"}, kZirDevice, {"--lumodebug=default,on,zip:+kept.zip,num:1"}, "lumo8-cc-1.out",
       ""},
      {{"--lumodebug=zip:gone/p.zip,on"}, kZirDevice, {"--lumodebug=default,on,zip:+gone/p.zip,num:1"},
       "lumo8-cc-1.out", warning("Unable to finalize package zip (gone/p.zip) after adding \"lumo8-cc-1.out\"")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    TestInstall inst;
    const std::string work = inst.work_dir();
    ASSERT_EQ(mkdir((work + "/logs").c_str(), 0755), 0);
    testutil::write_file(work + "/logs/lumo8-cc-1.out", "earlier run\n");
    testutil::write_file(work + "/bad.zip", "not a zip");
    ASSERT_TRUE(write_zip(work + "/kept.zip", "keep.txt", "kept\n"));
    Names args = c.args;
    args.insert(args.end(), {c.device, "x.c"});
    RunResult r = inst.run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(handed_on(inst), c.handed);
    Names files{"bad.zip", "kept.zip", "logs"};
    if (c.trace && !strchr(c.trace, '/')) files.push_back(c.trace);
    EXPECT_EQ(testutil::list_dir(work), files);
    // A package holds the trace as far as it was written when it was packed:
    // all of the run. One that is extended keeps what it held.
    EXPECT_EQ(read_zip(work + "/kept.zip").size(), c.args[0].find("zip:+kept.zip") != std::string::npos ? 2u : 1u);
    const auto packed = read_zip(work + "/bad.zip");
    if (c.args[0].find("zip:bad.zip") == std::string::npos) {
      EXPECT_EQ(testutil::read_file(work + "/bad.zip"), "not a zip");
    } else {
      ASSERT_EQ(packed.size(), 1u);
      EXPECT_EQ(testutil::read_file(work + "/" + c.trace).rfind(packed.at(c.trace).data, 0), 0u);
      EXPECT_NE(packed.at(c.trace).data.find("EXIT cmdline_driver() -> Returning status: 0"), std::string::npos);
    }
    if (!c.trace) continue;
    // The trace begins with the argument log, after an earlier run's when
    // appended; a second option is parsed, and traced, before that.
    const std::string trace = testutil::read_file(work + "/" + c.trace);
    const bool appended = c.args[0].find("out:+") != std::string::npos;
    const size_t at = trace.find((appended ? "earlier run\n" : "") + ("\nAPP: LUMO8-CC\nARGS: " + inst.lumo8cc()));
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(at == 0, c.args.size() == 1) << trace.substr(0, 300);
  }
}

// The real path of the shared library that holds symbol.
std::string library_of(void* symbol) {
  Dl_info info{};
  char* real = dladdr(symbol, &info) && info.dli_fname ? realpath(info.dli_fname, nullptr) : nullptr;
  std::string path = real ? real : "";
  free(real);
  return path;
}

// Whether the program at path has a program interpreter (is linked
// dynamically).
bool has_interpreter(const std::string& path) {
  const std::string image = testutil::read_file(path);
  Elf64_Ehdr header{};
  if (image.size() < sizeof header) return false;
  memcpy(&header, image.data(), sizeof header);
  for (size_t i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    const size_t at = header.e_phoff + i * header.e_phentsize;
    if (at + sizeof segment > image.size()) return false;
    memcpy(&segment, image.data() + at, sizeof segment);
    if (segment.p_type == PT_INTERP) return true;
  }
  return false;
}

// The zip library is loaded only when a package is asked for, and a
// statically linked lumo8-cc loads it only beside the C library it was
// built with. Where it cannot be loaded the run warns, writes no package
// and goes on. For one run a private mount puts an empty file over the zip
// library, or over the C library a working copy whose version banner says
// another release.
TEST(LumodebugRun, PackagingWithoutTheZipLibraryWarnsAndGoesOn) {
  testutil::TempDir scratch;
  const std::string zip = library_of(reinterpret_cast<void*>(&zip_open));
  const std::string libc = library_of(reinterpret_cast<void*>(&gnu_get_libc_version));
  ASSERT_FALSE(zip.empty() || libc.empty());
  std::string image = testutil::read_file(libc);
  const std::string banner = std::string("release version ") + gnu_get_libc_version() + ".";
  const size_t at = image.find(banner);
  ASSERT_NE(at, std::string::npos) << libc;
  char& digit = image[at + banner.size() - 2];  // the last digit of the version
  digit = digit == '9' ? '8' : '9';
  testutil::write_file(scratch.file("libc.so"), image);
  for (const auto& [source, target] : {std::pair{std::string("/dev/null"), zip}, {scratch.file("libc.so"), libc}}) {
    SCOPED_TRACE(target);
    TestInstall inst;
    if (target == libc && has_interpreter(inst.lumo8cc())) continue;  // loads the zip library beside any C library
    RunResult r = run_with_mount(inst, {"--lumodebug=zip,on", kZirDevice, "x.c"}, source, target);
    if (r.status == kCannotMount) GTEST_SKIP() << "a library cannot be replaced without privileges";
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, warning("Packaging is not available: the zip library (libzip.so.4) cannot be loaded, "
                             "ignoring the zip option"));
    EXPECT_EQ(testutil::list_dir(inst.work_dir()), Names{"lumo8-cc-1.out"});
    EXPECT_FALSE(inst.driver_argv().empty());
  }
}

// The ENTER and EXIT records of a trace file read back as a call stack.
struct TraceShape {
  std::string mismatch;           // the first EXIT that closes no open ENTER of its function
  Names open;                     // what no EXIT closed, outermost first
  std::set<std::string> sources;  // the source files that wrote records
  std::string last;               // the last record, without its location column
};

TraceShape shape_of(const std::string& trace) {
  const std::regex record(R"(^([^\s:]+):\d+ *> *((ENTER|EXIT) ([A-Za-z_0-9:~]+)\(.*)$)");
  TraceShape shape;
  for (const std::string& line : testutil::lines_of(trace)) {
    std::smatch m;
    if (!std::regex_match(line, m, record)) continue;
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

// Whole runs with the trace on: the trace begins with the argument log,
// every EXIT closes the innermost open ENTER of the same function, and at
// the end nothing is open but what an early end left on its way into
// cleanup, whose EXIT is the last record; the modules of each run show in
// the location columns. A run that ends normally tracks its containers: their
// reports ("#" lines: hash tables, living vectors, summary) follow.
TEST(LumodebugRun, EnterAndExitRecordsBalance) {
  const Names kWalk = {"cmdline_driver", "options_process", "options_handler", "option_translate"};
  const struct {
    Names args;  // after the --lumodebug option
    int status;
    Names open;  // left open when the program ends early
    Names sources;
  } cases[] = {
      {{kZirDevice, "-O2", "-Wall", "-Wno-101", "-DX=1", "-I.", "-Wl,-Map=main.map", "-lm", "-o", "main.hex", "main.c"},
       0, {}, {"options_general.cpp", "options_tools.cpp", "lumodebug_handon.cpp", "lumodebug_package.cpp"}},
      {{"-mcpu=kx20", "-O2", "-Wall", "-mprint-builtins", "-Wl,--gc-sections", "-c", "main.c"}, 0, {},
       {"options_target.cpp", "machdep.cpp", "lumodebug_spawn.cpp"}},
      {{"--help"}, 0, kWalk, {"help.cpp", "cleanup.cpp"}},
      {{"--target-help"}, 0, kWalk, {"help.cpp", "devices.cpp"}},
      {{"-mprint-devices"}, 0, kWalk, {"devices.cpp"}},
      {{"-mcpu=nosuch", "main.c"}, 1, {"cmdline_driver", "options_process", "alert_raise"}, {"alert.cpp", "cleanup.cpp"}},
      {{"--selftest=docs_readme"}, 0, {"cmdline_driver", "options_process", "options_handler", "option_translate",
       "opt_installation"}, {"tsuite.cpp", "stDocumentation.cpp", "shahash.cpp"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    TestInstall inst;
    testutil::write_file(inst.work_dir() + "/main.c", "int main(void) { return 0; }\n");
    const bool ends_normally = c.open.empty();
    Names args{std::string("--lumodebug=on,") + (ends_normally ? "adt," : "") + "out:" + inst.work_dir() + "/run.out"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = inst.run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::string trace = testutil::read_file(inst.work_dir() + "/run.out");
    const size_t tracking_on = ends_normally ? trace.find("EXIT hash_track()\n") + 18 : 0;
    EXPECT_EQ(trace.find("\nAPP: LUMO8-CC\nARGS: " + inst.lumo8cc()), tracking_on) << trace.substr(0, 300);
    TraceShape shape = shape_of(trace);
    EXPECT_EQ(shape.mismatch, "");
    EXPECT_EQ(shape.open, c.open);
    // The exit handlers that run afterwards write nothing.
    EXPECT_EQ(shape.last, ends_normally ? "EXIT lumodebug_cleanup()"
                                        : "EXIT cleanup() -> exiting with status " + std::to_string(c.status));
    for (const std::string& source : c.sources) EXPECT_EQ(shape.sources.count(source), 1u) << source;
    if (!ends_normally) continue;
    const size_t cleanup = trace.find("EXIT lumodebug_cleanup()");
    Names headings;
    for (const std::string& line : testutil::lines_of(trace.substr(trace.find('\n', cleanup) + 1))) {
      const size_t report = line.find("> # ");
      ASSERT_NE(report, std::string::npos) << line;
      if (line.ends_with(" List:") || line.ends_with(" Summary:")) headings.push_back(line.substr(report + 4));
    }
    EXPECT_EQ(headings, (Names{"Hash Table Master List:", "Living Vector Master List:", "Vector Master List Summary:"}));
  }
}

}  // namespace
