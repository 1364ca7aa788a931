// Warnings and messages, the options passed through to the tools (linker,
// assembler, preprocessor, parser, the legacy driver itself) and the
// libraries.
//
// The legacy driver hands each tool its options behind a prefix of its own:
// "-L" for the linker, "-A" for the assembler, "-Z" for the preprocessor and
// "-R" for the parser. TEV's driver takes the GNU forms as they are.
//
// The disabled messages live here: "-W<number>", "-Wno-<number>" and "all"
// fill the set, and the closing options turn it into "--msgdisable=" options.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alert_msgstate.h"
#include "common/messages.h"
#include "common/msgnum.h"
#include "common/numset.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {


void push(vector* out, const char* text) { vec_push(out, sc_intern(text)); }

numset* disabled_messages() {
  numset*& set = option_state().disabled_messages;
  if (!set) set = numset_new();
  return set;
}

bool all_digits(const char* text) {
  if (!*text) return false;
  for (; *text; ++text)
    if (!isdigit(static_cast<unsigned char>(*text))) return false;
  return true;
}

// A number beyond what any catalogue holds gets no message state: the
// state table is indexed by number and would only grow for nothing.
void set_message_state(uint32_t number, uint32_t op) {
  if (number < kMsgNumberMax) alert_msgstate(number, op);
}

uint32_t message_number(const char* digits) {
  unsigned long value = strtoul(digits, nullptr, 10);
  return value < kNumsetEnd ? static_cast<uint32_t>(value) : kNumsetEnd - 1;
}

// The "-Werror" and "-Wno-error" forms reach the message facility with one
// more dash ("-Werror=1234" is "--Werror=1234"); the legacy driver gets
// what the facility accepts.
void werror_form(const char* arg, vector* out) {
  const char* text = sc_concat("-", arg);
  if (!werr_isOption(text)) {
    alert_raise(kMsgBadSyntax, arg);
    return;
  }
  if (werr_process(text, 1) == 1) vec_push(out, text);
}

// "-W<name>" and "-Wno-<name>" share their steps; they differ in the
// message state, in what a number does to the disabled messages, and in
// what "all" does.
struct WarningForm {
  uint32_t number_state;
  bool enable;
  uint32_t all_op;
};
constexpr WarningForm kEnableForm{MSGSTATE_NONE, true, MSGSTATE_RESET};
constexpr WarningForm kDisableForm{MSGSTATE_OFF, false, MSGSTATE_QUIET_WARNINGS};

// name: what follows "-W" or "-Wno-".
void warning(const WarningForm& form, const char* arg, const char* name, vector* out) {
  DB_ENTER("%s", arg);
  if (werr_isOption(arg)) {
    werror_form(arg, out);
    return;
  }
  if (!*name) {
    alert_raise(kMsgBadSyntax, arg);
  } else if (all_digits(name)) {
    uint32_t number = message_number(name);
    set_message_state(number, form.number_state);
    message_enable(number, form.enable);
  } else {
    vec_push(out, sc_concat("-R", arg));
    if (strcmp(name, "all") == 0) {
      alert_msgstate(0, form.all_op);
      message_enable(0, form.enable);
    }
  }
}

}  // namespace

// ---- Warnings and messages ----

LUMO_OPTION_HANDLER(opt_werror) {
  DB_ENTER("%s", arg);
  werror_form(arg, out);
}

LUMO_OPTION_HANDLER(opt_warning) {
  warning(row.name[2] == 'n' ? kDisableForm : kEnableForm, arg, value, out);
}

void message_enable(uint32_t number, bool enable) {
  DB_ENTER("%u, %d", number, enable);
  numset* set = disabled_messages();
  if (enable) {
    if (number == 0)
      numset_clear(set);
    else
      numset_remove(set, number);
    return;
  }
  if (number != 0) {
    const msg* record = msg_record(number);
    if (!record || (record->kind != MSG_WARNING && record->kind != MSG_MESSAGE)) {
      alert_raise(kMsgCannotDisable, number);
      return;
    }
  }
  numset_add(set, number);
}

void options_add_msgdisable(vector* out) {
  DB_ENTER();
  const numset* set = option_state().disabled_messages;
  if (!set) return;
  for (uint32_t n = numset_first(set); n != kNumsetEnd; n = numset_next(set, n))
    if (n != 0) option_push(out, "--msgdisable=%u:off", n);
  if (numset_has(set, 0)) push(out, "--msgdisable=0");
}

// ---- Linker and assembler ----

// One linker option for the legacy driver as "-Xlinker" gives it. The map
// file and the summary directory follow the option name and one character
// ("-Map=file", "--memorysummary=dir"). The bare names are refused: a user
// who writes "-Xlinker -Map -Xlinker file" in the GNU linker's style would
// otherwise see the file taken for a library directory without a word.
LUMO_OPTION_HANDLER(opt_xlinker) {
  DB_ENTER("%s", arg);
  constexpr size_t kMapPrefix = 4;       // "-Map"
  constexpr size_t kSummaryPrefix = 15;  // "--memorysummary"
  if (sc_startsWith(value, "-Map")) {
    if (strlen(value) == kMapPrefix) {
      alert_raise(kMsgBadSyntax, value);
      return;
    }
    vec_push(out, sc_concat("-M", value + kMapPrefix + 1));
  } else if (sc_startsWith(value, "--memorysummary")) {
    if (strlen(value) == kSummaryPrefix) {
      alert_raise(kMsgBadSyntax, value);
      return;
    }
    push(out, "--summary=+xml");
    option_push(out, "--summarydir=%s", value + kSummaryPrefix + 1);
  } else {
    vec_push(out, sc_concat("-L", value));
  }
}

LUMO_OPTION_HANDLER(opt_xassembler) {
  DB_ENTER("%s", arg);
  if (sc_startsWith(value, "-a"))
    push(out, "--asmlist");
  else
    vec_push(out, sc_concat("-A", value));
}

// An option for the legacy driver itself. A message format given this way
// replaces the one the closing options would add.
LUMO_OPTION_HANDLER(opt_lumo8) {
  DB_ENTER("%s", arg);
  OptionState& state = option_state();
  if (sc_startsWith(value, "--errformat")) state.errformat_given = true;
  if (sc_startsWith(value, "--warnformat")) state.warnformat_given = true;
  if (sc_startsWith(value, "--msgformat")) state.msgformat_given = true;
  push(out, value);
}

// ---- Libraries ----

// For the legacy driver the libraries are resolved against the "-L"
// directories by the closing options and come last on its command line.
LUMO_OPTION_HANDLER(opt_library) {
  DB_ENTER("%s", arg);
  vector*& libraries = option_state().libraries;
  if (!libraries) libraries = vec_new();
  vec_push(libraries, sc_intern(value));
}

LUMO_OPTION_HANDLER(opt_library_dir) {
  DB_ENTER("%s", arg);
  vector*& dirs = option_state().library_dirs;
  if (!dirs) {
    dirs = vec_new();
    vec_push(dirs, sc_intern(""));  // the current directory is searched first
  }
  vec_push(dirs, sc_intern(value));
}
