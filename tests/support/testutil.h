// Shared fixtures of the tests: scratch directories, whole-file reads and
// writes, and running a program the way a build system does.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace testutil {

// What the program under test writes on this host: the suffix of executable
// names and the separator it joins paths with.
#ifdef _WIN32
inline constexpr const char* kExe = ".exe";
inline constexpr char kSep = '\\';
#else
inline constexpr const char* kExe = "";
inline constexpr char kSep = '/';
#endif

// path with every "/" written as the host's separator.
std::string native(std::string path);
// The bytes a file written in text mode holds for text: on Windows every
// line feed is preceded by a carriage return.
std::string text_bytes(const std::string& text);
// A path without blanks or quotes as a command file holds it: backslashes
// (the Windows separator) doubled.
std::string cmdfile_path(const std::string& path);
// A text file as a reader in text mode sees it (CR LF read as a line feed on
// Windows).
std::string read_text(const std::string& path);

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes. On Windows the copy of the test
// program that in_child starts makes the same directories as the test that
// started it, in the same order, and adopts them: what the test set up there
// before the call is what the body sees.
class TempDir {
 public:
  TempDir();
  // A directory outside the test's numbered ones (Windows), for the fixtures'
  // own use; named with the prefix.
  explicit TempDir(const std::string& prefix);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + kSep + name; }

 private:
  std::string path_;
  bool owned_ = true;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& contents);
bool exists(const std::string& path);
// Names in a directory, sorted, without "." and "..".
std::vector<std::string> list_dir(const std::string& path);
// The lines of a text, without their line feeds.
std::vector<std::string> lines_of(const std::string& text);
// The staged installation the tests run (LUMO_STAGE), empty when unset.
std::string stage();

struct RunResult {
  int status = -1;  // exit status, 128 + signal number when killed
  std::string out;
  std::string err;
  bool timed_out = false;  // still running at the limit, and killed
};

// How long a run may take before it is killed: every wait of a test ends.
inline constexpr std::chrono::seconds kRunLimit{600};

// Runs argv[0] with argv in directory cwd, standard input from /dev/null,
// capturing both output streams. extra_env entries "NAME=value" set a
// variable (possibly to an empty value), "-NAME" removes it. The program
// runs in a process group of its own (POSIX); a run still going at the
// limit is killed with the whole group.
RunResult run(const std::vector<std::string>& argv, const std::string& cwd = ".",
              const std::vector<std::string>& extra_env = {}, std::chrono::seconds limit = kRunLimit);

// Runs body in a forked child (same environment and limit rules as run) and
// collects what it wrote; body's result is the exit status unless it ends
// the process itself. For code that keeps process-wide state or ends the
// program.
RunResult in_child(const std::function<int()>& body, const std::string& cwd = ".",
                   const std::vector<std::string>& extra_env = {}, std::chrono::seconds limit = kRunLimit);

#ifndef _WIN32
// Waits at most limit for the child pid to end: its wait status, or -1 when
// it did not end in time (it is then killed with its process group and
// reaped).
int wait_bounded(int pid, std::chrono::milliseconds limit);
// In a forked child: the signals a test sends back to their default action,
// whatever the test program inherited (a background job ignores SIGINT).
void default_signals();
#endif

}  // namespace testutil
