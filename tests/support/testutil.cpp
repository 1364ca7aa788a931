#include "tests/support/testutil.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/osdep_host.h"
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <thread>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/osdep.h"
#include "common/osdep_path.h"
#include "debug/lumodebug.h"

#ifdef LUMO_COVERAGE
extern "C" void __gcov_reset(void);
extern "C" void __gcov_dump(void);
#endif

namespace testutil {

namespace {

// A body run in a child ends with _exit, which runs no exit handler: the
// process layer's temporary root, when the body made it, is removed here.
// A root the child took over from its parent stays (it is the parent's).
// The body's trace is complete by then: tracing goes off, so that this
// leaves no lines in it.
void drop_own_tmproot(const char* inherited) {
  lumodebug_flagword = 0;
  const char* root = osd_tmproot();
  if (root && (!inherited || strcmp(root, inherited) != 0)) rmdir_r(root);
}

#ifndef _WIN32
// A build with coverage instrumentation counts what a child runs: the child
// starts its counts from nothing (the parent's are the parent's to write)
// and writes them before _exit, which skips the writer registered for exit.
void coverage_reset() {
#ifdef LUMO_COVERAGE
  __gcov_reset();
#endif
}
void coverage_dump() {
#ifdef LUMO_COVERAGE
  __gcov_dump();
#endif
}
#endif

}  // namespace

std::string native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kSep);
  return path;
}

std::string text_bytes(const std::string& text) {
#ifdef _WIN32
  std::string bytes;
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
#else
  return text;
#endif
}

std::string cmdfile_path(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string read_text(const std::string& path) {
  std::string bytes = read_file(path);
#ifdef _WIN32
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
  return text;
#else
  return bytes;
#endif
}

#ifdef _WIN32

namespace {

constexpr const char* kChildVariable = "LUMO_TESTUTIL_CHILD";  // "call:process"

// The current test's name, "" between tests.
std::string current_test_name() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return test ? std::string(test->test_suite_name()) + "." + test->name() : std::string();
}

// stem + serial under the temporary directory, serial counted on. A copy
// adopts what its parent made. The stem holds the number of a live process,
// so whatever the test program finds under its own name is left over from
// an earlier process of that number: it goes, and the name is used again,
// so that parent and copy keep counting alike.
std::string make_scratch(const std::string& stem, unsigned& serial, bool adopt, bool* made = nullptr) {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::filesystem::path candidate = base / (stem + std::to_string(serial++));
    std::error_code ec;
    if (!adopt) std::filesystem::remove_all(candidate, ec);
    const bool created = std::filesystem::create_directory(candidate, ec);
    if (created || (adopt && std::filesystem::is_directory(candidate, ec))) {
      if (made) *made = created;
      return candidate.string();
    }
  }
  throw std::runtime_error("no scratch directory could be made");
}

// Directories a copy had to make itself: those of the calls before the
// wanted one, which the parent has removed by then. The copy removes them as
// it ends, also when the body ends it with exit().
std::vector<std::string>& copy_made() {
  static std::vector<std::string> dirs;
  return dirs;
}

void remove_copy_made() {
  std::error_code ec;
  for (const std::string& dir : copy_made()) std::filesystem::remove_all(dir, ec);
  copy_made().clear();
}

}  // namespace

// Scratch directories are named after the process of the test, the test and
// their number within it; a copy names them after its parent's process.
TempDir::TempDir() {
  static std::string counted_test;
  static unsigned serial = 0;
  const std::string test = current_test_name();
  if (test != counted_test) {
    counted_test = test;
    serial = 0;
  }
  const char* child = getenv(kChildVariable);
  const char* colon = child ? strchr(child, ':') : nullptr;
  const bool copy = colon != nullptr;
  const std::string process = copy ? std::string(colon + 1) : std::to_string(_getpid());
  const std::string tag = std::to_string(std::hash<std::string>{}(test) % 1000000);
  bool made = false;
  path_ = make_scratch("lumo8-test-" + process + "-" + tag + "-", serial, copy, &made);
  owned_ = !copy;
  if (copy && made) {
    copy_made().push_back(path_);
    // After the list exists, so that the list outlives the handler.
    static const bool registered = atexit(remove_copy_made) == 0;
    (void)registered;
  }
}

TempDir::TempDir(const std::string& prefix) {
  static unsigned serial = 0;
  path_ = make_scratch(prefix + std::to_string(_getpid()) + "-", serial, false);
}
#else
TempDir::TempDir() : TempDir("lumo8-test-") {}

TempDir::TempDir(const std::string& prefix) {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}
#endif

TempDir::~TempDir() {
  if (!owned_) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

bool exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

std::vector<std::string> list_dir(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string stage() {
  const char* s = getenv("LUMO_STAGE");
  return s ? s : "";
}

#ifdef _WIN32

namespace {

// The Windows build has no fork. A program runs with its standard streams
// pointed at files while the parent waits; in_child starts this test program
// again for the current test only, and the copy runs the body of the wanted
// call. The copy passes over the earlier calls of the test with an empty
// result (running them again would start copies of copies); what its
// assertions make of those is never reported, since the wanted call ends it.
constexpr const char* kChildMarker = "\x01lumo-child\x01\n";

// The environment and directory of one run, put back when it ends.
class RunScope {
 public:
  RunScope(const std::string& cwd, const std::vector<std::string>& extra_env)
      : cwd_(std::filesystem::current_path()) {
    for (const std::string& e : extra_env) {
      size_t eq = e.find('=');
      std::string name = eq == std::string::npos ? e.substr(e[0] == '-') : e.substr(0, eq);
      const char* old = getenv(name.c_str());
      saved_.push_back(name + "=" + (old ? old : ""));
      _putenv((name + "=" + (eq == std::string::npos ? "" : e.substr(eq + 1))).c_str());
    }
    std::filesystem::current_path(cwd);
  }
  ~RunScope() {
    std::error_code ec;
    std::filesystem::current_path(cwd_, ec);
    for (const std::string& e : saved_) _putenv(e.c_str());
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  std::filesystem::path cwd_;
  std::vector<std::string> saved_;
};

RunResult spawn_collect(const std::vector<std::string>& argv, const std::string& cwd,
                        const std::vector<std::string>& extra_env, std::chrono::seconds limit) {
  TempDir capture("lumo8-capture-");
  const std::string out_path = capture.file("out"), err_path = capture.file("err");
  std::vector<char*> quoted;
  for (const std::string& a : argv) quoted.push_back(osd_quote_arg(a.c_str(), PathStyle::windows));
  quoted.push_back(nullptr);
  RunResult r;
  intptr_t child = -1;
  {
    // Absolute before the directory changes.
    const std::string program = std::filesystem::absolute(argv[0]).string();
    RunScope scope(cwd, extra_env);
    fflush(stdout);
    fflush(stderr);
    int saved[3] = {_dup(0), _dup(1), _dup(2)};
    int in = _open("NUL", _O_RDONLY);
    int out = _open(out_path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    int err = _open(err_path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (in >= 0 && out >= 0 && err >= 0) {
      _dup2(in, 0);
      _dup2(out, 1);
      _dup2(err, 2);
      child = _spawnv(_P_NOWAIT, program.c_str(), quoted.data());
    }
    for (int fd = 0; fd < 3; ++fd) {
      _dup2(saved[fd], fd);
      _close(saved[fd]);
    }
    for (int fd : {in, out, err})
      if (fd >= 0) _close(fd);
  }
  if (child == -1) {
    r.status = 127;
  } else {
    HANDLE process = reinterpret_cast<HANDLE>(child);
    const DWORD waited = WaitForSingleObject(process, static_cast<DWORD>(limit.count() * 1000));
    if (waited != WAIT_OBJECT_0) {
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 10000);
      r.timed_out = true;
    }
    DWORD code = 127;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    r.status = static_cast<int>(code);
  }
  for (char* q : quoted) free(q);
  r.out = read_file(out_path);
  r.err = read_file(err_path);
  return r;
}

// What follows the copy's marker: the test framework writes its own lines
// before the body runs.
std::string after_marker(const std::string& text) {
  size_t at = text.find(kChildMarker);
  return at == std::string::npos ? text : text.substr(at + strlen(kChildMarker));
}

}  // namespace

RunResult run(const std::vector<std::string>& argv, const std::string& cwd,
              const std::vector<std::string>& extra_env, std::chrono::seconds limit) {
  return spawn_collect(argv, cwd, extra_env, limit);
}

RunResult in_child(const std::function<int()>& body, const std::string& cwd,
                   const std::vector<std::string>& extra_env, std::chrono::seconds limit) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!test) throw std::runtime_error("testutil::in_child outside a test");
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  static std::string counted_test;
  static int call = 0;
  if (counted_test != name) {
    counted_test = name;
    call = 0;
  }
  const int index = call++;
  const char* wanted = getenv(kChildVariable);
  if (wanted && *wanted && index < atoi(wanted)) return {};
  if (wanted && *wanted && atoi(wanted) == index) {
    // The copy: the body of this call ends it.
    RunScope scope(cwd, extra_env);
    fputs(kChildMarker, stdout);
    fputs(kChildMarker, stderr);
    fflush(stdout);
    fflush(stderr);
    int status = body();
    fflush(stdout);
    fflush(stderr);
    drop_own_tmproot(nullptr);  // the copy is a process of its own
    remove_copy_made();
    _exit(status);
  }
  std::vector<std::string> extra = extra_env;
  extra.push_back(std::string(kChildVariable) + "=" + std::to_string(index) + ":" + std::to_string(_getpid()));
  // The copy starts here and changes to cwd itself once the framework runs.
  RunResult r = spawn_collect({_pgmptr, "--gtest_filter=" + name}, ".", extra, limit);
  r.out = after_marker(r.out);
  r.err = after_marker(r.err);
  return r;
}

#else

namespace {

// Forks a child with standard input from /dev/null, both output streams in
// files, the working directory and the environment changes applied, in a
// process group of its own; the child runs body and ends with its result.
// The parent waits (at most limit) and collects.
template <typename Body>
RunResult fork_and_collect(const std::string& cwd, const std::vector<std::string>& extra_env,
                           std::chrono::seconds limit, Body body) {
  TempDir capture;
  std::string out_path = capture.file("out"), err_path = capture.file("err");
  fflush(stdout);
  fflush(stderr);
  const char* inherited = osd_tmproot();
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    coverage_reset();
    setpgid(0, 0);
    default_signals();
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const std::string& e : extra_env) {
      size_t eq = e.find('=');
      if (eq == std::string::npos)
        unsetenv(e.c_str() + (e[0] == '-'));
      else
        setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    int status = body();
    fflush(stdout);
    fflush(stderr);
    drop_own_tmproot(inherited);
    coverage_dump();
    _exit(status);
  }
  setpgid(pid, pid);  // also here: the child may not have run yet
  const int wstatus = wait_bounded(pid, limit);
  RunResult r;
  r.timed_out = wstatus == -1;
  r.status = r.timed_out ? 128 + SIGKILL : WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  r.out = read_file(out_path);
  r.err = read_file(err_path);
  return r;
}

}  // namespace

void default_signals() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT}) signal(sig, SIG_DFL);
}

int wait_bounded(int pid, std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + limit;
  // A descriptor that becomes readable when the child ends, where the
  // kernel has them; else the wait polls with growing pauses.
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  std::chrono::microseconds pause(200);
  int wstatus = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &wstatus, WNOHANG);
    if (r == pid) break;
    if (r < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    const Clock::time_point now = Clock::now();
    if (now >= deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
      }
      wstatus = -1;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    if (pidfd >= 0) {
      pollfd ready{pidfd, POLLIN, 0};
      poll(&ready, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
    } else {
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::microseconds(10000));
    }
  }
  if (pidfd >= 0) close(pidfd);
  return wstatus;
}

RunResult run(const std::vector<std::string>& argv, const std::string& cwd,
              const std::vector<std::string>& extra_env, std::chrono::seconds limit) {
  return fork_and_collect(cwd, extra_env, limit, [&argv] {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    return 127;
  });
}

RunResult in_child(const std::function<int()>& body, const std::string& cwd,
                   const std::vector<std::string>& extra_env, std::chrono::seconds limit) {
  return fork_and_collect(cwd, extra_env, limit, body);
}

#endif  // _WIN32

}  // namespace testutil
