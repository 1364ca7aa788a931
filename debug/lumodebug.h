// Debug facility: tracing of this program into the debug-out file.
//
// "--lumodebug=<sub-options>" switches on tracing of function entries and
// exits and of notes, copies of every alert, consistency checks and the
// container reports. While the option is absent the facility costs one test
// of the flag word per traced call: every trace macro below tests it before
// it evaluates anything else.
//
// Trace line: the location column "%-*s> " (last component of the source
// file and the line, in the trace width), the indentation, then the record.
//
// The facility's operations write their own ENTER and EXIT records, except
// the trace writer (the records, notes, hex dumps, the argument log, the
// alert copy, the layout of trace lines) and the warnings it raises, which
// must not write trace lines about themselves, and the plain getters and
// the debug-set test.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "common/pathstyle.h"

struct vector;

// Flag bits of the sub-options.
enum : uint32_t {
  LDB_TRACE = 1,    // default, on: trace records and notes
  LDB_SDB = 2,      // passed on only
  LDB_DWARF = 4,    // passed on only
  LDB_ALERTS = 8,   // copy every alert into the trace
  LDB_ADT = 16,     // container master lists and their reports
};

// Assert levels.
enum : uint32_t { LDB_ASSERT_IGNORE = 0, LDB_ASSERT_FATAL = 1, LDB_ASSERT_ERROR = 2, LDB_ASSERT_WARNING = 3 };

// The flag word: non-zero means that debugging is on. Read it through the
// inline tests; only the parser writes it.
extern uint32_t lumodebug_flagword;
extern uint32_t lumodebug_assertlevel;

inline bool lumodebug_on() { return lumodebug_flagword != 0; }
inline bool lumodebug_notes() { return (lumodebug_flagword & LDB_TRACE) != 0; }

// Parsing and state.
void lumodebug_parse(const char* arg);
// Who hands the option on to a child.
enum : uint32_t { DBC_LUMO8CC = 0, DBC_LUMO8 = 1, DBC_DRIVER = 2 };
// "--lumodebug=..." carrying the current settings to a child program named
// callee, or null when no sub-option gives anything to pass on.
const char* lumodebug_optionFor(uint32_t caller, const char* callee);
void lumodebug_cleanup();
void lumodebug_warning(const char* format, ...) __attribute__((format(printf, 1, 2)));
void lumodebug_set_appname(const char* name);
// The program part of the default trace file name, "lumo8-cc" unless set.
// A program of the tool chain that lumo8-cc starts with the option handed
// on sets its own name before it reads its arguments, so that its trace
// ("lumo8-1.out") does not replace the one of the lumo8-cc that started it.
void lumodebug_set_outstem(const char* stem);
const char* lumodebug_appname();
// Path of the debug-out file, or null while none is open.
const char* lumodebug_outpath();
unsigned lumodebug_num();
const char* lumodebug_zippath();
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

// Layout of trace lines.
void lumodebug_set_trace_width(uint32_t width);
uint32_t lumodebug_trace_width();
void lumodebug_set_indent_step(uint32_t step);
uint32_t lumodebug_indent_step();
void lumodebug_set_indent_level(uint32_t level);
uint32_t lumodebug_indent_level();
uint32_t lumodebug_indent_columns();

// Trace records. They write whenever a debug-out file is open; callers test
// the flag word first (the macros below do).
void lumodebug_enter(const char* file, int line, const char* function);
void lumodebug_enterf(const char* file, int line, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void lumodebug_venter(const char* file, int line, const char* function, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));
void lumodebug_exit(const char* file, int line, const char* function);
void lumodebug_exitf(const char* file, int line, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void lumodebug_vexit(const char* file, int line, const char* function, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));
void lumodebug_tracef(const char* file, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
void lumodebug_vtracef(const char* file, int line, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
void lumodebug_trace(const char* file, int line, const char* text);
void lumodebug_alert(const char* message);
// "Hexdump: name (address)", then length bytes as " %02X", per_row to a row
// (16 when 0): on the same line after " |" when they fit in one row, else a
// line per row starting with the row's address. show_chars adds " |" and
// each byte as a character ('.' when not printable), short rows padded.
void lumodebug_hexdump(const char* name, const void* address, size_t length, size_t per_row, bool show_chars,
                       const char* file, int line);
void lumodebug_logArgs(int argc, const char* const* argv);

// Scope of a traced function: ENTER when it is made while debugging is on,
// EXIT when it ends, unless DB_EXIT wrote the EXIT record with a result.
// Only a scope that wrote its ENTER writes an EXIT, so a function during
// which tracing starts stays balanced.
class DbScope {
 public:
  DbScope(const char* file, int line, const char* function)
      : file_(file), line_(line), function_(function) {}
  DbScope(const DbScope&) = delete;
  DbScope& operator=(const DbScope&) = delete;
  ~DbScope() {
    if (armed_) lumodebug_exit(file_, line_, function_);
  }
  void enter() {
    armed_ = true;
    lumodebug_enter(file_, line_, function_);
  }
  void enter(const char* format, ...) __attribute__((format(printf, 2, 3)));
  bool armed() const { return armed_; }
  void leave(int line) {
    armed_ = false;
    lumodebug_exit(file_, line, function_);
  }
  void leave(int line, const char* format, ...) __attribute__((format(printf, 3, 4)));

 private:
  const char* file_;
  int line_;
  const char* function_;
  bool armed_ = false;
};

#ifdef LUMO_TRACE_OFF
// A build without trace calls (CMake option LUMO_TRACE=OFF): the macros
// compile to nothing; their arguments stay named so that a value kept only
// for the trace draws no unused warning, but are never evaluated.
template <typename... Args>
inline void lumodebug_unused(Args&&...) {}
#define DB_ENTER(...) \
  do {                \
    if (false) lumodebug_unused(__VA_ARGS__); \
  } while (0)
#define DB_EXIT(...) DB_ENTER(__VA_ARGS__)
#define DB_NOTE(...) DB_ENTER(__VA_ARGS__)
#else
// DB_ENTER() or DB_ENTER("%s, %u", a, b): ENTER record now, EXIT at scope end.
#define DB_ENTER(...)                                   \
  DbScope db_scope_(__FILE__, __LINE__, __func__);      \
  if (lumodebug_flagword) db_scope_.enter(__VA_ARGS__)

// DB_EXIT() or DB_EXIT("%d", result): the EXIT record here, with a result.
#define DB_EXIT(...)                                                         \
  do {                                                                       \
    if (db_scope_.armed()) db_scope_.leave(__LINE__ __VA_OPT__(, ) __VA_ARGS__); \
  } while (0)

// DB_NOTE("format", ...): a note line while trace notes are on.
#define DB_NOTE(...)                                                  \
  do {                                                                \
    if (lumodebug_flagword & LDB_TRACE) lumodebug_tracef(__FILE__, __LINE__, __VA_ARGS__); \
  } while (0)
#endif
