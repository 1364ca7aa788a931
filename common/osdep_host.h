// Host side of the process layer, private to common/osdep*.cpp and their tests.
//
// osdep.cpp holds every rule that is the same on all hosts and calls the
// functions below for the rest; each host file (osdep_posix.cpp, and a
// Windows one beside it) defines all of them. The functions are not traced:
// their public callers in osdep.cpp are.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "common/pathstyle.h"

// Capture descriptor meaning "the child shares the console streams".
inline constexpr int kOsdNoCapture = -1;

inline constexpr const char* kOsdUnexpectedProblem =
    "\n\nAn unexpected problem has been encountered and the program must quit; "
    "contact Orvane support with details\n\n";

// Everything the fatal-signal handler reads. A signal may stop the program
// anywhere, even inside the allocator, so the handler allocates nothing and
// reads only this record: osdep.cpp fills it beforehand and changes it only
// while the fatal signals are blocked (OsdSignalBlock), so that the handler
// never sees a list half updated.
struct OsdSignalPlan {
  int saved_out = -1;  // the console streams as the first install saved them
  int saved_err = -1;
  const char* const* files = nullptr;  // registered files
  size_t file_count = 0;
  const char* const* dirs = nullptr;  // registered directories, the temporary root among them
  size_t dir_count = 0;
  bool keep = false;
  // Only the process that registered removes: a forked copy that ends must
  // not take the temporary root away from its parent.
  unsigned long owner_pid = 0;
  // The child being waited for, while one runs (POSIX), and the first
  // signal passed on to it.
  volatile sig_atomic_t child = 0;
  volatile sig_atomic_t forwarded = 0;
};

// Whether sig is one of the faults that make the handler report an
// unexpected problem.
inline bool osd_is_crash_signal(int sig) { return sig == SIGSEGV || sig == SIGFPE || sig == SIGABRT; }

// ---- Rules of osdep.cpp that take the host style, for the tests ----

// The directory under which the temporary root is made: the first of the
// style's environment variables that is set and non-empty, else its default.
const char* osd_tmp_base(PathStyle style = kNativePathStyle);
// Argument arg as the child's command line must carry it so that the child
// receives it unchanged: on Windows, where the child's runtime splits one
// command line, an argument that is empty or holds white space or a double
// quote goes in double quotes, with a backslash before every embedded quote
// and the backslashes in front of a quote doubled; on POSIX, where argv
// passes whole, a plain copy. A heap text.
char* osd_quote_arg(const char* arg, PathStyle style = kNativePathStyle);

// ---- Host functions ----

// A new private directory inside base named "lumo", letter, and a generated
// part; a heap path, or null when this letter gives none.
char* osd_host_make_root(const char* base, char letter);
// Runs program with argv and waits for it: the exit status, 128 + S when
// signal S ended it, -1 with errno set when it could not be started. With a
// capture descriptor the child's standard output and error both write to it
// and the caller's own streams are left as they are.
int osd_host_spawn(const char* program, char* const argv[], int capture_fd);
// Keeps fd out of every child the process starts.
void osd_host_noinherit(int fd);

// Installs the host's handler for every fatal signal, reading plan, so that
// a signal arriving while the handler runs cannot enter it again. Each call
// installs it again (a host may reset a handler once it ran).
void osd_host_install_signals(OsdSignalPlan* plan);
// Blocks the fatal signals until the matching unblock; calls nest. A signal
// that arrives meanwhile is delivered at the outermost unblock.
void osd_host_block_signals();
void osd_host_unblock_signals();
// Opens path for reading (mode "r" or "rb") when it is a regular file,
// without ever waiting on a FIFO or device; null with errno set otherwise.
FILE* osd_host_open_regular(const char* path, const char* mode);
// A duplicate of console descriptor fd that no child inherits; -1 on failure.
int osd_host_save_console(int fd);
// Points fd back at the saved duplicate and closes the duplicate.
void osd_host_restore_console(int saved, int fd);
// Makes fd refer to what from refers to; false when it cannot.
bool osd_host_redirect(int from, int fd);

int osd_host_setenv(const char* name, const char* value);
bool osd_host_gmtime(time_t t, struct tm* out);
unsigned long osd_host_pid();
char* osd_host_progname();
bool osd_host_progname_is_real();
char* osd_host_hostname();
uint32_t osd_host_os_flags();
const char* osd_host_exe_suffix();
bool osd_host_has_debugger();
bool osd_host_isatty(int fd);
bool osd_host_replace(const char* from, const char* to);

// The fatal signals blocked for the object's lifetime.
class OsdSignalBlock {
 public:
  OsdSignalBlock() { osd_host_block_signals(); }
  ~OsdSignalBlock() { osd_host_unblock_signals(); }
  OsdSignalBlock(const OsdSignalBlock&) = delete;
  OsdSignalBlock& operator=(const OsdSignalBlock&) = delete;
};
