// lumo8-cc under faults and hostile input, end to end in a throw-away
// installation whose drivers are stand-ins: a temporary base it cannot use,
// a back end that dies, cannot start or is running when a signal comes, an
// interrupted shell loop, a reader that goes away, command-file arguments
// that are not readable files, arguments the command file cannot carry, and
// arguments that a shell would have taken as commands.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
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

// A program started in the background in a process group of its own (a
// job, as a shell starts it), in the installation's work directory with the
// stand-in asleep; the caller waits for it.
pid_t start(const FaultInstall& inst, const std::vector<std::string>& argv) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    testutil::default_signals();
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
    for (const std::string& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }
  setpgid(pid, pid);
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

bool gone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// A signal to lumo8-cc alone reaches the back end too; lumo8-cc waits for it
// (which takes its time to clean up) before its command file goes, then ends
// by the same signal.
TEST(Faults, SignalledWhileTheBackEndRuns) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    FaultInstall inst;
    pid_t cc = start(inst, {inst.lumo8cc(), kDevice, "x.c"});
    ASSERT_GT(cc, 0);
    pid_t standin = wait_for_standin(inst);
    ASSERT_GT(standin, 0);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()).size(), 1u) << "the temporary root while running";
    kill(cc, sig);
    const int wstatus = testutil::wait_bounded(cc, std::chrono::seconds(30));
    ASSERT_NE(wstatus, -1) << "lumo8-cc did not end";
    EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == sig) << std::hex << wstatus;
    EXPECT_EQ(testutil::read_file(inst.record_dir() + "/signalled"),
              "signal " + std::to_string(sig) + ", command file present\n");
    EXPECT_TRUE(gone(standin));
    if (!gone(standin)) kill(standin, SIGKILL);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

// Ctrl-C reaches the whole job: a shell loop over lumo8-cc sees that its
// command was ended by the signal and stops there.
TEST(Faults, InterruptStopsAShellLoop) {
  FaultInstall inst;
  const std::string script =
      "for i in 1 2 3; do \"$0\" -mcpu=kx20 x.c; echo \"after $i\" >> loop.log; done; echo done >> loop.log";
  pid_t shell = start(inst, {"/bin/bash", "-c", script, inst.lumo8cc()});
  ASSERT_GT(shell, 0);
  pid_t standin = wait_for_standin(inst);
  ASSERT_GT(standin, 0);
  kill(-shell, SIGINT);
  const int wstatus = testutil::wait_bounded(shell, std::chrono::seconds(30));
  ASSERT_NE(wstatus, -1) << "the loop did not end";
  EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == SIGINT) << std::hex << wstatus;
  EXPECT_FALSE(testutil::exists(inst.work_dir() + "/loop.log")) << testutil::read_file(inst.work_dir() + "/loop.log");
  EXPECT_TRUE(gone(standin));
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
}

// A reader that goes away (| head -1) ends lumo8-cc by SIGPIPE, and the
// temporary root it had made goes with it.
TEST(Faults, AReaderThatGoesAway) {
  FaultInstall inst;
  // Enough to hash that the manifest takes a while after the root is made.
  testutil::write_file(inst.version_dir() + "/bin/bulk.dat", std::string(size_t{32} << 20, 'x'));
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    testutil::default_signals();
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    setenv("TEMP", inst.temp_dir().c_str(), 1);
    unsetenv("TMP");
    execl(inst.lumo8cc().c_str(), inst.lumo8cc().c_str(), "--selfinit=", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // The reader stops once the manifest is being written and the root
  // exists: the next line meets a closed pipe.
  std::string seen;
  char buf[256];
  for (ssize_t n; seen.find("Generating") == std::string::npos && (n = read(fds[0], buf, sizeof buf)) > 0;)
    seen.append(buf, static_cast<size_t>(n));
  for (int i = 0; i < 1000 && testutil::list_dir(inst.temp_dir()).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()).size(), 1u) << "no temporary root while hashing";
  close(fds[0]);
  const int wstatus = testutil::wait_bounded(pid, std::chrono::seconds(60));
  ASSERT_NE(wstatus, -1);
  EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == SIGPIPE) << std::hex << wstatus << "\n" << seen;
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});

  RunResult r = testutil::run({"/bin/bash", "-c", "\"$0\" --selfinit= | head -1", inst.lumo8cc()}, inst.work_dir(),
                              {"TEMP=" + inst.temp_dir(), "-TMP"}, std::chrono::seconds(60));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Compiler installation found at: ", 0), 0u) << r.out;
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
}

// A back end that is there but cannot be started: named with the reason,
// and the run keeps the status of a driver that did not start (255).
TEST(Faults, BackEndsThatCannotStart) {
  struct Case {
    const char* name;
    const char* contents;
    fs::perms perms;
    const char* reason;
  };
  const Case cases[] = {
      {"no execute permission", "#!/bin/sh\n", fs::perms::owner_read | fs::perms::owner_write, "Permission denied"},
      {"not a program", "text, not a program\n", fs::perms::owner_all, "Exec format error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultInstall inst;
    testutil::write_file(inst.tev_driver(), c.contents);
    fs::permissions(inst.tev_driver(), c.perms);
    RunResult r = inst.run({kDevice, "x.c"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "(2015) can't execute \"" + inst.tev_driver() + "\": " + c.reason + "\n");
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

// "@name" that does not name a readable regular file stays an ordinary
// argument: it reaches the driver unchanged, and nothing blocks on it (a
// pack directory that is a FIFO is not opened either).
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
    RunResult r = inst.run({kDevice, std::string("@") + c.name, "x.c"}, {}, std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out) << c.name << " blocked the run";
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_TRUE(contains(inst.command_file(), std::string("\n@") + c.name + "\nx.c\n")) << inst.command_file();
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{}) << c.name;
  }
  for (const char* device : {"-mcpu=zir16c401", kDevice}) {
    FaultInstall inst;
    ASSERT_EQ(mkfifo((inst.work_dir() + "/pack").c_str(), 0600), 0);
    RunResult r = inst.run({device, "-mdfp=pack", "x.c"}, {}, std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out) << device;
    EXPECT_TRUE(inst.driver_ran()) << device << ": " << r.err;
  }
}

// A tab or a line feed ends an argument in the command file, and a carriage
// return before a line feed is read as part of the line end: such an
// argument is refused, named as typed with the character escaped, and the
// driver does not run.
TEST(Faults, ArgumentsTheCommandFileCannotCarry) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> named;  // "<kind> <as shown>", once per argument
    std::string lead = "";           // what the family's message format puts first
  };
  const Case cases[] = {
      {{kDevice, "a\tb.c", "ok.c"}, {"input file a\\tb.c"}},
      {{kDevice, "-DX=1\n2", "ok.c"}, {"argument -DX=1\\n2"}},
      {{kDevice, "name\r.c", "ok.c"}, {"input file name\\r.c"}},
      {{kDevice, "-I\t", "ok.c"}, {"argument -I\\t"}},
      {{kDevice, "-o", "out\tx.o", "ok.c"}, {"argument out\\tx.o"}},
      {{kDevice, "a\tb.c", "c\nd.c"}, {"input file a\\tb.c", "input file c\\nd.c"}},
      // One argument that the ZIR translation splits into two options.
      {{"-mcpu=zir16c401", "-Wl,a\tb,c\td", "ok.c"}, {"argument -Wl,a\\tb,c\\td"}, "::: error: "},
      {{"-mcpu=zir16c401", "-Wl,x\ty", "-Wl,a\tb,c\td", "ok.c"}, {"argument -Wl,x\\ty", "argument -Wl,a\\tb,c\\td"},
       "::: error: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named.front());
    FaultInstall inst;
    RunResult r = inst.run(c.args);
    EXPECT_EQ(r.status, 1);
    std::string expected;
    for (const std::string& n : c.named) {
      const size_t blank = n.rfind(' ');
      expected += c.lead + "(2077) " + n.substr(0, blank) + " \"" + n.substr(blank + 1) +
                  "\" can't be passed to the compiler driver: a command file can't hold a tab, line feed or carriage "
                  "return\n";
    }
    EXPECT_EQ(r.err, expected);
    EXPECT_FALSE(inst.driver_ran());
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
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

