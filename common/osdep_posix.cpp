// Process layer, POSIX host: the temporary root made by mkdtemp (mode 0700),
// children started by posix_spawn and waited for, capture by handing the
// child the capture file as its descriptors 1 and 2, the fatal-signal
// handler, files opened without waiting on FIFOs, and the host queries.
//
// The fatal-signal handler may interrupt the program anywhere, the allocator
// and stdio included, so it does only async-signal-safe work on what
// osdep.cpp prepared (OsdSignalPlan): descriptors, unlink and a directory
// walk of its own, then the signal's default action.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif

#include <cerrno>
#include <cstddef>
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

constexpr int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGABRT, SIGSEGV, SIGFPE};
// Signals that ask the program to stop rather than report a fault: while a
// child runs they are its to act on first.
constexpr int kPassedOn[] = {SIGINT, SIGTERM, SIGHUP};
// Directories nested deeper than this inside a removed one are left: the
// handler's walk keeps one buffer per level on the stack.
constexpr int kRemoveDepth = 16;

OsdSignalPlan* g_plan = nullptr;  // null until the handler is installed

template <size_t N>
bool one_of(int sig, const int (&set)[N]) {
  for (int s : set)
    if (s == sig) return true;
  return false;
}

sigset_t fatal_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kFatalSignals) sigaddset(&set, sig);
  return set;
}

// The mask in force before the outermost block, and the nesting depth.
struct BlockState {
  sigset_t before;
  int depth = 0;
};
BlockState g_block;

// ---- The handler's own removal ----

void write_text(int fd, const char* text) {
  size_t left = strlen(text);
  while (left > 0) {
    ssize_t n = write(fd, text, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

void remove_entry(int dir_fd, const char* name, int depth);

#ifdef __linux__
// One record of getdents64, read field by field out of the buffer.
struct KernelDirent {
  uint64_t ino;
  int64_t off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

// Removes what directory fd holds. Entries may move while a directory is
// changed under a reader, so the walk reads it again from the start until a
// pass finds nothing left (a few passes at most).
void empty_directory(int fd, int depth) {
  for (int pass = 0; pass < 4; ++pass) {
    if (lseek(fd, 0, SEEK_SET) != 0) return;
    bool found = false;
    alignas(8) char buf[2048];
    for (;;) {
      long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        unsigned short reclen;
        memcpy(&reclen, buf + at + offsetof(KernelDirent, reclen), sizeof reclen);
        const char* name = buf + at + offsetof(KernelDirent, name);
        at += reclen;
        if (reclen == 0) return;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        found = true;
        remove_entry(fd, name, depth);
      }
    }
    if (!found) return;
  }
}
#else
// Without a directory reader that is safe in a handler, only an empty
// directory goes; the exit handler removes the rest on a normal end.
void empty_directory(int, int) {}
#endif

// Removes name inside dir_fd, a directory with everything in it.
void remove_entry(int dir_fd, const char* name, int depth) {
  if (unlinkat(dir_fd, name, 0) == 0 || (errno != EISDIR && errno != EPERM)) return;
  if (depth < kRemoveDepth) {
    int fd = openat(dir_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      empty_directory(fd, depth + 1);
      close(fd);
    }
  }
  unlinkat(dir_fd, name, AT_REMOVEDIR);
}

void remove_registered(const OsdSignalPlan& plan) {
  if (plan.keep || static_cast<unsigned long>(getpid()) != plan.owner_pid) return;
  for (size_t i = 0; i < plan.file_count; ++i) unlink(plan.files[i]);
  for (size_t i = 0; i < plan.dir_count; ++i) remove_entry(AT_FDCWD, plan.dirs[i], 0);
}

// ---- Ending on a signal ----

// Restores the console, removes the temporary root and the registered paths,
// and ends the process by sig with its default action, so that the parent
// sees the signal.
[[noreturn]] void end_on_signal(int sig) {
  sigset_t fatal = fatal_set();
  sigprocmask(SIG_BLOCK, &fatal, nullptr);
  if (g_plan) {
    OsdSignalPlan& plan = *g_plan;
    if (plan.saved_out >= 0) {
      dup2(plan.saved_out, STDOUT_FILENO);
      // A broken pipe takes no newline.
      if (sig != SIGPIPE) write_text(STDOUT_FILENO, "\n");
    }
    if (plan.saved_err >= 0) dup2(plan.saved_err, STDERR_FILENO);
    if (osd_is_crash_signal(sig)) write_text(STDERR_FILENO, kOsdUnexpectedProblem);
    remove_registered(plan);
  }
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
  if (osd_is_crash_signal(sig)) {
    // The report is the message above; a core file would be left behind.
    struct rlimit none {};
    setrlimit(RLIMIT_CORE, &none);
  }
  raise(sig);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, sig);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  _exit(128 + sig);  // not reached: the default action of every fatal signal ends the process
}

void on_fatal_signal(int sig) {
  if (g_plan && g_plan->child > 0 && one_of(sig, kPassedOn)) {
    const int saved_errno = errno;
    kill(static_cast<pid_t>(g_plan->child), sig);
    if (!g_plan->forwarded) g_plan->forwarded = sig;
    errno = saved_errno;
    return;
  }
  end_on_signal(sig);
}

// Fatal signals that were ignored when the program started stay ignored: a
// build under nohup, or a background job of a shell, expects it.
struct InheritedIgnores {
  bool known = false;
  bool ignored[std::size(kFatalSignals)] = {};
};
InheritedIgnores g_inherited;

// ---- Children ----

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

// The child's signal mask: the one the program had before it blocked the
// fatal signals around the start.
class SpawnAttributes {
 public:
  explicit SpawnAttributes(const sigset_t& mask) : ok_(posix_spawnattr_init(&attr_) == 0) {
    ok_ = ok_ && posix_spawnattr_setsigmask(&attr_, &mask) == 0 &&
          posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK) == 0;
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attr_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  bool ok() const { return ok_; }
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
  bool ok_;
};

int status_of(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

// Waits for pid to end, then reaps it. The child stays a zombie until the
// handler can no longer pass a signal to it, so that its number cannot go
// to another process in between.
int wait_for(pid_t pid) {
  siginfo_t info {};
  int r;
  do {
    r = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
  } while (r < 0 && errno == EINTR);
  osd_host_block_signals();
  if (g_plan) g_plan->child = 0;
  int wstatus = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid, &wstatus, 0);
  } while (reaped < 0 && errno == EINTR);
  osd_host_unblock_signals();
  return reaped < 0 ? -1 : status_of(wstatus);
}

// Whether program can be started at all, with errno telling why not.
// posix_spawn may report a failed exec only as the child's status 127 (some
// C libraries and emulators fork first), which would be mistaken for the
// program's own status.
bool startable(const char* program) {
  struct stat st;
  if (stat(program, &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EACCES;
    return false;
  }
  return access(program, X_OK) == 0;
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

int osd_host_spawn(const char* program, char* const argv[], int capture_fd) {
  if (!startable(program)) return -1;
  SpawnActions actions;
  if (!actions.ok()) return -1;
  if (capture_fd != kOsdNoCapture && !actions.capture_into(capture_fd)) return -1;
  // Blocked from the start until the child is recorded: a signal in between
  // would end this process with the child left running on.
  osd_host_block_signals();
  SpawnAttributes attributes(g_block.before);
  pid_t pid = 0;
  int rc = attributes.ok() ? posix_spawn(&pid, program, actions.get(), attributes.get(), argv, environ) : EINVAL;
  if (rc == 0 && g_plan) {
    g_plan->child = pid;
    g_plan->forwarded = 0;
  }
  osd_host_unblock_signals();
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  int status = wait_for(pid);
  // The child has ended and its command file may go: this process ends as
  // it was asked to.
  if (g_plan && g_plan->forwarded) end_on_signal(g_plan->forwarded);
  return status;
}

void osd_host_noinherit(int fd) {
  // The console descriptors belong to every child.
  if (fd <= STDERR_FILENO) return;
  int flags = fcntl(fd, F_GETFD);
  if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

void osd_host_install_signals(OsdSignalPlan* plan) {
  g_plan = plan;
  if (!g_inherited.known) {
    g_inherited.known = true;
    for (size_t i = 0; i < std::size(kFatalSignals); ++i) {
      struct sigaction old {};
      g_inherited.ignored[i] = sigaction(kFatalSignals[i], nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
    }
  }
  struct sigaction action {};
  action.sa_handler = on_fatal_signal;
  action.sa_mask = fatal_set();
  for (size_t i = 0; i < std::size(kFatalSignals); ++i) {
    const int sig = kFatalSignals[i];
    if (g_inherited.ignored[i]) continue;
    // A fault inside the handler ends the process instead of entering it
    // again; the signals passed on to a child stay caught for the next one.
    action.sa_flags = osd_is_crash_signal(sig) ? SA_RESETHAND : SA_RESTART;
    sigaction(sig, &action, nullptr);
  }
}

void osd_host_block_signals() {
  sigset_t fatal = fatal_set();
  if (g_block.depth++ == 0)
    sigprocmask(SIG_BLOCK, &fatal, &g_block.before);
}

void osd_host_unblock_signals() {
  if (g_block.depth > 0 && --g_block.depth == 0) sigprocmask(SIG_SETMASK, &g_block.before, nullptr);
}

FILE* osd_host_open_regular(const char* path, const char* mode) {
  // O_NONBLOCK: opening a FIFO without a writer, or some devices, would
  // otherwise wait; the type is then checked on what was opened.
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int reason = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = reason;
    return nullptr;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  FILE* fp = fdopen(fd, mode);
  if (!fp) {
    const int reason = errno;
    close(fd);
    errno = reason;
  }
  return fp;
}

int osd_host_save_console(int fd) { return fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1); }

void osd_host_restore_console(int saved, int fd) {
  dup2(saved, fd);
  close(saved);
}

bool osd_host_redirect(int from, int fd) { return dup2(from, fd) >= 0; }

int osd_host_setenv(const char* name, const char* value) { return setenv(name, value, 1); }

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

char* osd_host_hostname() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return xstrdup("localhost");
  return xstrdup(name);
}

uint32_t osd_host_os_flags() { return 0; }

const char* osd_host_exe_suffix() { return ""; }

bool osd_host_has_debugger() { return true; }

bool osd_host_isatty(int fd) { return isatty(fd) == 1; }

bool osd_host_replace(const char* from, const char* to) { return rename(from, to) == 0; }
