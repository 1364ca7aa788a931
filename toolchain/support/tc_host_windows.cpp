// Tool-chain host services, Windows: the runtime's unique-name template and
// an exclusive create, so that no other file of that name is overwritten.
#include "toolchain/support/tc_host.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <vector>

FILE* tc_create_beside(const char* path, std::string* name) {
  std::string pattern = std::string(path) + ".XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (_mktemp_s(buf.data(), buf.size()) != 0) return nullptr;
  int fd = _open(buf.data(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  FILE* f = _fdopen(fd, "wb");
  if (!f) {
    _close(fd);
    remove(buf.data());
    return nullptr;
  }
  *name = buf.data();
  return f;
}

void tc_on_end_signals(void (*handler)(int)) {
  for (int sig : {SIGINT, SIGTERM, SIGBREAK}) signal(sig, handler);
}

// The runtime calls a handler on a thread of its own; there is nothing to
// hold back.
void tc_hold_end_signals(bool) {}

// rename() refuses an existing target here.
bool tc_replace(const char* from, const char* to) { return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0; }

unsigned long tc_pid() { return static_cast<unsigned long>(GetCurrentProcessId()); }
