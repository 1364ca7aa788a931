// The built lumo8-cc in a throw-away installation, run as a build system
// runs it, with a stand-in driver that records the command file it gets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/cmdline.h"
#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

using testutil::RunResult;
using testutil::TestInstall;

// The driver was called with its path and one "@" argument naming a command
// file inside the private temporary root.
void expect_called_through_command_file(const TestInstall& inst) {
  std::vector<std::string> argv = inst.driver_argv();
  ASSERT_EQ(argv.size(), 2u);
  EXPECT_EQ(argv[0], inst.driver());
  const std::string prefix = "@" + inst.temp_dir() + "/lumo";
  EXPECT_EQ(argv[1].compare(0, prefix.size(), prefix), 0) << argv[1];
  EXPECT_EQ(argv[1].substr(argv[1].size() - 19), "/lumo8-cc_tmp_0.cmd") << argv[1];
}

TEST(CmdlineRun, CommandFileBytes) {
  struct Case {
    const char* label;
    std::vector<std::string> args;
    std::string file;
  };
  const Case cases[] = {
      {"plain options", {"-c", "x.c"}, "-c\nx.c\n"},
      {"a blank in a macro value", {"-DMSG=hello world"}, "\"-DMSG=hello\\ world\"\n"},
      {"quotes around a blank", {"-DS=\"a b\""}, "\"-DS=\\\"a\\ b\\\"\"\n"},
      {"a quoted path with a backslash", {"-I\"C:\\\\inc\""}, "-I\\\"C:\\\\inc\\\"\n"},
      {"a backslash before a quote is not doubled", {"-Dq=a\\\\\\\"b"}, "-Dq=a\\\\\"b\n"},
      {"a single quote", {"-DC='x'"}, "-DC=\\'x\\'\n"},
      {"a tab", {"-DT=a\tb"}, "\"-DT=a\tb\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TestInstall inst;
    RunResult r = inst.run(c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "driver ran\n");
    EXPECT_EQ(r.err, "");
    expect_called_through_command_file(inst);
    EXPECT_EQ(inst.command_file(), c.file);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

TEST(CmdlineRun, ArgumentsFromCommandFiles) {
  TestInstall inst;
  testutil::write_file(inst.work_dir() + "/args.txt", "-c 'my file.c' other\\ file.c @inner.txt\n");
  testutil::write_file(inst.work_dir() + "/inner.txt", "-DNESTED=1\n");
  RunResult r = inst.run({"@args.txt", "@missing.txt", "last.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  expect_called_through_command_file(inst);
  EXPECT_EQ(inst.command_file(), "-c\n\"my\\ file.c\"\n\"other\\ file.c\"\n-DNESTED=1\n@missing.txt\nlast.c\n");
}

TEST(CmdlineRun, VerboseEchoComesBeforeTheDriver) {
  TestInstall inst;
  RunResult r = inst.run({"-v", "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> argv = inst.driver_argv();
  ASSERT_EQ(argv.size(), 2u);
  EXPECT_EQ(r.out, inst.driver() + " " + argv[1] + " [ -v x.c ]\ndriver ran\n");
}

TEST(CmdlineRun, DriverStatusIsPassedOn) {
  for (int status : {0, 1, 7, 255}) {
    TestInstall inst;
    RunResult r = inst.run({"x.c"}, {"LUMO_RECORD_STATUS=" + std::to_string(status)});
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

TEST(CmdlineRun, ErrorsKeepTheDriverFromRunning) {
  struct Case {
    const char* label;
    std::string file;
    std::string err;
  };
  const Case cases[] = {
      {"an argument of 2048 characters", std::string(2048, 'a') + "\n", "(917) argument too long\n"},
      {"a command file that names itself", "x.c @self.txt\n",
       "(2103) command file \"self.txt\" includes itself; not expanded again\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TestInstall inst;
    testutil::write_file(inst.work_dir() + "/self.txt", c.file);
    RunResult r = inst.run({"@self.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(inst.driver_argv(), std::vector<std::string>{});
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

TEST(CmdlineRun, ThroughASymbolicLinkOnThePath) {
  TestInstall inst;
  testutil::TempDir bin;
  ASSERT_EQ(symlink(inst.lumo8cc().c_str(), bin.file("lumo8-cc").c_str()), 0);
  // Started by name, found on the PATH, the way a shell starts it.
  RunResult r = testutil::in_child(
      [] {
        execlp("lumo8-cc", "lumo8-cc", "x.c", static_cast<char*>(nullptr));
        return 127;
      },
      inst.work_dir(), {"PATH=" + bin.path(), "TEMP=" + inst.temp_dir(), "LUMO_RECORD=" + inst.record_dir()});
  EXPECT_EQ(r.status, 0) << r.err;
  expect_called_through_command_file(inst);
}

TEST(CmdlineRun, TraceFileOfARun) {
  TestInstall inst;
  RunResult r = inst.run({"--lumodebug=on", "-c", "x.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string trace = testutil::read_file(inst.work_dir() + "/lumo8-cc-1.out");
  EXPECT_EQ(trace.rfind("\nAPP: LUMO8-CC\nARGS: " + inst.lumo8cc() + " --lumodebug=on -c x.c\n", 0), 0u) << trace;
  for (const char* record : {"ENTER cmdline_driver(", "ENTER cmdline_spawn(", "ENTER cmdline_exe(",
                             "Writing option to command file: -c", "EXIT cmdline_exe() -> Execution returned 0",
                             "EXIT cmdline_driver() -> Returning status: 0"})
    EXPECT_NE(trace.find(record), std::string::npos) << record << "\n" << trace;
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
}

// cmdline_spawn in-process (in a child, for the temporary root): the
// command-file modes and the refusals.
TEST(CmdlineSpawn, ModesAndRefusals) {
  const std::string driver = RECORD_DRIVER_PATH;
  // Driver, a blank and the options make a line of 7190 characters: with
  // its terminator that is the host's limit.
  const std::string fits(7191 - driver.size() - 1, 'x');
  struct Case {
    const char* label;
    std::vector<std::string> options;
    uint32_t mode;
    int status;
    size_t driver_args;  // 0: the driver did not run
    bool via_file;
    std::string err;
  };
  const Case cases[] = {
      {"mode 0, a line of the limit runs directly", {driver, fits}, CMDLINE_FILE_IF_LONG, 0, 2, false, ""},
      {"mode 0, one character more uses a command file", {driver, fits + "y"}, CMDLINE_FILE_IF_LONG, 0, 2, true, ""},
      {"mode 2 never writes one", {driver, "a", "b c"}, CMDLINE_FILE_NEVER, 0, 3, false, ""},
      {"mode 1 always writes one", {driver}, CMDLINE_FILE_ALWAYS, 0, 2, true, ""},
      {"no options", {}, CMDLINE_FILE_ALWAYS, 1, 0, false, "prog: fatal error: no input files\nprogram terminated.\n"},
      {"a driver that cannot start", {driver + ".missing", "x"}, CMDLINE_FILE_ALWAYS, -1, 0, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    testutil::TempDir record, temp;
    RunResult r = testutil::in_child(
        [&c] {
          char prog[] = "prog";
          char* argv[] = {prog, nullptr};
          cmdline_args(1, argv, nullptr);
          vector* options = vec_new();
          for (const std::string& o : c.options) vec_push(options, sc_intern(o.c_str()));
          int status = cmdline_spawn(c.options.empty() ? nullptr : options, c.mode, 0);
          printf("status %d\n", status);
          return 0;
        },
        ".", {"LUMO_RECORD=" + record.path(), "TEMP=" + temp.path()});
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, (c.driver_args ? std::string("driver ran\n") : "") + "status " + std::to_string(c.status) + "\n");
    std::vector<std::string> lines;
    std::istringstream in(testutil::read_file(record.path() + "/argv"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_EQ(lines.size(), c.driver_args);
    bool via_file = lines.size() == 2 && lines[1][0] == '@';
    EXPECT_EQ(via_file, c.via_file);
  }
}

}  // namespace
