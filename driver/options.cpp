// The option table's lookup, the taking of a row's value, the translation
// of one argument by its row and the walk over an argument vector, with the
// building blocks the option handlers use.
#include "driver/options.h"

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/fileutils.h"
#include "common/hash.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {

hashtable* g_lookup = nullptr;
uint32_t g_mask = 0;
std::string g_separators;

// The row under the first length characters of key (all of it for npos).
// Lookups build their key in a local buffer: interning every argument's
// candidate keys would fill the string cache with texts nobody keeps.
const option_row* find(hashtable* table, const char* key, const char* group, size_t length = std::string::npos) {
  if (!table) return nullptr;
  std::string full;
  if (group) full.append("<").append(group).append(">");
  full.append(key, length == std::string::npos ? strlen(key) : length);
  return static_cast<const option_row*>(hash_lookup(table, full.c_str()));
}

// The separators of a list row's "TAG:separators" field; a malformed field
// ends the program (it cannot happen with the table as it is).
const char* group_separators(const char* field) {
  const char* colon = field ? strchr(field, ':') : nullptr;
  if (!colon || !colon[1]) {
    alert_raise(kMsgBadSyntax, field ? field : "unknown");
    cleanup(1);
  }
  return colon + 1;
}

const char* group_tag(const char* field) {
  const char* separators = group_separators(field);
  return sc_substr(field, static_cast<size_t>(separators - 1 - field));
}

// The row under its key, with the group's "<tag>" in front for a
// sub-option. A plain name is its own key (the table lives as long as the
// program); a key that has to be built is built here and interned once.
void insert_key(const option_row& row, int (*convert)(int)) {
  void* value = const_cast<option_row*>(&row);  // the lookup table holds untyped pointers; rows stay const
  if (!convert && !(row.flags & OPT_SUBOPTION)) {
    hash_insert(g_lookup, row.name, value);
    return;
  }
  std::string key;
  if ((row.flags & OPT_SUBOPTION) && row.group) key.append("<").append(row.group).append(">");
  for (const char* c = row.name; *c; ++c)
    key += convert ? static_cast<char>(convert(static_cast<unsigned char>(*c))) : *c;
  hash_insert(g_lookup, sc_intern(key.c_str()), value);
}

void register_row(const option_row& row) {
  if (row.flags & OPT_CASEFOLD) {
    insert_key(row, tolower);
    insert_key(row, toupper);
  } else {
    insert_key(row, nullptr);
  }
  if (row.takes == Takes::list)
    for (const char* c = group_separators(row.group); *c; ++c)
      if (g_separators.find(*c) == std::string::npos) g_separators += *c;
}

// The length of the key cut at the end of its first run of non-separator
// characters; npos when it has no such run.
size_t cut_length(const char* key) {
  size_t start = strspn(key, g_separators.c_str());
  if (!key[start]) return std::string::npos;
  return start + strcspn(key + start, g_separators.c_str());
}

constexpr const char* kStandardInput = "-";

void remember_input(const char* name) {
  OptionState& state = option_state();
  if (!state.inputs) state.inputs = vec_new();
  vec_push(state.inputs, sc_intern(name));
}

// An input that "-x" gives a language and whose name and contents say
// nothing (such as /dev/null): the legacy driver goes by names, so the
// first such input reaches it as its standard input.
bool needs_standard_input(const char* arg, uint64_t kind) {
  const OptionState& state = option_state();
  return arg && state.language && !state.stdin_file && (kind & ~kFileIdMissing) == FID_NONE;
}

void push(vector* out, const char* text) { vec_push(out, sc_intern(text)); }

// Standard input, "-", or the input that stands in for it: its language
// is the one "-x" gave, else C as the GNU driver takes it when it only
// preprocesses (without "-E" the closing options report it).
void standard_input(DeviceType family, const char* arg, vector* out) {
  OptionState& state = option_state();
  if (strcmp(arg, kStandardInput) == 0 && osd_isatty(stdin)) alert_raise(kMsgStdinIsTerminal);
  if (device_is_zir(family)) {
    if (strcmp(arg, kStandardInput) != 0) state.stdin_file = arg;
    remember_input(kStandardInput);
    if (!state.language) state.stdin_without_language = true;
    if (state.language && strcmp(state.language, "assembler-with-cpp") == 0) {
      state.asm_source_seen = state.asm_cpp_seen = true;
    } else if (state.language && strcmp(state.language, "assembler") == 0) {
      state.asm_source_seen = true;
    } else {
      state.c_source_seen = true;
    }
  }
  push(out, kStandardInput);
}

// ---- Taking a row's value ----

// What an argument's row took: its value (null when there is none) and how
// many following arguments that consumed.
struct Taken {
  const char* value = nullptr;
  uint32_t consumed = 0;
};

[[noreturn]] void malformed(const char* arg) {
  alert_raise(kMsgBadSyntax, arg);
  cleanup(1);
}

[[noreturn]] void missing_argument(const char* arg) {
  alert_raise(kMsgMissingArgument, arg);
  cleanup(1);  // the message is fatal; this only makes the end explicit
}

const char* next_argument(const char* arg, const vector* args, uint32_t index) {
  if (index + 1 >= vec_size(args)) missing_argument(arg);
  return vec_get_as<const char*>(args, index + 1);
}

// Whether the action uses the row's value, and whether it must be there.
bool uses_value(Action action) {
  return action == Action::value || action == Action::value_or_text || action == Action::take ||
         action == Action::checked || action == Action::handler;
}
bool needs_value(Action action) {
  return action == Action::value || action == Action::take || action == Action::checked;
}

Taken take_value(const option_row& row, Action action, const char* arg, const vector* args, uint32_t index) {
  const size_t name_length = strlen(row.name);
  const bool glued = strlen(arg) > name_length;
  switch (row.takes) {
    case Takes::nothing:
    case Takes::list:
      return {};
    case Takes::self:
      return {arg};
    case Takes::equals: {
      const char* at = strchr(arg, '=');
      if (needs_value(action) && (!at || !at[1])) malformed(arg);
      return {at ? at + 1 : nullptr};
    }
    case Takes::glued:
      return {arg + name_length};
    case Takes::next:
      return {next_argument(arg, args, index), 1};
    case Takes::either:
      if (glued) return {arg + name_length};
      return {next_argument(arg, args, index), 1};
    case Takes::equals_or_next: {
      if (glued) return {skipTo(arg, '=') + 1};
      const char* next = next_argument(arg, args, index);
      if (next[0] == '-') missing_argument(arg);
      return {next, 1};
    }
    case Takes::file_or_next: {
      if (glued) return {arg + name_length + (arg[name_length] == '=' ? 1 : 0)};
      const char* next = next_argument(arg, args, index);
      if (next[0] == '-') return {};
      return {next, 1};
    }
  }
  return {};
}

const Translation& translation_for(const option_row& row, DeviceType family) {
  return device_is_zir(family) ? row.zir : device_is_tev(family) ? row.tev : row.none;
}

// Appends what the translation makes of arg and its value.
void apply(const option_row& row, const Translation& t, DeviceType family, const char* arg, const char* value,
           vector* out) {
  switch (t.action) {
    case Action::nothing:
    case Action::take:
      break;
    case Action::unchanged:
      push(out, arg);
      if (row.takes == Takes::next) push(out, value);
      break;
    case Action::checked:
      push(out, arg);
      break;
    case Action::text:
      for (const char* text : t.text)
        if (text) push(out, text);
      break;
    case Action::value:
      vec_push(out, sc_concat(t.text[0], value));
      break;
    case Action::value_or_text:
      vec_push(out, value ? sc_concat(t.text[0], value) : sc_intern(t.text[1]));
      break;
    case Action::unsupported:
      option_unsupported(arg);
      break;
    case Action::handler:
      row.handler(row, family, arg, value, out);
      break;
  }
  if (t.flag) option_state().*t.flag = true;
}

// ---- Lists of sub-options ----

// The sub-options of a "-Wl,..." style argument: the text one character
// after the row's name, split at the row's separators. An argument that is
// just the name has none.
vector* suboption_list(const option_row& row, const char* arg) {
  size_t name_length = strlen(row.name);
  const char* text = strlen(arg) > name_length ? arg + name_length + 1 : "";
  return sc_split(text, group_separators(row.group));
}

// When none of the sub-options gave anything, the whole argument: for ZIR
// each sub-option by the list's translation, for TEV the argument as typed.
// A list row that is nothing without its list refuses the bare name.
void whole_list(const option_row& row, DeviceType family, const char* arg, vector* pieces, vector* out) {
  if (!device_is_zir(family) && !device_is_tev(family)) return;
  if ((row.flags & OPT_LIST_REQUIRED) && strcmp(arg, row.name) == 0) {
    alert_raise(kMsgBadSyntax, arg);
    return;
  }
  if (device_is_tev(family)) {
    push(out, arg);
    return;
  }
  for (const char* piece : VecItems<const char*>(pieces)) apply(row, row.zir, family, piece, piece, out);
}

void translate_list(const option_row& row, DeviceType family, const char* arg, vector* out) {
  vector* pieces = suboption_list(row, arg);
  vector* translated = vec_new();
  for (uint32_t i = 0; i < vec_size(pieces); ++i) i += option_translate(pieces, i, family, translated, &row);
  if (vec_size(translated) == 0) whole_list(row, family, arg, pieces, out);
  vec_append(out, translated);
  vec_free(translated);
  vec_free(pieces);
}

}  // namespace

void options_initialize(uint32_t mask) {
  DB_ENTER("0x%x", mask);
  option_state().verbosity = 0;
  if (g_lookup && mask == g_mask) {
    DB_EXIT("already initialized");
    return;
  }
  if (g_lookup) hash_free(g_lookup);
  g_lookup = hash_new(kOptionLookupBuckets, hash_string, hash_string_compare);
  g_mask = mask;
  g_separators.assign(1, '=');
  for (const option_row* row = option_table; row->name; ++row)
    if (row->flags & mask) register_row(*row);
  DB_EXIT("separators \"%s\"", g_separators.c_str());
}

hashtable* options_table() { return g_lookup; }

bool option_registered(const option_row& row) { return g_lookup && (row.flags & g_mask); }

bool option_takes_next(const option_row& row, const char* arg) {
  if (strcmp(row.name, arg) != 0) return false;
  switch (row.takes) {
    case Takes::next:
    case Takes::either:
    case Takes::equals_or_next:
    case Takes::file_or_next:
      return true;
    default:
      return false;
  }
}

const option_row* option_prefix_lookup(hashtable* table, const char* key, const char* group, uint32_t n) {
  if (!key || n >= strlen(key)) return nullptr;
  const option_row* row = find(table, key, group, n);
  return row && (row->flags & OPT_PREFIX) ? row : nullptr;
}

const option_row* option_lookup(hashtable* table, const char* key, const char* group) {
  DB_ENTER("key=%s, suboption=%s", key ? key : "(null)", group ? group : "not set");
  const option_row* row = key ? find(table, key, group) : nullptr;
  if (!row && key && strlen(key) >= 3) {
    if (size_t cut = cut_length(key); cut != std::string::npos) row = find(table, key, group, cut);
    if (!row) row = option_prefix_lookup(table, key, group, 5);
    if (!row) row = option_prefix_lookup(table, key, group, 2);
  }
  if (row)
    DB_EXIT("found: %s, %s", row->name, row->help);
  else
    DB_EXIT("not found");
  return row;
}

uint32_t option_translate(vector* args, uint32_t index, DeviceType family, vector* out, const option_row* parent) {
  const char* arg = vec_get_as<const char*>(args, index);
  const char* tag = parent ? group_tag(parent->group) : nullptr;
  const option_row* row = option_lookup(g_lookup, arg, tag);
  DB_ENTER("%s as %s", arg, row ? row->name : parent ? parent->name : "no row");
  if (!row && parent) {
    // A sub-option without a row of its own: the list's translation, with
    // the sub-option as its value.
    const Translation& t = translation_for(*parent, family);
    if (uses_value(t.action) || t.action == Action::text) apply(*parent, t, family, arg, arg, out);
    DB_EXIT("0");
    return 0;
  }
  if (!row) {
    option_default(family, arg, out);
    if (device_is_zir(family) && arg[0] == '-' && strcmp(arg, kStandardInput) != 0) alert_raise(kMsgUnrecognized, arg);
    DB_EXIT("0");
    return 0;
  }
  if (row->always) option_state().*row->always = true;
  if (row->takes == Takes::list) {
    translate_list(*row, family, arg, out);
    DB_EXIT("0");
    return 0;
  }
  const Translation& t = translation_for(*row, family);
  Taken taken = uses_value(t.action) || (t.action == Action::unchanged && row->takes == Takes::next)
                    ? take_value(*row, t.action, arg, args, index)
                    : Taken{};
  apply(*row, t, family, arg, taken.value, out);
  DB_EXIT("%u", taken.consumed);
  return taken.consumed;
}

vector* options_handler(vector* args, DeviceType family, bool closing) {
  DB_ENTER("%u arguments, device type %u", vec_size(args), family);
  vector* out = vec_new();
  for (uint32_t i = 0; i < vec_size(args); ++i) i += option_translate(args, i, family, out);
  if (closing) options_closing(family, out);
  DB_EXIT("%u options", vec_size(out));
  return out;
}

void option_default(DeviceType family, const char* arg, vector* out) {
  if (arg && strcmp(arg, kStandardInput) == 0) return standard_input(family, arg, out);
  if ((!arg || arg[0] != '-') && device_is_zir(family)) {
    OptionState& state = option_state();
    uint64_t kind = fileid(arg);
    if (needs_standard_input(arg, kind)) return standard_input(family, arg, out);
    remember_input(arg);
    if (fileid_is_c(kind) || kind == FID_I || kind == FID_PRE) {
      state.c_source_seen = true;
    } else if (fileid_is_asm_fid(kind)) {
      state.asm_source_seen = true;
      if ((kind & FID_ASM_PREPROCESSED) == FID_ASM_PREPROCESSED) state.asm_cpp_seen = true;
    }
  }
  if (arg) push(out, arg);
}

const char* skipTo(const char* text, char ch) {
  const char* at = text ? strchr(text, ch) : nullptr;
  if (!at || !at[1]) {
    DbScope db_scope_(__FILE__, __LINE__, "skipTo");
    if (lumodebug_flagword) {
      db_scope_.enter("%s", text ? text : "(null)");
      db_scope_.leave(__LINE__, "malformed option: %s\n", text ? text : "unknown");
    }
    malformed(text ? text : "unknown");
  }
  return at;
}

const char* option_required(const char* arg, const char* value) {
  if (!value || !*value) malformed(arg);
  return value;
}

void option_unsupported(const char* arg) { alert_raise(kMsgNotSupported, arg); }

void option_push(vector* out, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  vec_push(out, sc_vprintf(format, ap));
  va_end(ap);
}

bool option_matches(const char* arg, ...) {
  if (!arg || arg[0] != '-') return false;
  va_list ap;
  va_start(ap, arg);
  bool found = false;
  while (const char* name = va_arg(ap, const char*)) {
    size_t n = strlen(name);
    if (n > 0 && strncmp(arg, name, n) == 0) {
      found = true;
      break;
    }
  }
  va_end(ap);
  return found;
}
