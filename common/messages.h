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

#include <cstdint>

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
  const char* text;  // interned
  int32_t level;     // for warnings
};

inline constexpr uint32_t kMsgNumberMax = 10000;
// A catalogue line counts up to this many characters; the rest of a longer
// line is read as a further line.
inline constexpr unsigned kMsgLineMax = 255;
inline constexpr unsigned long long kEmbeddedCatalogueVersion = 20240725155939ULL;
// Wherever a file name is expected, this name stands for the embedded
// catalogue; no file of that name is ever opened.
inline constexpr const char* kEmbeddedCatalogueName = "20240725155939_en.msgs";
inline constexpr const char* kNoDescriptionText =
    "An error, warning or message was generated, but no description is available";

// Language ids.
inline constexpr int kLangGerman = 7;
inline constexpr int kLangEnglish = 9;
inline constexpr int kLangFrench = 12;
inline constexpr int kLangDefault = 255;

// Initialises the facility once: formats, then the chosen message file.
void alert_init();
bool alert_initialised();

// Appends the full path of every message file of dir for the language;
// returns how many were found (0 for a missing or unreadable directory).
int findMsgFiles(const char* dir, int lang, vector* list);
// The message file to use for the language (interned); the embedded
// catalogue's name when no file beats it.
const char* msg_filename(int lang);
// The decimal number at the start of the base name (0 when none).
unsigned long long getMsgFileVersion(const char* name);
// Sort comparator over slots holding file names: newest first.
int msgfile_compare(const void* a, const void* b);

// Loads a message file merged with the embedded catalogue; null (and no
// change) when the file cannot be opened.
vector* alert_read_msgs(const char* name);
bool open_edf(const char* name);
bool open_edf_dir(const char* dir);
// Loads the language's message file; ends the program when that fails.
void alert_load_language(int lang);
const char* alert_msgfile_name();

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
int lang_id_from_name(const char* text);
int lang_current();
