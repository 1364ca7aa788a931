// Host side of the process layer, private to common/osdep*.cpp and their tests.
//
// osdep.cpp holds every rule that is the same on all hosts and calls the
// functions below for the rest; each host file (osdep_posix.cpp, and a
// Windows one beside it) defines all of them. The functions are not traced:
// their public callers in osdep.cpp are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "common/pathstyle.h"

// Capture descriptor meaning "the child shares the console streams".
inline constexpr int kOsdNoCapture = -1;

using osd_signal_handler = void (*)(int);

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
// signal S ended it, -1 when it could not be started. With a capture
// descriptor the child's standard output and error both write to it and the
// caller's own streams are left as they are.
int osd_host_spawn(const char* program, char* const argv[], int capture_fd);
// Keeps fd out of every child the process starts.
void osd_host_noinherit(int fd);

// The fatal signals of this host.
const int* osd_host_fatal_signals(size_t* count);
// Installs handler for every fatal signal so that a signal arriving while
// the handler runs cannot enter it again.
void osd_host_install_signals(osd_signal_handler handler);
// A duplicate of console descriptor fd that no child inherits; -1 on failure.
int osd_host_save_console(int fd);
// Points fd back at the saved duplicate and closes the duplicate.
void osd_host_restore_console(int saved, int fd);
// Makes fd refer to what from refers to; false when it cannot.
bool osd_host_redirect(int from, int fd);

int osd_host_setenv(const char* name, const char* value);
void osd_host_tzset();
bool osd_host_gmtime(time_t t, struct tm* out);
unsigned long osd_host_pid();
char* osd_host_progname();
bool osd_host_progname_is_real();
const char* osd_host_os_name();
char* osd_host_hostname();
int osd_host_cpu_count();
uint32_t osd_host_os_flags();
const char* osd_host_exe_suffix();
bool osd_host_has_debugger();
bool osd_host_isatty(int fd);
bool osd_host_replace(const char* from, const char* to);
