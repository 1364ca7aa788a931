// Process layer: the program's one contact with the operating system beyond
// plain standard-library file access.
//
// It owns the temporary root (a private directory made on first use and
// removed with everything in it at exit), the removal lists, the pipe status
// table of captured children and the saved console descriptors of the
// fatal-signal handler. All of it is process-wide and unlocked: the program
// has one thread. The path functions live in osdep_path.h, included here so
// that callers include one header.
//
// Texts returned as const char* are string-cache texts; char* results are
// heap blocks owned by the caller.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "common/osdep_path.h"

struct vector;

// Bit of osd_os_flags() that marks a Windows host.
inline constexpr uint32_t kOsdWindowsFlag = 0x10000;
// The longest command line the host accepts; longer ones go into a command file.
inline constexpr int kOsdMaxCmdline = 7191;
// Bucket count of the pipe status table.
inline constexpr uint32_t kOsdPipeStatusBuckets = 5;
// Program-name part of temporary names unless osd_set_tmpprefix says otherwise.
inline constexpr const char* kOsdDefaultTmpPrefix = "lumo8-cc";

// ---- Temporary files and directories ----

// A new path inside the temporary root: <prefix>_tmp_<counter>[.<ext>]. A dot
// is put in front of ext unless it starts with one; a null or empty ext gives
// no extension. The file is not created. Null when no root can be made (the
// next call tries again).
const char* osd_tmpname(const char* ext);
// The temporary root, or null while none has been made. Creates nothing.
const char* osd_tmproot();
// The program-name part of temporary names; blanks become "_".
void osd_set_tmpprefix(const char* program_name);
// Adds a path to the removal lists (null is ignored). Files inside the root
// need no registration: the root goes with everything in it.
void osd_register_tmpfile(const char* path);
void osd_register_tmpdir(const char* path);
// When set, nothing is removed at exit.
void osd_keep_temps(bool keep);

// ---- Processes and pipes ----

// Runs program with the null-terminated argv (argv[0] is the program) and
// waits for it. The exit status; 128 + S for a child ended by signal S; -1
// when it cannot be started (osd_spawn_error tells why). Standard output and
// error are flushed first.
//
// While the child runs, SIGINT, SIGTERM and SIGHUP sent to this process
// alone are passed on to the child (POSIX); once the child has ended, this
// process ends by the first of them as by any fatal signal.
int osd_spawn(const char* program, char* const argv[]);
// Why the last osd_spawn that returned -1 could not start its program: an
// errno value (0 when it did not fail).
int osd_spawn_error();
// Runs a program with its standard output and error captured into one file
// and returns a stream reading that file from the start, or null when the
// program is missing or cannot be started. osd_popen takes the arguments
// after the program up to a null; osd_popen_vec takes a vector holding the
// program path, the arguments and a closing null, and frees it in every case.
FILE* osd_popen(const char* program, ...) __attribute__((sentinel));
FILE* osd_popen_vec(vector* list);
// Closes a stream of osd_popen and returns its child's exit status; -1, and
// nothing closed, for null or a stream osd_popen did not return.
int osd_pclose(FILE* stream);

// Standard error sent into an open file for the object's lifetime (so that
// the diagnostics of a child asked for a listing are not shown), and back
// to where it was when the object goes. active() is false when it could not
// be redirected; nothing then changes.
class OsdStderrRedirect {
 public:
  explicit OsdStderrRedirect(FILE* into);
  ~OsdStderrRedirect();
  OsdStderrRedirect(const OsdStderrRedirect&) = delete;
  OsdStderrRedirect& operator=(const OsdStderrRedirect&) = delete;
  bool active() const { return saved_ >= 0; }  // a getter, not traced

 private:
  int saved_ = -1;
};

// Installs the fatal-signal handler: it restores the console streams saved
// by the first call, reports an unexpected problem for SIGSEGV, SIGFPE and
// SIGABRT, removes the temporary root and the registered paths, and ends the
// program. On POSIX the handler does only async-signal-safe work and ends
// the process by the signal itself, so that the parent sees it (a shell loop
// or make stops at Ctrl-C); a signal ignored when the program started (nohup,
// a background job) stays ignored. Windows ends through exit() with the
// signal number as status.
void osd_signals_install();

// ---- Files given by others ----

// Opens an installation file or a command file for reading (mode "r" or
// "rb"): only a regular file. A FIFO, device or directory gives null with
// errno set, at once: opening a FIFO without a writer would never return.
FILE* osd_fopen_regular(const char* path, const char* mode = "r");

// ---- Environment and host ----

// Sets name=value in the process environment (a null value counts as
// empty); 0 without change for a null name, else the host's result.
int osd_setenv(const char* name, const char* value);
// The calendar time t in UTC; false when it cannot be converted.
bool osd_gmtime(time_t t, struct tm* out);
// The full path of the running executable, or null when the host cannot tell.
char* osd_progname();
uint32_t osd_os_flags();
int osd_max_cmdline();
char* osd_hostname();
// "" or ".exe": what executable names end in on this host.
const char* osd_exe_suffix();
// Whether osd_progname's path already has every symbolic link resolved
// (POSIX: the system gives it so; Windows: the path as started).
bool osd_progname_is_real();
// Whether this host can run a child under a debugger (POSIX: yes; Windows
// has none).
bool osd_has_debugger();
// Whether stream is connected to a terminal.
bool osd_isatty(FILE* stream);
// This process's number, for names that concurrent runs must not share.
unsigned long osd_getpid();
// Moves file from to the name to, replacing a file of that name in one step;
// false when it cannot.
bool osd_replace_file(const char* from, const char* to);
