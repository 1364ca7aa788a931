// Alert facility: the single way the program reports fatal errors, errors,
// warnings and advisory messages, and writes its raw diagnostic lines.
#pragma once

#include <cstdarg>
#include <cstddef>

// The longest output line, before its newline.
inline constexpr size_t kAlertLineMax = 8191;

using alert_output_fn = void (*)(const char* line);

// One raw line (no number, no kind, no format) through the output routine.
void alert_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void alert_vprint(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Receives each finished line instead of standard error; null restores it.
void alert_set_output(alert_output_fn fn);
alert_output_fn alert_get_output();
