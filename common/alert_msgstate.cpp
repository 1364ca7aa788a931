// Message states and the -Werror rules.
#include "common/alert_msgstate.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <strings.h>

#include "common/alert.h"
#include "common/messages.h"
#include "common/msgnum.h"
#include "common/numset.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug_assert.h"
#include "debug/lumodebug_trace.h"

namespace {

// Levels of message states; each level is indexed by message number.
vector* g_state_stack = nullptr;

vector* top_level() {
  if (!g_state_stack) {
    g_state_stack = vec_new();
    vec_push(g_state_stack, vec_new());
  }
  return vec_get_as<vector*>(g_state_stack, vec_size(g_state_stack) - 1);
}

void set_state(vector* level, uint32_t number, uint32_t state) {
  vec_set(level, reinterpret_cast<void*>(static_cast<uintptr_t>(state)), number);
}

uint32_t get_state(const vector* level, uint32_t number) {
  if (number >= vec_size(level)) return MSGSTATE_NONE;
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(vec_get(level, number)));
}

// Sets state for every catalogue number whose kind passes the filter.
template <typename Filter>
void set_state_where(uint32_t state, Filter keep) {
  vector* level = top_level();
  uint32_t size = msg_table_size();
  for (uint32_t n = 0; n < size; ++n) {
    const msg* record = msg_primary_record(n);
    if (record && keep(record->kind)) set_state(level, n, state);
  }
}

struct WerrState {
  bool all = false;
  numset* errors = nullptr;
  numset* exempted = nullptr;
};
WerrState* g_werr = nullptr;

WerrState& werr_state() {
  if (!g_werr) {
    g_werr = new WerrState;
    g_werr->errors = numset_new();
    g_werr->exempted = numset_new();
  }
  return *g_werr;
}

const char* skip_dashes(const char* text) {
  while (*text == '-') ++text;
  return text;
}

// The text after "Werror" or "Wno-error" (any case), or null.
const char* after_form(const char* body, bool* negated) {
  const char* rest = sc_afterPrefixNoCase(body, "Wno-error");
  *negated = rest != nullptr;
  if (!rest) rest = sc_afterPrefixNoCase(body, "Werror");
  return rest;
}

}  // namespace

void alert_msgstate(uint32_t number, uint32_t op) {
  DB_ENTER("%u, %u", number, op);
  vector* level = top_level();
  switch (op) {
    case MSGSTATE_NONE:
    case MSGSTATE_QUIET:
    case MSGSTATE_SUPPRESS:
    case MSGSTATE_TO_WARNING:
    case MSGSTATE_TO_ERROR:
    case MSGSTATE_OFF:
      set_state(level, number, op);
      break;
    case MSGSTATE_PUSH:
      vec_push(g_state_stack, vec_copy(level));
      break;
    case MSGSTATE_POP:
      if (vec_size(g_state_stack) > 1) vec_free(static_cast<vector*>(vec_pop(g_state_stack)));
      break;
    case MSGSTATE_QUIET_WARNINGS:
      set_state_where(MSGSTATE_QUIET, [](uint32_t k) { return k == MSG_MESSAGE || k == MSG_WARNING; });
      break;
    case MSGSTATE_SUPPRESS_ALL:
      set_state_where(MSGSTATE_SUPPRESS, [](uint32_t k) { return k != MSG_FATAL; });
      break;
    case MSGSTATE_RESET:
      vec_clear(level);
      break;
    case MSGSTATE_QUIET_MESSAGES:
      set_state_where(MSGSTATE_QUIET, [](uint32_t k) { return k == MSG_MESSAGE; });
      break;
    default:
      break;
  }
}

bool werr_isOption(const char* text) {
  if (!text || *text != '-') return false;
  bool negated;
  const char* rest = after_form(skip_dashes(text), &negated);
  return rest && (*rest == '\0' || *rest == '=');
}

int werr_process(const char* str, int lenient) {
  DB_ENTER("\"%s\", %d", str ? str : "(null)", lenient);
  db_assert(werr_isOption(str));
  if (!werr_isOption(str)) return 0;
  WerrState& w = werr_state();
  bool negated;
  const char* rest = after_form(skip_dashes(str), &negated);
  numset* add_to = negated ? w.exempted : w.errors;
  numset* remove_from = negated ? w.errors : w.exempted;
  if (*rest == '\0' || strcasecmp(rest, "=all") == 0) {
    w.all = !negated;
    return 1;
  }
  const char* value = rest + 1;
  if (!*value) {
    alert_raise_nofile(kMsgBadWerrorNumber);
    return lenient;
  }
  uint64_t n = 0;
  const char* p = value;
  while (isdigit(static_cast<unsigned char>(*p)) && n <= UINT32_MAX) n = n * 10 + static_cast<uint64_t>(*p++ - '0');
  if (n == 0 || n >= UINT32_MAX) {
    if (!lenient) alert_raise_nofile(kMsgBadWerrorNumber);
    return lenient;
  }
  if (!lenient && *p) alert_raise_nofile(kMsgBadWerrorNumber);
  numset_add(add_to, static_cast<uint32_t>(n));
  numset_remove(remove_from, static_cast<uint32_t>(n));
  return 1;
}

bool werr_isError(uint32_t number) {
  if (!g_werr) return false;
  if (g_werr->all) return !numset_has(g_werr->exempted, number);
  return numset_has(g_werr->errors, number);
}

uint32_t alert_adjust_kind(uint32_t number, uint32_t kind, int32_t* level) {
  if (kind == MSG_WARNING && werr_isError(number)) kind = MSG_ERROR;
  switch (g_state_stack ? get_state(top_level(), number) : MSGSTATE_NONE) {
    case MSGSTATE_QUIET:
      if (kind == MSG_MESSAGE || kind == MSG_WARNING) kind = MSG_SUPPRESSED;
      break;
    case MSGSTATE_SUPPRESS:
    case MSGSTATE_OFF:
      if (kind != MSG_FATAL) kind = MSG_SUPPRESSED;
      break;
    case MSGSTATE_TO_WARNING:
      if (kind == MSG_ERROR) {
        kind = MSG_WARNING;
        *level = alert_warnlevel();
      }
      break;
    case MSGSTATE_TO_ERROR:
      if (kind == MSG_WARNING) kind = MSG_ERROR;
      break;
    default:
      break;
  }
  return kind;
}
