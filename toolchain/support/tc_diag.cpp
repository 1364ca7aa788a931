// Catalogue rows raised by the tool-chain programs.
#include "toolchain/support/tc_diag.h"

#include <cstdarg>
#include <string>

#include "common/messages.h"
#include "common/numset.h"

namespace {

struct Context {
  const char* file = nullptr;
  int line = 0;
  int column = 1;
};

// The formats of the GNU style; the environment's win where set.
constexpr const char* kGnuError = "%f:%l:%c: error: (%n) %s";
constexpr const char* kGnuWarning = "%f:%l:%c: warning: (%n) %s";
constexpr const char* kGnuAdvisory = "%f:%l:%c: advisory: (%n) %s";

// The message facility reads the column as the distance between two
// positions of one line; this line of blanks provides them.
const char* column_line(int column) {
  static std::string blanks;
  if (blanks.size() < static_cast<size_t>(column) + 1) blanks.assign(static_cast<size_t>(column) + 1, ' ');
  return blanks.c_str();
}

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
void tc_diag_init(tc_diag_style style) {
  alert_init();
  if (style == tc_diag_style::gnu) alert_set_formats(kGnuError, kGnuWarning, kGnuAdvisory);
  alert_use_formats(true);
}

void tc_diag_at(const char* file, int line, int column) { g_at = {file, line, column > 0 ? column : 1}; }

int tc_vraise(uint32_t number, va_list args) {
  const uint32_t kind = alert_lookup(number).kind;
  const bool quiet_kind = kind == MSG_WARNING || kind == MSG_MESSAGE;
  if (kind == MSG_SUPPRESSED || (quiet_kind && disabled(number))) return 0;
  if (!quiet_kind) ++g_errors;
  int shown;
  if (g_at.file && *g_at.file && g_at.line > 0) {
    static const char* start = nullptr;
    static const char* position = nullptr;
    start = column_line(g_at.column);
    position = start + g_at.column;
    alert_set_context(g_at.file, &g_at.line, &start, &position);
    shown = alert_raise_va(number, args);
  } else {
    alert_set_context(nullptr, nullptr, nullptr, nullptr);
    shown = alert_raise_nofile_va(number, args);
  }
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
