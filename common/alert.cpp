// Alert facility: raising numbered and typed messages, counting them,
// formatting their lines and writing them through the output routine.
#include "common/alert.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/cleanup.h"
#include "common/hash.h"
#include "common/messages.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug_trace.h"

namespace {

constexpr const char* kProgramName = "lumo8-cc";
constexpr const char* kNoLineFileText = "Non line specific message";

struct Context {
  const char* file = nullptr;  // null when none
  const int* line = nullptr;
  const char* const* line_start = nullptr;
  const char* const* position = nullptr;
};

// Formats: "%s" until the facility is initialised.
const char* g_error_format = "%s";
const char* g_warning_format = "%s";
const char* g_message_format = "%s";
bool g_format_mode = false;

uint32_t g_max_errors = kAlertDefaultMaxErrors;
uint32_t g_errors = 0;
int g_threshold = 0;

Context g_context;

// Set for the duration of one raise.
bool g_noline = false;
bool g_nofile = false;

int g_saved_errno = 0;
alert_output_fn g_output = nullptr;

char g_line[kAlertLineMax + 2];

// Keeps the no-line and no-file markers for one raise.
class MarkerScope {
 public:
  MarkerScope(bool noline, bool nofile) {
    g_noline = noline;
    g_nofile = nofile;
  }
  ~MarkerScope() { g_noline = g_nofile = false; }
  MarkerScope(const MarkerScope&) = delete;
  MarkerScope& operator=(const MarkerScope&) = delete;
};

// Bounded appending to a fixed buffer; what does not fit is cut.
class LineBuilder {
 public:
  LineBuilder(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) { buffer_[0] = '\0'; }
  void add(const char* text) {
    while (*text && length_ < capacity_) buffer_[length_++] = *text++;
    buffer_[length_] = '\0';
  }
  void add(char c) {
    if (length_ < capacity_) buffer_[length_++] = c;
    buffer_[length_] = '\0';
  }
  void addf(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    vaddf(format, args);
    va_end(args);
  }
  void vaddf(const char* format, va_list args) __attribute__((format(printf, 2, 0))) {
    int n = vsnprintf(buffer_ + length_, capacity_ - length_ + 1, format, args);
    if (n > 0) length_ = std::min(capacity_, length_ + static_cast<size_t>(n));
    buffer_[length_] = '\0';
  }
  size_t length() const { return length_; }

 private:
  char* buffer_;
  size_t capacity_;  // characters, without the terminating zero
  size_t length_ = 0;
};

const char* errno_text() { return g_saved_errno ? strerror(g_saved_errno) : ""; }

// Ends the line with a newline (replacing its last character when the line
// is full), copies it into the trace while alerts are traced, and writes it.
void output_line(size_t length) {
  if (length > kAlertLineMax) length = kAlertLineMax;
  if (length == kAlertLineMax) --length;
  g_line[length] = '\n';
  g_line[length + 1] = '\0';
  if (lumodebug_flagword & LDB_ALERTS) lumodebug_alert(g_line);
  if (g_output) {
    g_output(g_line);
  } else {
    fputs(g_line, stderr);
    fflush(stderr);
  }
}

// The catalogue text with "%m" replaced by the saved system error text,
// itself escaped so that the result stays a format.
void expand_errno(const char* text, char* out) {
  LineBuilder b(out, kAlertTextMax);
  for (const char* p = text; *p; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      b.add("%%");
      ++p;
    } else if (p[0] == '%' && p[1] == 'm') {
      for (const char* e = errno_text(); *e; ++e) {
        if (*e == '%') b.add('%');
        b.add(*e);
      }
      ++p;
    } else {
      b.add(*p);
    }
  }
}

bool has_column() {
  return g_context.line_start && g_context.position && *g_context.line_start && *g_context.position &&
         g_context.line && g_context.file;
}

// After a placeholder that names nothing in the no-file form, its separator
// goes too.
const char* skip_separator(const char* p) {
  if (*p == ':') ++p;
  if (*p == ' ') ++p;
  return p;
}

void build_formatted(LineBuilder& line, const char* format, uint32_t number, const char* text) {
  for (const char* p = format; *p; ++p) {
    if (*p != '%') {
      line.add(*p);
      continue;
    }
    char c = *++p;
    if (!c) break;
    switch (c) {
      case 'a': line.add(kProgramName); break;
      case 'f':
        if (!g_noline) {
          if (g_context.file) line.add(g_context.file);
        } else if (!g_nofile) {
          line.add(kNoLineFileText);
        } else {
          p = skip_separator(p + 1) - 1;
        }
        break;
      case 'l':
        if (!g_noline) {
          if (g_context.line && g_context.file) line.addf("%d", *g_context.line);
        } else if (g_nofile) {
          p = skip_separator(p + 1) - 1;
        }
        break;
      case 'c':
        if (!g_nofile) {
          if (has_column()) line.addf("%ld", static_cast<long>(*g_context.position - *g_context.line_start));
        } else {
          p = skip_separator(p + 1) - 1;
        }
        break;
      case 'm': line.add(errno_text()); break;
      case 'n': line.addf("%u", number); break;
      case 's': line.add(text); break;
      default: line.add(c); break;
    }
  }
}

void build_plain(LineBuilder& line, const char* text, bool warning_marker) {
  if (g_context.file && !g_nofile) {
    line.add(g_noline ? kNoLineFileText : g_context.file);
    line.add(": ");
  }
  if (g_context.line && !g_noline) line.addf("%d: ", *g_context.line);
  line.add(text);
  if (warning_marker) line.add(" (warning)");
}

// Formats the message of a kind and writes its line.
void write_message(uint32_t kind, uint32_t number, const char* text, va_list args) {
  const char* format;
  bool warning_marker = false;
  if (kind == MSG_FATAL || kind == MSG_ERROR) {
    format = g_error_format;
  } else if (kind == MSG_MESSAGE) {
    format = g_message_format;
  } else {
    format = g_warning_format;
    warning_marker = true;
  }
  char expanded[kAlertTextMax + 1];
  expand_errno(text, expanded);
  char message[kAlertTextMax + 1];
  LineBuilder body(message, kAlertTextMax);
  if (!g_format_mode && kind != MSG_MESSAGE && number != 0) body.addf("(%u) ", number);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  body.vaddf(expanded, args);
#pragma GCC diagnostic pop
  LineBuilder line(g_line, kAlertLineMax);
  if (g_format_mode)
    build_formatted(line, format, number, message);
  else
    build_plain(line, message, warning_marker);
  output_line(line.length());
}

// Counts an error; the one beyond the maximum ends the program instead.
void count_error() {
  uint32_t before = g_errors++;
  if (before >= g_max_errors) {
    alert_typed(kMsgTooManyErrors, "M", "too many errors (%u)", g_errors);
    cleanup(1);
  }
}

const char* format_or_default(const char* env, const char* given, const char* fallback, bool given_first) {
  const char* from_env = getenv(env);
  const char* chosen = given_first ? (given ? given : from_env) : (from_env ? from_env : given);
  return sc_intern(chosen ? chosen : fallback);
}

int raise_message(uint32_t number, va_list args, bool noline, bool nofile) {
  g_saved_errno = errno;
  alert_init();
  msg m = alert_lookup(number);
  if (m.kind == MSG_SUPPRESSED) return 0;
  if (m.kind == MSG_WARNING && m.level < g_threshold) return 0;
  MarkerScope markers(noline, nofile);
  if (m.kind == MSG_ERROR) count_error();
  write_message(m.kind, number, m.text, args);
  if (m.kind == MSG_FATAL) cleanup(1);
  return 1;
}

uint32_t kind_of_type(const char* type) {
  switch (tolower(static_cast<unsigned char>(type[0]))) {
    case 'f': return MSG_FATAL;
    case 'e': return MSG_ERROR;
    case 'm': return MSG_MESSAGE;
    default: return MSG_WARNING;
  }
}

int level_of_type(const char* type) {
  bool numeric = isdigit(static_cast<unsigned char>(type[0])) ||
                 (type[0] == '-' && isdigit(static_cast<unsigned char>(type[1])));
  return numeric ? atoi(type) : 10;
}

}  // namespace

int alert_raise_va(uint32_t number, va_list args) {
  DB_ENTER("%u", number);
  return raise_message(number, args, false, false);
}

int alert_raise_nofile_va(uint32_t number, va_list args) {
  DB_ENTER("%u", number);
  return raise_message(number, args, true, true);
}

#define LUMO_RAISE_FORM(name, noline, nofile)                \
  int name(uint32_t number, ...) {                            \
    DB_ENTER("%u", number);                                   \
    va_list args;                                             \
    va_start(args, number);                                   \
    int shown = raise_message(number, args, noline, nofile);  \
    va_end(args);                                             \
    return shown;                                             \
  }

LUMO_RAISE_FORM(alert_raise, false, false)
LUMO_RAISE_FORM(alert_raise_noline, true, false)
LUMO_RAISE_FORM(alert_raise_nofile, true, true)

int alert_vtyped(uint32_t number, const char* type, const char* format, va_list args) {
  DB_ENTER("%u, \"%s\"", number, type ? type : "(null)");
  if (!type || !*type) type = "0";
  int level = level_of_type(type);
  uint32_t kind = kind_of_type(type);
  if (kind == MSG_FATAL) {
    if (level < g_threshold) return 0;
    write_message(kind, number, format, args);
    cleanup(1);
  }
  if (kind == MSG_ERROR) count_error();
  if (g_threshold > level) return 0;
  write_message(kind, number, format, args);
  return 1;
}

int alert_typed(uint32_t number, const char* type, const char* format, ...) {
  g_saved_errno = errno;
  DB_ENTER("%u, \"%s\"", number, type ? type : "(null)");
  va_list args;
  va_start(args, format);
  int shown = alert_vtyped(number, type, format, args);
  va_end(args);
  return shown;
}

int alert_raise_as(uint32_t number, const char* type, ...) {
  g_saved_errno = errno;
  DB_ENTER("%u, \"%s\"", number, type ? type : "(null)");
  alert_init();
  const msg m = alert_lookup(number);
  va_list args;
  va_start(args, type);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  int shown = alert_vtyped(number, type, m.text, args);
#pragma GCC diagnostic pop
  va_end(args);
  return shown;
}

// The raw lines are not traced: the debug facility's own warnings go out
// through them, from inside the trace writer.
void alert_vprint(const char* format, va_list args) {
  g_saved_errno = errno;
  int n = vsnprintf(g_line, kAlertLineMax + 1, format, args);
  output_line(n < 0 ? 0 : static_cast<size_t>(n));
}

void alert_print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  alert_vprint(format, args);
  va_end(args);
}

void alert_set_formats(const char* err, const char* warn, const char* msg) {
  DB_ENTER();
  g_error_format = format_or_default("ZOT_ERR_FORMAT", err, kDefaultErrorFormat, false);
  g_warning_format = format_or_default("ZOT_WARN_FORMAT", warn, kDefaultWarningFormat, false);
  g_message_format = format_or_default("ZOT_MSG_FORMAT", msg, kDefaultMessageFormat, false);
}

void alert_override_formats(const char* err, const char* warn, const char* msg) {
  DB_ENTER();
  g_error_format = format_or_default("ZOT_ERR_FORMAT", err, kDefaultErrorFormat, true);
  g_warning_format = format_or_default("ZOT_WARN_FORMAT", warn, kDefaultWarningFormat, true);
  g_message_format = format_or_default("ZOT_MSG_FORMAT", msg, kDefaultMessageFormat, true);
}

void alert_use_formats(bool on) {
  DB_ENTER("%d", on);
  g_format_mode = on;
}

uint32_t set_maxerrors(uint32_t n) {
  DB_ENTER("%u", n);
  uint32_t previous = g_max_errors;
  g_max_errors = n;
  DB_EXIT("%u", previous);
  return previous;
}

int alert_set_warnlevel(int level) {
  DB_ENTER("%d", level);
  int previous = g_threshold;
  g_threshold = level;
  DB_EXIT("%d", previous);
  return previous;
}

int alert_warnlevel() { return g_threshold; }

int alert_has_errors() { return g_errors > 0 ? 1 : 0; }

void alert_set_context(const char* file, const int* line, const char* const* lineStart,
                       const char* const* position) {
  DB_ENTER("%s", file && *file ? file : "(none)");
  g_context = {file && *file ? file : nullptr, line, lineStart, position};
}

void alert_set_output(alert_output_fn fn) {
  DB_ENTER("%s", fn ? "routine" : "standard error");
  g_output = fn;
}
