// The option table's lookup and the walk over an argument vector, with the
// building blocks every option handler uses.
#include "driver/options.h"

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/fileutils.h"
#include "common/hash.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"

namespace {

constexpr uint32_t kMsgBadSyntax = 1195;
constexpr uint32_t kMsgNotSupported = 1428;
constexpr uint32_t kMsgMissingArgument = 2041;
constexpr uint32_t kMsgUnrecognized = 2044;
constexpr uint32_t kMsgStdinIsTerminal = 2039;

hashtable* g_lookup = nullptr;
std::string g_separators;

// The row under the first length characters of key (all of it for npos).
// Lookups build their key in a local buffer: interning every argument's
// candidate keys would fill the string cache with texts nobody keeps.
const option_entry* find(hashtable* table, const char* key, const char* suboption, size_t length = std::string::npos) {
  if (!table) return nullptr;
  std::string full;
  if (suboption) full.append("<").append(suboption).append(">");
  full.append(key, length == std::string::npos ? strlen(key) : length);
  return static_cast<const option_entry*>(hash_lookup(table, full.c_str()));
}

// The group tag of a row that carries sub-options and its separators; a
// malformed field ends the program (it cannot happen with the table as it is).
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

// The row under its key, with the sub-option group's "<tag>" in front for a
// sub-option. A plain name is its own key (the table lives as long as the
// program); a key that has to be built is built here and interned once.
void insert_key(option_entry& row, int (*convert)(int)) {
  if (!convert && !(row.flags & OPT_SUBOPTION)) {
    hash_insert(g_lookup, row.name, &row);
    return;
  }
  std::string key;
  if ((row.flags & OPT_SUBOPTION) && row.suboption) key.append("<").append(row.suboption).append(">");
  for (const char* c = row.name; *c; ++c)
    key += convert ? static_cast<char>(convert(static_cast<unsigned char>(*c))) : *c;
  hash_insert(g_lookup, sc_intern(key.c_str()), &row);
}

void register_row(option_entry& row) {
  if (row.flags & OPT_CASEFOLD) {
    insert_key(row, tolower);
    insert_key(row, toupper);
  } else {
    insert_key(row, nullptr);
  }
}

void add_separators(const char* field) {
  for (const char* c = group_separators(field); *c; ++c)
    if (g_separators.find(*c) == std::string::npos) g_separators += *c;
}

// The length of the key cut at the end of its first run of non-separator
// characters; npos when it has no such run.
size_t cut_length(const char* key) {
  size_t start = strspn(key, g_separators.c_str());
  if (!key[start]) return std::string::npos;
  return start + strcspn(key + start, g_separators.c_str());
}

// The sub-options of a "-Wl,..." style argument: the text one character
// after the row's name, split at the row's separators. An argument that is
// just the name has none.
vector* suboption_list(const option_entry& row, const char* arg) {
  const char* separators = group_separators(row.suboption);
  size_t name_length = strlen(row.name);
  const char* text = strlen(arg) > name_length ? arg + name_length + 1 : "";
  return sc_split(text, separators);
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

// Standard input, "-", or the input that stands in for it: its language
// is the one "-x" gave, else C as the GNU driver takes it when it only
// preprocesses (without "-E" the closing options report it).
uint32_t standard_input(DeviceType device_type, vector* out, vector* args, uint32_t index) {
  OptionState& state = option_state();
  const char* arg = vec_get_as<const char*>(args, index);
  if (strcmp(arg, kStandardInput) == 0 && osd_isatty(stdin)) alert_raise(kMsgStdinIsTerminal);
  if (device_is_zir(device_type)) {
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
  return noTranslation(device_type, kStandardInput, out, args, index);
}

uint32_t handle_unknown(DeviceType device_type, const char* arg, vector* piece, vector* args, uint32_t index,
                        const option_entry* parent, const char* tag, option_handler default_handler) {
  uint32_t skip = default_handler(device_type, arg, piece, args, index);
  if (tag) {
    // Inside a sub-option list the parent row translates what has no row.
    vec_clear(piece);
    return parent->handler(device_type, arg, piece, args, index);
  }
  if (device_is_zir(device_type) && arg[0] == '-' && strcmp(arg, kStandardInput) != 0)
    alert_raise(kMsgUnrecognized, arg);
  return skip;
}

uint32_t handle_suboptions(DeviceType device_type, const option_entry& row, const char* arg, vector*& piece,
                           vector* args, uint32_t index, bool final, option_handler default_handler) {
  vector* list = suboption_list(row, arg);
  vector* translated = options_handler(list, device_type, &row, final, default_handler);
  vec_free(list);
  vec_free(piece);
  piece = translated;
  // Nothing came of the pieces: the row's handler sees the whole argument.
  if (vec_size(piece) == 0) return row.handler(device_type, arg, piece, args, index);
  return 0;
}

}  // namespace

void options_initialize(uint32_t mask, bool translate, hashtable* overrides) {
  DB_ENTER("0x%x, %d", mask, translate);
  option_state().verbosity = 0;
  if (g_lookup) {
    DB_EXIT("already initialized");
    return;
  }
  g_lookup = hash_new(kOptionLookupBuckets, hash_string, hash_string_compare);
  g_separators.assign(1, '=');
  for (option_entry* row = option_table; row->name; ++row) {
    if (overrides)
      if (auto* replacement = static_cast<const option_entry*>(hash_lookup(overrides, row->name))) {
        // The same name either way; the table's own text stays, as the
        // lookup table's key may be that text.
        const char* name = row->name;
        *row = *replacement;
        row->name = name;
      }
    if (!(row->flags & mask)) {
      row->handler = nullptr;
      continue;
    }
    if (row->flags & OPT_SUBOPTIONS) add_separators(row->suboption);
    register_row(*row);
    if (!translate && !(row->flags & OPT_ALWAYS)) row->handler = noTranslation;
  }
  DB_EXIT("separators \"%s\"", g_separators.c_str());
}

hashtable* options_table() { return g_lookup; }

const char* options_separators() { return g_separators.c_str(); }

const option_entry* option_prefix_lookup(hashtable* table, const char* key, const char* suboption, uint32_t n) {
  if (!key || n >= strlen(key)) return nullptr;
  const option_entry* row = find(table, key, suboption, n);
  return row && (row->flags & OPT_PREFIX) ? row : nullptr;
}

const option_entry* option_lookup(hashtable* table, const char* key, const char* suboption) {
  DB_ENTER("key=%s, suboption=%s", key ? key : "(null)", suboption ? suboption : "not set");
  const option_entry* row = key ? find(table, key, suboption) : nullptr;
  if (!row && key && strlen(key) >= 3) {
    if (size_t cut = cut_length(key); cut != std::string::npos) row = find(table, key, suboption, cut);
    if (!row) row = option_prefix_lookup(table, key, suboption, 5);
    if (!row) row = option_prefix_lookup(table, key, suboption, 2);
  }
  if (row)
    DB_EXIT("found: %s, %s", row->name, row->help);
  else
    DB_EXIT("not found");
  return row;
}

vector* options_handler(vector* args, DeviceType device_type, const option_entry* parent, bool final,
                        option_handler default_handler) {
  DB_ENTER("%u arguments, device type %u, parent %s", vec_size(args), device_type, parent ? parent->name : "none");
  vector* out = vec_new();
  const char* tag = parent && parent->suboption && *parent->suboption ? group_tag(parent->suboption) : nullptr;
  uint32_t skip = 0;
  for (uint32_t i = 0; i < vec_size(args); ++i) {
    if (skip > 0) {
      --skip;
      continue;
    }
    const char* arg = vec_get_as<const char*>(args, i);
    vector* piece = vec_new();
    const option_entry* row = option_lookup(g_lookup, arg, tag);
    if (!row || !row->handler)
      skip = handle_unknown(device_type, arg, piece, args, i, parent, tag, default_handler);
    else if (row->flags & OPT_SUBOPTIONS)
      skip = handle_suboptions(device_type, *row, arg, piece, args, i, final, default_handler);
    else
      skip = row->handler(device_type, arg, piece, args, i);
    vec_append(out, piece);
    vec_free(piece);
  }
  if (final && !tag) options_closing(device_type, out);
  DB_EXIT("%u options", vec_size(out));
  return out;
}

uint32_t option_default(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index) {
  if (arg && strcmp(arg, kStandardInput) == 0) return standard_input(device_type, out, args, index);
  if ((!arg || arg[0] != '-') && device_is_zir(device_type)) {
    OptionState& state = option_state();
    uint64_t kind = fileid(arg);
    if (needs_standard_input(arg, kind)) return standard_input(device_type, out, args, index);
    remember_input(arg);
    if (fileid_is_c(kind) || kind == FID_I || kind == FID_PRE) {
      state.c_source_seen = true;
    } else if (fileid_is_asm_fid(kind)) {
      state.asm_source_seen = true;
      if ((kind & FID_ASM_PREPROCESSED) == FID_ASM_PREPROCESSED) state.asm_cpp_seen = true;
    }
  }
  return noTranslation(device_type, arg, out, args, index);
}

uint32_t noTranslation(DeviceType, const char* arg, vector* out, vector*, uint32_t) {
  DB_ENTER("%s", arg ? arg : "(null)");
  if (arg) vec_push(out, sc_intern(arg));
  DB_EXIT();
  return 0;
}

const char* skipTo(const char* text, char ch) {
  const char* at = text ? strchr(text, ch) : nullptr;
  if (!at || !at[1]) {
    DbScope db_scope_(__FILE__, __LINE__, "skipTo");
    if (lumodebug_flagword) {
      db_scope_.enter("%s", text ? text : "(null)");
      db_scope_.leave(__LINE__, "malformed option: %s\n", text ? text : "unknown");
    }
    alert_raise(kMsgBadSyntax, text ? text : "unknown");
    cleanup(1);
  }
  return at;
}

const char* option_next(const char* option, const vector* args, uint32_t index) {
  if (index + 1 >= vec_size(args)) {
    alert_raise(kMsgMissingArgument, option);
    cleanup(1);  // the message is fatal; this only makes the end explicit
  }
  return vec_get_as<const char*>(args, index + 1);
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
