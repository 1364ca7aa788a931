// Message catalogue: the numbered rows that give every diagnostic its kind,
// warning level and text, the message files that replace catalogue texts,
// and the lookup of a number.
//
// A complete catalogue is embedded in the program. Message files in the
// installation's dat directory (or beside the installation, or in the
// current directory) are merged with it: a file replaces the rows it holds
// and cannot add numbers. Kinds and levels always come from the first load
// (the primary table), texts from the latest one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/registry.h"

struct vector;

enum MsgKind : uint32_t {
  MSG_NONE = 0,  // a message file row with a bad type
  MSG_FATAL = 1,
  MSG_MESSAGE = 2,
  MSG_ERROR = 3,
  MSG_WARNING = 4,
  MSG_SUPPRESSED = 5,  // lookup results only
};

struct msg {
  uint32_t kind;
  uint32_t number;
  const char* text;  // kept until the program ends
  int32_t level;     // for warnings
};

inline constexpr uint32_t kMsgNumberMax = 10000;
// A catalogue line counts up to this many characters; the rest of a longer
// line is read as a further line.
inline constexpr unsigned kMsgLineMax = 255;

// The embedded catalogue is as new as the build: its version is the build
// number, and so is the version part of its name.
namespace msg_detail {
consteval unsigned long long decimal(const char* digits) {
  unsigned long long value = 0;
  while (*digits) value = value * 10 + static_cast<unsigned>(*digits++ - '0');
  return value;
}
template <size_t N, size_t M>
consteval std::array<char, N + M - 1> joined(const char (&a)[N], const char (&b)[M]) {
  std::array<char, N + M - 1> r{};
  for (size_t i = 0; i + 1 < N; ++i) r[i] = a[i];
  for (size_t i = 0; i < M; ++i) r[N - 1 + i] = b[i];
  return r;
}
inline constexpr auto kEmbeddedName = joined(kRegBuildNumber, "_en.msgs");
}  // namespace msg_detail
inline constexpr unsigned long long kEmbeddedCatalogueVersion = msg_detail::decimal(kRegBuildNumber);
// Wherever a file name is expected, this name stands for the embedded
// catalogue; no file of that name is ever opened.
inline constexpr const char* kEmbeddedCatalogueName = msg_detail::kEmbeddedName.data();
inline constexpr const char* kNoDescriptionText =
    "An error, warning or message was generated, but no description is available";

// Language ids.
inline constexpr int kLangGerman = 7;
inline constexpr int kLangEnglish = 9;
inline constexpr int kLangFrench = 12;
inline constexpr int kLangDefault = 255;

// Initialises the facility once: formats, then the chosen message file.
// Only the call that initialises writes trace records.
void alert_init();

// Appends the full path of every message file of dir for the language;
// returns how many were found (0 for a missing or unreadable directory).
int findMsgFiles(const char* dir, int lang, vector* list);
// The message file to use for the language (interned); the embedded
// catalogue's name when no file beats it.
const char* msg_filename(int lang);
// The decimal number at the start of the base name (0 when none); text
// alone, not traced.
unsigned long long getMsgFileVersion(const char* name);
// Sort comparator over slots holding file names: newest first (not traced).
int msgfile_compare(const void* a, const void* b);

// Loads a message file merged with the embedded catalogue; false (and no
// change) when the file cannot be opened.
bool alert_read_msgs(const char* name);
bool open_edf(const char* name);
// Loads the language's message file; ends the program when that fails.
void alert_load_language(int lang);

// The lookups, the getters and the text functions below are not traced:
// they run for every message raised.
// The record of a number with the -Werror rules and message states applied.
msg alert_lookup(uint32_t number);
// The catalogue record (primary table, else latest), or null.
const msg* msg_record(uint32_t number);
// The record of the first load alone, or null.
const msg* msg_primary_record(uint32_t number);
// The highest number the primary table can hold a record for, plus one.
uint32_t msg_table_size();

// Text of the embedded catalogue.
extern const char kEmbeddedCatalogue[];
extern const unsigned kEmbeddedCatalogueSize;

const char* lang_code(int id);
