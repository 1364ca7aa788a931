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

void tc_on_end_signals(void (*handler)(int)) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, handler);
}

bool tc_replace(const char* from, const char* to) { return rename(from, to) == 0; }

unsigned long tc_pid() { return static_cast<unsigned long>(getpid()); }
