// Trace core of the debug facility: ENTER and EXIT records, notes, alert
// copies and the argument log, with the location column and indentation;
// the facility's warnings, and the hooks and reports of the layers above.
//
// Nothing here uses the string cache or the containers: they trace through
// this module, and a trace line must never re-enter them.
#include "debug/lumodebug_trace.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "debug/lumodebug_state.h"

uint32_t lumodebug_flagword = 0;
uint32_t lumodebug_assertlevel = LDB_ASSERT_IGNORE;
// The whole facility's state lives with the core that writes through it.
LumodebugState g_lumodebug;

namespace {

const char* last_component(const char* file) {
  const char* cut = file;
  for (const char* s = file; *s; ++s)
    if (*s == '/' || *s == '\\') cut = s + 1;
  return cut;
}

int printable_width(uint32_t columns) { return columns > INT_MAX ? INT_MAX : static_cast<int>(columns); }

void write_prefix(FILE* out, const char* file, int line) {
  char location[512];
  snprintf(location, sizeof location, "%s:%d", last_component(file), line);
  const LumodebugState& s = g_lumodebug;
  fprintf(out, "%-*s> %*s", printable_width(s.trace_width), location, printable_width(s.indent_columns), "");
}

uint32_t saturating_add(uint32_t a, uint32_t b) { return a > UINT32_MAX - b ? UINT32_MAX : a + b; }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void write_formatted(FILE* out, const char* format, va_list args) { vfprintf(out, format, args); }
#pragma GCC diagnostic pop

// Note lines: one prefixed line per non-empty piece of text between line
// feeds; the first piece is formatted with args when format_first is set.
bool write_pieces(const char* file, int line, const char* text, va_list* args) {
  FILE* out = g_lumodebug.out;
  bool first = true;
  for (const char* s = text; *s;) {
    size_t n = strcspn(s, "\n");
    if (n > 0) {
      std::string piece(s, n);
      if (out) {
        write_prefix(out, file, line);
        if (first && args)
          write_formatted(out, piece.c_str(), *args);
        else
          fputs(piece.c_str(), out);
        fputc('\n', out);
        fflush(out);
      }
      first = false;
    }
    s += n;
    if (*s) ++s;
  }
  return !first;
}

// ENTER and EXIT records with an optional formatted part (format may be null).
void write_enter(const char* file, int line, const char* function, const char* format, va_list* args) {
  LumodebugState& s = g_lumodebug;
  if (FILE* out = s.out) {
    write_prefix(out, file, line);
    fprintf(out, "ENTER %s(", function);
    if (format) write_formatted(out, format, *args);
    fputs(")\n", out);
    fflush(out);
  }
  if (s.indent_level == UINT32_MAX)
    lumodebug_warning("max debug-out indent level reached");
  else
    ++s.indent_level;
  s.indent_columns = saturating_add(s.indent_columns, s.indent_step);
}

void write_exit(const char* file, int line, const char* function, const char* format, va_list* args) {
  LumodebugState& s = g_lumodebug;
  if (s.indent_level == 0)
    lumodebug_warning("min debug-out indent level reached");
  else
    --s.indent_level;
  s.indent_columns = s.indent_columns > s.indent_step ? s.indent_columns - s.indent_step : 0;
  if (FILE* out = s.out) {
    write_prefix(out, file, line);
    fprintf(out, "EXIT %s()", function);
    if (format) {
      fputs(" -> ", out);
      write_formatted(out, format, *args);
    }
    fputc('\n', out);
    fflush(out);
  }
}

}  // namespace

void lumodebug_venter(const char* file, int line, const char* function, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  write_enter(file, line, function, format, &copy);
  va_end(copy);
}

void lumodebug_vexit(const char* file, int line, const char* function, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  write_exit(file, line, function, format, &copy);
  va_end(copy);
}

void lumodebug_enter(const char* file, int line, const char* function) {
  write_enter(file, line, function, nullptr, nullptr);
}

void lumodebug_exit(const char* file, int line, const char* function) {
  write_exit(file, line, function, nullptr, nullptr);
}

void DbScope::enter(const char* format, ...) {
  armed_ = true;
  va_list args;
  va_start(args, format);
  lumodebug_venter(file_, line_, function_, format, args);
  va_end(args);
}

void DbScope::leave(int line, const char* format, ...) {
  armed_ = false;
  va_list args;
  va_start(args, format);
  lumodebug_vexit(file_, line, function_, format, args);
  va_end(args);
}

void lumodebug_vtracef(const char* file, int line, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  bool wrote = write_pieces(file, line, format, &copy);
  va_end(copy);
  if (!wrote)
    lumodebug_warning("tracef (at %s:%d) contains no lines", file, line);
}

void lumodebug_tracef(const char* file, int line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  lumodebug_vtracef(file, line, format, args);
  va_end(args);
}

void lumodebug_trace(const char* file, int line, const char* text) {
  if (!write_pieces(file, line, text, nullptr))
    lumodebug_warning("trace (at %s:%d) contains no lines", file, line);
}

void lumodebug_alert(const char* message) {
  if (FILE* out = g_lumodebug.out) {
    fprintf(out, "ALERT> %s", message);
    fflush(out);
  }
}

void lumodebug_logArgs(int argc, const char* const* argv) {
  LumodebugState& s = g_lumodebug;
  FILE* out = s.out;
  if (!out) return;
  if (s.app_pending) {
    // The program that logs its arguments is always this one, whatever
    // application name the run has reached.
    fputs("\nAPP: LUMO8-CC\n", out);
    s.app_pending = false;
  }
  fputs("ARGS:", out);
  if (argc <= 0 || !argv) fputs(" None", out);
  for (int i = 0; i < argc && argv; ++i) fprintf(out, " %s", argv[i] ? argv[i] : "(null)");
  fputc('\n', out);
  fflush(out);
}

namespace {

LumodebugHooks g_hooks;

// Container reports, in the order registered; a run has two.
constexpr size_t kMaxReports = 4;
void (*g_reports[kMaxReports])() = {};
size_t g_report_count = 0;

}  // namespace

void lumodebug_set_hooks(const LumodebugHooks& hooks) { g_hooks = hooks; }
const LumodebugHooks& lumodebug_hooks() { return g_hooks; }

// Not traced: the end_run hook writes the records of the facility's work.
void lumodebug_end_run() {
  if (g_hooks.end_run) g_hooks.end_run();
}

void lumodebug_add_report(void (*report)()) {
  for (size_t i = 0; i < g_report_count; ++i)
    if (g_reports[i] == report) return;
  assert(g_report_count < kMaxReports);
  g_reports[g_report_count++] = report;
}

void lumodebug_run_reports() {
  for (size_t i = g_report_count; i > 0; --i) g_reports[i - 1]();
}

void lumodebug_warning(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  char line[sizeof text + 32];
  snprintf(line, sizeof line, "LUMODEBUG (warning): %s", text);
  // Written literally: the warning's text may hold "%" from user input.
  if (lumodebug_flagword & LDB_TRACE) lumodebug_trace(__FILE__, __LINE__, line);
  if (g_hooks.print_warning) {
    g_hooks.print_warning(line);
  } else {
    fprintf(stderr, "%s\n", line);
    fflush(stderr);
  }
}
