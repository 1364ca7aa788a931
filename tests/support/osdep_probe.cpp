// A small program that drives the process layer the way lumo8-cc does, for
// the tests that have to end a process, signal it, or start it as a child.
//
//   osdep_probe [setup...] <action> [arguments]
//
// Setup, in order of the command line:
//   --prefix NAME        program-name part of temporary names
//   --keep               keep the temporary files at exit
//   --signals            install the fatal-signal handlers
//   --temps              make two names (extensions "c" and ".c"), create a
//                        file at the second and a directory with a file in
//                        it; print root=, name=, name=, dir= lines
//   --register-file P    add P to the removal lists (also --register-dir)
//   --spawn-first        run this program once as a child before the action
//   --redirect FILE      point standard output at FILE and write "hidden"
//   --deep-tree TARGET   fill a new temporary directory: many files, ten
//                        nested levels, and a symbolic link to TARGET
// Actions:
//   exit N               return N from main
//   raise S              raise signal S (a number)
//   fatal                raise a fatal message (the program ends through cleanup)
//   args FILE ARG...     write argv (argv[0] included) one per line into
//                        FILE, or to standard output for "-"
//   interleave           alternate lines on standard output and error, exit 3
//   fork-copy HOW        fork a copy that ends by exit ("exit") or by raising
//                        signal HOW; print copy=kept or copy=removed for the
//                        temporary root, then return 0
#include <fcntl.h>
#include <signal.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#else
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/osdep.h"

namespace {

const char* or_null(const char* s) { return s ? s : "(null)"; }

// A new directory inside the temporary root.
const char* new_tmpdir() {
  const char* path = osd_tmpname(nullptr);
  return path && mkdir_p(path) == 0 ? path : nullptr;
}

void make_temps() {
  const char* first = osd_tmpname("c");
  const char* second = osd_tmpname(".c");
  const char* dir = new_tmpdir();
  printf("root=%s\nname=%s\nname=%s\ndir=%s\n", or_null(osd_tmproot()), or_null(first), or_null(second),
         or_null(dir));
  if (second)
    if (FILE* f = fopen(second, "w")) fclose(f);
  if (dir)
    if (FILE* f = fopen((std::string(dir) + "/inner.txt").c_str(), "w")) fclose(f);
  fflush(stdout);
}

void redirect_stdout(const char* path) {
  fflush(stdout);
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) exit(120);
  dup2(fd, fileno(stdout));
  close(fd);
  fputs("hidden\n", stdout);
  fflush(stdout);  // a handler may not use stdio: what is buffered is lost
}

void deep_tree([[maybe_unused]] const char* target) {
  const char* top = new_tmpdir();
  if (!top) exit(119);
  std::string dir = top;
  for (int i = 0; i < 300; ++i)
    if (FILE* f = fopen((dir + "/file-with-a-longer-name-" + std::to_string(i)).c_str(), "w")) fclose(f);
#ifndef _WIN32
  if (symlink(target, (dir + "/link").c_str()) != 0) exit(118);
#endif
  for (int level = 0; level < 10; ++level) {
    dir += "/level" + std::to_string(level);
    if (mkdir_p(dir.c_str()) != 0) exit(117);
    if (FILE* f = fopen((dir + "/leaf").c_str(), "w")) fclose(f);
  }
}

#ifndef _WIN32
int fork_copy(const char* how) {
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    if (strcmp(how, "exit") == 0) exit(0);
    raise(atoi(how));
    _exit(99);
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
  }
  printf("copy=%s\n", path_is_dir(osd_tmproot()) ? "kept" : "removed");
  return 0;
}
#endif

int write_args(int argc, char** argv, const char* target) {
  FILE* out = strcmp(target, "-") == 0 ? stdout : fopen(target, "w");
  if (!out) return 121;
  for (int i = 0; i < argc; ++i) fprintf(out, "%s\n", argv[i]);
  if (out != stdout) fclose(out);
  return 0;
}

int interleave() {
  for (int i = 1; i <= 2; ++i) {
    printf("out %d\n", i);
    fflush(stdout);
    fprintf(stderr, "err %d\n", i);
    fflush(stderr);
  }
  return 3;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
    const std::string opt = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (opt == "--prefix") {
      osd_set_tmpprefix(value);
      ++i;
    } else if (opt == "--keep") {
      osd_keep_temps(true);
    } else if (opt == "--signals") {
      osd_signals_install();
    } else if (opt == "--temps") {
      make_temps();
    } else if (opt == "--register-file") {
      osd_register_tmpfile(value);
      ++i;
    } else if (opt == "--register-dir") {
      osd_register_tmpdir(value);
      ++i;
    } else if (opt == "--spawn-first") {
      char* child[] = {argv[0], const_cast<char*>("exit"), const_cast<char*>("0"), nullptr};
      if (osd_spawn(argv[0], child) != 0) return 122;
    } else if (opt == "--redirect") {
      redirect_stdout(value);
      ++i;
    } else if (opt == "--deep-tree") {
      deep_tree(value);
      ++i;
    } else {
      fprintf(stderr, "osdep_probe: unknown setup %s\n", argv[i]);
      return 125;
    }
  }
  const std::string action = i < argc ? argv[i] : "";
  const char* arg = i + 1 < argc ? argv[i + 1] : "0";
  if (action == "exit") return atoi(arg);
  if (action == "raise") {
    raise(atoi(arg));
    return 123;
  }
  if (action == "fatal") {
    errno = ENOENT;
    alert_raise_noline(141, "probe", "nowhere");
    return 125;
  }
  if (action == "args") return write_args(argc, argv, arg);
  if (action == "interleave") return interleave();
#ifndef _WIN32
  if (action == "fork-copy") return fork_copy(arg);
#endif
  fprintf(stderr, "osdep_probe: unknown action %s\n", action.c_str());
  return 124;
}
