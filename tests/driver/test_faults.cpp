// lumo8-cc under faults and hostile input, end to end in a throw-away
// installation whose drivers are stand-ins: a temporary base it cannot use,
// a back end that dies, cannot start or is running when a signal comes, an
// interrupted shell loop, a reader that goes away, command-file arguments
// that are not readable files, arguments the command file cannot carry, and
// arguments that a shell would have taken as commands.
#include <fcntl.h>
#include <signal.h>
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

// A temporary base below a file, a file itself, or a directory that no one
// can write, not even root.
TEST(Faults, UnusableTemporaryBase) {
  FaultInstall inst;
  const std::string plain = inst.work_dir() + "/plain";
  testutil::write_file(plain, "a file, not a directory\n");
  for (const std::string& temp : {plain + "/sub", plain, std::string("/proc")}) {
    RunResult r = inst.run({kDevice, "x.c"}, {"TEMP=" + temp});
    EXPECT_EQ(r.status, 1) << temp;
    EXPECT_EQ(r.err, "lumo8-cc: fatal error: Could not create temporary file\n") << temp;
    EXPECT_FALSE(inst.driver_ran()) << temp;
    EXPECT_EQ(testutil::list_dir(inst.work_dir()), std::vector<std::string>{"plain"}) << temp;
  }
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
// by the same signal. Ctrl-C (SIGINT) goes to the whole job, here a shell
// loop over lumo8-cc, which stops there as lumo8-cc ended by the signal.
TEST(Faults, SignalledWhileTheBackEndRuns) {
  const std::string loop =
      "for i in 1 2 3; do \"$0\" -mcpu=kx20 x.c; echo \"after $i\" >> loop.log; done; echo done >> loop.log";
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    FaultInstall inst;
    pid_t job = sig == SIGINT ? start(inst, {"/bin/bash", "-c", loop, inst.lumo8cc()})
                              : start(inst, {inst.lumo8cc(), kDevice, "x.c"});
    ASSERT_GT(job, 0);
    pid_t standin = wait_for_standin(inst);
    ASSERT_GT(standin, 0);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()).size(), 1u) << "the temporary root while running";
    kill(sig == SIGINT ? -job : job, sig);
    const int wstatus = testutil::wait_bounded(job, std::chrono::seconds(30));
    ASSERT_NE(wstatus, -1) << "the run did not end";
    EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == sig) << std::hex << wstatus;
    EXPECT_EQ(testutil::read_file(inst.record_dir() + "/signalled"),
              "signal " + std::to_string(sig) + ", command file present\n");
    EXPECT_FALSE(testutil::exists(inst.work_dir() + "/loop.log"));
    EXPECT_TRUE(gone(standin));
    if (!gone(standin)) kill(standin, SIGKILL);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

// A reader that goes away (| head -1) ends lumo8-cc by SIGPIPE, and the
// temporary root it had made goes with it. The reader here stops once the
// manifest is being written and the root exists: the next line meets a
// closed pipe.
TEST(Faults, AReaderThatGoesAway) {
  FaultInstall inst;
  // Enough to hash that the manifest takes a while after the root is made.
  testutil::write_file(inst.version_dir() + "/bin/bulk.dat", std::string(size_t{32} << 20, 'x'));
  const std::string reader =
      "s=; while IFS= read -r -n 1 c; do s=$s$c; case $s in *Generating*) break;; esac; done; "
      "for i in $(seq 1000); do [ -n \"$(ls \"$TEMP\")\" ] && break; sleep 0.001; done; ls \"$TEMP\" >&2";
  RunResult r = testutil::run(
      {"/bin/bash", "-c", "\"$0\" --selfinit= | (" + reader + "); echo \"${PIPESTATUS[0]}\"", inst.lumo8cc()},
      inst.work_dir(), {"TEMP=" + inst.temp_dir(), "-TMP"}, std::chrono::seconds(60));
  EXPECT_EQ(r.out, std::to_string(128 + SIGPIPE) + "\n");
  EXPECT_NE(r.err, "") << "no temporary root while hashing";
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

// "@name" that does not name a regular file stays an ordinary argument: it
// reaches the driver unchanged, and nothing blocks on it (a pack directory
// that is a FIFO is not opened either).
TEST(Faults, CommandFileArgumentsThatAreNotReadableFiles) {
  for (const char* name : {"dir", "fifo"}) {
    FaultInstall inst;
    const std::string path = inst.work_dir() + "/" + name;
    ASSERT_EQ(name == std::string("dir") ? mkdir(path.c_str(), 0700) : mkfifo(path.c_str(), 0600), 0);
    RunResult r = inst.run({kDevice, std::string("@") + name, "x.c"}, {}, std::chrono::seconds(20));
    EXPECT_FALSE(r.timed_out) << name << " blocked the run";
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_TRUE(contains(inst.command_file(), std::string("\n@") + name + "\nx.c\n")) << inst.command_file();
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{}) << name;
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
  const std::string modes = testutil::read_file(inst.record_dir() + "/cmdmode");  // "<file> <directory>"
  EXPECT_EQ(modes.substr(modes.find(' ') + 1), "700\n");
  EXPECT_EQ(std::stoul(modes, nullptr, 8) & 0700, 0600u) << modes;
}

// The legacy driver's rules are the stuff of the GNU dependency files that
// lumo8-cc writes for ZIR: rules it cannot trust fail the run and leave the
// old file as it was, with nothing beside it.
TEST(Faults, RulesOfTheLegacyDriverThatCannotBeTrusted) {
  struct Case {
    const char* name;
    const char* rules;    // what the driver writes; "-": no file
    const char* depfile;  // o/main.d afterwards; null: the old one, and the run fails
  };
  const Case cases[] = {
      {"no rules file", "-", nullptr},
      {"no rule for the source", "", nullptr},
      {"cut short", "main.p1: src/main.c \\\n", nullptr},
      {"no line end", "main.p1: src/main.c", nullptr},
      {"not a rule", "src/main.c src/a.h\n", nullptr},
      {"a file that was no input", "main.p1: src/other.c\n", nullptr},
      {"whole", "main.p1: src/main.c \\\n  src/a.h\n", "o/main.o: src/main.c src/a.h\nsrc/a.h:\n"},
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
    EXPECT_EQ(r.status, c.depfile ? 0 : 1) << r.err;
    EXPECT_EQ(contains(r.err, "(2056)"), !c.depfile) << r.err;
    EXPECT_EQ(testutil::read_file(inst.work_dir() + "/o/main.d"), c.depfile ? c.depfile : "old\n");
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
  for (const char* device : {"-mcpu=zir16c401", kDevice}) {
    SCOPED_TRACE(device);
    RunResult r =
        testutil::run({"/bin/sh", "-c", "\"$0\" \"$@\" </dev/ptmx", inst.lumo8cc(), device, "-E", "-x", "c", "-"},
                      inst.work_dir(), {"TEMP=" + inst.temp_dir(), "LUMO_RECORD=" + inst.record_dir()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "(2039) standard input is a terminal")) << r.err;
    EXPECT_FALSE(testutil::exists(inst.record_dir() + "/argv")) << "the driver ran";
  }
}

}  // namespace

