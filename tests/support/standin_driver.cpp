// A stand-in compiler driver for the fault tests: it records how it was
// called, then behaves as LUMO_STANDIN says.
//
// Into the directory named by LUMO_RECORD it writes "argv" (one argument per
// line, argument 0 included) and, for an argument "@file", "cmdfile" with
// the bytes of that file and "cmdmode" with the permission bits (octal) of
// the file and of the directory holding it. Then, by LUMO_STANDIN:
//   "signal:N"  ends itself with signal N;
//   "sleep"     writes its process id into "pid" and sleeps until the
//               process that started it is gone (at most 60 seconds). A
//               SIGINT, SIGTERM or SIGHUP makes it take a moment to clean
//               up, write "signalled" ("signal N, command file present" or
//               "... gone"), and end by that signal;
//   otherwise   exits with status 0.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string mode_of(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "missing";
  char text[16];
  snprintf(text, sizeof text, "%o", static_cast<unsigned>(st.st_mode & 07777));
  return text;
}

void record(const std::string& base, int argc, char** argv) {
  std::ofstream args(base + "/argv", std::ios::binary);
  for (int i = 0; i < argc; ++i) {
    args << argv[i] << '\n';
    if (argv[i][0] != '@') continue;
    const std::string file = argv[i] + 1;
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::ofstream(base + "/cmdfile", std::ios::binary) << bytes.str();
    const std::string dir = file.substr(0, file.rfind('/'));
    std::ofstream(base + "/cmdmode", std::ios::binary) << mode_of(file) << ' ' << mode_of(dir) << '\n';
  }
}

// What the signal handler reads: set before it is installed.
char g_command_file[4096];
char g_signalled[4096];

// Async-signal-safe: the moment a back end takes to remove its partial
// outputs, then whether its command file was still there.
void on_stop(int sig) {
  const timespec pause{0, 200 * 1000 * 1000};
  nanosleep(&pause, nullptr);
  const bool present = g_command_file[0] && access(g_command_file, F_OK) == 0;
  const char digits[] = {static_cast<char>('0' + sig / 10), static_cast<char>('0' + sig % 10)};
  int fd = open(g_signalled, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    const char* tail = present ? ", command file present\n" : ", command file gone\n";
    bool ok = write(fd, "signal ", 7) == 7 && write(fd, digits + (sig < 10), sig < 10 ? 1 : 2) > 0 &&
              write(fd, tail, strlen(tail)) > 0;
    (void)ok;
    close(fd);
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

// The pid file appears complete or not at all.
void write_pid(const std::string& base) {
  const std::string partial = base + "/pid.partial";
  std::ofstream(partial) << getpid() << '\n';
  rename(partial.c_str(), (base + "/pid").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const char* dir = getenv("LUMO_RECORD");
  if (!dir) {
    fprintf(stderr, "standin_driver: LUMO_RECORD is not set\n");
    return 125;
  }
  const std::string base(dir);
  record(base, argc, argv);
  const char* how = getenv("LUMO_STANDIN");
  const std::string mode = how ? how : "";
  if (mode.rfind("signal:", 0) == 0) {
    int sig = atoi(mode.c_str() + 7);
    signal(sig, SIG_DFL);
    raise(sig);
    return 124;  // a signal that does not end the process
  }
  if (mode == "sleep") {
    for (int i = 1; i < argc; ++i)
      if (argv[i][0] == '@') snprintf(g_command_file, sizeof g_command_file, "%s", argv[i] + 1);
    snprintf(g_signalled, sizeof g_signalled, "%s/signalled", base.c_str());
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, on_stop);
    const pid_t parent = getppid();
    write_pid(base);
    for (int i = 0; i < 6000 && getppid() == parent; ++i) usleep(10000);
  }
  return 0;
}
