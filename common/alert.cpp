// Alert facility: message lines and the output routine they all pass through.
#include "common/alert.h"

#include <cstdio>
#include <cstring>

#include "debug/lumodebug.h"

namespace {

alert_output_fn g_output = nullptr;
char g_line[kAlertLineMax + 2];

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

}  // namespace

void alert_vprint(const char* format, va_list args) {
  int n = vsnprintf(g_line, kAlertLineMax + 1, format, args);
  output_line(n < 0 ? 0 : static_cast<size_t>(n));
}

void alert_print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  alert_vprint(format, args);
  va_end(args);
}

void alert_set_output(alert_output_fn fn) { g_output = fn; }
alert_output_fn alert_get_output() { return g_output; }
