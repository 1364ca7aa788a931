// What the tool-chain programs need of their host beyond the process layer:
// a fresh file beside another, and the signals that end a program from
// outside. One host file each (tc_host_posix.cpp, tc_host_windows.cpp).
#pragma once

#include <cstdio>
#include <string>

// A new file beside path (path and a unique suffix), created for binary
// writing with the mode a new file gets; its name goes into *name. Null when
// none can be made.
FILE* tc_create_beside(const char* path, std::string* name);

// Installs handler for the signals that end a program from outside: the
// interrupt, termination, the host's hang-up or break, and on POSIX a
// broken pipe.
void tc_on_end_signals(void (*handler)(int));
// Holds those signals back (true) or lets them through again (false), so
// that a handler never sees a list half changed.
void tc_hold_end_signals(bool hold);

// Moves file from to the name to, replacing a file of that name; false
// when it cannot.
bool tc_replace(const char* from, const char* to);

// The process number, for names that must differ between runs at the same time.
unsigned long tc_pid();
