// A stand-in compiler driver for the fault tests: it records how it was
// called, then behaves as LUMO_STANDIN says.
//
// Into the directory named by LUMO_RECORD it writes "argv" (one argument per
// line, argument 0 included) and, for an argument "@file", "cmdfile" with
// the bytes of that file and "cmdmode" with the permission bits (octal) of
// the file and of the directory holding it. Then, by LUMO_STANDIN:
//   "signal:N"  ends itself with signal N;
//   "sleep"     writes its process id into "pid" and sleeps until the
//               process that started it is gone (at most 60 seconds);
//   otherwise   exits with status 0.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const pid_t parent = getppid();
    write_pid(base);
    for (int i = 0; i < 6000 && getppid() == parent; ++i) usleep(10000);
  }
  return 0;
}
