// The target options: device selection, memory layout, start-up code, the
// legacy driver's run-time options and output details.
//
// For ZIR devices each "-m" option becomes the legacy driver's own option
// ("--chip=", "--stack=", "--runtime=-plib"); TEV's driver takes most of
// them as typed and refuses the others with warning 1428. Without an
// identified family nothing is appended. The options with a value and the
// run-time options are rows of two tables below; one handler serves each
// table and finds its row by the option name the argument begins with.
//
// Every handler produces its output at once: nothing is collected or
// merged, so the legacy driver gets one "--runtime=" option per run-time
// argument, in command-line order.
#include <cstring>
#include <strings.h>

#include "common/alert.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_assert.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {

constexpr uint32_t kMsgBadSyntax = 1195;
constexpr uint32_t kMsgUnrecognized = 2044;
constexpr uint32_t kMsgExtensionNotSupported = 2048;
constexpr uint32_t kMsgCciDeprecated = 2050;

// What TEV's driver gets for a target option.
enum class Tev : uint8_t {
  unsupported,  // warning 1428, nothing appended
  unchanged,    // the argument as typed
  replaced,     // a fixed text instead of the argument
};

using enum Tev;

void push(vector* out, const char* text) { vec_push(out, sc_intern(text)); }

// The length of name when arg begins with it, else 0: the handlers that
// serve several rows take the row with the longest name the argument
// begins with, so "-mno-download-hex" is not taken for "-mno-download".
size_t prefix_length(const char* arg, const char* name) {
  size_t n = strlen(name);
  return strncmp(arg, name, n) == 0 ? n : 0;
}

// The value of an option that requires one, with its "=": the program
// ends (1195) when there is none.
const char* required_value(const char* arg) { return skipTo(arg, '='); }

// ---- Options with a value ----

struct ValueOption {
  const char* name;
  const char* zir_prefix;  // the legacy option, followed by the "=value" of the argument
  Tev tev;
  const char* tev_text = nullptr;                // for Tev::replaced
  bool OptionState::*zir_flag = nullptr;         // set when translated for ZIR
  bool value_for_every_family = false;           // the value is checked before the family
};

// clang-format off
const ValueOption kValueOptions[] = {
    {"-maddrqual",        "--addrqual",      unsupported},
    {"-memi",             "--emi",           unsupported},
    // TEV has one errata switch; whatever was asked for, it is that one.
    {"-merrata",          "--errata",        replaced,    "-mskip-bug"},
    {"-mwarn",            "--warn",          unsupported, nullptr, &OptionState::mwarn_given},
    {"-mundefints",       "--undefints",     unsupported},
    {"-mstack",           "--stack",         unsupported},
    {"-mheap",            "--heap",          unsupported},
    {"-msummary",         "--summary",       unsupported},
    {"-mchecksum",        "--checksum",      unsupported},
    {"-mcodeoffset",      "--codeoffset",    unchanged},
    {"-mdebugger",        "--debugger",      unsupported},
    {"-mserial",          "--serial",        unsupported},
    {"-mcodecov",         "--codecov",       unchanged},
    {"-metadata",         "--metadata",      unsupported},
    {"-msmart-io-format", "--smartioformat", unchanged,   nullptr, nullptr, true},
    {"-mrom",             "--rom",           unsupported},
    {"-mram",             "--ram",           unsupported},
};
// clang-format on

const ValueOption* find_value_option(const char* arg) {
  const ValueOption* best = nullptr;
  size_t best_length = 0;
  for (const ValueOption& row : kValueOptions) {
    size_t n = prefix_length(arg, row.name);
    if (n > best_length) best = &row, best_length = n;
  }
  return best;
}

void value_option_for_tev(const ValueOption& row, const char* arg, vector* out) {
  switch (row.tev) {
    case unsupported:
      option_unsupported(arg);
      break;
    case unchanged:
      push(out, arg);
      break;
    case replaced:
      push(out, row.tev_text);
      break;
  }
}

// ---- Run-time options ----

// One group of the legacy driver's "--runtime=" keywords: every name of
// the group gives "--runtime=" with the sign ("-" for "-mno...", else "+")
// and the keyword.
struct RuntimeGroup {
  const char* keyword;
  Tev tev;  // unsupported or unchanged
  // "=value" after the name goes to the legacy driver as ":value".
  bool takes_value;
  const char* names[4];
};

// clang-format off
const RuntimeGroup kRuntimeGroups[] = {
    {"c90lib",    unsupported, false, {"-mc90lib"}},
    {"plib",      unsupported, false, {"-mplib", "-mno-plib"}},
    {"keep",      unsupported, false, {"-mkeep-startup", "-mno-keep-startup"}},
    {"clink",     unsupported, false, {"-mclink", "-mno-clink"}},
    {"cmacros",   unsupported, false, {"-mcmacros", "-mno-cmacros"}},
    {"resetbits", unsupported, false, {"-mresetbits", "-mno-resetbits", "-msave-resetbits", "-mno-save-resetbits"}},
    {"download",  unchanged,   false, {"-mdownload", "-mno-download", "-mdownload-hex", "-mno-download-hex"}},
    {"stackcall", unchanged,   false, {"-mstackcall", "-mno-stackcall"}},
    {"config",    unchanged,   false, {"-mconfig", "-mno-config", "-mdefault-config-bits", "-mno-default-config-bits"}},
    {"osccal",    unchanged,   false, {"-mosccal", "-mno-osccal"}},
    {"oscval",    unchanged,   true,  {"-moscval", "-mno-oscval"}},
    {"ivt",       unchanged,   true,  {"-mivt", "-mno-ivt", "-muse-ivt", "-mno-use-ivt"}},
};
// clang-format on

const RuntimeGroup* find_runtime_group(const char* arg) {
  const RuntimeGroup* best = nullptr;
  size_t best_length = 0;
  for (const RuntimeGroup& group : kRuntimeGroups)
    for (const char* name : group.names) {
      size_t n = name ? prefix_length(arg, name) : 0;
      if (n > best_length) best = &group, best_length = n;
    }
  return best;
}

void runtime_for_zir(const RuntimeGroup& group, const char* arg, vector* out) {
  const char* sign = sc_startsWith(arg, "-mno") ? "-" : "+";
  const char* value = group.takes_value ? strchr(arg, '=') : nullptr;
  if (value)
    option_push(out, "--runtime=%s%s:%s", sign, group.keyword, value + 1);
  else
    option_push(out, "--runtime=%s%s", sign, group.keyword);
}

// ---- Language extensions ----

// The value of "-mext=", checked the same way for every family; null when
// nothing is to be passed on.
const char* extension_value(const char* arg) {
  const char* value = required_value(arg) + 1;
  if (strcasecmp(value, "lumo8") == 0) return nullptr;  // the compiler's own dialect: the default
  if (strcasecmp(value, "iar") == 0) {
    alert_raise(kMsgExtensionNotSupported, value);
    return nullptr;
  }
  if (strcasecmp(value, "cci") != 0) alert_raise(kMsgUnrecognized, arg);
  return value;
}

// ---- Memory reservation ----

// "-mreserve=ram@<start>:<end>" or "rom@": the legacy driver takes a range
// out of the memory space with a leading "-".
void reserve_for_zir(const char* arg, vector* out) {
  const char* range = skipTo(arg, '@') + 1;
  const char* colon = strchr(range, ':');
  if (!colon) {
    alert_raise(kMsgBadSyntax, arg);
    return;
  }
  const char* start = sc_substr(range, static_cast<size_t>(colon - range));
  const char* end = strrchr(range, ':') + 1;
  const char* value = required_value(arg) + 1;
  if (sc_startsWith(value, "ram@"))
    option_push(out, "--ram=-%s-%s", start, end);
  else if (sc_startsWith(value, "rom@"))
    option_push(out, "--rom=-%s-%s", start, end);
  else
    alert_raise(kMsgBadSyntax, arg);
}

}  // namespace

// ---- Device selection ----

// ZIR device names go to the legacy driver without their family prefix;
// TEV's driver gets the name twice: now as "-mmcu=", and at the end as
// "-mdevice=" unless that was given.
uint32_t opt_mcpu(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    const char* device = sc_lower(required_value(arg) + 1);
    option_push(out, "--chip=%s", sc_startsWith(device, "zir") ? device + 3 : device);
  } else if (device_is_tev(device_type)) {
    const char* device = sc_lower(required_value(arg) + 1);
    option_push(out, "-mmcu=%s", device);
    option_state().mdevice_option = sc_printf("-mdevice=%s", device);
  }
  return 0;
}

LUMO_OPTION_HANDLER(opt_mdevice) {
  DB_ENTER("%s", arg);
  if (!device_is_tev(device_type)) return 0;
  option_state().mdevice_given = true;
  return noTranslation(device_type, arg, out, args, index);
}

LUMO_OPTION_HANDLER(opt_mdfp) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    vec_push(out, sc_concat("--dfp", required_value(arg)));
  } else if (device_is_tev(device_type)) {
    option_state().dfp_given = true;
    noTranslation(device_type, arg, out, args, index);
  }
  return 0;
}

// ---- Options with a value, run-time options ----

uint32_t opt_target_value(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  const ValueOption* row = find_value_option(arg);
  db_assert(row != nullptr);
  if (!row) return 0;
  if (row->value_for_every_family) required_value(arg);
  if (device_is_zir(device_type)) {
    vec_push(out, sc_concat(row->zir_prefix, required_value(arg)));
    if (row->zir_flag) option_state().*row->zir_flag = true;
  } else if (device_is_tev(device_type)) {
    value_option_for_tev(*row, arg, out);
  }
  return 0;
}

LUMO_OPTION_HANDLER(opt_runtime) {
  DB_ENTER("%s", arg);
  const RuntimeGroup* group = find_runtime_group(arg);
  db_assert(group != nullptr);
  if (!group) return 0;
  if (device_is_zir(device_type)) {
    runtime_for_zir(*group, arg, out);
  } else if (device_is_tev(device_type)) {
    if (group->tev == unchanged) return noTranslation(device_type, arg, out, args, index);
    option_unsupported(arg);
  }
  return 0;
}

// ---- Other target options ----

uint32_t opt_maxizir(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type))
    push(out, "--maxizir");
  else if (device_is_tev(device_type))
    option_unsupported(arg);
  return 0;
}

uint32_t opt_shroud(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type))
    push(out, "--shroud");
  else if (device_is_tev(device_type))
    option_unsupported(arg);
  return 0;
}

// The legacy driver's stack guidance is part of its summary.
LUMO_OPTION_HANDLER(opt_stack_usage) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    push(out, "--summary=+stack,+stackfull");
    return 0;
  }
  if (device_is_tev(device_type)) return noTranslation(device_type, arg, out, args, index);
  return 0;
}

// The legacy driver always keeps constant data in program memory, so only
// the request to copy it to RAM is refused. For TEV the closing options
// add "-mconst-data-in-progmem" unless either form was given.
LUMO_OPTION_HANDLER(opt_const_data) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type)) {
    if (sc_startsWith(arg, "-mno")) option_unsupported(arg);
    return 0;
  }
  if (!device_is_tev(device_type)) return 0;
  option_state().const_data_given = true;
  return noTranslation(device_type, arg, out, args, index);
}

// Both drivers take the fill option as typed; it is passed on even when no
// family is known. The record is noTranslation's.
LUMO_OPTION_HANDLER(opt_fill) { return noTranslation(device_type, arg, out, args, index); }

uint32_t opt_extension(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (strcmp(arg, "-mcci") == 0) {
    alert_raise(kMsgCciDeprecated);
    arg = sc_intern("-mext=cci");
  }
  const char* value = extension_value(arg);
  if (!value) return 0;
  if (device_is_zir(device_type))
    option_push(out, "--ext=%s", value);
  else if (device_is_tev(device_type))
    push(out, arg);
  return 0;
}

LUMO_OPTION_HANDLER(opt_reserve) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type))
    reserve_for_zir(arg, out);
  else if (device_is_tev(device_type))
    noTranslation(device_type, arg, out, args, index);
  return 0;
}

// ---- Listings ----

// The legacy driver lists its built-in functions itself; for TEV the list
// is printed once every argument has been handled.
uint32_t opt_print_builtins(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  if (device_is_zir(device_type))
    push(out, "--info=builtins");
  else if (device_is_tev(device_type))
    option_state().print_builtins = true;
  return 0;
}
