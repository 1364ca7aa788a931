// Numbered diagnostics of the tool-chain programs.
#include "toolchain/support/tc_diag.h"

#include <cstdarg>

#include "common/numset.h"

namespace {

struct Context {
  const char* file = nullptr;
  int line = 0;
};

Context g_at;
numset* g_disabled = nullptr;
uint32_t g_errors = 0;

bool disabled(uint32_t number) {
  return g_disabled && (numset_has(g_disabled, 0) || numset_has(g_disabled, number));
}

int report(uint32_t number, const char* type, const char* format, va_list args) {
  alert_set_context(g_at.file, g_at.file ? &g_at.line : nullptr, nullptr, nullptr);
  return alert_vtyped(number, type, format, args);
}

}  // namespace

void tc_diag_init() {
  alert_set_formats(nullptr, nullptr, nullptr);
  alert_use_formats(true);
}

void tc_diag_at(const char* file, int line) { g_at = {file, line}; }

int tc_error(uint32_t number, const char* format, ...) {
  ++g_errors;
  va_list args;
  va_start(args, format);
  int shown = report(number, "E", format, args);
  va_end(args);
  return shown;
}

int tc_warning(uint32_t number, const char* format, ...) {
  if (disabled(number)) return 0;
  va_list args;
  va_start(args, format);
  int shown = report(number, "0", format, args);
  va_end(args);
  return shown;
}

int tc_advisory(uint32_t number, const char* format, ...) {
  if (disabled(number)) return 0;
  va_list args;
  va_start(args, format);
  int shown = report(number, "M", format, args);
  va_end(args);
  return shown;
}

void tc_diag_disable(uint32_t number) {
  if (!g_disabled) g_disabled = numset_new();
  numset_add(g_disabled, number);
}

uint32_t tc_diag_errors() { return g_errors; }
