// The option table and its lookup: one literal row per option as typed on
// the command line, with its kind, help groups, help text and the handler
// that translates it into the option language of the family's driver.
//
// options_initialize turns the rows into a lookup table once per process;
// option_lookup finds the row of one argument (exact, cut at the first
// separator, then the 5- and 2-character prefixes); options_handler walks an
// argument vector, calls each row's handler (option_default when there is no
// row) and collects the translations, in argument order, then the closing
// options. All texts are interned; nothing here frees a text.
#pragma once

#include <cstdint>

struct vector;
struct hashtable;

// Device families as a bit set. Code tests masks: ZIR is type & 6, TEV is
// type & 8.
using DeviceType = uint32_t;
enum : DeviceType {
  DEVICE_NONE = 0,
  DEVICE_ZIR = 2,    // ZIR10/12/14/16
  DEVICE_ZIR18 = 4,
  DEVICE_TEV = 8,
};
inline bool device_is_zir(DeviceType t) { return (t & 6) != 0; }
inline bool device_is_tev(DeviceType t) { return (t & 8) != 0; }

// Flag bits of a row.
enum : uint32_t {
  OPT_COMMON = 0x1,
  OPT_OPTIMIZERS = 0x2,
  OPT_PARAMS = 0x4,
  OPT_TARGET = 0x8,
  OPT_WARNINGS = 0x10,
  OPT_UNDOCUMENTED = 0x20,
  OPT_HIDDEN = 0x40,       // never listed by the help
  OPT_PREFIX = 0x80,       // found from the first 5 or 2 characters of an argument
  OPT_JOINED = 0x100,      // help class: the value follows "="
  OPT_SEPARATE = 0x200,    // help class: the value is the next argument
  OPT_ENABLED = 0x400,     // registered
  OPT_CASEFOLD = 0x1000,   // registered in lower and in upper case
  OPT_SUBOPTIONS = 0x2000, // the rest of the argument is a list of sub-options
  OPT_SUBOPTION = 0x4000,  // a sub-option, found only inside its group
  OPT_ALTSET = 0x8000,     // member of an option set this program never selects
  OPT_ALWAYS = 0x10000,    // keeps its handler when the table is set up without translation
};

// Translates args[index] (== arg) into out; returns how many of the
// following elements of args it consumed as its value (0 or 1).
using option_handler = uint32_t (*)(DeviceType device_type, const char* arg, vector* out, vector* args,
                                    uint32_t index);

struct option_entry {
  uint32_t flags;
  const char* name;       // null in the terminating row
  const char* suboption;  // group tag of a sub-option row; "TAG:separators" of a row that carries them
  const char* help;
  option_handler handler; // cleared for rows that are not registered
};

// The rows, in table order, closed by a row without name.
extern option_entry option_table[];
inline constexpr uint32_t kOptionTableRows = 159;
inline constexpr uint32_t kOptionLookupBuckets = 127;

// Builds the lookup table and the separator set once; every call resets the
// verbosity count. Rows without a bit of mask are not registered; with
// translate false, handlers of rows without OPT_ALWAYS become noTranslation.
// overrides: optional table of replacement rows keyed by name.
void options_initialize(uint32_t mask, bool translate, hashtable* overrides = nullptr);
// The lookup table built by options_initialize (null before).
hashtable* options_table();
// The characters at which option_lookup cuts an argument.
const char* options_separators();
const option_entry* option_lookup(hashtable* table, const char* key, const char* suboption);
const option_entry* option_prefix_lookup(hashtable* table, const char* key, const char* suboption, uint32_t n);
// Translates every argument of args; parent is the row whose sub-options
// args holds (null at top level); final adds the closing options at the end
// of a top-level call.
vector* options_handler(vector* args, DeviceType device_type, const option_entry* parent, bool final,
                        option_handler default_handler);

// ---- Handler building blocks ----
//
// These run once or more for every argument and are not traced, nor are
// option_prefix_lookup and the two getters above: the records of an
// argument are option_lookup's and its handler's. option_default's record is
// noTranslation's; skipTo writes its record only when it ends the program.

// The default handler: input files (classified for ZIR) and unknown options,
// passed on unchanged.
uint32_t option_default(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index);
// Appends arg unchanged.
uint32_t noTranslation(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index);
// The first ch in text; when there is none, or nothing follows it, message
// 1195 and the program ends with status 1.
const char* skipTo(const char* text, char ch);
// The element after index, for an option whose value is the next argument;
// message 2041 (fatal) for the option when there is none.
const char* option_next(const char* option, const vector* args, uint32_t index);
// Warning 1428 for an option the family does not support.
void option_unsupported(const char* arg);
// Appends an interned formatted text to out.
void option_push(vector* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// True when arg begins with "-" and with one of the names (null-terminated
// list); an empty name never matches.
bool option_matches(const char* arg, ...) __attribute__((sentinel));
