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
#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"

namespace {

constexpr const char* kProgramName = "lumo8-cc";
constexpr const char* kNoLineFileText = "Non line specific message";
constexpr uint32_t kOnceBuckets = 199;

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
uint32_t g_warnings = 0;
int g_threshold = 0;
bool g_warn_as_error = false;

Context g_context;
vector* set_alert_stack = nullptr;

// Set for the duration of one raise.
bool g_noline = false;
bool g_nofile = false;

int g_saved_errno = 0;
hashtable* g_once = nullptr;
alert_output_fn g_output = nullptr;
alert_callback_fn g_callback = nullptr;

char g_line[kAlertLineMax + 2];
char g_continued[kAlertLineMax + 1];
size_t g_continued_length = 0;
bool g_continuing = false;

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

int current_line() { return g_context.line ? *g_context.line : 0; }

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
    alert_typed(1, "M", "too many errors (%u)", g_errors);
    cleanup(1);
  }
}

const char* format_or_default(const char* env, const char* given, const char* fallback, bool given_first) {
  const char* from_env = getenv(env);
  const char* chosen = given_first ? (given ? given : from_env) : (from_env ? from_env : given);
  return sc_intern(chosen ? chosen : fallback);
}

bool first_time_shown(uint32_t number) {
  if (!g_once) g_once = hash_new(kOnceBuckets, hash_string, hash_string_compare);
  const char* key = sc_printf("%u:%d:%s", number, current_line(), g_context.file ? g_context.file : "");
  if (hash_haskey(g_once, key)) return false;
  hash_insert(g_once, key, key);
  return true;
}

int raise_message(uint32_t number, va_list args, bool noline, bool nofile, bool once) {
  g_saved_errno = errno;
  alert_init();
  msg m = alert_lookup(number);
  if (m.kind == MSG_SUPPRESSED) return 0;
  if (m.kind == MSG_WARNING && m.level < g_threshold) return 0;
  MarkerScope markers(noline, nofile);
  if (once && !first_time_shown(number)) return 0;
  if (g_callback) g_callback();
  if (m.kind == MSG_ERROR) count_error();
  if (m.kind == MSG_WARNING) ++g_warnings;
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
  return raise_message(number, args, false, false, false);
}

int alert_raise_nofile_va(uint32_t number, va_list args) {
  DB_ENTER("%u", number);
  return raise_message(number, args, true, true, false);
}

#define LUMO_RAISE_FORM(name, noline, nofile, once)          \
  int name(uint32_t number, ...) {                            \
    DB_ENTER("%u", number);                                   \
    va_list args;                                             \
    va_start(args, number);                                   \
    int shown = raise_message(number, args, noline, nofile, once); \
    va_end(args);                                             \
    return shown;                                             \
  }

LUMO_RAISE_FORM(alert_raise, false, false, false)
LUMO_RAISE_FORM(alert_raise_noline, true, false, false)
LUMO_RAISE_FORM(alert_raise_nofile, true, true, false)
LUMO_RAISE_FORM(alert_raise_once, false, false, true)
LUMO_RAISE_FORM(alert_raise_once_noline, true, false, true)
LUMO_RAISE_FORM(alert_raise_once_nofile, true, true, true)

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

int alert_typed_nonum(const char* type, const char* format, ...) {
  DB_ENTER("\"%s\"", type ? type : "(null)");
  if (g_callback) g_callback();
  va_list args;
  va_start(args, format);
  int shown = alert_vtyped(0, type, format, args);
  va_end(args);
  return shown;
}

void alert_fatal(int code) {
  DB_ENTER("%d", code);
  char* exe = osd_progname();
  const char* details = sc_printf("%s%s fatal error %d", "", exe ? path_basename_ptr(exe) : "Lumo8", code);
  free(exe);
  alert_raise(5, details);
  // Only a message file that made row 5 non-fatal gets here.
  cleanup(code ? code : 1);
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

void alert_continue(int last, const char* format, ...) {
  DB_ENTER("%d", last);
  LineBuilder piece(g_continued + g_continued_length, kAlertLineMax - g_continued_length);
  if (!g_continuing) piece.add('\t');
  g_continuing = true;
  va_list args;
  va_start(args, format);
  piece.vaddf(format, args);
  va_end(args);
  g_continued_length += piece.length();
  if (last != 1) return;
  memcpy(g_line, g_continued, g_continued_length);
  output_line(g_continued_length);
  g_continued_length = 0;
  g_continuing = false;
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

// The getters below are not traced.
bool alert_formats_in_use() { return g_format_mode; }
const char* alert_error_format() { return g_error_format; }
const char* alert_warning_format() { return g_warning_format; }
const char* alert_message_format() { return g_message_format; }

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

void alert_set_warn_as_error(bool on) {
  DB_ENTER("%d", on);
  g_warn_as_error = on;
}

int alert_has_errors() { return g_errors > 0 || (g_warn_as_error && g_warnings > 0) ? 1 : 0; }
uint32_t alert_error_count() { return g_errors; }
uint32_t alert_warning_count() { return g_warnings; }

void alert_set_context(const char* file, const int* line, const char* const* lineStart,
                       const char* const* position) {
  DB_ENTER("%s", file && *file ? file : "(none)");
  g_context = {file && *file ? file : nullptr, line, lineStart, position};
}

void alert_push_context() {
  DB_ENTER();
  if (!set_alert_stack) set_alert_stack = vec_new();
  vec_push(set_alert_stack, new Context(g_context));
}

void alert_pop_context() {
  DB_ENTER();
  assert(set_alert_stack != NULL);
  if (!set_alert_stack || vec_size(set_alert_stack) == 0) return;
  Context* saved = static_cast<Context*>(vec_pop(set_alert_stack));
  g_context = *saved;
  delete saved;
}

void alert_set_output(alert_output_fn fn) {
  DB_ENTER("%s", fn ? "routine" : "standard error");
  g_output = fn;
}

alert_output_fn alert_get_output() { return g_output; }

void alert_set_callback(alert_callback_fn fn) {
  DB_ENTER("%s", fn ? "routine" : "none");
  g_callback = fn;
}

alert_callback_fn alert_get_callback() { return g_callback; }

// Lookups of the message table, as alert_lookup: not traced.
bool alert_isWarning(uint32_t number) {
  const msg* record = msg_record(number);
  return record && record->kind == MSG_WARNING;
}

bool alert_isMessage(uint32_t number) {
  const msg* record = msg_record(number);
  return record && record->kind == MSG_MESSAGE;
}
