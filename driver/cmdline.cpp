// The command line: argument expansion, the options callback, and running
// the compiler driver through a command file.
#include "driver/cmdline.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/alert.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_assert.h"
#include "driver/getargs.h"

namespace {

const char* g_progname = nullptr;
cmdline_finish_fn g_finish = nullptr;  // after the driver, when a translation needs it
cmdline_input_fn g_is_input = nullptr;
// The expanded arguments of the run, as the user gave them (null when the
// layer is used without cmdline_driver).
const vector* g_typed = nullptr;

// Characters that get a backslash in a command file.
constexpr const char* kCommandFileEscapes = "\\ '\"";
// An option holding one of these cannot go into a command file: the reader
// ends an argument at a tab or line feed, and takes a carriage return
// before a line feed as part of the line end.
constexpr const char* kCommandFileUncarried = "\t\n\r";

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Real paths of the command files being expanded, outermost first.
std::vector<std::string> g_open_command_files;

// The argument with each backslash that stands before a blank, a quote or a
// backslash removed (the character after it stays).
const char* unescape(const char* arg) {
  std::string out;
  for (const char* p = arg; *p; ++p) {
    if (*p == '\\' && (p[1] == ' ' || p[1] == '"' || p[1] == '\'' || p[1] == '\\')) ++p;
    out += *p;
  }
  return sc_intern(out.c_str());
}

std::string real_path(const char* path) {
  char* real = path_real(path);
  std::string r = real ? real : path;
  free(real);
  return r;
}

// The arguments of a command file, expanded in turn; null when name is not
// a readable regular file (the argument then stays as it is; a FIFO is not
// waited on).
vector* expand_command_file(const char* name, cmdline_argument_fn per_argument) {
  FilePtr file(osd_fopen_regular(name, "r"));
  if (!file) return nullptr;
  const std::string real = real_path(name);
  for (const std::string& open : g_open_command_files)
    if (open == real) {
      // A command file that names itself, directly or through others, is
      // dropped.
      alert_raise(kMsgCommandFileLoop, name);
      return vec_new();
    }
  g_open_command_files.push_back(real);
  char** list = getargs_from(file.get(), 0, g_progname);
  uint32_t count = getargs_count();
  // The list is reused by the nested reads: take interned copies first.
  std::vector<char*> copies;
  for (uint32_t i = 0; i < count; ++i) copies.push_back(const_cast<char*>(sc_intern(list[i])));
  copies.push_back(nullptr);
  vector* expanded = cmdline_args(static_cast<int>(count), copies.data(), per_argument);
  g_open_command_files.pop_back();
  return expanded;
}

// The command-file line of one option into line, without its line end:
// escaped, and in double quotes when it holds white space. The line is
// written and forgotten, so it is not kept in the string cache.
void command_file_line(std::string& line, const char* option) {
  line.clear();
  text_escape_into(line, option, kCommandFileEscapes, 0);
  if (line.find_first_of(" \t\n\r") != std::string::npos) {
    line.insert(line.begin(), '"');
    line += '"';
  }
}

const char* joined_options(const vector* options) {
  std::string line;
  for (uint32_t i = 1; i < vec_size(options); ++i) {
    if (i > 1) line += ' ';
    line += vec_get_as<const char*>(options, i);
  }
  return sc_intern(line.c_str());
}

// Writes the options after element 0 into a new command file; its path, or
// null after the fatal text has been printed.
const char* write_command_file(const vector* options) {
  const char* name = osd_tmpname(".cmd");
  if (!name) {
    alert_print("%s: fatal error: Could not create temporary file", g_progname);
    DB_NOTE("lumo8cc_spawn could not get a temp file name, exiting with status 1");
    return nullptr;
  }
  DB_NOTE("Command file name: \"%s\"", name);
  FilePtr file(fopen(name, "w"));
  if (!file) {
    alert_print("%s: fatal error: Could not open temporary file", g_progname);
    DB_NOTE("Could not create command file \"%s\"", name);
    DB_NOTE("lumo8cc_spawn could not create a temp file, exiting with status 1");
    return nullptr;
  }
  std::string line;
  for (uint32_t i = 1; i < vec_size(options); ++i) {
    command_file_line(line, vec_get_as<const char*>(options, i));
    DB_NOTE("Writing option to command file: %s", line.c_str());
    line += '\n';
    fwrite(line.data(), 1, line.size(), file.get());
  }
  const bool write_failed = ferror(file.get()) != 0;
  if (fclose(file.release()) != 0 || write_failed) {
    alert_print("%s: fatal error: Could not open temporary file", g_progname);
    DB_NOTE("Could not create command file \"%s\"", name);
    return nullptr;
  }
  return name;
}

// The text with each tab, line feed and carriage return written as the
// escape that shows it, so that a message names the argument on one line.
const char* shown_escaped(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    switch (*p) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += *p; break;
    }
  }
  return sc_intern(out.c_str());
}

// How much of option around its first character that cannot be carried
// (at) the typed argument holds: the length of the piece of option through
// that character, grown to the left and then to the right (a little way:
// enough to tell arguments apart), found in typed.
size_t shared_around(std::string_view typed, std::string_view option, size_t at) {
  constexpr size_t kReach = 64;
  size_t begin = at, end = at + 1;
  if (typed.find(option.substr(at, 1)) == std::string_view::npos) return 0;
  while (begin > 0 && at - begin < kReach &&
         typed.find(option.substr(begin - 1, end - begin + 1)) != std::string_view::npos)
    --begin;
  while (end < option.size() && end - at < kReach &&
         typed.find(option.substr(begin, end - begin + 1)) != std::string_view::npos)
    ++end;
  return end - begin;
}

// The index of the typed argument that option was translated from: the one
// equal to it, else the one that cannot be carried either and shares the
// most of option around its first such character (a translation may change
// an option's name or split it); -1 when there is none.
int64_t typed_origin(const char* option) {
  const uint32_t count = vec_size(g_typed);
  for (uint32_t i = 0; i < count; ++i)
    if (strcmp(vec_get_as<const char*>(g_typed, i), option) == 0) return i;
  const size_t at = strcspn(option, kCommandFileUncarried);
  int64_t best = -1;
  size_t best_shared = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const char* typed = vec_get_as<const char*>(g_typed, i);
    if (!strpbrk(typed, kCommandFileUncarried)) continue;
    const size_t shared = shared_around(typed, option, at);
    if (shared > best_shared) {
      best = i;
      best_shared = shared;
    }
  }
  return best;
}

// Reports every option after element 0 that the command file cannot carry,
// by the argument the user typed (once, however many options it gave);
// true when there was none.
bool command_file_can_carry(const vector* options) {
  std::vector<int64_t> reported;
  for (uint32_t i = 1; i < vec_size(options); ++i) {
    const char* option = vec_get_as<const char*>(options, i);
    if (!strpbrk(option, kCommandFileUncarried)) continue;
    const int64_t origin = typed_origin(option);
    if (origin >= 0 && std::find(reported.begin(), reported.end(), origin) != reported.end()) continue;
    reported.push_back(origin);
    const char* typed = origin >= 0 ? vec_get_as<const char*>(g_typed, static_cast<uint32_t>(origin)) : option;
    const bool input = origin >= 0 && g_is_input && g_is_input(g_typed, static_cast<uint32_t>(origin));
    alert_raise(kMsgUncarried, input ? "input file" : "argument", shown_escaped(typed));
  }
  return reported.empty();
}

bool wants_command_file(uint32_t mode, const char* driver, const char* line) {
  switch (mode) {
    case CMDLINE_FILE_ALWAYS:
      return true;
    case CMDLINE_FILE_NEVER:
      return false;
    case CMDLINE_FILE_IF_LONG: {
      size_t length = strlen(driver) + strlen(line) + 1;
      if (length <= static_cast<size_t>(osd_max_cmdline())) return false;
      DB_NOTE("Command line length is too long for OS (%zu), using command file", length);
      return true;
    }
    default:
      db_assert(0);
      return mode != CMDLINE_FILE_NEVER;
  }
}

// Writes the command file when the mode asks for one, echoes the command
// and runs the driver. 1 when the command file cannot be written.
int cmdline_exe(vector* options, uint32_t mode, int verbosity) {
  DB_ENTER();
  const char* driver = vec_get_as<const char*>(options, 0);
  const char* line = joined_options(options);
  vector* run = options;
  if (!wants_command_file(mode, driver, line)) {
    if (verbosity > 0) printf("%s %s\n", driver, line);
    DB_NOTE("Executing: %s %s", driver, line);
  } else {
    if (!command_file_can_carry(options)) {
      DB_EXIT("1");
      return 1;
    }
    const char* file = write_command_file(options);
    if (!file) {
      DB_EXIT("1");
      return 1;
    }
    const char* at_file = sc_printf("@%s", file);
    run = vec_new();
    vec_push(run, driver);
    vec_push(run, at_file);
    if (verbosity > 0) printf("%s %s [ %s ]\n", driver, at_file, line);
    DB_NOTE("Executing: %s %s [ %s ]", driver, at_file, line);
  }
  fflush(stdout);
  fflush(stderr);
  int status = lumodebug_spawn(driver, run, false);
  if (status < 0) {
    errno = osd_spawn_error();
    // Catalogued as fatal; reported as an error, so that the run's status
    // stays the -1 of a driver that could not be started.
    alert_raise_as(kMsgCannotExecute, "E", driver);
  }
  if (run != options) vec_free(run);
  DB_EXIT("Execution returned %d", status);
  return status;
}

}  // namespace

const char* cmdline_progname() { return g_progname ? g_progname : ""; }

void cmdline_set_finish(cmdline_finish_fn finish) { g_finish = finish; }

void cmdline_set_input_test(cmdline_input_fn is_input) { g_is_input = is_input; }

vector* cmdline_args(int argc, char** argv, cmdline_argument_fn per_argument) {
  DB_ENTER("%d", argc);
  db_assert(argv != NULL);
  vector* result = vec_new();
  // Not a vector: once a --lumodebug argument has switched tracing on, the
  // rest of the expansion writes nothing ahead of the argument log.
  std::vector<const char*> work;
  if (argc > 0 && argv) {
    if (!g_progname) g_progname = sc_basename(argv[0]);
    for (int i = 1; i < argc && argv[i]; ++i) work.push_back(sc_intern(argv[i]));
  }
  for (const char* arg : work) {
    if (per_argument) per_argument(arg);
    if (strncmp(arg, "--lumodebug", 11) == 0) lumodebug_parse(arg);
    if (arg[0] == '@') {
      if (vector* expanded = expand_command_file(arg + 1, per_argument)) {
        vec_append(result, expanded);
        vec_free(expanded);
      } else {
        vec_push(result, arg);
      }
      continue;
    }
    if (!*arg) continue;
    vec_push(result, unescape(arg));
  }
  DB_EXIT("%u arguments", vec_size(result));
  return result;
}

int cmdline_spawn(vector* options, uint32_t mode, int verbosity) {
  DB_ENTER("%u, %d", mode, verbosity);
  if (!options || vec_size(options) == 0) {
    DB_EXIT("no options were found, exiting with status 1");
    alert_print("%s: fatal error: no input files\nprogram terminated.", cmdline_progname());
    return 1;
  }
  DB_NOTE("Executing driver: \"%s\"", vec_get_as<const char*>(options, 0));
  db_assert(vec_size(options) > 0);
  int status = cmdline_exe(options, mode, verbosity);
  DB_EXIT("Returning status: %d", status);
  return status;
}

int cmdline_driver(int argc, char** argv, cmdline_options_fn options_process, uint32_t mode,
                   const int* verbosity) {
  osd_signals_install();
  vector* args = cmdline_args(argc, argv, nullptr);
  g_typed = args;
  if (lumodebug_on()) lumodebug_logArgs(argc, argv);
  DB_ENTER("%d", argc);
  db_assert(options_process != NULL);
  vector* options = options_process ? options_process(args) : nullptr;
  lumodebug_set_appname("lumo8-cc");
  int status = 1;
  if (!alert_has_errors()) status = cmdline_spawn(options, mode, verbosity ? *verbosity : 0);
  if (g_finish && !alert_has_errors()) status = g_finish(status);
  vec_free(options);
  DB_EXIT("Returning status: %d", status);
  lumodebug_cleanup();
  return status;
}
