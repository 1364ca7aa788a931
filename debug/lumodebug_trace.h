// Trace core of the debug facility: the flag word, trace lines into the
// debug-out file, and the hooks through which the layers above finish a run.
//
// Every module traces through this header, the containers and the message
// facility included, so the core uses nothing but the C library: what it
// needs from above (printing a warning on the console, raising an assertion
// message, the end-of-run work and the container reports) is registered
// here by its owner. The rest of the facility (debug/lumodebug.h) parses
// the option and connects those hooks.
//
// While the option is absent the facility costs one test of the flag word
// per traced call: every trace macro below tests it before it evaluates
// anything else.
//
// Trace line: the location column "%-*s> " (last component of the source
// file and the line, in the trace width), the indentation, then the record.
//
// The facility's operations write their own ENTER and EXIT records, except
// the trace writer (the records, notes, the argument log, the alert copy)
// and the warnings it raises, which must not write trace lines about
// themselves, and the plain getters and the debug-set test.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

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

// What the layers above the core provide. Only the option parser switches
// the facility on, and it connects these first; a hook left null does
// nothing, except that a warning then goes to standard error as it is.
struct LumodebugHooks {
  // Writes a warning line ("LUMODEBUG (warning): ...", no line end) the
  // way the program writes its messages.
  void (*print_warning)(const char* line) = nullptr;
  // Raises the assertion message of level (1 to 3) for condition at file:line.
  void (*assertion_failed)(uint32_t level, const char* condition, const char* file, int line) = nullptr;
  // The facility's end-of-run work: the trace into the package, the reports.
  void (*end_run)() = nullptr;
};
void lumodebug_set_hooks(const LumodebugHooks& hooks);
const LumodebugHooks& lumodebug_hooks();

// The end of the run: the end_run hook, if one is connected. The program's
// early-exit path calls it.
void lumodebug_end_run();

// End-of-run reports (container master lists), written into the trace by
// lumodebug_run_reports in the reverse order of their first registration,
// as exit handlers run. Registering a report again changes nothing.
void lumodebug_add_report(void (*report)());
void lumodebug_run_reports();

// "LUMODEBUG (warning): <text>" as a trace note while notes are on, then
// on the console.
void lumodebug_warning(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Trace records. They write whenever a debug-out file is open; callers test
// the flag word first (the macros below do).
void lumodebug_enter(const char* file, int line, const char* function);
void lumodebug_venter(const char* file, int line, const char* function, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));
void lumodebug_exit(const char* file, int line, const char* function);
void lumodebug_vexit(const char* file, int line, const char* function, const char* format, va_list args)
    __attribute__((format(printf, 4, 0)));
void lumodebug_tracef(const char* file, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
void lumodebug_vtracef(const char* file, int line, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
void lumodebug_trace(const char* file, int line, const char* text);
void lumodebug_alert(const char* message);
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
