// The option table and its lookup: one literal row per option as typed on
// the command line, with its help groups and text, how it takes its value
// and what each family's driver gets for it.
//
// options_initialize registers the rows of a mask for lookup; option_lookup
// finds the row of one argument (exact, cut at the first separator, then
// the 5- and 2-character prefixes); option_translate takes the row's value
// and applies the family's translation; options_handler walks an argument
// vector that way (option_default for arguments without a row) and
// collects the translations, in argument order, then the closing options.
// All texts are interned; nothing here frees a text.
#pragma once

#include <cstdint>

#include "devices/family.h"

struct vector;
struct hashtable;

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
  OPT_JOINED = 0x100,      // help class "joined"
  OPT_SEPARATE = 0x200,    // help class "separate"
  OPT_ENABLED = 0x400,     // registered
  OPT_CASEFOLD = 0x1000,   // registered in lower and in upper case
  OPT_SUBOPTIONS = 0x2000, // the rest of the argument is a list of sub-options
  OPT_SUBOPTION = 0x4000,  // a sub-option, found only inside its group
  OPT_ALTSET = 0x8000,     // member of an option set this program never selects
  OPT_LIST_REQUIRED = 0x10000,  // a list row that is nothing without its list (kMsgBadSyntax when bare)
};

// How a row takes its value. The value is taken only when the family's
// translation uses it (see Action); a value that is not there then ends
// the program: kMsgBadSyntax for a missing "=value", kMsgMissingArgument
// for a missing argument.
enum class Takes : uint8_t {
  nothing,  // no value; anything typed after the name is ignored
  equals,   // "=value" anywhere after the name ("-std=c99"), possibly empty
  glued,    // the text right after the name ("-Wall"), possibly empty
  next,     // the next argument ("-x c")
  either,   // glued when something follows the name, else the next argument ("-lm", "-l m")
  equals_or_next,  // "=value" after the name, or the next argument, which must not be an option ("-Map=f", "-Map f")
  file_or_next,    // the text after the name and an optional "=", else the next argument unless that is
                   // an option (then no value, and nothing is consumed)
  list,     // the text one character after the name, a list of sub-options of the row's group
  self,     // the argument itself, as typed
};

// What one family makes of an argument.
enum class Action : uint8_t {
  nothing,      // appends nothing
  unchanged,    // the argument as typed; with Takes::next also the value, as typed
  text,         // text[0], then text[1] when there is one
  value,        // text[0] with the value in place of its "%s"; the value must be there and not empty
  value_or_text,  // as value when the value is there, else text[1]
  take,         // takes the value and appends nothing
  checked,      // the argument as typed, once its value is there (as for value)
  unsupported,  // kMsgNotSupported for the argument, appends nothing
  handler,      // the row's handler, with the value when the row takes one
};

struct OptionState;
struct option_row;

// A row's own code for what is not data: appends the translation of arg
// (value is the value the row takes, or null) to out.
using option_handler = void (*)(const option_row& row, DeviceType family, const char* arg, const char* value,
                                vector* out);

struct Translation {
  Action action = Action::nothing;
  const char* text[2] = {};
  bool OptionState::*flag = nullptr;  // set whenever this translation is applied
};

struct option_row {
  uint32_t flags;
  const char* name;   // null in the terminating row
  const char* group;  // the group of a sub-option; "TAG:separators" of a list row
  const char* help;
  Takes takes;
  Translation zir, tev, none;  // none: no family identified
  bool OptionState::*always = nullptr;  // set for every family, before the translation
  option_handler handler = nullptr;
};

// The rows, in table order (the help's order), closed by a row without name.
extern const option_row option_table[];
inline constexpr uint32_t kOptionTableRows = 159;
inline constexpr uint32_t kOptionLookupBuckets = 127;

// Registers the rows that share a bit with mask for option_lookup; a call
// with another mask registers anew. Every call resets the verbosity count.
void options_initialize(uint32_t mask);
// The lookup table of the last options_initialize (null before).
hashtable* options_table();
const option_row* option_lookup(hashtable* table, const char* key, const char* group);
const option_row* option_prefix_lookup(hashtable* table, const char* key, const char* group, uint32_t n);
// True when arg is the row's name and the row's value is the next argument.
bool option_takes_next(const option_row& row, const char* arg);
// True when the row is registered by the last options_initialize.
bool option_registered(const option_row& row);
// Translates args[index] and appends it to out; returns how many of the
// following arguments it consumed as its value. parent: the list row whose
// sub-options args holds (null at top level).
uint32_t option_translate(vector* args, uint32_t index, DeviceType family, vector* out,
                          const option_row* parent = nullptr);
// Translates every argument of args, then (with closing) the closing
// options of family.
vector* options_handler(vector* args, DeviceType family, bool closing = true);

// ---- Handler building blocks ----
//
// These run once or more for every argument and are not traced, nor are
// option_prefix_lookup and the two getters above: the records of an
// argument are option_lookup's and option_translate's.

// Input files (classified for ZIR) and unknown options, passed on unchanged.
void option_default(DeviceType family, const char* arg, vector* out);
// The first ch in text; when there is none, or nothing follows it,
// kMsgBadSyntax and the program ends with status 1.
const char* skipTo(const char* text, char ch);
// The value of an "=value" option; when it is missing or empty,
// kMsgBadSyntax for arg and the program ends with status 1.
const char* option_required(const char* arg, const char* value);
// kMsgNotSupported for an option the family does not support.
void option_unsupported(const char* arg);
// Appends an interned formatted text to out.
void option_push(vector* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// True when arg begins with "-" and with one of the names (null-terminated
// list); an empty name never matches.
bool option_matches(const char* arg, ...) __attribute__((sentinel));
