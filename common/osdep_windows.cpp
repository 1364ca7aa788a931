// Process layer, Windows host: the temporary root named with the runtime's
// temporary-name generator, children started by _spawnv in wait mode with
// their arguments quoted for the child's runtime, capture by pointing the
// console descriptors at the capture file while the child runs, the
// runtime's signal handlers (which end through exit()), and the host
// queries.
#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/osdep_host.h"
#include "common/osdep_path.h"

namespace {

constexpr int kFatalSignals[] = {SIGBREAK, SIGINT, SIGTERM, SIGABRT, SIGSEGV, SIGFPE};
constexpr uint32_t kWindowsHostFlag = 0x10000;

struct HeapText {
  void operator()(char* p) const { free(p); }
};
using HeapTextPtr = std::unique_ptr<char, HeapText>;

// The file-name part of a fresh name from the runtime's generator, without
// the dots it may hold (a trailing one would be dropped from a directory
// name).
std::string generated_name() {
  char buf[L_tmpnam + 1] = {};
  if (!tmpnam(buf)) return {};
  std::string name = path_basename_ptr(buf);
  for (char& c : name)
    if (c == '.') c = '_';
  return name;
}

// The quoted arguments of one child, released on every way out.
class QuotedArgs {
 public:
  explicit QuotedArgs(char* const argv[]) {
    for (size_t i = 0; argv[i]; ++i) args_.emplace_back(osd_quote_arg(argv[i]));
    for (const HeapTextPtr& a : args_) pointers_.push_back(a.get());
    pointers_.push_back(nullptr);
  }
  const char* const* get() const { return pointers_.data(); }

 private:
  std::vector<HeapTextPtr> args_;
  std::vector<const char*> pointers_;
};

// The console descriptors pointed at a capture file while a child runs, put
// back on every way out.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(int fd) {
    if (fd == kOsdNoCapture) return;
    saved_out_ = osd_host_save_console(_fileno(stdout));
    saved_err_ = osd_host_save_console(_fileno(stderr));
    ok_ = saved_out_ >= 0 && saved_err_ >= 0 && osd_host_redirect(fd, _fileno(stdout)) &&
          osd_host_redirect(fd, _fileno(stderr));
  }
  ~ConsoleCapture() {
    if (saved_out_ >= 0) osd_host_restore_console(saved_out_, _fileno(stdout));
    if (saved_err_ >= 0) osd_host_restore_console(saved_err_, _fileno(stderr));
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  bool ok() const { return ok_; }

 private:
  int saved_out_ = -1;
  int saved_err_ = -1;
  bool ok_ = true;
};

// The program to start: as given when it is a file, else with ".exe" added
// when its name has no extension; empty when neither exists.
std::string startable(const char* program) {
  if (path_is_file(program)) return program;
  errno = ENOENT;
  if (*path_extension(program)) return {};
  std::string with_suffix = std::string(program) + osd_host_exe_suffix();
  return path_is_file(with_suffix.c_str()) ? with_suffix : std::string();
}

}  // namespace

char* osd_host_make_root(const char* base, char letter) {
  if (!path_is_dir(base) && mkdir_p(base) != 0) return nullptr;
  std::string generated = generated_name();
  if (generated.empty()) return nullptr;
  std::string name = std::string("lumo") + letter + generated;
  char* candidate = path_join(base, name.c_str());
  // _mkdir fails for a name that exists: the root is new and ours.
  if (candidate && _mkdir(candidate) != 0) {
    free(candidate);
    candidate = nullptr;
  }
  return candidate;
}

int osd_host_spawn(const char* program, char* const argv[], int capture_fd) {
  std::string path = startable(program);
  if (path.empty()) return -1;
  QuotedArgs args(argv);
  ConsoleCapture capture(capture_fd);
  if (!capture.ok()) return -1;
  intptr_t status = _spawnv(_P_WAIT, path.c_str(), args.get());
  return status < 0 ? -1 : static_cast<int>(status);
}

void osd_host_noinherit(int fd) {
  // The console descriptors belong to every child.
  if (fd <= 2) return;
  intptr_t handle = _get_osfhandle(fd);
  if (handle != -1) SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
}

namespace {

OsdSignalPlan* g_plan = nullptr;

// Ends the program through exit(), not _exit(), so that the exit handler
// removes the temporary root, with the signal number as status.
[[noreturn]] void on_fatal_signal(int sig) {
  if (g_plan->saved_out >= 0) {
    fflush(stdout);
    osd_host_restore_console(g_plan->saved_out, _fileno(stdout));
    g_plan->saved_out = -1;
    fputc('\n', stdout);
    fflush(stdout);
  }
  if (g_plan->saved_err >= 0) {
    fflush(stderr);
    osd_host_restore_console(g_plan->saved_err, _fileno(stderr));
    g_plan->saved_err = -1;
  }
  if (osd_is_crash_signal(sig)) {
    fputs(kOsdUnexpectedProblem, stderr);
    fflush(stderr);
  }
  exit(sig);
}

}  // namespace

// The runtime puts a signal back to its default action before it calls the
// handler, so a fault inside the handler ends the process.
void osd_host_install_signals(OsdSignalPlan* plan) {
  g_plan = plan;
  for (int sig : kFatalSignals) signal(sig, on_fatal_signal);
}

// The runtime has no signal mask: the handler ends through exit(), where
// the lists are read in order.
void osd_host_block_signals() {}
void osd_host_unblock_signals() {}

// Text mode ("r") reads CR LF as a line feed. A FIFO or device has no path
// that the type test passes.
FILE* osd_host_open_regular(const char* path, const char* mode) {
  if (!path_is_file(path)) {
    errno = path_is_dir(path) ? EISDIR : (path_exists(path) ? EINVAL : ENOENT);
    return nullptr;
  }
  return fopen(path, mode);
}

int osd_host_save_console(int fd) {
  int saved = _dup(fd);
  if (saved >= 0) osd_host_noinherit(saved);
  return saved;
}

void osd_host_restore_console(int saved, int fd) {
  _dup2(saved, fd);
  _close(saved);
}

bool osd_host_redirect(int from, int fd) { return _dup2(from, fd) == 0; }

// The runtime copies the text it is given.
int osd_host_setenv(const char* name, const char* value) {
  std::string entry = std::string(name) + "=" + value;
  return _putenv(entry.c_str());
}

bool osd_host_gmtime(time_t t, struct tm* out) { return gmtime_s(out, &t) == 0; }

unsigned long osd_host_pid() { return static_cast<unsigned long>(GetCurrentProcessId()); }

char* osd_host_progname() {
  if (_pgmptr && *_pgmptr) return xstrdup(_pgmptr);
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return nullptr;
    if (n < buf.size()) return xstrdup(buf.data());
    buf.resize(buf.size() * 2);
  }
}

bool osd_host_progname_is_real() { return false; }

char* osd_host_hostname() { return xstrdup("localhost"); }

uint32_t osd_host_os_flags() { return kWindowsHostFlag; }

const char* osd_host_exe_suffix() { return ".exe"; }

bool osd_host_has_debugger() { return false; }

bool osd_host_isatty(int fd) { return _isatty(fd) != 0; }

bool osd_host_replace(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}
