// Alert facility: the single way the program reports fatal errors, errors,
// warnings and advisory messages, and writes its raw diagnostic lines.
//
// A message is raised by its catalogue number with printf-style arguments.
// The facility decides whether it is shown (message states, warning level),
// whether a warning counts as an error (-Werror), counts errors, stops the
// program after a fatal message or too many errors, formats one line (plain,
// or through the user's formats) and writes it to standard error.
//
// Every raise form returns 1 when the message was printed and 0 when it was
// suppressed; none returns after a fatal message.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// The longest output line, before its newline.
inline constexpr size_t kAlertLineMax = 8191;
// The longest message text, "(number) " prefix included.
inline constexpr size_t kAlertTextMax = 511;
inline constexpr uint32_t kAlertDefaultMaxErrors = 20;

inline constexpr const char* kDefaultErrorFormat = "%f: %l: (%n) %s (error)";
inline constexpr const char* kDefaultWarningFormat = "%f: %l: (%n) %s (warning)";
inline constexpr const char* kDefaultMessageFormat = "%f: %l: %s";

using alert_output_fn = void (*)(const char* line);

#define LUMO_PRINTF(f, a) __attribute__((format(printf, f, a)))

int alert_raise(uint32_t number, ...);
int alert_raise_noline(uint32_t number, ...);
int alert_raise_nofile(uint32_t number, ...);
int alert_raise_va(uint32_t number, va_list args);
int alert_raise_nofile_va(uint32_t number, va_list args);
// A message whose type ("F", "E", "M", or a signed level such as "0" or
// "-1") and text the caller gives instead of the catalogue.
int alert_typed(uint32_t number, const char* type, const char* format, ...) LUMO_PRINTF(3, 4);
int alert_vtyped(uint32_t number, const char* type, const char* format, va_list args)
    LUMO_PRINTF(3, 0);
// Row number of the catalogue in force (a message file's text included),
// reported as the kind type gives ("E", "M", a level) instead of the row's
// own: for a caller that ends the run itself with a status of its own.
int alert_raise_as(uint32_t number, const char* type, ...);

// One raw line (no number, no kind, no format) through the output routine.
void alert_print(const char* format, ...) LUMO_PRINTF(1, 2);
void alert_vprint(const char* format, va_list args) LUMO_PRINTF(1, 0);

// For each format: the environment variable wins, then the given one, then
// the default.
void alert_set_formats(const char* err, const char* warn, const char* msg);
// For each format: the given one wins, then the environment, then the default.
void alert_override_formats(const char* err, const char* warn, const char* msg);
void alert_use_formats(bool on);

uint32_t set_maxerrors(uint32_t n);
int alert_set_warnlevel(int level);
int alert_warnlevel();
int alert_has_errors();

// file: the current file (empty counts as none); the references are read at
// each raise for the line number and the column.
void alert_set_context(const char* file, const int* line, const char* const* lineStart,
                       const char* const* position);

// Receives each finished line instead of standard error; null restores it.
void alert_set_output(alert_output_fn fn);
