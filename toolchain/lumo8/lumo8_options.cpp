// The option language lumo8-cc writes for ZIR devices. Every form lumo8
// accepts is a row of kOptions; a row says how the argument is matched,
// which values it may carry and what it sets. Anything that matches no row,
// or matches a row with a value the row does not allow, is refused.
#include "toolchain/lumo8/lumo8_options.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/alert.h"
#include "common/msgnum.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"

namespace {

enum class Form : uint8_t {
  exact,     // the argument is the name
  value,     // the name ends in "="; the rest is the value
  prefix,    // the name is followed by a non-empty value
  optional,  // the name alone, or the name, "=" and a value
};

using Check = bool (*)(const char* value);
using Apply = void (*)(l8_config& config, const char* value);

struct Option {
  const char* name;
  Form form;
  const char* words;  // the values allowed, "|"-separated; null: see check
  Check check;        // null (and no words): any non-empty value
  Apply apply;        // null: accepted, nothing to remember
  // Optional forms: the name in any letter case; others: the words.
  bool nocase = false;
};

bool one_of(const char* value, const char* words, bool nocase) {
  std::string_view list(words);
  size_t length = strlen(value);
  while (!list.empty()) {
    size_t bar = list.find('|');
    std::string_view word = list.substr(0, bar);
    if (word.size() == length &&
        (nocase ? strncasecmp(word.data(), value, length) : strncmp(word.data(), value, length)) == 0)
      return true;
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return false;
}

bool digits(const char* text) {
  if (!*text) return false;
  for (; *text; ++text)
    if (!isdigit(static_cast<unsigned char>(*text))) return false;
  return true;
}

bool positive_number(const char* value) { return digits(value) && strtoul(value, nullptr, 10) > 0; }

bool warning_level(const char* value) {
  const char* number = (*value == '-' || *value == '+') ? value + 1 : value;
  return digits(number) && strlen(number) == 1;
}

// A decimal or hexadecimal address.
bool address(const char* value) {
  if (value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
    if (!value[2]) return false;
    for (const char* p = value + 2; *p; ++p)
      if (!isxdigit(static_cast<unsigned char>(*p))) return false;
    return true;
  }
  return digits(value);
}

// "0" (every warning), or "N:off".
bool msgdisable(const char* value) {
  if (strcmp(value, "0") == 0) return true;
  const char* colon = strchr(value, ':');
  if (!colon || strcmp(colon, ":off") != 0) return false;
  std::string number(value, static_cast<size_t>(colon - value));
  return positive_number(number.c_str());
}

// "all" or a message number, after "--Werror=" or "--Wno-error=".
bool werror_value(const char* value) { return strcasecmp(value, "all") == 0 || positive_number(value); }

struct RuntimeKeyword {
  const char* name;
  const char* signs;  // the signs lumo8-cc writes for it
  bool takes_value;   // ":value" may follow (and may be empty)
};
constexpr RuntimeKeyword kRuntimeKeywords[] = {
    {"flp", "+-", false},      {"clib", "-", false},      {"no_startup", "+", false}, {"cinc", "-", false},
    {"clear", "+-", false},    {"init", "+-", false},     {"c90lib", "+", false},     {"plib", "+-", false},
    {"keep", "+-", false},     {"clink", "+-", false},    {"cmacros", "+-", false},   {"resetbits", "+-", false},
    {"download", "+-", false}, {"stackcall", "+-", false}, {"config", "+-", false},   {"osccal", "+-", false},
    {"oscval", "+-", true},    {"ivt", "+-", true},
};

bool runtime(const char* value) {
  if (!*value) return false;
  const char sign = value[0];
  const char* keyword = value + 1;
  const char* colon = strchr(keyword, ':');
  size_t length = colon ? static_cast<size_t>(colon - keyword) : strlen(keyword);
  for (const RuntimeKeyword& k : kRuntimeKeywords)
    if (strlen(k.name) == length && strncmp(k.name, keyword, length) == 0)
      return strchr(k.signs, sign) && (!colon || k.takes_value);
  return false;
}

// "+word,-word,word,...": the summary's parts; a word without a sign is
// turned on.
bool summary(const char* value) {
  constexpr const char* kParts = "psect|mem|class|hex|file|sha1|sha256|xml|xmlfull|stack|stackfull";
  std::string list(value);
  if (list.empty() || list.back() == ',') return false;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const bool signed_item = !item.empty() && (item[0] == '+' || item[0] == '-');
    if (!one_of(item.c_str() + (signed_item ? 1 : 0), kParts, false)) return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

bool macro_name(const char* text) {
  if (!isalpha(static_cast<unsigned char>(*text)) && *text != '_') return false;
  for (++text; *text && *text != '=' && *text != '('; ++text)
    if (!isalnum(static_cast<unsigned char>(*text)) && *text != '_') return false;
  return true;
}

// The preprocessor options "-Z" passes on.
bool preprocessor(const char* value) {
  if (one_of(value, "-v|-H|-dM", false)) return true;
  if (sc_startsWith(value, "-D") || sc_startsWith(value, "-U")) return macro_name(value + 2);
  return sc_startsWith(value, "-I") && value[2];
}

l8_define define_from(const char* text, bool undefine) {
  const char* eq = undefine ? nullptr : strchr(text, '=');
  if (!eq) return {undefine, text, "1"};
  return {undefine, std::string(text, static_cast<size_t>(eq - text)), eq + 1};
}

void apply_preprocessor(l8_config& c, const char* value) {
  if (strcmp(value, "-v") == 0) c.list_search = true;
  if (strcmp(value, "-H") == 0) c.list_headers = true;
  if (strcmp(value, "-dM") == 0) c.defvals = true;
  if (value[1] == 'D' || value[1] == 'U') c.defines.push_back(define_from(value + 2, value[1] == 'U'));
  if (value[1] == 'I') c.include_dirs.emplace_back(value + 2);
}

// Each "--dep=" changes only what it names: lumo8-cc follows a -MMD with a
// plain "--dep=+gcc" of its own for -MF, which must not bring the system
// headers back or stop the compilation.
void apply_dep(l8_config& c, const char* value) {
  c.dep = true;
  std::string_view list(value);
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view word = list.substr(0, comma);
    if (word.ends_with("stop")) c.dep_stop = word[0] == '+';
    if (word.ends_with("sys")) c.dep_sys = word[0] == '+';
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
}

// clang-format off
const Option kOptions[] = {
    // What lumo8-cc always writes first.
    {"--lumo8cc",       Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.from_lumo8cc = true; }},
    {"-q",              Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.quiet = true; }},
    {"--opt=",          Form::value,  "none|+1|+2|+3|+s|+debug|+local|+asmfile", nullptr, nullptr},
    // Stages and outputs.
    {"--ver",           Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.version = true; }},
    {"-v",              Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { ++c.verbose; }},
    {"-V",              Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { ++c.verbose; }},
    {"-c",              Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.compile = true; }},
    {"--pass1",         Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.pass1 = true; }},
    {"-S",              Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.assembly = true; }},
    {"--pre",           Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.pre = true; }},
    {"-P",              Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.asm_cpp = true; }},
    {"-o",              Form::prefix, nullptr, nullptr, [](l8_config& c, const char* v) { c.output = v; }},
    {"--objdir=",       Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.objdir = v; }},
    {"--outdir=",       Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.outdir = v; }},
    {"--nodel",         Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.nodel = true; }},
    {"--info=",         Form::value,  "defvals|builtins", nullptr,
        [](l8_config& c, const char* v) { (strcmp(v, "defvals") == 0 ? c.defvals : c.builtins) = true; }},
    {"--dep=",          Form::value,  "+gcc|+gcc,+stop|+gcc,+sys,-stop|+gcc,+stop,-sys|+gcc,-sys,-stop", nullptr, apply_dep},
    {"--depfile=",      Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.depfile = v; }},
    {"--asmlist",       Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.asmlist = true; }},
    // Debugging information: the driver's own option, which lumo8-cc
    // passes on as it is.
    {"-g",              Form::exact,  nullptr, nullptr, nullptr},
    {"--callgraph=",    Form::value,  "none", nullptr, nullptr},
    // Preprocessor.
    {"-D",              Form::prefix, nullptr, macro_name, [](l8_config& c, const char* v) { c.defines.push_back(define_from(v, false)); }},
    {"-U",              Form::prefix, nullptr, macro_name, [](l8_config& c, const char* v) { c.defines.push_back(define_from(v, true)); }},
    {"-I",              Form::prefix, nullptr, nullptr, [](l8_config& c, const char* v) { c.include_dirs.emplace_back(v); }},
    {"-Z",              Form::prefix, nullptr, preprocessor, apply_preprocessor},
    // Language.
    {"--std=",          Form::value,  "c90|c99", nullptr, [](l8_config& c, const char* v) { c.c90 = strcmp(v, "c90") == 0; }},
    {"--char=",         Form::value,  "signed|unsigned", nullptr, [](l8_config& c, const char* v) { c.char_unsigned = v[0] == 'u'; }},
    {"--double=",       Form::value,  "24|32", nullptr, nullptr},
    {"--float=",        Form::value,  "24|32", nullptr, nullptr},
    {"--cp=",           Form::value,  "16|24|32", nullptr, nullptr},
    {"--ext=",          Form::value,  "cci", nullptr, nullptr, true},
    {"--strict",        Form::exact,  nullptr, nullptr, [](l8_config& c, const char*) { c.strict = true; }},
    // Code generation.
    {"--cacheconst=",   Form::value,  nullptr, nullptr, nullptr},
    {"--errors=",       Form::value,  nullptr, positive_number, nullptr},
    {"--output=",       Form::value,  "+elf:multilocs|+mcoff|+inhx32|+inhx032", nullptr, nullptr},
    {"--runtime=",      Form::value,  nullptr, runtime, [](l8_config& c, const char* v) {
        if (strcmp(v, "+no_startup") == 0) c.no_startup = true;
        if (strcmp(v, "-cinc") == 0) c.no_cinc = true; }},
    // Messages.
    {"--warn=",         Form::value,  nullptr, warning_level, [](l8_config& c, const char* v) { c.warn_level = atoi(v); }},
    {"--msgdisable=",   Form::value,  nullptr, msgdisable, [](l8_config& c, const char* v) {
        c.disabled.push_back(static_cast<uint32_t>(strtoul(v, nullptr, 10))); }},
    {"--errformat=",    Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.errformat = v; }},
    {"--warnformat=",   Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.warnformat = v; }},
    {"--msgformat=",    Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.msgformat = v; }},
    // Only the forms for every warning change how lumo8's own warnings count.
    {"--Werror",        Form::optional, nullptr, werror_value, [](l8_config& c, const char* v) {
        if (!*v || strcasecmp(v, "all") == 0) c.werror = true; }, true},
    {"--Wno-error",     Form::optional, nullptr, werror_value, [](l8_config& c, const char* v) {
        if (!*v || strcasecmp(v, "all") == 0) c.werror = false; }, true},
    // The passes behind lumo8: parser, assembler, linker.
    {"-R",              Form::prefix, nullptr, nullptr, nullptr},
    {"-A",              Form::prefix, nullptr, nullptr, nullptr},
    {"-L",              Form::prefix, nullptr, nullptr, nullptr},
    {"-M",              Form::prefix, nullptr, nullptr, [](l8_config& c, const char* v) { c.mapfile = v; }},
    {"--summary=",      Form::value,  nullptr, summary, [](l8_config& c, const char* v) {
        if (strstr(v, "+xml")) c.summary_xml = true; }},
    {"--summarydir=",   Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.summarydir = v; }},
    // Target.
    {"--chip=",         Form::value,  nullptr, nullptr, [](l8_config& c, const char* v) { c.chip = v; }},
    {"--dfp=",          Form::value,  nullptr, nullptr, nullptr},
    {"--addrqual=",     Form::value,  "ignore|request|require|reject", nullptr, nullptr},
    {"--emi=",          Form::value,  "wordwrite|byteselect|bytewrite", nullptr, nullptr},
    {"--errata=",       Form::value,  nullptr, nullptr, nullptr},
    {"--undefints=",    Form::value,  nullptr, nullptr, nullptr},
    {"--stack=",        Form::value,  nullptr, nullptr, nullptr},
    {"--heap=",         Form::value,  nullptr, nullptr, nullptr},
    {"--checksum=",     Form::value,  nullptr, nullptr, nullptr},
    {"--codeoffset=",   Form::value,  nullptr, address, nullptr},
    {"--debugger=",     Form::value,  nullptr, nullptr, nullptr},
    {"--serial=",       Form::value,  nullptr, nullptr, nullptr},
    {"--codecov=",      Form::value,  nullptr, nullptr, nullptr},
    {"--metadata=",     Form::value,  nullptr, nullptr, nullptr},
    {"--smartioformat=", Form::value, nullptr, nullptr, nullptr},
    {"--rom=",          Form::value,  nullptr, nullptr, nullptr},
    {"--ram=",          Form::value,  nullptr, nullptr, nullptr},
    {"--fill=",         Form::value,  nullptr, nullptr, nullptr},
    {"--maxizir",       Form::exact,  nullptr, nullptr, nullptr},
    {"--shroud",        Form::exact,  nullptr, nullptr, nullptr},
    // Implementation selections and the debug settings lumo8-cc hands on.
    {"--pragmaconfig",  Form::optional, nullptr, nullptr, nullptr},
    {"--hexwright",     Form::optional, nullptr, nullptr, nullptr},
    {"--imgconv",       Form::optional, nullptr, nullptr, nullptr},
    {"--sivt",          Form::optional, nullptr, nullptr, nullptr},
    {"--lumodebug=",    Form::value,  nullptr, nullptr, nullptr},
};
// clang-format on

bool starts(const char* arg, const char* name, bool nocase) {
  size_t n = strlen(name);
  return (nocase ? strncasecmp(arg, name, n) : strncmp(arg, name, n)) == 0;
}

bool value_allowed(const Option& row, const char* value) {
  if (row.words) return one_of(value, row.words, row.nocase);
  if (row.check) return row.check(value);
  return *value != '\0';
}

// The row whose form the argument has: its value in *value (null for exact
// and bare optional forms). Null when no row has this form.
const Option* find_row(const char* arg, const char** value) {
  for (const Option& row : kOptions) {
    size_t n = strlen(row.name);
    switch (row.form) {
      case Form::exact:
        if (strcmp(arg, row.name) == 0) return *value = nullptr, &row;
        break;
      case Form::value:
      case Form::prefix:
        if (starts(arg, row.name, false)) return *value = arg + n, &row;
        break;
      case Form::optional:
        if (starts(arg, row.name, row.nocase) && (arg[n] == '\0' || arg[n] == '='))
          return *value = arg[n] ? arg + n + 1 : nullptr, &row;
        break;
    }
  }
  return nullptr;
}

bool parse_option(const char* arg, l8_config* config) {
  const char* value = nullptr;
  const Option* row = find_row(arg, &value);
  if (!row) {
    tc_raise(kMsgUnknownOption, arg);
    return false;
  }
  if (value && !value_allowed(*row, value)) {
    tc_raise(kMsgBadValueInOption, arg);
    return false;
  }
  if (row->apply) row->apply(*config, value ? value : "");
  return true;
}

const char* format_value(const char* arg, const char* name) {
  size_t n = strlen(name);
  return strncmp(arg, name, n) == 0 && arg[n] ? arg + n : nullptr;
}

}  // namespace

bool l8_parse_options(const std::vector<const char*>& args, l8_config* config) {
  bool ok = true;
  for (const char* arg : args) {
    if (arg[0] == '@') {
      tc_raise(kMsgCannotReadCommandFile, arg + 1);
      ok = false;
    } else if (arg[0] == '-' && arg[1]) {  // "-" alone is standard input
      ok = parse_option(arg, config) && ok;
    } else {
      config->inputs.emplace_back(arg);
    }
  }
  return ok;
}

void l8_apply_formats(const std::vector<const char*>& args) {
  const char *err = nullptr, *warn = nullptr, *msg = nullptr;
  for (const char* arg : args) {
    if (const char* v = format_value(arg, "--errformat=")) err = v;
    if (const char* v = format_value(arg, "--warnformat=")) warn = v;
    if (const char* v = format_value(arg, "--msgformat=")) msg = v;
  }
  alert_override_formats(err, warn, msg);
}
