// The least a front end can do: start the driver with one command-file
// argument and wait for it. The baseline lumo8-cc is measured against.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: spawn_only DRIVER @FILE\n");
    return 2;
  }
  char* child_argv[] = {argv[1], argv[2], nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[1], nullptr, nullptr, child_argv, environ) != 0) return 127;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return 127;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
