// Trace lines of the debug facility: ENTER and EXIT records, notes, alert
// copies and the argument log, with the location column and indentation.
//
// Nothing here uses the string cache or the containers: they trace through
// this module, and a trace line must never re-enter them.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "debug/lumodebug.h"
#include "debug/lumodebug_state.h"

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
uint32_t saturating_mul(uint32_t a, uint32_t b) {
  uint64_t r = static_cast<uint64_t>(a) * b;
  return r > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(r);
}

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

void lumodebug_enterf(const char* file, int line, const char* function, const char* format, ...) {
  va_list args;
  va_start(args, format);
  lumodebug_venter(file, line, function, format, args);
  va_end(args);
}

void lumodebug_exit(const char* file, int line, const char* function) {
  write_exit(file, line, function, nullptr, nullptr);
}

void lumodebug_exitf(const char* file, int line, const char* function, const char* format, ...) {
  va_list args;
  va_start(args, format);
  lumodebug_vexit(file, line, function, format, args);
  va_end(args);
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

// One row of a hex dump: the bytes, then (when shown) the padding of a
// short row and the characters.
void write_hex_row(FILE* out, const unsigned char* row, size_t count, size_t per_row, bool show_chars) {
  for (size_t i = 0; i < count; ++i) fprintf(out, " %02X", row[i]);
  if (!show_chars) return;
  for (size_t i = count; i < per_row; ++i) fputs("   ", out);
  fputs(" |", out);
  for (size_t i = 0; i < count; ++i) fprintf(out, " %c", isprint(row[i]) ? row[i] : '.');
}

constexpr size_t kDefaultHexRow = 16;

}  // namespace

void lumodebug_hexdump(const char* name, const void* address, size_t length, size_t per_row, bool show_chars,
                       const char* file, int line) {
  FILE* out = g_lumodebug.out;
  if (!out) return;
  if (per_row == 0) per_row = kDefaultHexRow;
  const auto* bytes = static_cast<const unsigned char*>(address);
  write_prefix(out, file, line);
  fprintf(out, "Hexdump: %s (%p)", name ? name : "", address);
  if (length == 0 || !bytes) {
    fputs(" zero bytes\n", out);
  } else if (length <= per_row) {
    fputs(" |", out);
    write_hex_row(out, bytes, length, per_row, show_chars);
    fputc('\n', out);
  } else {
    fputc('\n', out);
    for (size_t at = 0; at < length; at += per_row) {
      write_prefix(out, file, line);
      fprintf(out, "%p |", static_cast<const void*>(bytes + at));
      write_hex_row(out, bytes + at, std::min(per_row, length - at), per_row, show_chars);
      fputc('\n', out);
    }
  }
  fflush(out);
}

void lumodebug_set_trace_width(uint32_t width) { g_lumodebug.trace_width = width; }
uint32_t lumodebug_trace_width() { return g_lumodebug.trace_width; }

void lumodebug_set_indent_step(uint32_t step) {
  g_lumodebug.indent_step = step;
  g_lumodebug.indent_columns = saturating_mul(step, g_lumodebug.indent_level);
}
uint32_t lumodebug_indent_step() { return g_lumodebug.indent_step; }

void lumodebug_set_indent_level(uint32_t level) {
  g_lumodebug.indent_level = level;
  g_lumodebug.indent_columns = saturating_mul(level, g_lumodebug.indent_step);
}
uint32_t lumodebug_indent_level() { return g_lumodebug.indent_level; }
uint32_t lumodebug_indent_columns() { return g_lumodebug.indent_columns; }
