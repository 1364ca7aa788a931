// The built lumo8-cc in a throw-away installation, run as a build system
// runs it, with a stand-in driver that records the command file it gets;
// and the driver run of the command line in-process.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>
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

// What every TEV run closes with when the installation has no packs.
const std::string kTevClosing =
    "-Wl,--info-linker\n-mdevice=kx20\n-mconst-data-in-progmem\n"
    "-D__LUMO\n-D__LUMO8\n-D__LUMO__\n-D__LUMO8__\n-D__LUMO8_VERSION=2500\n";

// The driver was called with its path and one "@" argument naming a command
// file inside the private temporary root.
void expect_called_through_command_file(const TestInstall& inst, const std::string& driver) {
  std::vector<std::string> argv = inst.driver_argv();
  ASSERT_EQ(argv.size(), 2u);
  EXPECT_EQ(argv[0], driver);
  const std::string prefix = "@" + inst.temp_dir() + testutil::native("/lumo");
  EXPECT_EQ(argv[1].compare(0, prefix.size(), prefix), 0) << argv[1];
  EXPECT_EQ(argv[1].substr(argv[1].size() - 19), testutil::native("/lumo8-cc_tmp_0.cmd")) << argv[1];
}

// The inner command file was saved on Windows: its CR LF line ends read as
// line ends on every host.
TEST(CmdlineRun, ArgumentsFromCommandFiles) {
  TestInstall inst;
  testutil::write_file(inst.work_dir() + "/args.txt", "-c 'my file.c' other\\ file.c @inner.txt\n");
  testutil::write_file(inst.work_dir() + "/inner.txt", "-DNESTED=1\r\n-DLAST\r\n");
  RunResult r = inst.run({"-mcpu=kx20", "@args.txt", "@missing.txt", "last.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "driver ran\n");
  expect_called_through_command_file(inst, inst.tev_driver());
  EXPECT_EQ(inst.command_file(),
            testutil::text_bytes("-mmcu=kx20\n-c\n\"my\\ file.c\"\n\"other\\ file.c\"\n-DNESTED=1\n-DLAST\n@missing.txt\nlast.c\n" +
                                 kTevClosing));
  EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
}

// The legacy driver also gets the message formats through its environment.
TEST(CmdlineRun, ZirRunWithItsMessageFormats) {
  TestInstall inst;
  RunResult r = inst.run({"-mcpu=16f877", "-c", "main.c"});
  EXPECT_EQ(r.status, 0) << r.err;
  expect_called_through_command_file(inst, inst.driver());
  EXPECT_EQ(testutil::read_file(inst.record_dir() + "/env"),
            "ZOT_ERR_FORMAT=%f:%l:%c: error: (%n) %s\n"
            "ZOT_WARN_FORMAT=%f:%l:%c: warning: (%n) %s\n"
            "ZOT_MSG_FORMAT=%f:%l:%c: advisory: (%n) %s\n");
}

TEST(CmdlineRun, DriverStatusIsPassedOn) {
  for (int status : {0, 1, 7, 255}) {
    TestInstall inst;
    RunResult r = inst.run({"-mcpu=kx20", "x.c"}, {"LUMO_RECORD_STATUS=" + std::to_string(status)});
    EXPECT_EQ(r.status, status);
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

TEST(CmdlineRun, ErrorsKeepTheDriverFromRunning) {
  // An argument of 2048 characters; a command file that names itself.
  const std::pair<std::string, std::string> cases[] = {
      {std::string(2048, 'a') + "\n", "(917) argument too long\n"},
      {"x.c @self.txt\n", "(2103) command file \"self.txt\" includes itself; not expanded again\n"},
  };
  for (const auto& [file, err] : cases) {
    SCOPED_TRACE(err);
    TestInstall inst;
    testutil::write_file(inst.work_dir() + "/self.txt", file);
    RunResult r = inst.run({"-mcpu=kx20", "@self.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(inst.driver_argv(), std::vector<std::string>{});
    EXPECT_EQ(testutil::list_dir(inst.temp_dir()), std::vector<std::string>{});
  }
}

#ifndef _WIN32
TEST(CmdlineRun, ThroughASymbolicLinkOnThePath) {
  TestInstall inst;
  testutil::TempDir bin;
  ASSERT_EQ(symlink(inst.lumo8cc().c_str(), bin.file("lumo8-cc").c_str()), 0);
  // Started by name, found on the PATH, the way a shell starts it.
  RunResult r = testutil::in_child(
      [] {
        execlp("lumo8-cc", "lumo8-cc", "-mcpu=kx20", "x.c", static_cast<char*>(nullptr));
        return 127;
      },
      inst.work_dir(), {"PATH=" + bin.path(), "TEMP=" + inst.temp_dir(), "LUMO_RECORD=" + inst.record_dir()});
  EXPECT_EQ(r.status, 0) << r.err;
  expect_called_through_command_file(inst, inst.tev_driver());
}
#endif

// cmdline_spawn in-process (in a child, for the temporary root).
class CmdlineSpawn : public ::testing::Test {
 protected:
  struct Outcome {
    RunResult run;
    std::vector<std::string> driver_argv;
    std::string command_file;
  };
  static Outcome spawn(const std::vector<std::string>& options, uint32_t mode) {
    testutil::TempDir record, temp;
    Outcome o;
    o.run = testutil::in_child(
        [&options, mode]() -> int {
          char prog[] = "prog";
          char* argv[] = {prog, nullptr};
          vec_free(cmdline_args(1, argv, nullptr));
          vector* v = vec_new();
          for (const std::string& s : options) vec_push(v, sc_intern(s.c_str()));
          printf("status %d\n", cmdline_spawn(options.empty() ? nullptr : v, mode, 0));
          exit(0);  // through the exit handlers, which remove the temporary root
        },
        ".", {"LUMO_RECORD=" + record.path(), "TEMP=" + temp.path()});
    o.driver_argv = testutil::lines_of(testutil::read_file(record.path() + "/argv"));
    o.command_file = testutil::read_file(record.path() + "/cmdfile");
    EXPECT_EQ(testutil::list_dir(temp.path()), std::vector<std::string>{});
    return o;
  }
};

TEST_F(CmdlineSpawn, CommandFileBytes) {
  struct Case {
    const char* label;
    std::string option;
    std::string line;
  };
  const Case cases[] = {
      {"plain", "x.c", "x.c"},
      {"a blank in a macro value", "-DMSG=hello world", "\"-DMSG=hello\\ world\""},
      {"quotes around a blank", "-DS=\"a b\"", "\"-DS=\\\"a\\ b\\\"\""},
      {"a quoted path with a backslash", "-I\"C:\\inc\"", "-I\\\"C:\\\\inc\\\""},
      {"a backslash before a quote is not doubled", "-Dq=a\\\"b", "-Dq=a\\\\\"b"},
      {"a single quote", "-DC='x'", "-DC=\\'x\\'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Outcome o = spawn({RECORD_DRIVER_PATH, c.option, "-c"}, CMDLINE_FILE_ALWAYS);
    EXPECT_EQ(o.run.out, "driver ran\nstatus 0\n");
    EXPECT_EQ(o.command_file, testutil::text_bytes(c.line + "\n-c\n"));
  }
}

TEST_F(CmdlineSpawn, ModesAndRefusals) {
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
      // The status stays -1: the message is catalogued as fatal but is
      // reported as an error, so that the run ends with the driver's status.
      {"a driver that cannot start", {driver + ".missing", "x"}, CMDLINE_FILE_ALWAYS, -1, 0, false,
       "(2015) can't execute \"" + driver + ".missing\": No such file or directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Outcome o = spawn(c.options, c.mode);
    EXPECT_EQ(o.run.err, c.err);
    EXPECT_EQ(o.run.out,
              (c.driver_args ? std::string("driver ran\n") : "") + "status " + std::to_string(c.status) + "\n");
    EXPECT_EQ(o.driver_argv.size(), c.driver_args);
    EXPECT_EQ(o.driver_argv.size() == 2 && o.driver_argv[1][0] == '@', c.via_file);
  }
}

}  // namespace
