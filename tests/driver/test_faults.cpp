// lumo8-cc under faults and hostile input, end to end in a throw-away
// installation whose drivers are stand-ins: a temporary base it cannot use,
// a back end that dies or outlives a signal to lumo8-cc, command-file
// arguments that are not readable files, arguments the command file cannot
// carry, and arguments that a shell would have taken as commands.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunResult;
using testutil::TestInstall;

constexpr const char* kDevice = "-mcpu=kx20";  // a TEV device: the driver is tev-gcc

// The installation with the fault stand-in as both drivers.
struct FaultInstall : TestInstall {
  FaultInstall() {
    for (const std::string& to : {driver(), tev_driver()})
      fs::copy_file(STANDIN_DRIVER_PATH, to, fs::copy_options::overwrite_existing);
  }
  bool driver_ran() const { return testutil::exists(record_dir() + "/argv"); }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Faults, UnusableTemporaryBase) {
  struct Case {
    const char* name;
    std::string temp;  // relative to the work directory
  };
  FaultInstall inst;
  testutil::write_file(inst.work_dir() + "/plain", "a file, not a directory\n");
  const Case cases[] = {
      {"below a file", "plain/sub"},
      {"a file itself", "plain"},
  };
  for (const Case& c : cases) {
    RunResult r = inst.run({kDevice, "x.c"}, {"TEMP=" + inst.work_dir() + "/" + c.temp});
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.err, "lumo8-cc: fatal error: Could not create temporary file\n") << c.name;
    EXPECT_FALSE(inst.driver_ran()) << c.name;
    EXPECT_EQ(testutil::list_dir(inst.work_dir()), std::vector<std::string>{"plain"}) << c.name;
  }
}

// Root writes through permissions, so for root the base is made a read-only
// mount instead, in a mount namespace of the run's own.
RunResult run_with_readonly_mount(const FaultInstall& inst, const std::string& base,
                                  const std::vector<std::string>& args) {
  std::vector<std::string> argv{inst.lumo8cc()};
  argv.insert(argv.end(), args.begin(), args.end());
  return testutil::in_child(
      [&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(base.c_str(), base.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(nullptr, base.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
          return 125;
        std::vector<char*> v;
        for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
        v.push_back(nullptr);
        execv(v[0], v.data());
        return 127;
      },
      inst.work_dir(), {"TEMP=" + base, "-TMP", "LUMO_RECORD=" + inst.record_dir()});
}

TEST(Faults, ReadOnlyTemporaryBase) {
  FaultInstall inst;
  const std::string base = inst.work_dir() + "/readonly";
  fs::create_directory(base);
  RunResult r;
  if (geteuid() == 0) {
    r = run_with_readonly_mount(inst, base, {kDevice, "x.c"});
    if (r.status == 125) GTEST_SKIP() << "running as root, and no read-only mount can be made";
  } else {
    fs::permissions(base, fs::perms::owner_read | fs::perms::owner_exec);
    r = inst.run({kDevice, "x.c"}, {"TEMP=" + base});
    fs::permissions(base, fs::perms::owner_all);
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "lumo8-cc: fatal error: Could not create temporary file\n");
  EXPECT_FALSE(inst.driver_ran());
  EXPECT_EQ(testutil::list_dir(base), std::vector<std::string>{});
}

TEST(Faults, BackEndEndedBySignal) {
  for (int sig : {SIGKILL, SIGSEGV, SIGTERM, SIGABRT}) {
    FaultInstall inst;
    RunResult r = inst.run({kDevice, "x.c"}, {"LUMO_STANDIN=signal:" + std::to_string(sig)});
    EXPECT_EQ(r.status, 128 + sig) << sig;
    EXPECT_TRUE(inst.driver_ran()) << sig;
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{}) << sig;
  }
}

// lumo8-cc started in the background; the caller waits for it.
pid_t start(const FaultInstall& inst, const std::vector<std::string>& args) {
  std::string cc = inst.lumo8cc();
  std::vector<std::string> argv{cc};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(inst.work_dir().c_str()) != 0) _exit(126);
    setenv("TEMP", inst.temp_dir().c_str(), 1);
    unsetenv("TMP");
    setenv("LUMO_RECORD", inst.record_dir().c_str(), 1);
    setenv("LUMO_STANDIN", "sleep", 1);
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }
  return pid;
}

// The stand-in's process id once it is running; 0 when it never started.
pid_t wait_for_standin(const FaultInstall& inst) {
  const std::string pid_file = inst.record_dir() + "/pid";
  for (int i = 0; i < 2000; ++i) {
    if (testutil::exists(pid_file)) return static_cast<pid_t>(std::stol(testutil::read_file(pid_file)));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

TEST(Faults, SignalledWhileTheBackEndRuns) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    FaultInstall inst;
    pid_t cc = start(inst, {kDevice, "x.c"});
    ASSERT_GT(cc, 0);
    pid_t standin = wait_for_standin(inst);
    EXPECT_GT(standin, 0) << sig;
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()).size(), 1u) << "the temporary root while running";
    kill(cc, sig);
    int wstatus = 0;
    while (waitpid(cc, &wstatus, 0) < 0) {
    }
    if (standin > 0) kill(standin, SIGKILL);
    ASSERT_TRUE(WIFEXITED(wstatus)) << sig << ": ended by signal " << WTERMSIG(wstatus);
    EXPECT_EQ(WEXITSTATUS(wstatus), sig);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{}) << sig;
  }
}

// "@name" that does not name a readable regular file stays an ordinary
// argument: it reaches the driver unchanged, and nothing blocks on it.
TEST(Faults, CommandFileArgumentsThatAreNotReadableFiles) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    bool needs_non_root;
  };
  const Case cases[] = {
      {"dir", [](const std::string& p) { fs::create_directory(p); }, false},
      {"fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, false},
      {"unreadable",
       [](const std::string& p) {
         testutil::write_file(p, "-DFROM_FILE\n");
         fs::permissions(p, fs::perms::none);
       },
       true},
  };
  for (const Case& c : cases) {
    if (c.needs_non_root && geteuid() == 0) {
      std::cout << "case " << c.name << " left out: permissions do not keep root from reading\n";
      continue;
    }
    FaultInstall inst;
    c.make(inst.work_dir() + "/" + c.name);
    RunResult r = inst.run({kDevice, std::string("@") + c.name, "x.c"});
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_TRUE(contains(inst.command_file(), std::string("\n@") + c.name + "\nx.c\n")) << inst.command_file();
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{}) << c.name;
  }
}

// A tab or a line feed ends an argument in the command file, and a carriage
// return may be lost with the line end: such an argument is refused, named,
// and the driver does not run.
TEST(Faults, ArgumentsTheCommandFileCannotCarry) {
  const std::vector<std::string> bad = {"a\tb.c", "-DX=1\n2", "name\r.c", "-I\t"};
  for (const std::string& arg : bad) {
    FaultInstall inst;
    RunResult r = inst.run({kDevice, arg, "ok.c"});
    EXPECT_EQ(r.status, 1) << arg;
    EXPECT_TRUE(contains(r.err, "(1195) invalid syntax for \"" + arg + "\" option")) << r.err;
    EXPECT_FALSE(inst.driver_ran()) << arg;
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{}) << arg;
  }
  FaultInstall inst;
  RunResult r = inst.run({kDevice, "a\tb.c", "c\nd.c"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "\"a\tb.c\"") && contains(r.err, "\"c\nd.c\"")) << "each is named: " << r.err;
}

// Arguments reach the driver as data: nothing a shell would run is run, and
// the command file sits in a directory of the user's alone.
TEST(Faults, NoShellAndPrivateTemporaries) {
  FaultInstall inst;
  const std::string marker = inst.work_dir() + "/ran";
  const std::string shell = inst.work_dir() + "/trap.sh";
  testutil::write_file(shell, "#!/bin/sh\ntouch " + marker + "\n");
  fs::permissions(shell, fs::perms::owner_all);
  const std::vector<std::string> args = {kDevice,
                                         "-DA=$(touch " + marker + ")",
                                         "-DB=`touch " + marker + "`",
                                         "x;touch " + marker + ";.c",
                                         "|touch " + marker + ".c",
                                         "-DC='&&' touch",
                                         "y.c"};
  RunResult r = inst.run(args, {"SHELL=" + shell, "ENV=" + shell, "BASH_ENV=" + shell});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(testutil::exists(marker));
  const std::string cmdfile = inst.command_file();
  EXPECT_TRUE(contains(cmdfile, "\"-DA=$(touch\\ " + marker + ")\"\n")) << cmdfile;
  EXPECT_TRUE(contains(cmdfile, "\"x;touch\\ " + marker + ";.c\"\n")) << cmdfile;
  // The command file: the owner's alone, in the 0700 temporary root.
  std::string modes = testutil::read_file(inst.record_dir() + "/cmdmode");
  std::string file_mode = modes.substr(0, modes.find(' '));
  std::string dir_mode = modes.substr(modes.find(' ') + 1);
  EXPECT_EQ(dir_mode, "700\n");
  EXPECT_EQ(std::stoul(file_mode, nullptr, 8) & 0700, 0600u) << file_mode;
}

// The legacy driver's rules are the stuff of the GNU dependency files that
// lumo8-cc writes for ZIR: rules it cannot trust fail the run and leave the
// old file as it was, with nothing beside it.
TEST(Faults, RulesOfTheLegacyDriverThatCannotBeTrusted) {
  struct Case {
    const char* name;
    const char* rules;  // what the driver writes; "-": no file
    int status;
    const char* message;
    const char* depfile;  // o/main.d afterwards
  };
  const Case cases[] = {
      {"no rules file", "-", 1, "(2056)", "old\n"},
      {"no rule for the source", "", 1, "(2056)", "old\n"},
      {"cut short", "main.p1: src/main.c \\\n", 1, "(2056)", "old\n"},
      {"no line end", "main.p1: src/main.c", 1, "(2056)", "old\n"},
      {"not a rule", "src/main.c src/a.h\n", 1, "(2056)", "old\n"},
      {"a file that was no input", "main.p1: src/other.c\n", 1, "(2056)", "old\n"},
      {"whole", "main.p1: src/main.c \\\n  src/a.h\n", 0, "", "o/main.o: src/main.c src/a.h\nsrc/a.h:\n"},
  };
  TestInstall inst;
  fs::create_directories(inst.work_dir() + "/src");
  fs::create_directories(inst.work_dir() + "/o");
  testutil::write_file(inst.work_dir() + "/src/main.c", "int main(void) { return 0; }\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testutil::write_file(inst.work_dir() + "/o/main.d", "old\n");
    RunResult r = inst.run({"-mcpu=zir16c401", "-MMD", "-MP", "-c", "src/main.c", "-o", "o/main.o"},
                           {std::string("LUMO_RECORD_RULES=") + c.rules});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(contains(r.err, c.message), true) << r.err;
    EXPECT_EQ(testutil::read_file(inst.work_dir() + "/o/main.d"), c.depfile);
    EXPECT_EQ(testutil::list_dir(inst.work_dir() + "/o"), std::vector<std::string>{"main.d"});
  }
  RunResult r = inst.run({"-mcpu=zir16c401", "-MMD", "-MF", "no/such/dir/x.d", "-c", "src/main.c"},
                         {"LUMO_RECORD_RULES=main.p1: src/main.c\n"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "(2032) can't write output file \"no/such/dir/x.d\"")) << r.err;
}

// A build that runs lumo8-cc from a terminal with "-" as an input would
// wait for typing that never comes: the run stops at once instead.
TEST(Faults, StandardInputAtATerminal) {
  TestInstall inst;
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string terminal = ptsname(master);
  for (const char* device : {"-mcpu=zir16c401", kDevice}) {
    SCOPED_TRACE(device);
    std::vector<std::string> argv{inst.lumo8cc(), device, "-E", "-x", "c", "-"};
    RunResult r = testutil::in_child(
        [&] {
          const int tty = open(terminal.c_str(), O_RDONLY | O_NOCTTY);
          if (tty < 0 || dup2(tty, 0) < 0) return 125;
          std::vector<char*> v;
          for (const std::string& a : argv) v.push_back(const_cast<char*>(a.c_str()));
          v.push_back(nullptr);
          execv(v[0], v.data());
          return 127;
        },
        inst.work_dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "(2039) standard input is a terminal")) << r.err;
    EXPECT_FALSE(testutil::exists(inst.record_dir() + "/argv")) << "the driver ran";
  }
  close(master);
}

}  // namespace

