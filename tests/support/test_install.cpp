#include "tests/support/test_install.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testutil {

namespace {

void install_program(const std::string& from, const std::string& to) {
  fs::create_directories(fs::path(to).parent_path());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace

TestInstall::TestInstall() : ver_(root_.path() + native("/lumo8/v2.50")) {
  install_program(LUMO8CC_PATH, lumo8cc());
  install_program(RECORD_DRIVER_PATH, driver());
  install_program(RECORD_DRIVER_PATH, tev_driver());
}

RunResult TestInstall::run(const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
                           std::chrono::seconds limit) const {
  std::vector<std::string> argv{lumo8cc()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env{"TEMP=" + temp_dir(), "-TMP", "LUMO_RECORD=" + record_dir()};
  env.insert(env.end(), extra_env.begin(), extra_env.end());
  return testutil::run(argv, work_dir(), env, limit);
}

std::vector<std::string> TestInstall::driver_argv() const {
  std::vector<std::string> lines;
  if (!exists(record_.file("argv"))) return lines;
  std::istringstream in(read_file(record_.file("argv")));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string TestInstall::command_file() const { return read_file(record_.file("cmdfile")); }

}  // namespace testutil
