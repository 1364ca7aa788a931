// Shared fixtures of the tests: scratch directories, whole-file reads and
// writes, and running a program the way a build system does.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace testutil {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);
bool exists(const std::string& path);
// Names in a directory, sorted, without "." and "..".
std::vector<std::string> list_dir(const std::string& path);

struct RunResult {
  int status = -1;  // exit status, 128 + signal number when killed
  std::string out;
  std::string err;
};

// Runs argv[0] with argv in directory cwd, standard input from /dev/null,
// capturing both output streams. extra_env entries "NAME=value" set a
// variable (possibly to an empty value), "-NAME" removes it.
RunResult run(const std::vector<std::string>& argv, const std::string& cwd = ".",
              const std::vector<std::string>& extra_env = {});

// Runs body in a forked child (same environment rules as run) and collects
// what it wrote; body's result is the exit status unless it ends the process
// itself. For code that keeps process-wide state or ends the program.
RunResult in_child(const std::function<int()>& body, const std::string& cwd = ".",
                   const std::vector<std::string>& extra_env = {});

}  // namespace testutil
