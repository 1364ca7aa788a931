// Debug facility: the --lumodebug option, its sub-options, the facility's
// own warnings and its end-of-run work.
#include "debug/lumodebug.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/hash.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug_state.h"
#include "debug/ziplib.h"

namespace {

constexpr const char* kDefaultZip = "lumo8_package.zip";

const char* default_out_name() { return sc_printf("%s-%u.out", g_lumodebug.out_stem, g_lumodebug.num); }

// Opens the debug-out file, replacing one that is open; failure is fatal.
void open_out(const char* path, bool append) {
  LumodebugState& s = g_lumodebug;
  if (s.out) fclose(s.out);
  s.out = fopen(path, append ? "a" : "w");
  if (!s.out) {
    s.out_path = nullptr;
    alert_raise(kMsgCannotOpenFile, "debug-out", path);
    exit(1);  // should a message file have made the row non-fatal
  }
  s.out_path = path;
}

void handle_out(const char* text) {
  LumodebugState& s = g_lumodebug;
  if (!text) {
    lumodebug_warning("option \"out\", must have a filename argument");
    return;
  }
  s.out_given = true;
  bool append = text[0] == '+';
  const char* path = sc_intern(append ? text + 1 : text);
  if (path_is_dir(path)) path = sc_pathJoin(path, default_out_name());
  if (s.out_path) lumodebug_warning("debug-out file was set to \"%s\", resetting to \"%s\"", s.out_path, path);
  open_out(path, append);
}

void handle_zip(const char* text) {
  LumodebugState& s = g_lumodebug;
  if (!ziplib()) {
    lumodebug_warning("Packaging is not available: the zip library (%s) cannot be loaded, ignoring the zip option",
                      ziplib_name());
    return;
  }
  if (s.zip_path) {
    lumodebug_warning("Zip file already set to \"%s\", ignoring addtional zip options", s.zip_path);
    return;
  }
  if (text && text[0] == '+') {
    // An archive that is extended, not replaced.
    s.zip_path = sc_intern(text[1] ? text + 1 : kDefaultZip);
    return;
  }
  s.zip_path = sc_intern(text && *text ? text : kDefaultZip);
  if (path_exists(s.zip_path)) {
    lumodebug_warning("Package zip \"%s\" already exists and will be over-written", s.zip_path);
    if (remove(s.zip_path) != 0) lumodebug_warning("Unable to remove \"%s\", it will be updated if possible", s.zip_path);
  }
}

void handle_assert(const char* text) {
  static const char* const kLevels[] = {"ignore", "fatal", "error", "warning"};
  if (!text) {
    lumodebug_warning("option \"assert\", must have an argument");
    return;
  }
  for (uint32_t level = 0; level < 4; ++level) {
    if (strcasecmp(text, kLevels[level]) == 0) {
      lumodebug_assertlevel = level;
      return;
    }
  }
  lumodebug_warning("unknown argument (%s) given to assert option", text);
}

void handle_debug(const char* text) {
  LumodebugState& s = g_lumodebug;
  vector* names = sc_split(text ? text : "", ":");
  if (vec_size(names) == 0) lumodebug_warning("option \"debug\", must have at least one argument");
  for (const char* name : VecItems<const char*>(names)) {
    if (!s.debug_set)
      s.debug_set = hash_new(kLumodebugTableBuckets, hash_string_nocase, hash_string_nocase_compare);
    if (hash_insert(s.debug_set, name, name)) {
      if (!s.debug_names) s.debug_names = vec_new();
      vec_push(s.debug_names, name);
    }
  }
  vec_free(names);
}

void handle_num(const char* text) {
  LumodebugState& s = g_lumodebug;
  if (!text) {
    lumodebug_warning("option \"num\", must have an argument");
    return;
  }
  char* end = nullptr;
  errno = 0;
  long long value = strtoll(text, &end, 10);
  bool valid = end != text && *end == '\0' && errno == 0 && value >= 1 && value <= UINT32_MAX;
  if (!valid) {
    lumodebug_warning("\"num\" option must be a decimal integer > 0, using \"%u\"", s.num);
    return;
  }
  s.num = static_cast<unsigned>(value);
}

struct SubOption {
  uint32_t flags;
  const char* name;
  void (*handler)(const char* text);
};

// The sub-option table, in the order in which tokens are matched against it
// (the first row whose name begins the token wins) and in which the option
// handed on to a child is built.
constexpr SubOption kSubOptions[] = {
    {LDB_TRACE, "default", nullptr},
    {LDB_TRACE, "on", nullptr},
    {0, "out", handle_out},
    {LDB_SDB, "sdb", nullptr},
    {LDB_DWARF, "dwarf", nullptr},
    {0, "zip", handle_zip},
    {LDB_ALERTS, "alerts", nullptr},
    {0, "assert", handle_assert},
    {0, "debug", handle_debug},
    {LDB_ADT, "adt", nullptr},
    {0, "num", handle_num},
};

const SubOption* find_suboption(const char* token) {
  for (const SubOption& row : kSubOptions)
    if (sc_startsWithNoCase(token, row.name)) return &row;
  return nullptr;
}

// The warnings of the facility go out as the program's other lines do.
void print_warning(const char* line) { alert_print("%s", line); }

// The assertion message of each level: fatal (1), error (2), warning (3).
constexpr uint32_t kAssertMessages[] = {0, kMsgAssertionFatal, kMsgAssertionError, kMsgAssertionWarning};

void raise_assertion(uint32_t level, const char* condition, const char* file, int line) {
  alert_raise_noline(kAssertMessages[level], condition, file, line);
}

}  // namespace

void lumodebug_parse(const char* arg) {
  DB_ENTER("%s", arg);
  lumodebug_set_hooks({print_warning, raise_assertion, lumodebug_cleanup});
  LumodebugState& s = g_lumodebug;
  if (s.option_seen) {
    lumodebug_warning("Ignoring extra --lumodebug options");
    return;
  }
  s.option_seen = true;
  const char* eq = strchr(arg, '=');
  // The tokens are kept in a plain list: the first sub-option may switch
  // tracing on, and the trace of a run begins with its argument log, not
  // with the containers of reading this option.
  std::vector<const char*> tokens;
  for (const char* p = eq ? eq + 1 : arg; *p;) {
    const size_t n = strcspn(p, ",");
    if (n) tokens.push_back(sc_substr(p, n));
    p += n;
    if (*p) ++p;
  }
  for (const char* token : tokens) {
    const SubOption* row = find_suboption(token);
    if (!row) {
      lumodebug_warning("unknown option \"%s\"", token);
      continue;
    }
    lumodebug_flagword |= row->flags;
    if (row->handler) {
      const char* colon = strchr(token, ':');
      row->handler(colon ? colon + 1 : nullptr);
    }
  }
  if (lumodebug_flagword && !s.out) open_out(default_out_name(), false);
  if (lumodebug_flagword & LDB_ADT) {
    vec_track(true);
    hash_track(true);
  }
}

// Text alone, no file-system access: not traced.
const char* lumodebug_archiveName(const char* file, PathStyle style) {
  std::string name = file ? file : "";
  if (style == PathStyle::windows) {
    bool drive = name.size() >= 2 && isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
    bool unc = name.size() >= 2 && name[0] == '\\' && name[1] == '\\';
    if (drive || unc) name = sc_pathJoin("SYSTEM_ROOT", name.c_str() + std::min<size_t>(name.size(), 3), style);
  } else if (!name.empty() && name[0] == '/') {
    size_t start = name.find_first_not_of('/');
    name = "SYSTEM_ROOT/" + (start == std::string::npos ? std::string() : name.substr(start));
  }
  for (char& c : name)
    if (c == '\\') c = '/';
  return sc_intern(name.c_str());
}

namespace {

// The end of the run's trace. The stream itself stays open until the
// process ends.
void end_trace() {
  if (g_lumodebug.out) fflush(g_lumodebug.out);
  g_lumodebug.out = nullptr;
}

}  // namespace

void lumodebug_cleanup() {
  static bool done = false;  // the early-exit path may come here after the normal one
  if (done) return;
  done = true;
  // The trace ends as the process exits, ahead of the exit handlers
  // registered before this (the removal of the temporary files), which are
  // not traced; the early-exit path still closes its own record after this.
  atexit(end_trace);
  {
    DB_ENTER();
    const LumodebugState& s = g_lumodebug;
    bool foreign_out = s.out_given && strcmp(s.appname, "lumo8-cc") != 0;
    if (s.out_path && !foreign_out) lumodebug_addToPackage(s.out_path, nullptr);
  }
  // The reports are trace output themselves: they follow the records.
  if (lumodebug_flagword & LDB_ADT) lumodebug_run_reports();
}

void lumodebug_set_appname(const char* name) {
  DB_ENTER("%s", name ? name : "(null)");
  g_lumodebug.appname = name;
}

void lumodebug_set_outstem(const char* stem) { g_lumodebug.out_stem = stem && *stem ? stem : "lumo8-cc"; }

bool lumodebug_in_debug_set(const char* name) {
  return g_lumodebug.debug_set && name && hash_haskey(g_lumodebug.debug_set, name);
}
