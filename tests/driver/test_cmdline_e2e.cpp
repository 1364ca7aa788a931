// The built lumo8-cc in a throw-away installation, run as a build system
// runs it, with a stand-in driver that records the command file it gets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

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

}  // namespace
