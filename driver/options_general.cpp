// The general options: compile stages and output, preprocessor, language,
// optimisation and code generation.
//
// Most of them are a fixed translation for the legacy driver and either
// pass unchanged or are refused for TEV; those are rows of one table below,
// and their handlers only pick the row. The handlers that take values, or
// that cut paths, have their own code.
#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "common/alert.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_assert.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {

constexpr uint32_t kMsgStandardNotSupported = 2054;

// What one family makes of a plain option.
enum class Rule : uint8_t {
  nothing,      // appends nothing
  unchanged,    // passes the argument on as typed
  unsupported,  // warning 1428, nothing appended
  translate,    // appends the legacy driver's options of the row, sets its flag
};

struct PlainOption {
  const char* name;
  Rule zir;
  const char* zir_out[2];
  Rule tev;
  Rule none = Rule::nothing;               // no family identified
  bool OptionState::*zir_flag = nullptr;   // set when translated
  // zir_out[0] is a prefix for the "=value" of the argument, which must be
  // there and non-empty.
  bool value_required = false;
};

using enum Rule;
constexpr bool OptionState::*kNoFlag = nullptr;

// clang-format off
const PlainOption kPlainOptions[] = {
    {"-c",                        translate,   {},                                  unchanged,   unchanged, &OptionState::compile_only},
    {"-S",                        unchanged,   {},                                  unchanged,   unchanged},
    {"-E",                        translate,   {"--pre"},                           unchanged},
    {"-C",                        unsupported, {},                                  unchanged},
    {"-H",                        translate,   {"-Z-H"},                            unchanged},
    {"-dM",                       translate,   {"--info=defvals"},                  unchanged},
    {"-M",                        translate,   {"--dep=+gcc,+stop"},                unchanged},
    {"-MD",                       translate,   {"--dep=+gcc,+sys,-stop"},           unchanged},
    {"-MM",                       translate,   {"--dep=+gcc,+stop,-sys"},           unchanged},
    {"-MMD",                      translate,   {"--dep=+gcc,-sys,-stop"},           unchanged},
    {"-MP",                       nothing,     {},                                  unchanged},
    {"-xassembler-with-cpp",      translate,   {"-P"},                              unchanged},
    {"-save-temps",               translate,   {"--nodel"},                         unchanged},
    {"-###",                      unsupported, {},                                  unchanged},
    {"--version",                 translate,   {"--ver"},                           unchanged,   translate},
    {"-ansi",                     translate,   {"--std=c90"},                       unchanged,   nothing,   &OptionState::c90_selected},
    {"-funsigned-char",           translate,   {"--char=unsigned"},                 unchanged},
    {"-fsigned-char",             translate,   {"--char=signed"},                   unchanged},
    {"-fshort-double",            translate,   {"--double=24"},                     unsupported},
    {"-fno-short-double",         translate,   {"--double=32"},                     unsupported},
    {"-fshort-float",             translate,   {"--float=24"},                      unsupported},
    {"-fno-short-float",          translate,   {"--float=32"},                      unsupported},
    {"-fcp",                      translate,   {"--cp"},                            unsupported, nothing,   kNoFlag, true},
    {"-O0",                       translate,   {},                                  unchanged},
    {"-O1",                       translate,   {"--opt=+1"},                        unchanged},
    {"-O2",                       translate,   {"--opt=+2"},                        unchanged},
    {"-O3",                       translate,   {"--opt=+3"},                        unchanged},
    {"-Os",                       translate,   {"--opt=+s"},                        unchanged},
    {"-Og",                       translate,   {"--opt=+debug"},                    unchanged},
    {"-flocal",                   translate,   {"--opt=+local"},                    unchanged},
    {"-fasmfile",                 translate,   {"--opt=+asmfile"},                  unchanged},
    {"-fcacheconst",              translate,   {"--cacheconst"},                    unsupported, nothing,   kNoFlag, true},
    {"-finstrument-functions",    translate,   {"--runtime=+flp"},                  unchanged},
    {"-fno-instrument-functions", translate,   {"--runtime=-flp"},                  unchanged},
    {"-fmax-errors",              translate,   {"--errors"},                        unchanged,   nothing,   kNoFlag, true},
    {"-gdwarf-3",                 translate,   {"--output=+elf:multilocs"},         unchanged},
    {"-gcoff",                    translate,   {"--output=+mcoff"},                 unchanged},
    {"-ginhx32",                  translate,   {"--output=+inhx32"},                unsupported},
    {"-ginhx032",                 translate,   {"--output=+inhx032"},               unsupported},
    {"-nostdlib",                 translate,   {"--runtime=-clib", "--runtime=+no_startup"}, unchanged},
    {"-nodefaultlibs",            translate,   {"--runtime=-clib"},                 unchanged},
    {"-nostartfiles",             translate,   {"--runtime=+no_startup"},           unchanged},
    {"-nostdinc",                 translate,   {"--runtime=-cinc"},                 unchanged},
};
// clang-format on

const PlainOption* find_plain(const char* name) {
  for (const PlainOption& row : kPlainOptions)
    if (strcmp(row.name, name) == 0) return &row;
  return nullptr;
}

void translate_for_zir(const PlainOption& row, const char* arg, vector* out) {
  if (row.value_required) {
    vec_push(out, sc_concat(row.zir_out[0], skipTo(arg, '=')));
  } else {
    for (const char* text : row.zir_out)
      if (text) vec_push(out, sc_intern(text));
  }
  if (row.zir_flag) option_state().*row.zir_flag = true;
}

// A null row (a handler naming a row the table lacks) translates to nothing.
uint32_t apply(const PlainOption* row, DeviceType device_type, const char* arg, vector* out) {
  DB_ENTER("%s as %s", arg, row ? row->name : "(no row)");
  db_assert(row != nullptr);
  if (!row) return 0;
  Rule rule = device_is_zir(device_type) ? row->zir : device_is_tev(device_type) ? row->tev : row->none;
  switch (rule) {
    case translate:
      translate_for_zir(*row, arg, out);
      break;
    case unchanged:
      vec_push(out, sc_intern(arg));
      break;
    case unsupported:
      option_unsupported(arg);
      break;
    case nothing:
      break;
  }
  return 0;
}

uint32_t apply(const char* name, DeviceType device_type, const char* arg, vector* out) {
  return apply(find_plain(name), device_type, arg, out);
}

// "-fno-..." selects the second of the two rows of a positive/negative pair.
const char* negated_form(const char* arg, const char* positive, const char* negative) {
  return sc_startsWith(arg, "-fno") ? negative : positive;
}

// The directory part of a path: up to the last backslash, else the last
// "/", else the last ":" (the same search on every host); null when none.
const char* last_separator(const char* path) {
  for (char separator : {'\\', '/', ':'})
    if (const char* at = strrchr(path, separator)) return at;
  return nullptr;
}

// The legacy driver takes the output file name and its directory apart.
void output_for_zir(const char* file, vector* out) {
  const char* separator = last_separator(file);
  if (!separator) {
    option_push(out, "-o%s", file);
    return;
  }
  const char* directory = sc_substr(file, static_cast<size_t>(separator - file));
  option_push(out, "-o%s", separator + 1);
  option_push(out, "--objdir=%s", directory);
  option_push(out, "--outdir=%s", directory);
}

bool same_text(const char* a, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (strcasecmp(a, name) == 0) return true;
  return false;
}

// The legacy driver knows two standards; anything else is compiled as C99.
void standard_for_zir(const char* value, vector* out) {
  if (same_text(value, {"c90", "c89", "iso9899:1990", "iso9899:199409"})) {
    vec_push(out, sc_intern("--std=c90"));
    option_state().c90_selected = true;
    return;
  }
  if (!same_text(value, {"c99", "c9x", "iso9899:1999", "iso9899:199x"}))
    alert_raise(kMsgStandardNotSupported, value);
  vec_push(out, sc_intern("--std=c99"));
}

const char* depend_form(const char* arg) {
  switch (arg[2]) {
    case '\0':
      return "-M";
    case 'D':
      return "-MD";
    case 'F':
      return "-MF";
    case 'T':
      return "-MT";
    case 'Q':
      return "-MQ";
    case 'P':
      return "-MP";
    default:
      return arg[3] == 'D' ? "-MMD" : "-MM";
  }
}

// What the GNU dependency files of a ZIR run are made from.
void remember_depend(const char* form) {
  OptionState& state = option_state();
  if (strcmp(form, "-M") == 0 || strcmp(form, "-MM") == 0) state.depend |= DEPEND_ONLY;
  if (strcmp(form, "-MD") == 0 || strcmp(form, "-MMD") == 0) state.depend |= DEPEND_SIDE;
  if (strcmp(form, "-MP") == 0) state.depend_phony = true;
}

// "-MT" and "-MQ" name the rule's target: the legacy driver's language has
// no word for it, so for ZIR the target is kept for the dependency files
// this program makes; TEV's driver takes both as typed.
uint32_t depend_target(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  const char* target = option_next(arg, args, index);
  if (device_is_zir(device_type)) {
    vector*& targets = arg[2] == 'Q' ? option_state().depend_quoted : option_state().depend_targets;
    if (!targets) targets = vec_new();
    vec_push(targets, sc_intern(target));
  } else if (device_is_tev(device_type)) {
    vec_push(out, sc_intern(arg));
    vec_push(out, sc_intern(target));
  }
  return 1;
}

uint32_t depend_file(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  if (!device_is_zir(device_type) && !device_is_tev(device_type)) return 0;
  const char* file = option_next(arg, args, index);
  if (device_is_zir(device_type)) {
    option_state().depend_file = file;
    vec_push(out, sc_intern("--dep=+gcc"));
    option_push(out, "--depfile=%s", file);
  } else {
    vec_push(out, sc_intern(arg));
    vec_push(out, sc_intern(file));
  }
  return 1;
}

}  // namespace

// A handler that only picks its row of the plain options. These handlers
// write no records of their own: apply's name the argument and the row.
#define PLAIN_OPTION_HANDLER(handler, row)                                                \
  uint32_t handler(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) { \
    return apply(row, device_type, arg, out);                                               \
  }

// ---- Compile stages, output, preprocessor ----

PLAIN_OPTION_HANDLER(opt_compile, "-c")

uint32_t opt_assembly(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  option_state().assembly_only = true;
  return apply("-S", device_type, arg, out);
}

uint32_t opt_preprocess(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  option_state().preprocess_only = true;
  return apply("-E", device_type, arg, out);
}

PLAIN_OPTION_HANDLER(opt_comments, "-C")

LUMO_OPTION_HANDLER(opt_output) {
  DB_ENTER("%s", arg);
  const bool joined = strlen(arg) > 2;
  if (device_is_zir(device_type)) {
    const char* file = joined ? arg + 2 : option_next(arg, args, index);
    option_state().output = file;
    output_for_zir(file, out);
    return joined ? 0 : 1;
  }
  if (!device_is_tev(device_type)) return 0;
  if (joined) return noTranslation(device_type, arg, out, args, index);
  option_push(out, "-o%s", option_next(arg, args, index));
  return 1;
}

// "-D", "-U" and "-I" are the same for both families.
LUMO_OPTION_HANDLER(opt_define) {
  DB_ENTER("%s", arg);
  if (strlen(arg) > 2) return noTranslation(device_type, arg, out, args, index);
  vec_push(out, sc_concat(arg, option_next(arg, args, index)));
  return 1;
}

PLAIN_OPTION_HANDLER(opt_list_headers, "-H")
PLAIN_OPTION_HANDLER(opt_list_macros, "-dM")

LUMO_OPTION_HANDLER(opt_depend) {
  DB_ENTER("%s", arg);
  const char* form = depend_form(arg);
  if (strcmp(form, "-MF") == 0) return depend_file(device_type, arg, out, args, index);
  if (strcmp(form, "-MT") == 0 || strcmp(form, "-MQ") == 0) return depend_target(device_type, arg, out, args, index);
  if (device_is_zir(device_type)) remember_depend(form);
  return apply(form, device_type, arg, out);
}

LUMO_OPTION_HANDLER(opt_language) {
  DB_ENTER("%s", arg);
  const char* language = option_next(arg, args, index);
  option_state().language = strcmp(language, "none") == 0 ? nullptr : language;
  if (device_is_zir(device_type)) {
    if (strcmp(language, "assembler-with-cpp") == 0)
      vec_push(out, sc_intern("-P"));
    else if (strcmp(language, "assembler") != 0 && strcmp(language, "c") != 0)
      option_unsupported("-x");
  } else if (device_is_tev(device_type)) {
    vec_push(out, sc_intern(arg));
    vec_push(out, sc_intern(language));
  }
  return 1;
}

PLAIN_OPTION_HANDLER(opt_asm_cpp, "-xassembler-with-cpp")
PLAIN_OPTION_HANDLER(opt_save_temps, "-save-temps")

LUMO_OPTION_HANDLER(opt_verbose) {
  DB_ENTER("%s", arg);
  ++option_state().verbosity;
  return noTranslation(device_type, arg, out, args, index);
}

PLAIN_OPTION_HANDLER(opt_show_commands, "-###")
PLAIN_OPTION_HANDLER(opt_version, "--version")

// ---- Language ----

uint32_t opt_ansi(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg);
  option_state().std_given = true;
  return apply("-ansi", device_type, arg, out);
}

LUMO_OPTION_HANDLER(opt_std) {
  DB_ENTER("%s", arg);
  option_state().std_given = true;
  if (device_is_zir(device_type))
    standard_for_zir(skipTo(arg, '=') + 1, out);
  else if (device_is_tev(device_type))
    noTranslation(device_type, arg, out, args, index);
  return 0;
}

uint32_t opt_char(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  bool is_unsigned = sc_startsWith(arg, "-fun") || sc_startsWith(arg, "-fno-sign");
  return apply(is_unsigned ? "-funsigned-char" : "-fsigned-char", device_type, arg, out);
}

uint32_t opt_short_double(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  return apply(negated_form(arg, "-fshort-double", "-fno-short-double"), device_type, arg, out);
}

uint32_t opt_short_float(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  return apply(negated_form(arg, "-fshort-float", "-fno-short-float"), device_type, arg, out);
}

PLAIN_OPTION_HANDLER(opt_pointer_size, "-fcp")

// ---- Optimisation and code generation ----

// "-flocal" and "-fasmfile" are compared whole; the "-O" forms go by their
// third character, and one without a row of its own (such as "-O0")
// translates to nothing: the legacy driver always gets "--opt=none" first.
uint32_t opt_optimize(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  const PlainOption* row = nullptr;
  if (strcmp(arg, "-flocal") == 0 || strcmp(arg, "-fasmfile") == 0)
    row = find_plain(arg);
  else if (strlen(arg) > 2)
    row = find_plain(sc_printf("-O%c", arg[2]));
  return apply(row ? row : find_plain("-O0"), device_type, arg, out);
}

PLAIN_OPTION_HANDLER(opt_cacheconst, "-fcacheconst")

uint32_t opt_instrument(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  return apply(negated_form(arg, "-finstrument-functions", "-fno-instrument-functions"), device_type, arg, out);
}

PLAIN_OPTION_HANDLER(opt_max_errors, "-fmax-errors")

uint32_t opt_output_format(DeviceType device_type, const char* arg, vector* out, vector*, uint32_t) {
  for (const char* name : {"-gdwarf-3", "-gcoff", "-ginhx32", "-ginhx032"})
    if (sc_startsWith(arg, name)) return apply(name, device_type, arg, out);
  return 0;
}

// The three linker-related ones are also sub-options of "-Wl", so for TEV
// "-Wl,-nostdlib" reaches the driver as "-nostdlib".
PLAIN_OPTION_HANDLER(opt_nostdlib, "-nostdlib")
PLAIN_OPTION_HANDLER(opt_nodefaultlibs, "-nodefaultlibs")
PLAIN_OPTION_HANDLER(opt_nostartfiles, "-nostartfiles")
PLAIN_OPTION_HANDLER(opt_nostdinc, "-nostdinc")
