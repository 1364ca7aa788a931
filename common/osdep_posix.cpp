// Process layer, POSIX host: the temporary root made by mkdtemp (mode 0700),
// children started by posix_spawn and waited for, capture by handing the
// child the capture file as its descriptors 1 and 2, sigaction handlers,
// and the host queries.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>

#include "common/alloc.h"
#include "common/osdep_host.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"

extern char** environ;

namespace {

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGABRT, SIGSEGV, SIGFPE};

// The descriptor plan of one child, released on every way out.
class SpawnActions {
 public:
  SpawnActions() : ok_(posix_spawn_file_actions_init(&actions_) == 0) {}
  ~SpawnActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  bool ok() const { return ok_; }
  // The child's standard output and error both become fd.
  bool capture_into(int fd) {
    return posix_spawn_file_actions_adddup2(&actions_, fd, STDOUT_FILENO) == 0 &&
           posix_spawn_file_actions_adddup2(&actions_, fd, STDERR_FILENO) == 0;
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_;
};

int wait_for(pid_t pid) {
  int wstatus = 0;
  pid_t r;
  do {
    r = waitpid(pid, &wstatus, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -1;
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

}  // namespace

char* osd_host_make_root(const char* base, char letter) {
  if (!path_is_dir(base) && mkdir_p(base) != 0) return nullptr;
  char name[] = "lumo?XXXXXX";
  name[4] = letter;
  char* candidate = path_join(base, name);
  if (candidate && !mkdtemp(candidate)) {
    free(candidate);
    candidate = nullptr;
  }
  return candidate;
}

// Whether program can be started at all. posix_spawn may report a failed
// exec only as the child's status 127 (some C libraries and emulators
// fork first), which would be mistaken for the program's own status.
static bool startable(const char* program) {
  struct stat st;
  return stat(program, &st) == 0 && S_ISREG(st.st_mode) && access(program, X_OK) == 0;
}

int osd_host_spawn(const char* program, char* const argv[], int capture_fd) {
  if (!startable(program)) return -1;
  SpawnActions actions;
  if (!actions.ok()) return -1;
  if (capture_fd != kOsdNoCapture && !actions.capture_into(capture_fd)) return -1;
  pid_t pid = 0;
  if (posix_spawn(&pid, program, actions.get(), nullptr, argv, environ) != 0) return -1;
  return wait_for(pid);
}

void osd_host_noinherit(int fd) {
  // The console descriptors belong to every child.
  if (fd <= STDERR_FILENO) return;
  int flags = fcntl(fd, F_GETFD);
  if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

const int* osd_host_fatal_signals(size_t* count) {
  *count = std::size(kFatalSignals);
  return kFatalSignals;
}

void osd_host_install_signals(osd_signal_handler handler) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (int sig : kFatalSignals) sigaddset(&action.sa_mask, sig);
  // Back to the default action on entry: a fault inside the handler ends
  // the process instead of entering the handler again.
  action.sa_flags = SA_RESETHAND;
  for (int sig : kFatalSignals) sigaction(sig, &action, nullptr);
}

int osd_host_save_console(int fd) { return fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1); }

void osd_host_restore_console(int saved, int fd) {
  dup2(saved, fd);
  close(saved);
}

bool osd_host_redirect(int from, int fd) { return dup2(from, fd) >= 0; }

int osd_host_setenv(const char* name, const char* value) { return setenv(name, value, 1); }

void osd_host_tzset() { tzset(); }

bool osd_host_gmtime(time_t t, struct tm* out) { return gmtime_r(&t, out) != nullptr; }

unsigned long osd_host_pid() { return static_cast<unsigned long>(getpid()); }

// The system's link to the running executable names its file with every
// symbolic link resolved. It is read once: the file does not change while
// the program runs, and the link is dear to read.
char* osd_host_progname() {
  static const std::string path = [] {
    std::string buf(256, '\0');
    for (;;) {
      ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
      if (n < 0) return std::string();
      if (static_cast<size_t>(n) < buf.size()) {
        buf.resize(static_cast<size_t>(n));
        return buf;
      }
      buf.resize(buf.size() * 2);
    }
  }();
  return path.empty() ? nullptr : xstrdup(path.c_str());
}

bool osd_host_progname_is_real() { return true; }

const char* osd_host_os_name() {
  struct utsname names {};
  return sc_intern(uname(&names) == 0 ? names.sysname : "POSIX");
}

char* osd_host_hostname() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return xstrdup("localhost");
  return xstrdup(name);
}

int osd_host_cpu_count() {
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n < 1 ? 1 : static_cast<int>(n);
}

uint32_t osd_host_os_flags() { return 0; }

const char* osd_host_exe_suffix() { return ""; }

bool osd_host_has_debugger() { return true; }

bool osd_host_isatty(int fd) { return isatty(fd) == 1; }

bool osd_host_replace(const char* from, const char* to) { return rename(from, to) == 0; }
