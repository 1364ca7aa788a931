// Debug facility: the "--lumodebug" option, handing it on to children,
// starting children under the debugger and the package zip.
//
// "--lumodebug=<sub-options>" switches on tracing of function entries and
// exits and of notes, copies of every alert, consistency checks and the
// container reports. The trace itself is the core below this facility
// (debug/lumodebug_trace.h), which the rest of the program traces through;
// parsing the option connects the core's hooks to this facility.
#pragma once

#include <cstdint>

#include "common/pathstyle.h"
#include "debug/lumodebug_trace.h"

struct vector;

// Parsing and state.
void lumodebug_parse(const char* arg);
// Who hands the option on to a child.
enum : uint32_t { DBC_LUMO8CC = 0, DBC_LUMO8 = 1, DBC_DRIVER = 2 };
// "--lumodebug=..." carrying the current settings to a child program named
// callee, or null when no sub-option gives anything to pass on.
const char* lumodebug_optionFor(uint32_t caller, const char* callee);
// The end of the run (also the core's end_run hook): the trace into the
// package zip, then the container reports while "adt" is on. Runs once.
void lumodebug_cleanup();
void lumodebug_set_appname(const char* name);
// The program part of the default trace file name, "lumo8-cc" unless set.
// A program of the tool chain that lumo8-cc starts with the option handed
// on sets its own name before it reads its arguments, so that its trace
// ("lumo8-1.out") does not replace the one of the lumo8-cc that started it.
void lumodebug_set_outstem(const char* stem);
bool lumodebug_in_debug_set(const char* name);

// The package zip ("zip" sub-option). Adds file to it under its archive
// name, deflated at level 6, with comment (or none); nothing happens without
// a zip path or when the file does not exist. Failures are warnings.
void lumodebug_addToPackage(const char* file, const char* comment);
// The name of file inside the package zip: "/" for every backslash, and an
// absolute path (a drive or two backslashes in the Windows style, a leading
// "/" in the POSIX style) put below "SYSTEM_ROOT".
const char* lumodebug_archiveName(const char* file, PathStyle style = kNativePathStyle);

// The debugger that runs children named in the debug set, on a host that
// has one (osd_has_debugger); the warning names it on every host.
inline constexpr const char* kLumodebugDebugger = "/usr/bin/lldb";
// Runs program with args (args[0] is the program; a closing null is
// appended): under the debugger when force is set or the program's name
// without directory and extension is in the debug set. Its exit status, -1
// when it cannot be started.
int lumodebug_spawn(const char* program, vector* args, bool force);
