// Catalogue rows raised by the tool-chain programs.
#include "toolchain/support/tc_diag.h"

#include <cstdarg>

#include "common/messages.h"
#include "common/numset.h"

namespace {

struct Context {
  const char* file = nullptr;
  int line = 0;
};

Context g_at;
numset* g_disabled = nullptr;
uint32_t g_errors = 0;
uint32_t g_warnings = 0;  // shown

bool disabled(uint32_t number) {
  return g_disabled && (numset_has(g_disabled, 0) || numset_has(g_disabled, number));
}

}  // namespace

// The catalogue is loaded first: its first load sets the formats, which
// the programs' own format options then override.
void tc_diag_init() {
  alert_init();
  alert_use_formats(true);
}

void tc_diag_at(const char* file, int line) { g_at = {file, line}; }

int tc_vraise(uint32_t number, va_list args) {
  const uint32_t kind = alert_lookup(number).kind;
  const bool quiet_kind = kind == MSG_WARNING || kind == MSG_MESSAGE;
  if (kind == MSG_SUPPRESSED || (quiet_kind && disabled(number))) return 0;
  if (!quiet_kind) ++g_errors;
  alert_set_context(g_at.file, g_at.file ? &g_at.line : nullptr, nullptr, nullptr);
  int shown = alert_raise_va(number, args);
  if (kind == MSG_WARNING && shown) ++g_warnings;
  return shown;
}

int tc_raise(uint32_t number, ...) {
  va_list args;
  va_start(args, number);
  int shown = tc_vraise(number, args);
  va_end(args);
  return shown;
}

void tc_diag_disable(uint32_t number) {
  if (!g_disabled) g_disabled = numset_new();
  numset_add(g_disabled, number);
}

uint32_t tc_diag_errors() { return g_errors; }

uint32_t tc_diag_warnings() { return g_warnings; }
