// Message catalogue: parsing catalogue text, choosing and merging message
// files, and looking numbers up.
#include "common/messages.h"

#include <cassert>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <strings.h>
#include <vector>

#include "common/alert.h"
#include "common/alert_msgstate.h"
#include "common/alloc.h"
#include "common/cleanup.h"
#include "common/lumoinstdir.h"
#include "common/messages_embedded.h"
#include "common/msgnum.h"
#include "common/msgrow.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/registry.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug_trace.h"

namespace {

bool g_initialised = false;
struct Table;
const Table* g_primary = nullptr;  // kinds and levels
const Table* g_latest = nullptr;   // texts
const char* g_current_name = nullptr;

// The lines of a message file, read as they come and cut by the rule of
// msgrow::next_line (which the embedded catalogue is read with).
class LineSource {
 public:
  explicit LineSource(FILE* file) : file_(file) {}

  // The next line, or false at the end.
  bool next(std::string_view& line) {
    buffer_.clear();
    int c = getc(file_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && buffer_.size() < kMsgLineMax) {
      buffer_.push_back(static_cast<char>(c));
      if (buffer_.size() < kMsgLineMax) c = getc(file_);
    }
    if (buffer_.size() == kMsgLineMax) {
      // A line of exactly the limit still ends here.
      c = getc(file_);
      if (c != '\n' && c != EOF) ungetc(c, file_);
    }
    if (!buffer_.empty() && buffer_.back() == '\r') buffer_.pop_back();
    line = buffer_;
    ++number_;
    return true;
  }
  unsigned number() const { return number_; }

 private:
  FILE* file_;
  std::string buffer_;
  unsigned number_ = 0;
};

void report_malformed(unsigned line, const char* name) {
  alert_typed(kMsgMalformedMessageFile, "M", "Malformed error information on line %u, in file %s\n", line, name);
}

// One row of a message file into a new record; null for a comment or a
// malformed row (which is reported). A row with a bad type is reported and
// kept without a kind.
msg* parse_row(std::string_view line, unsigned lineno, const char* name) {
  const msgrow::Row row = msgrow::split_row(line);
  if (row.status == msgrow::Status::comment) return nullptr;
  if (row.status != msgrow::Status::ok) report_malformed(lineno, name);
  if (row.status == msgrow::Status::malformed) return nullptr;
  msg* record = static_cast<msg*>(xcalloc(sizeof(msg)));
  *record = {row.kind, row.number, sc_intern(std::string(line.substr(row.text_at)).c_str()), row.level};
  return record;
}

// The conversions of a printf format as a sequence of argument classes, so
// that a replacement text can be checked against the arguments its callers
// pass.
std::string conversion_signature(const char* format) {
  std::string sig;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%' || *p == 'm') continue;
    while (*p && strchr("-+ #0'", *p)) ++p;
    while (*p == '*' || isdigit(static_cast<unsigned char>(*p))) {
      if (*p == '*') sig += 'i';
      ++p;
    }
    if (*p == '.') {
      ++p;
      while (*p == '*' || isdigit(static_cast<unsigned char>(*p))) {
        if (*p == '*') sig += 'i';
        ++p;
      }
    }
    std::string length;
    while (*p && strchr("hlLqjzt", *p)) length += *p++;
    if (!*p) {
      sig += '?';
      break;
    }
    char c = *p;
    if (strchr("diouxXc", c))
      sig += length.empty() || length == "h" || length == "hh" ? "i" : "l" + length;
    else if (strchr("eEfFgGaA", c))
      sig += length == "L" ? "D" : "d";
    else if ((c == 's' || c == 'p') && length.empty())
      sig += c;  // with a length (%ls) it would read a wide string
    else
      sig += '?';  // %n or an unknown conversion
  }
  return sig;
}

// A message file's record may replace an embedded one only when its text
// takes the same arguments. A conversion that is not understood (%n among
// them) never fits, even where an embedded row holds one by mistake.
bool replacement_fits(const msg* file_record, const msg* embedded) {
  const std::string sig = conversion_signature(file_record->text);
  return sig.find('?') == std::string::npos && sig == conversion_signature(embedded->text);
}

// A row of a message file and the line it came from.
struct FileRow {
  msg* record = nullptr;
  unsigned line = 0;
};
using FileTable = std::vector<FileRow>;  // indexed by number

FileTable read_file_table(FILE* file, const char* name) {
  FileTable table(kMsgNumberMax + 1);
  LineSource source(file);
  std::string_view line;
  while (source.next(line)) {
    if (msg* record = parse_row(line, source.number(), name)) {
      free(table[record->number].record);
      table[record->number] = {record, source.number()};
    }
  }
  return table;
}

// The embedded rows in order, each replaced by the file's record of the same
// number when the file has one. Numbers only the file holds are dropped.
vector* merge_with_embedded(FileTable& file_table, const char* name) {
  vector* table = vec_new_sized(embedded_table_size());
  for (const msg& embedded : embedded_rows()) {
    const msg* record = &embedded;
    if (file_table[record->number].record) {
      FileRow& row = file_table[record->number];
      if (replacement_fits(row.record, record)) {
        record = row.record;
        row.record = nullptr;
      } else {
        report_malformed(row.line, name);
      }
    }
    vec_set(table, const_cast<msg*>(record), record->number);
  }
  for (FileRow& row : file_table) free(row.record);
  return table;
}

// A catalogue in force: the embedded rows alone, or those merged with a
// message file's rows.
struct Table {
  const vector* merged = nullptr;  // by number; null for the embedded rows alone
};

// Frees a merged catalogue that a later load has replaced: its vector, the
// message file's records in it (the rest are embedded rows) and the table.
void release(const Table* table) {
  if (!table || table == g_primary || !table->merged) return;
  for (uint32_t n = 0; n < vec_size(table->merged); ++n) {
    auto* record = static_cast<msg*>(vec_get(table->merged, n));
    if (record != embedded_row(n)) free(record);
  }
  vec_free(const_cast<vector*>(table->merged));
  free(const_cast<Table*>(table));
}

const msg* table_record(const Table* table, uint32_t number) {
  if (!table) return nullptr;
  if (!table->merged) return embedded_row(number);
  if (number >= vec_size(table->merged)) return nullptr;
  return static_cast<const msg*>(vec_get(table->merged, number));
}

bool in_version_dir(const char* path) {
  const char* ver = lumoinstdir(LUMOINSTDIR_VER);
  return ver && sc_startsWith(path, ver);
}

// Negative when a is the better message file: newer, then inside the
// version directory, then greater byte-wise.
int compare_files(const char* a, const char* b) {
  unsigned long long va = getMsgFileVersion(a), vb = getMsgFileVersion(b);
  if (va != vb) return va > vb ? -1 : 1;
  bool ia = in_version_dir(a), ib = in_version_dir(b);
  if (ia != ib) return ia ? -1 : 1;
  int c = strcmp(a, b);
  return c > 0 ? -1 : c < 0 ? 1 : 0;
}

// The directory of the running executable's parent, where an installation
// without the version directory keeps its dat directory.
const char* exe_parent_dir() {
  char* exe = osd_progname();
  if (!exe) return nullptr;
  char* dir = path_dirname(exe);
  free(exe);
  if (!dir) return nullptr;
  size_t n = strlen(dir);
  while (n > 0 && (dir[n - 1] == '.' || dir[n - 1] == '\\' || dir[n - 1] == path_separator())) --n;
  dir[n] = '\0';
  char* parent = path_dirname(dir);
  free(dir);
  return parent ? sc_adopt(parent) : nullptr;
}

// The first load: formats, then the given message file, or the embedded
// catalogue when that file cannot be read.
void initialise(const char* name) {
  alert_set_formats(nullptr, nullptr, nullptr);
  if (!alert_read_msgs(name)) alert_read_msgs(kEmbeddedCatalogueName);
  g_initialised = true;
}

}  // namespace

void alert_init() {
  if (g_initialised) return;
  DB_ENTER();
  initialise(msg_filename(kLangDefault));
}

int findMsgFiles(const char* dir, int lang, vector* list) {
  DB_ENTER("\"%s\", %d", dir ? dir : "(null)", lang);
  if (!dir || !list) return 0;
  std::string suffix = std::string("_") + lang_code(lang) + ".msgs";
  std::string legacy = std::string(lang_code(lang)) + "_msgs.txt";
  vector* names = path_list_dir(dir);
  int found = 0;
  for (char* entry : VecItems<char*>(names)) {
    const size_t length = strlen(entry);
    bool matches = entry == legacy ||
                   (length >= suffix.size() && suffix.compare(0, suffix.size(), entry + length - suffix.size()) == 0);
    const char* path = matches ? sc_adopt(path_join(dir, entry)) : nullptr;
    if (path && !path_is_dir(path)) {
      vec_push(list, path);
      ++found;
    }
    free(entry);
  }
  vec_free(names);
  DB_EXIT("%d", found);
  return found;
}

int msgfile_compare(const void* a, const void* b) {
  return compare_files(*static_cast<const char* const*>(a), *static_cast<const char* const*>(b));
}

const char* msg_filename(int lang) {
  DB_ENTER("%d", lang);
  vector* list = vec_new();
  int found = findMsgFiles(reg_instdir(REG_PATH_DAT), lang, list);
  if (!found) {
    const char* parent = exe_parent_dir();
    if (parent) found = findMsgFiles(sc_pathJoin(parent, "dat"), lang, list);
  }
  if (!found) {
    char* cwd = osd_getcwd();
    if (cwd) found = findMsgFiles(sc_adopt(cwd), lang, list);
  }
  vec_push(list, kEmbeddedCatalogueName);
  if (found) vec_sort(list, msgfile_compare);
  const char* result = sc_intern(vec_get_as<const char*>(list, 0));
  vec_free(list);
  DB_EXIT("\"%s\"", result);
  return result;
}

unsigned long long getMsgFileVersion(const char* m) {
  assert(m != NULL);
  unsigned long long version = 0;
  for (const char* p = sc_basename(m); isdigit(static_cast<unsigned char>(*p)); ++p) {
    unsigned digit = static_cast<unsigned>(*p - '0');
    if (version > (~0ULL - digit) / 10) return ~0ULL;
    version = version * 10 + digit;
  }
  return version;
}

bool alert_read_msgs(const char* name) {
  DB_ENTER("\"%s\"", name ? name : "(null)");
  if (!name) return false;
  static const Table kEmbeddedTable;
  const Table* table = &kEmbeddedTable;
  if (strcmp(name, kEmbeddedCatalogueName) != 0) {
    FILE* file = osd_fopen_regular(name, "r");
    if (!file) return false;
    FileTable file_table = read_file_table(file, name);
    fclose(file);
    auto* merged = static_cast<Table*>(xcalloc(sizeof(Table)));  // kept until a later load replaces it
    merged->merged = merge_with_embedded(file_table, name);
    table = merged;
  }
  release(g_latest);
  g_latest = table;
  if (!g_primary) g_primary = table;
  g_current_name = sc_intern(name);
  return true;
}

bool open_edf(const char* name) {
  DB_ENTER("\"%s\"", name ? name : "(null)");
  if (!name) return false;
  bool embedded = strcmp(name, kEmbeddedCatalogueName) == 0;
  if (!embedded && (!path_exists(name) || path_is_dir(name))) return false;
  alert_init();
  if (g_current_name && strcmp(name, g_current_name) == 0) return true;
  if (g_current_name && compare_files(name, g_current_name) >= 0) {
    DB_NOTE("\"%s\" is not newer than \"%s\"", name, g_current_name);
    return true;
  }
  // The current file inside the version directory wins a tie of versions.
  if (g_current_name && getMsgFileVersion(name) == getMsgFileVersion(g_current_name) &&
      in_version_dir(g_current_name)) {
    DB_NOTE("\"%s\" is not newer than \"%s\"", name, g_current_name);
    return true;
  }
  return alert_read_msgs(name);
}

void alert_load_language(int lang) {
  DB_ENTER("%d", lang);
  const char* name = msg_filename(lang);
  // The first load searches for the default language's file, which is this
  // one when the codes agree: the search is not made twice.
  if (!g_initialised && strcmp(lang_code(lang), lang_code(kLangDefault)) == 0) initialise(name);
  if (!open_edf(name) && g_initialised) {
    alert_print("Could not open message file %s\n", name);
    cleanup(1);
  }
}

const msg* msg_record(uint32_t number) {
  alert_init();
  const msg* record = table_record(g_primary, number);
  return record ? record : table_record(g_latest, number);
}

const msg* msg_primary_record(uint32_t number) {
  alert_init();
  return table_record(g_primary, number);
}

uint32_t msg_table_size() {
  alert_init();
  if (!g_primary) return 0;
  return g_primary->merged ? vec_size(g_primary->merged) : embedded_table_size();
}

msg alert_lookup(uint32_t number) {
  alert_init();
  msg result = {MSG_ERROR, number, kNoDescriptionText, 0};
  if (const msg* primary = table_record(g_primary, number)) {
    result = *primary;
    if (const msg* latest = table_record(g_latest, number)) result.text = latest->text;
  }
  result.kind = alert_adjust_kind(number, result.kind, &result.level);
  return result;
}

const char* lang_code(int id) {
  if (id == kLangGerman) return "de";
  if (id == kLangFrench) return "fr";
  return "en";
}
