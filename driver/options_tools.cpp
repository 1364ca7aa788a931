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
#include "common/numset.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {

constexpr uint32_t kMsgBadSyntax = 1195;
constexpr uint32_t kMsgCannotDisable = 1607;
constexpr uint32_t kMsgMissingArgument = 2041;

void push(vector* out, const char* text) { vec_push(out, sc_intern(text)); }

// The text behind a "-Wl,", "-Wa," or "-Wp," prefix: the name and the
// separator after it. Nothing when the argument is the bare name.
const char* after_name_and_separator(const char* arg, size_t name_length) {
  return strlen(arg) > name_length ? arg + name_length + 1 : "";
}

// Each comma-separated piece of text behind a tool prefix.
void push_pieces(const char* prefix, const char* text, vector* out) {
  vector* pieces = sc_split(text, ",");
  for (const char* piece : VecItems<const char*>(pieces)) vec_push(out, sc_concat(prefix, piece));
  vec_free(pieces);
}

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
  size_t prefix_length;
  uint32_t number_state;
  bool enable;
  uint32_t all_op;
};
constexpr WarningForm kEnableForm{2, MSGSTATE_NONE, true, MSGSTATE_RESET};
constexpr WarningForm kDisableForm{5, MSGSTATE_OFF, false, MSGSTATE_QUIET_WARNINGS};

uint32_t warning(const WarningForm& form, DeviceType device_type, const char* arg, vector* out) {
  DB_ENTER("%s", arg);
  if (device_is_tev(device_type)) {
    push(out, arg);
    return 0;
  }
  if (werr_isOption(arg)) {
    werror_form(arg, out);
    return 0;
  }
  const char* name = arg + form.prefix_length;
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
  return 0;
}

bool device_known(DeviceType device_type) { return device_is_zir(device_type) || device_is_tev(device_type); }

// "-Wl" or "-Wa" with nothing behind the name names no tool option at all;
// passing it on or dropping it would both hide the mistake.
bool bare_pass_through(const char* arg, size_t name_length) {
  if (strlen(arg) != name_length) return false;
  alert_raise(kMsgBadSyntax, arg);
  return true;
}

// One linker option for the legacy driver as "-Xlinker" gives it. The map
// file and the summary directory follow the option name and one character
// ("-Map=file", "--memorysummary=dir"). The bare names are refused: a user
// who writes "-Xlinker -Map -Xlinker file" in the GNU linker's style would
// otherwise see the file taken for a library directory without a word.
void xlinker_for_zir(const char* option, vector* out) {
  constexpr size_t kMapPrefix = 4;       // "-Map"
  constexpr size_t kSummaryPrefix = 15;  // "--memorysummary"
  if (sc_startsWith(option, "-Map")) {
    if (strlen(option) == kMapPrefix) {
      alert_raise(kMsgBadSyntax, option);
      return;
    }
    vec_push(out, sc_concat("-M", after_name_and_separator(option, kMapPrefix)));
  } else if (sc_startsWith(option, "--memorysummary")) {
    if (strlen(option) == kSummaryPrefix) {
      alert_raise(kMsgBadSyntax, option);
      return;
    }
    push(out, "--summary=+xml");
    option_push(out, "--summarydir=%s", after_name_and_separator(option, kSummaryPrefix));
  } else {
    vec_push(out, sc_concat("-L", option));
  }
}

// TEV's driver gets a separate pass-through option and its value as two
// elements.
uint32_t pass_pair(const char* arg, vector* out, vector* args, uint32_t index) {
  const char* next = option_next(arg, args, index);
  push(out, arg);
  push(out, next);
  return 1;
}

uint32_t linker_whole(DeviceType device_type, const char* arg, vector* out) {
  constexpr size_t kNameLength = 3;  // "-Wl"
  if (device_known(device_type) && bare_pass_through(arg, kNameLength)) return 0;
  if (device_is_zir(device_type))
    push_pieces("-L", after_name_and_separator(arg, kNameLength), out);
  else if (device_is_tev(device_type))
    push(out, arg);
  return 0;
}

uint32_t linker_xlinker(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  if (device_is_tev(device_type)) return pass_pair(arg, out, args, index);
  if (!device_is_zir(device_type)) return 0;
  xlinker_for_zir(option_next(arg, args, index), out);
  return 1;
}

uint32_t linker_piece(DeviceType device_type, const char* piece, vector* out) {
  if (device_is_zir(device_type))
    vec_push(out, sc_concat("-L", piece));
  else if (device_is_tev(device_type))
    vec_push(out, sc_concat("-Wl,", piece));
  return 0;
}


}  // namespace

// ---- Warnings and messages ----

uint32_t opt_nowarn(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    push(out, "--msgdisable=0");
    option_state().nowarn_given = true;
  } else if (device_is_tev(device_type)) {
    push(out, arg);
  }
  return 0;
}

// The legacy driver is made strict by the closing options, which know
// whether C90 was selected.
uint32_t opt_pedantic(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type))
    option_state().pedantic_given = true;
  else if (device_is_tev(device_type))
    push(out, arg);
  return 0;
}

uint32_t opt_werror(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_tev(device_type))
    push(out, arg);
  else
    werror_form(arg, out);
  return 0;
}

// The records of these two are warning's.
uint32_t opt_warning(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  return warning(kEnableForm, device_type, arg, out);
}

uint32_t opt_nowarning(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  return warning(kDisableForm, device_type, arg, out);
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

// ---- Linker ----

// "-Wl" with its sub-options (only when none of them produced anything),
// "-Xlinker" with its value, or one sub-option without a row of its own;
// the second character of the argument tells them apart.
uint32_t opt_linker(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  switch (arg[0] ? arg[1] : '\0') {
    case 'W':
      return linker_whole(device_type, arg, out);
    case 'X':
      return linker_xlinker(device_type, arg, out, args, index);
    default:
      return linker_piece(device_type, arg, out);
  }
}

// "-Map=file", or "-Map" with the file as the next piece. A next piece
// that is an option of its own means the file name is missing: taking the
// option for the file or leaving the map file unnamed would both misread
// the line, so it is reported like a missing value.
uint32_t opt_linker_map(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  constexpr size_t kNameLength = 4;  // "-Map"
  if (!device_known(device_type)) return 0;
  const char* file = nullptr;
  uint32_t consumed = 0;
  if (strlen(arg) > kNameLength) {
    file = skipTo(arg, '=') + 1;
  } else {
    file = option_next(arg, args, index);
    if (file[0] == '-') alert_raise(kMsgMissingArgument, arg);
    consumed = 1;
  }
  if (device_is_zir(device_type))
    vec_push(out, sc_concat("-M", file));
  else
    vec_push(out, sc_concat("-Wl,-Map=", file));
  return consumed;
}

uint32_t opt_fixupoverflow(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    vec_push(out, sc_concat("-L", arg));
    option_state().fixupoverflow_given = true;
  } else if (device_is_tev(device_type)) {
    option_unsupported(arg);
  }
  return 0;
}

uint32_t opt_data_init(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    char sign = sc_startsWith(arg, "--no") ? '-' : '+';
    option_push(out, "--runtime=%cclear", sign);
    option_push(out, "--runtime=%cinit", sign);
  } else if (device_is_tev(device_type)) {
    vec_push(out, sc_concat("-Wl,", arg));
  }
  return 0;
}

// ---- Assembler ----

// "-Wa" with its sub-options (when none produced anything, which for TEV
// is always: its driver gets "-Wa" arguments as typed), or one sub-option
// without a row of its own.
uint32_t opt_assembler(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  constexpr size_t kNameLength = 3;  // "-Wa"
  const bool whole = arg[0] && arg[1] == 'W';
  if (whole && device_known(device_type) && bare_pass_through(arg, kNameLength)) return 0;
  if (device_is_zir(device_type)) {
    if (whole)
      push_pieces("-A", after_name_and_separator(arg, kNameLength), out);
    else
      vec_push(out, sc_concat("-A", arg));
  } else if (device_is_tev(device_type) && whole) {
    push(out, arg);
  }
  return 0;
}

uint32_t opt_asm_list(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) push(out, "--asmlist");
  return 0;
}

uint32_t opt_xassembler(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  if (device_is_tev(device_type)) return pass_pair(arg, out, args, index);
  if (!device_is_zir(device_type)) return 0;
  const char* option = option_next(arg, args, index);
  if (sc_startsWith(option, "-a"))
    push(out, "--asmlist");
  else
    vec_push(out, sc_concat("-A", option));
  return 1;
}

// ---- Preprocessor and parser ----

uint32_t opt_preprocessor(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  constexpr size_t kNameLength = 3;  // "-Wp"
  if (device_is_zir(device_type))
    push_pieces("-Z", after_name_and_separator(arg, kNameLength), out);
  else if (device_is_tev(device_type))
    push(out, arg);
  return 0;
}

uint32_t opt_xpreprocessor(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  if (device_is_tev(device_type)) return pass_pair(arg, out, args, index);
  if (!device_is_zir(device_type)) return 0;
  vec_push(out, sc_concat("-Z", option_next(arg, args, index)));
  return 1;
}

// TEV's driver has no parser of its own to pass options to; the value is
// then not consumed and is translated as an argument of its own.
uint32_t opt_parser(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  if (device_is_tev(device_type)) {
    option_unsupported(arg);
    return 0;
  }
  if (!device_is_zir(device_type)) return 0;
  vec_push(out, sc_concat("-R", option_next(arg, args, index)));
  return 1;
}

// An option for the legacy driver itself. A message format given this way
// replaces the one the closing options would add.
uint32_t opt_lumo8(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  if (device_is_tev(device_type)) {
    option_unsupported(arg);
    return 0;
  }
  if (!device_is_zir(device_type)) return 0;
  const char* option = option_next(arg, args, index);
  OptionState& state = option_state();
  if (sc_startsWith(option, "--errformat")) state.errformat_given = true;
  if (sc_startsWith(option, "--warnformat")) state.warnformat_given = true;
  if (sc_startsWith(option, "--msgformat")) state.msgformat_given = true;
  push(out, option);
  return 1;
}

// ---- Libraries ----

// For the legacy driver the libraries are resolved against the "-L"
// directories by the closing options and come last on its command line.
uint32_t opt_library(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  const bool joined = strlen(arg) > 2;
  if (joined && !device_is_zir(device_type)) {
    if (device_is_tev(device_type)) push(out, arg);
    return 0;
  }
  const char* name = joined ? arg + 2 : option_next(arg, args, index);
  if (device_is_zir(device_type)) {
    vector*& libraries = option_state().libraries;
    if (!libraries) libraries = vec_new();
    vec_push(libraries, sc_intern(name));
  } else if (device_is_tev(device_type)) {
    vec_push(out, sc_concat("-l", name));
  }
  return joined ? 0 : 1;
}

uint32_t opt_library_dir(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  DB_ENTER("%s", arg);
  const bool joined = strlen(arg) > 2;
  if (joined && !device_is_zir(device_type)) {
    if (device_is_tev(device_type)) push(out, arg);
    return 0;
  }
  const char* directory = joined ? arg + 2 : option_next(arg, args, index);
  if (device_is_zir(device_type)) {
    vector*& dirs = option_state().library_dirs;
    if (!dirs) {
      dirs = vec_new();
      vec_push(dirs, sc_intern(""));  // the current directory is searched first
    }
    vec_push(dirs, sc_intern(directory));
  } else if (device_is_tev(device_type)) {
    vec_push(out, sc_concat("-L", directory));
  }
  return joined ? 0 : 1;
}
