// The least a front end can do: start the driver with one command-file
// argument and wait for it. The baseline lumo8-cc is measured against.
//   spawn_only DRIVER @FILE
// With --in BASE it also does what lumo8-cc must do around the start: make
// a fresh directory under BASE, write FILE's text into a command file there,
// start the driver on that file, and remove both afterwards. The difference
// between the two is what the file system charges for the command file.
//   spawn_only --in BASE DRIVER @FILE
// Plain C library calls only: the program must not load the C++ run time,
// or the baseline would carry a cost lumo8-cc (linked statically) does not.
#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

int start_and_wait(char* driver, char* argument) {
  char* child_argv[] = {driver, argument, nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, driver, nullptr, nullptr, child_argv, environ) != 0) return 127;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return 127;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3) return start_and_wait(argv[1], argv[2]);
  if (argc != 5 || strcmp(argv[1], "--in") != 0 || argv[4][0] != '@') {
    fprintf(stderr, "usage: spawn_only [--in BASE] DRIVER @FILE\n");
    return 2;
  }
  static char text[65536];
  FILE* in = fopen(argv[4] + 1, "rb");
  if (!in) return 2;
  size_t length = fread(text, 1, sizeof text, in);
  fclose(in);
  char root[PATH_MAX], file[PATH_MAX + 32], argument[PATH_MAX + 33];
  if (snprintf(root, sizeof root, "%s/lumoAXXXXXX", argv[2]) >= static_cast<int>(sizeof root) || !mkdtemp(root))
    return 2;
  snprintf(file, sizeof file, "%s/lumo8-cc_tmp_0.cmd", root);
  FILE* out = fopen(file, "w");
  bool written = out && fwrite(text, 1, length, out) == length;
  if (out && fclose(out) != 0) written = false;
  int status = 2;
  if (written) {
    snprintf(argument, sizeof argument, "@%s", file);
    status = start_and_wait(argv[3], argument);
  }
  unlink(file);
  rmdir(root);
  return status;
}
