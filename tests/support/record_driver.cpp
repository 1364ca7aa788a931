// A stand-in compiler driver for the end-to-end tests of the command line:
// it records how it was called and ends with the status it is told.
//
// Into the directory named by LUMO_RECORD it writes "argv" (one argument per
// line, argument 0 included) and, for an argument "@file", "cmdfile" with
// the exact bytes of that file, and "env" with the message-format variables
// it was given. A "--depfile=" option of the command file gets the rules
// in LUMO_RECORD_RULES ("-": no file at all), else an empty file, as a
// driver writes that compiled no source. It prints
// "driver ran" on standard output and exits with the number in
// LUMO_RECORD_STATUS (0 when unset).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

// A path of the command file as written there, without blanks: a line end
// of Windows dropped, every backslash doubled.
std::string unescaped(std::string path) {
  if (!path.empty() && path.back() == '\r') path.pop_back();
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    out += path[i];
    if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
  }
  return out;
}

int main(int argc, char** argv) {
  const char* dir = getenv("LUMO_RECORD");
  if (!dir) {
    fprintf(stderr, "record_driver: LUMO_RECORD is not set\n");
    return 125;
  }
  const std::string base(dir);
  std::ofstream args(base + "/argv", std::ios::binary);
  for (int i = 0; i < argc; ++i) {
    args << argv[i] << '\n';
    if (argv[i][0] != '@') continue;
    std::ifstream in(argv[i] + 1, std::ios::binary);
    if (!in) {
      fprintf(stderr, "record_driver: can't read %s\n", argv[i] + 1);
      return 126;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::ofstream(base + "/cmdfile", std::ios::binary) << bytes.str();
    std::istringstream lines(bytes.str());
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("--depfile=", 0) == 0) {
        const char* rules = getenv("LUMO_RECORD_RULES");
        if (!rules || strcmp(rules, "-") != 0) std::ofstream(unescaped(line.substr(10)), std::ios::binary) << (rules ? rules : "");
      }
  }
  std::ofstream env(base + "/env", std::ios::binary);
  for (const char* name : {"ZOT_ERR_FORMAT", "ZOT_WARN_FORMAT", "ZOT_MSG_FORMAT"}) {
    const char* value = getenv(name);
    env << name << '=' << (value ? value : "(unset)") << '\n';
  }
  printf("driver ran\n");
  const char* status = getenv("LUMO_RECORD_STATUS");
  return status ? atoi(status) : 0;
}
