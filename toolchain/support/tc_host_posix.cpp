// Tool-chain host services, POSIX: mkstemp with the mode put back to what
// the umask gives a new file.
#include "toolchain/support/tc_host.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

FILE* tc_create_beside(const char* path, std::string* name) {
  std::string pattern = std::string(path) + ".XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return nullptr;
  // mkstemp gives 0600; a new file gets the usual mode under the umask.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  FILE* f = fdopen(fd, "wb");
  if (!f) {
    close(fd);
    remove(pattern.c_str());
    return nullptr;
  }
  *name = pattern;
  return f;
}

namespace {
constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
}  // namespace

void tc_on_end_signals(void (*handler)(int)) {
  for (int sig : kEndSignals) {
    // A signal the caller was started to ignore (nohup, a background job) stays ignored.
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    signal(sig, handler);
  }
}

void tc_hold_end_signals(bool hold) {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kEndSignals) sigaddset(&set, sig);
  sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

bool tc_replace(const char* from, const char* to) { return rename(from, to) == 0; }

unsigned long tc_pid() { return static_cast<unsigned long>(getpid()); }
