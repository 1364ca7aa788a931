// The option tables of tev-gcc and the reader that applies them.
//
// A row names one form: a flag (the argument is exactly the name), a joined
// form (the value follows the name in the same argument), a separate form
// (the value is the next argument) or either of the last two. The reader
// takes the row with the longest name that fits, checks the value against
// the row's value kind and runs the row's action on the request.
#include "toolchain/tev-gcc/tev_options.h"

#include <cstring>

#include "common/msgnum.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre.h"
#include "toolchain/tev-gcc/tev_values.h"

namespace {

enum class Form : uint8_t { flag, joined, next, joined_or_next };


struct Context;
using Action = void (*)(Context& ctx, const std::string& value);

struct Row {
  const char* name;
  Form form;
  tev_value value;
  Action action;
};

struct Context {
  tev_request& request;
  std::vector<std::string> linker;     // "-Wl," pieces and "-Xlinker" values, in order
  std::vector<std::string> assembler;  // "-Wa," pieces and "-Xassembler" values
};

std::vector<std::string> split_commas(const std::string& text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    if (comma > start) pieces.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return pieces;
}

void parse_list(const Row* rows, size_t count, const std::vector<std::string>& args, Context& ctx,
                uint32_t unknown, bool inputs_allowed);

// ---- Actions ----

tev_request& req(Context& ctx) { return ctx.request; }

template <tev_stage S>
void set_stage(Context& ctx, const std::string&) {
  req(ctx).stage = S;
}

template <char Level>
void set_optimize(Context& ctx, const std::string&) {
  req(ctx).optimize = Level;
}

#define TEV_FLAG(field) [](Context& ctx, const std::string&) { req(ctx).field = true; }
#define TEV_CLEAR(field) [](Context& ctx, const std::string&) { req(ctx).field = false; }
#define TEV_TEXT(field) [](Context& ctx, const std::string& v) { req(ctx).field = v; }
#define TEV_APPEND(field) [](Context& ctx, const std::string& v) { req(ctx).field.push_back(v); }
// Accepted and checked, with nothing for this program to do.
constexpr Action kAccept = [](Context&, const std::string&) {};

void define(Context& ctx, const std::string& v) { req(ctx).macros.push_back({true, v}); }
void undefine(Context& ctx, const std::string& v) { req(ctx).macros.push_back({false, v}); }

void set_language(Context& ctx, const std::string& v) {
  constexpr std::pair<const char*, tev_lang> kLanguages[] = {
      {"c", tev_lang::c}, {"cpp-output", tev_lang::preprocessed}, {"assembler", tev_lang::assembler},
      {"assembler-with-cpp", tev_lang::assembler_cpp}, {"none", tev_lang::none}};
  for (const auto& [name, lang] : kLanguages)
    if (v == name) req(ctx).forced_lang = lang;
}

void dependencies(Context& ctx, bool only, bool user_only) {
  tev_request& r = req(ctx);
  (only ? r.deps_only : r.deps_write) = true;
  r.deps_user_only = user_only;
}

void pack(Context& ctx, const std::string& v) {
  if (!path_is_dir(v.c_str()))
    tc_raise(kMsgNoPack, v.c_str());
  else if (!path_is_dir(sc_pathJoin(v.c_str(), "tev")))
    tc_raise(kMsgPackLacksFamily, v.c_str(), "tev");
  req(ctx).pack = v;
}

void verbose(Context& ctx, const std::string&) { ++req(ctx).verbose; }

void set_help_class(Context& ctx, const std::string& v) {
  req(ctx).help = true;
  req(ctx).help_class = v;
}

void linker_pieces(Context& ctx, const std::string& v) {
  for (const std::string& piece : split_commas(v)) ctx.linker.push_back(piece);
}
void linker_value(Context& ctx, const std::string& v) { ctx.linker.push_back(v); }
void assembler_pieces(Context& ctx, const std::string& v) {
  for (const std::string& piece : split_commas(v)) ctx.assembler.push_back(piece);
}
void assembler_value(Context& ctx, const std::string& v) { ctx.assembler.push_back(v); }
void preprocessor_pieces(Context& ctx, const std::string& v);
void preprocessor_value(Context& ctx, const std::string& v);

// ---- Tables ----

using enum Form;
using enum tev_value;

// clang-format off
const Row kDriverRows[] = {
    // stages and output
    {"-c",                         flag,           none,       set_stage<tev_stage::compile>},
    {"-S",                         flag,           none,       set_stage<tev_stage::assembly>},
    {"-E",                         flag,           none,       set_stage<tev_stage::preprocess>},
    {"-o",                         joined_or_next, text,       TEV_TEXT(output)},
    {"-x",                         joined_or_next, language,   set_language},
    {"-v",                         flag,           none,       verbose},
    {"-V",                         flag,           none,       verbose},
    {"-###",                       flag,           none,       TEV_FLAG(show_only)},
    {"-save-temps",                flag,           none,       kAccept},
    {"--version",                  flag,           none,       TEV_FLAG(version)},
    {"--help",                     flag,           none,       TEV_FLAG(help)},
    {"--help=",                    joined,         help_class, set_help_class},
    {"--target-help",              flag,           none,       TEV_FLAG(target_help)},
    // preprocessor
    {"-D",                         joined_or_next, macro,      define},
    {"-U",                         joined_or_next, identifier, undefine},
    {"-I",                         joined_or_next, text,       TEV_APPEND(include_dirs)},
    {"-C",                         flag,           none,       TEV_FLAG(keep_comments)},
    {"-H",                         flag,           none,       TEV_FLAG(list_headers)},
    {"-P",                         flag,           none,       TEV_FLAG(no_line_markers)},
    {"-dM",                        flag,           none,       TEV_FLAG(dump_macros)},
    {"-nostdinc",                  flag,           none,       TEV_FLAG(nostdinc)},
    {"-M",                         flag,           none,       [](Context& c, const std::string&) { dependencies(c, true, false); }},
    {"-MM",                        flag,           none,       [](Context& c, const std::string&) { dependencies(c, true, true); }},
    {"-MD",                        flag,           none,       [](Context& c, const std::string&) { dependencies(c, false, false); }},
    {"-MMD",                       flag,           none,       [](Context& c, const std::string&) { dependencies(c, false, true); }},
    {"-MF",                        joined_or_next, text,       TEV_TEXT(deps_file)},
    {"-MT",                        joined_or_next, text,       TEV_APPEND(deps_targets)},
    {"-MQ",                        joined_or_next, text,       TEV_APPEND(deps_quoted_targets)},
    {"-MP",                        flag,           none,       TEV_FLAG(deps_phony)},
    {"-Wp,",                       joined,         text,       preprocessor_pieces},
    {"-Xpreprocessor",             next,           text,       preprocessor_value},
    // language
    {"-ansi",                      flag,           none,       [](Context& c, const std::string&) { req(c).standard = "c90"; }},
    {"-std=",                      joined,         standard,   TEV_TEXT(standard)},
    {"-funsigned-char",            flag,           none,       TEV_FLAG(unsigned_char)},
    {"-fno-signed-char",           flag,           none,       TEV_FLAG(unsigned_char)},
    {"-fsigned-char",              flag,           none,       TEV_CLEAR(unsigned_char)},
    {"-fno-unsigned-char",         flag,           none,       TEV_CLEAR(unsigned_char)},
    // optimisation and code generation
    {"-O",                         flag,           none,       set_optimize<'1'>},
    {"-O0",                        flag,           none,       set_optimize<'0'>},
    {"-O1",                        flag,           none,       set_optimize<'1'>},
    {"-O2",                        flag,           none,       set_optimize<'2'>},
    {"-O3",                        flag,           none,       set_optimize<'3'>},
    {"-Os",                        flag,           none,       set_optimize<'s'>},
    {"-Og",                        flag,           none,       set_optimize<'g'>},
    {"-flocal",                    flag,           none,       kAccept},
    {"-fasmfile",                  flag,           none,       kAccept},
    {"-finstrument-functions",     flag,           none,       kAccept},
    {"-fno-instrument-functions",  flag,           none,       kAccept},
    {"-fmax-errors=",              joined,         decimal,    kAccept},
    {"-g",                         flag,           none,       TEV_FLAG(debug_info)},
    {"-gdwarf-3",                  flag,           none,       TEV_FLAG(debug_info)},
    {"-nostdlib",                  flag,           none,       [](Context& c, const std::string&) { req(c).nostartfiles = req(c).nodefaultlibs = true; }},
    {"-nodefaultlibs",             flag,           none,       TEV_FLAG(nodefaultlibs)},
    {"-nostartfiles",              flag,           none,       TEV_FLAG(nostartfiles)},
    // warnings
    {"-w",                         flag,           none,       TEV_FLAG(no_warnings)},
    {"-Werror",                    flag,           none,       TEV_FLAG(warnings_are_errors)},
    {"-Wno-error",                 flag,           none,       TEV_CLEAR(warnings_are_errors)},
    {"-Werror=",                   joined,         warning,    kAccept},
    {"-Wno-error=",                joined,         warning,    kAccept},
    {"-Wno-",                      joined,         warning,    kAccept},
    {"-W",                         joined,         warning,    kAccept},
    // the tools behind the driver
    {"-Wl,",                       joined,         text,       linker_pieces},
    {"-Xlinker",                   next,           text,       linker_value},
    {"-Wa,",                       joined,         text,       assembler_pieces},
    {"-Xassembler",                next,           text,       assembler_value},
    {"-l",                         joined_or_next, library,    TEV_APPEND(libraries)},
    {"-L",                         joined_or_next, text,       TEV_APPEND(library_dirs)},
    // device
    {"-mmcu=",                     joined,         device,     TEV_TEXT(mcu)},
    {"-mdevice=",                  joined,         device,     TEV_TEXT(mdevice)},
    // The front end selects the device from this form as well and hands it on as typed.
    {"-mprocessor=",               joined,         device,     TEV_TEXT(mcu)},
    {"-mdfp=",                     joined,         text,       pack},
    {"-mconst-data-in-progmem",    flag,           none,       TEV_FLAG(const_in_progmem)},
    {"-mno-const-data-in-progmem", flag,           none,       TEV_CLEAR(const_in_progmem)},
    {"-mskip-bug",                 flag,           none,       kAccept},
    {"-mext=",                     joined,         extension,  kAccept},
    {"-mcodecov=",                 joined,         coverage,   kAccept},
    {"-mcodeoffset=",              joined,         number,     kAccept},
    {"-msmart-io-format=",         joined,         smart_io,   kAccept},
    {"-mreserve=",                 joined,         reserve,    kAccept},
    {"--fill=",                    joined,         fill,       kAccept},
    {"-morv-stack-usage",          flag,           none,       kAccept},
    // start-up and run-time
    {"-mdownload",                 flag,           none,       kAccept},
    {"-mno-download",              flag,           none,       kAccept},
    {"-mdownload-hex",             flag,           none,       kAccept},
    {"-mno-download-hex",          flag,           none,       kAccept},
    {"-mstackcall",                flag,           none,       kAccept},
    {"-mno-stackcall",             flag,           none,       kAccept},
    {"-mconfig",                   flag,           none,       kAccept},
    {"-mno-config",                flag,           none,       kAccept},
    {"-mdefault-config-bits",      flag,           none,       kAccept},
    {"-mno-default-config-bits",   flag,           none,       kAccept},
    {"-mosccal",                   flag,           none,       kAccept},
    {"-mno-osccal",                flag,           none,       kAccept},
    {"-moscval",                   flag,           none,       kAccept},
    {"-moscval=",                  joined,         number,     kAccept},
    {"-mno-oscval",                flag,           none,       kAccept},
    {"-mivt=",                     joined,         number,     kAccept},
    {"-muse-ivt=",                 joined,         number,     kAccept},
    {"-mno-ivt",                   flag,           none,       kAccept},
    {"-mno-use-ivt",               flag,           none,       kAccept},
};

// What "-Wl," and "-Xlinker" may carry.
const Row kLinkerRows[] = {
    {"-Map=",            joined, text, TEV_TEXT(map_file)},
    {"-Map",             next,   text, TEV_TEXT(map_file)},
    {"--memorysummary",  next,   text, TEV_TEXT(summary_file)},
    {"--memorysummary=", joined, text, TEV_TEXT(summary_file)},
    {"--info-linker",    flag,   none, kAccept},
    {"--data-init",      flag,   none, kAccept},
    {"--no-data-init",   flag,   none, kAccept},
    {"--gc-sections",    flag,   none, TEV_FLAG(gc_sections)},
    {"--no-gc-sections", flag,   none, TEV_CLEAR(gc_sections)},
};

// What "-Wa," and "-Xassembler" may carry.
const Row kAssemblerRows[] = {
    {"-a",               flag,   none,    kAccept},
    {"-a",               joined, listing, kAccept},
    {"-g",               flag,   none,    kAccept},
    {"--fatal-warnings", flag,   none,    kAccept},
    {"--warn",           flag,   none,    kAccept},
    {"--no-warn",        flag,   none,    kAccept},
    {"-W",               flag,   none,    kAccept},
};

// What "-Wp," and "-Xpreprocessor" may carry.
const Row kPreprocessorRows[] = {
    {"-v",        flag,           none,       verbose},
    {"-D",        joined_or_next, macro,      define},
    {"-U",        joined_or_next, identifier, undefine},
    {"-I",        joined_or_next, text,       TEV_APPEND(include_dirs)},
    {"-C",        flag,           none,       TEV_FLAG(keep_comments)},
    {"-H",        flag,           none,       TEV_FLAG(list_headers)},
    {"-P",        flag,           none,       TEV_FLAG(no_line_markers)},
    {"-dM",       flag,           none,       TEV_FLAG(dump_macros)},
    {"-nostdinc", flag,           none,       TEV_FLAG(nostdinc)},
};
// clang-format on

// ---- Matching ----

// How much of arg a row's name covers; 0 when the row does not fit.
size_t fit(const Row& row, const std::string& arg) {
  size_t n = strlen(row.name);
  switch (row.form) {
    case flag:
    case next:
      return arg == row.name ? n : 0;
    case joined:
      return arg.size() > n && arg.compare(0, n, row.name) == 0 ? n : 0;
    case joined_or_next:
      return arg.compare(0, n, row.name) == 0 ? n : 0;
  }
  return 0;
}

const Row* find_row(const Row* rows, size_t count, const std::string& arg) {
  const Row* best = nullptr;
  size_t best_length = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t n = fit(rows[i], arg);
    // A flag that fits exactly wins over a joined form of the same name.
    if (n > best_length || (n == best_length && n > 0 && rows[i].form == flag)) best = &rows[i], best_length = n;
  }
  return best;
}

// Applies one row to args[i]; the number of following arguments it used.
size_t apply(const Row& row, const std::vector<std::string>& args, size_t i, Context& ctx) {
  const std::string& arg = args[i];
  std::string value;
  size_t used = 0;
  size_t n = strlen(row.name);
  if (row.form == joined || (row.form == joined_or_next && arg.size() > n)) {
    value = arg.substr(n);
  } else if (row.form == next || row.form == joined_or_next) {
    if (i + 1 >= args.size()) {
      tc_raise(kMsgMissingValue, arg.c_str());
      return 0;
    }
    value = args[i + 1];
    used = 1;
  }
  if (!tev_value_ok(row.value, value)) {
    tc_raise(kMsgBadValueForOption, value.c_str(), arg.c_str());
    return used;
  }
  row.action(ctx, value);
  return used;
}

void add_input(Context& ctx, const std::string& arg) {
  if (arg[0] == '@') {
    tc_raise(kMsgCannotReadCommandFile, arg.c_str() + 1);
    return;
  }
  // What a name does not tell is settled by the run: the contents of a file,
  // the stage for standard input.
  tev_lang lang = ctx.request.forced_lang;
  if (lang == tev_lang::none && arg != kTcStdin) lang = tev_lang_of(arg);
  ctx.request.inputs.push_back({arg, lang});
}

void parse_list(const Row* rows, size_t count, const std::vector<std::string>& args, Context& ctx,
                uint32_t unknown, bool inputs_allowed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (inputs_allowed && (arg.empty() || arg[0] != '-' || arg == kTcStdin)) {
      if (!arg.empty()) add_input(ctx, arg);
      continue;
    }
    const Row* row = find_row(rows, count, arg);
    if (!row) {
      tc_raise(unknown, arg.c_str());
      continue;
    }
    i += apply(*row, args, i, ctx);
  }
}

template <size_t N>
void parse_table(const Row (&rows)[N], const std::vector<std::string>& args, Context& ctx, uint32_t unknown,
                 bool inputs_allowed) {
  parse_list(rows, N, args, ctx, unknown, inputs_allowed);
}

void preprocessor_pieces(Context& ctx, const std::string& v) {
  parse_table(kPreprocessorRows, split_commas(v), ctx, kMsgPreUnknownOption, false);
}

void preprocessor_value(Context& ctx, const std::string& v) {
  parse_table(kPreprocessorRows, {v}, ctx, kMsgPreUnknownOption, false);
}

}  // namespace

tev_lang tev_lang_of(const std::string& path) {
  constexpr std::pair<const char*, tev_lang> kExtensions[] = {
      {".c", tev_lang::c},           {".i", tev_lang::preprocessed}, {".s", tev_lang::assembler},
      {".S", tev_lang::assembler_cpp}, {".sx", tev_lang::assembler_cpp}, {".o", tev_lang::object},
      {".a", tev_lang::object},
  };
  // Both separators on Windows, where "/" also separates.
  std::string base = path.substr(path.find_last_of(kNativePathStyle == PathStyle::windows ? "\\/" : "/") + 1);
  size_t dot = base.rfind('.');
  if (dot == std::string::npos || dot == 0) return tev_lang::none;
  std::string ext = base.substr(dot);
  for (const auto& [name, lang] : kExtensions)
    if (ext == name) return lang;
  return tev_lang::none;
}

bool tev_parse_options(const std::vector<std::string>& args, tev_request& request) {
  uint32_t errors_before = tc_diag_errors();
  Context ctx{request, {}, {}};
  parse_table(kDriverRows, args, ctx, kMsgUnknownOption, true);
  parse_table(kLinkerRows, ctx.linker, ctx, kMsgUnknownLinkerOption, false);
  parse_table(kAssemblerRows, ctx.assembler, ctx, kMsgUnknownAssemblerOption, false);
  return tc_diag_errors() == errors_before;
}
