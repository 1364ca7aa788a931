// A throw-away installation for the end-to-end tests: the built lumo8-cc in
// <root>/lumo8/v2.50/bin and a recording stand-in for both compiler drivers
// (zir/bin/lumo8 and tev/bin/tev-gcc), so that a test sees exactly what the
// driver received.
#pragma once

#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace testutil {

class TestInstall {
 public:
  TestInstall();
  const std::string& version_dir() const { return ver_; }
  // The programs by the names the host gives them, as lumo8-cc writes them.
  std::string lumo8cc() const { return ver_ + native("/bin/lumo8-cc") + kExe; }
  std::string driver() const { return ver_ + native("/zir/bin/lumo8") + kExe; }
  std::string tev_driver() const { return ver_ + native("/tev/bin/tev-gcc") + kExe; }
  // Where the stand-in driver writes "argv" and "cmdfile".
  const std::string& record_dir() const { return record_.path(); }
  // The temporary base the runs use (TEMP); empty again after every run.
  const std::string& temp_dir() const { return temp_.path(); }
  // A scratch directory for the test's own files; runs start in it.
  const std::string& work_dir() const { return work_.path(); }

  // Runs lumo8-cc with args in the work directory, with TEMP and LUMO_RECORD
  // set; extra_env as for run().
  RunResult run(const std::vector<std::string>& args, const std::vector<std::string>& extra_env = {},
                std::chrono::seconds limit = kRunLimit) const;
  // What the driver recorded; empty when it did not run.
  std::vector<std::string> driver_argv() const;
  std::string command_file() const;

 private:
  TempDir root_, record_, temp_, work_;
  std::string ver_;
};

}  // namespace testutil
