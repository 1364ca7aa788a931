// Process layer, the part that is the same on every host: the temporary root
// and its names, the removal lists and their exit handler, the record the
// fatal-signal handler reads, the pipe status table of captured children,
// and the environment rules. What differs between hosts, the handler itself
// among it, is behind osdep_host.h.
#include "common/osdep.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/hash.h"
#include "common/osdep_host.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug_trace.h"

namespace {

// ---- Temporary root and removal lists ----

struct TempState {
  const char* root = nullptr;
  const char* prefix = nullptr;  // null until first needed: the default
  uint32_t counter = 0;
  vector* files = nullptr;
  vector* dirs = nullptr;
  bool exit_handler = false;
};
TempState g_temp;

// What the fatal-signal handler reads; see OsdSignalPlan.
OsdSignalPlan g_plan;

// Points the plan at the lists as they are now; the caller blocks the fatal
// signals.
void publish_lists() {
  g_plan.files = g_temp.files ? reinterpret_cast<const char* const*>(g_temp.files->data) : nullptr;
  g_plan.file_count = vec_size(g_temp.files);
  g_plan.dirs = g_temp.dirs ? reinterpret_cast<const char* const*>(g_temp.dirs->data) : nullptr;
  g_plan.dir_count = vec_size(g_temp.dirs);
}

void remove_temps() {
  OsdSignalBlock block;
  if (!g_plan.keep && osd_host_pid() == g_plan.owner_pid) {
    for (const char* f : VecItems<const char*>(g_temp.files))
      if (path_exists(f)) remove(f);
    for (const char* d : VecItems<const char*>(g_temp.dirs))
      if (path_is_dir(d)) rmdir_r(d);
  }
  vec_free(g_temp.files);
  vec_free(g_temp.dirs);
  g_temp.files = g_temp.dirs = nullptr;
  publish_lists();
}

void register_path(vector*& list, const char* path) {
  if (!path) return;
  const char* interned = sc_intern(path);
  OsdSignalBlock block;
  if (!g_temp.exit_handler) {
    g_temp.exit_handler = true;
    g_plan.owner_pid = osd_host_pid();
    atexit(remove_temps);
  }
  if (!list) list = vec_new();
  vec_add_unique(list, interned);
  publish_lists();
}

const char* tmp_prefix() {
  if (!g_temp.prefix) osd_set_tmpprefix(kOsdDefaultTmpPrefix);
  return g_temp.prefix;
}

// The root is registered before a fatal signal can be handled: one arriving
// between the two steps would otherwise leave it behind.
const char* make_root() {
  if (g_temp.root) return g_temp.root;
  const char* base = osd_tmp_base();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    OsdSignalBlock block;
    char* root = osd_host_make_root(base, letter);
    if (!root) continue;
    g_temp.root = sc_intern(root);
    free(root);
    osd_register_tmpdir(g_temp.root);
    DB_NOTE("temporary root %s", g_temp.root);
    return g_temp.root;
  }
  DB_NOTE("no temporary root could be made under %s", base);
  return nullptr;
}

const char* next_tmpname(const char* ext) {
  const char* root = make_root();
  if (!root) return nullptr;
  // An empty extension would leave a trailing dot, which Windows drops.
  const bool has_ext = ext && *ext;
  const char* dot = has_ext && ext[0] != '.' ? "." : "";
  char* name = xsprintf("%s_tmp_%u%s%s", tmp_prefix(), g_temp.counter++, dot, has_ext ? ext : "");
  const char* path = sc_pathJoin(root, name);
  free(name);
  return path;
}

bool g_signals_installed = false;
int g_spawn_error = 0;

// ---- Children and captured output ----

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

hashtable* pipe_status_tab = nullptr;

int run_child(const char* program, char* const argv[], int capture_fd) {
  fflush(stdout);
  fflush(stderr);
  int status = osd_host_spawn(program, argv, capture_fd);
  g_spawn_error = status < 0 ? (errno ? errno : ENOEXEC) : 0;
  if (g_signals_installed) osd_host_install_signals(&g_plan);
  return status;
}

// The elements of list up to its first null, closed by a null; empty when
// there is no program. The list is freed.
std::vector<char*> take_argv(vector* list) {
  std::vector<char*> argv;
  for (uint32_t i = 0; i < vec_size(list); ++i) {
    char* arg = vec_get_as<char*>(list, i);
    if (!arg) break;
    argv.push_back(arg);
  }
  vec_free(list);
  if (!argv.empty()) argv.push_back(nullptr);
  return argv;
}

FILE* capture_output(char* const argv[]) {
  const char* name = osd_tmpname(nullptr);
  if (!name) return nullptr;
  FilePtr out(fopen(name, "w"));
  if (!out) return nullptr;
  osd_host_noinherit(fileno(out.get()));
  errno = 0;
  int status = run_child(argv[0], argv, fileno(out.get()));
  out.reset();
  DB_NOTE("%s wrote into %s, status %d", argv[0], name, status);
  if (status < 0) return nullptr;
  FILE* fp = fopen(name, "r");
  if (!fp) return nullptr;
  osd_host_noinherit(fileno(fp));
  if (!pipe_status_tab) pipe_status_tab = hash_new(kOsdPipeStatusBuckets, nullptr, nullptr);
  assert(!hash_haskey(pipe_status_tab, fp));
  hash_insert(pipe_status_tab, fp, reinterpret_cast<void*>(static_cast<intptr_t>(status)));
  return fp;
}

}  // namespace

// ---- Rules shared with the host files ----

char* osd_quote_arg(const char* arg, PathStyle style) {
  if (!arg) return nullptr;
  const bool needs_quotes = style == PathStyle::windows && (!*arg || strpbrk(arg, " \t\n\v\"") != nullptr);
  if (!needs_quotes) return xstrdup(arg);
  std::string r = "\"";
  size_t backslashes = 0;
  for (const char* c = arg; *c; ++c) {
    if (*c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them.
    r.append(*c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    r += *c;
  }
  // The closing quote follows: the backslashes before it are doubled.
  r.append(2 * backslashes, '\\');
  r += '"';
  return xstrdup(r.c_str());
}

const char* osd_tmp_base(PathStyle style) {
  DB_ENTER("%s", style == PathStyle::windows ? "windows" : "posix");
  struct Rule {
    const char* variables[3];
    const char* fallback;
  };
  static constexpr Rule kWindows = {{"TEMP", "TMP", nullptr}, "."};
  static constexpr Rule kPosix = {{"TEMP", "TMP", "TMPDIR"}, "/tmp"};
  const Rule& rule = style == PathStyle::windows ? kWindows : kPosix;
  for (const char* name : rule.variables) {
    if (!name) break;
    const char* value = getenv(name);
    if (value && *value) {
      DB_EXIT("%s from %s", value, name);
      return sc_intern(value);
    }
  }
  DB_EXIT("%s", rule.fallback);
  return rule.fallback;
}

// ---- Temporary files and directories ----

const char* osd_tmpname(const char* ext) {
  DB_ENTER("%s", ext ? ext : "(null)");
  const char* path = next_tmpname(ext);
  DB_EXIT("%s", path ? path : "(null)");
  return path;
}

const char* osd_tmproot() {
  DB_ENTER();
  DB_EXIT("%s", g_temp.root ? g_temp.root : "(null)");
  return g_temp.root;
}

void osd_set_tmpprefix(const char* program_name) {
  DB_ENTER("%s", program_name ? program_name : "(null)");
  g_temp.prefix = sc_translate(program_name ? program_name : kOsdDefaultTmpPrefix, " \t", "__");
}

void osd_register_tmpfile(const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  register_path(g_temp.files, path);
}

void osd_register_tmpdir(const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  register_path(g_temp.dirs, path);
}

void osd_keep_temps(bool keep) {
  DB_ENTER("%d", keep);
  g_plan.keep = keep;
}

// ---- Processes and pipes ----

int osd_spawn(const char* program, char* const argv[]) {
  DB_ENTER("%s", program ? program : "(null)");
  int status = -1;
  g_spawn_error = EINVAL;
  if (program) {
    char* const own_argv[] = {const_cast<char*>(program), nullptr};
    status = run_child(program, argv ? argv : own_argv, kOsdNoCapture);
  }
  DB_EXIT("%d", status);
  return status;
}

int osd_spawn_error() { return g_spawn_error; }

FILE* osd_popen(const char* program, ...) {
  DB_ENTER("%s", program ? program : "(null)");
  vector* list = vec_new();
  vec_push(list, program);
  va_list args;
  va_start(args, program);
  if (program)
    while (const char* arg = va_arg(args, const char*)) vec_push(list, arg);
  va_end(args);
  vec_push(list, nullptr);
  FILE* fp = osd_popen_vec(list);
  DB_EXIT("%p", static_cast<void*>(fp));
  return fp;
}

FILE* osd_popen_vec(vector* list) {
  DB_ENTER("%u elements", vec_size(list));
  std::vector<char*> argv = take_argv(list);
  FILE* fp = nullptr;
  if (!argv.empty() && path_exists(argv[0])) fp = capture_output(argv.data());
  DB_EXIT("%p", static_cast<void*>(fp));
  return fp;
}

int osd_pclose(FILE* stream) {
  DB_ENTER("%p", static_cast<void*>(stream));
  if (!stream || !pipe_status_tab || !hash_haskey(pipe_status_tab, stream)) {
    DB_EXIT("-1: not a captured stream");
    return -1;
  }
  int status = static_cast<int>(reinterpret_cast<intptr_t>(hash_remove(pipe_status_tab, stream)));
  fclose(stream);
  DB_EXIT("%d", status);
  return status;
}

void osd_signals_install() {
  DB_ENTER();
  OsdSignalBlock block;
  if (!g_signals_installed) {
    g_plan.saved_out = osd_host_save_console(fileno(stdout));
    g_plan.saved_err = osd_host_save_console(fileno(stderr));
  }
  osd_host_install_signals(&g_plan);
  g_signals_installed = true;
}

FILE* osd_fopen_regular(const char* path, const char* mode) {
  DB_ENTER("%s, %s", path ? path : "(null)", mode ? mode : "(null)");
  FILE* fp = nullptr;
  if (path && *path && mode)
    fp = osd_host_open_regular(path, mode);
  else
    errno = ENOENT;
  const int reason = errno;
  DB_EXIT("%s", fp ? "open" : "not a readable regular file");
  errno = reason;
  return fp;
}

// ---- Environment and host ----

int osd_setenv(const char* name, const char* value) {
  DB_ENTER("%s=%s", name ? name : "(null)", value ? value : "");
  if (!name) {
    DB_EXIT("0: no name");
    return 0;
  }
  int result = osd_host_setenv(name, value ? value : "");
  DB_EXIT("%d", result);
  return result;
}

bool osd_gmtime(time_t t, struct tm* out) { return out && osd_host_gmtime(t, out); }

char* osd_progname() {
  DB_ENTER();
  char* path = osd_host_progname();
  DB_EXIT("%s", path ? path : "(null)");
  return path;
}

uint32_t osd_os_flags() {
  DB_ENTER();
  uint32_t flags = osd_host_os_flags();
  DB_EXIT("0x%x", flags);
  return flags;
}

int osd_max_cmdline() {
  DB_ENTER();
  DB_EXIT("%d", kOsdMaxCmdline);
  return kOsdMaxCmdline;
}

char* osd_hostname() {
  DB_ENTER();
  char* name = osd_host_hostname();
  DB_EXIT("%s", name);
  return name;
}

const char* osd_exe_suffix() {
  DB_ENTER();
  const char* suffix = osd_host_exe_suffix();
  DB_EXIT("%s", suffix);
  return suffix;
}

bool osd_progname_is_real() {
  DB_ENTER();
  bool real = osd_host_progname_is_real();
  DB_EXIT("%d", real);
  return real;
}

bool osd_has_debugger() {
  DB_ENTER();
  bool has = osd_host_has_debugger();
  DB_EXIT("%d", has);
  return has;
}

unsigned long osd_getpid() { return osd_host_pid(); }

bool osd_replace_file(const char* from, const char* to) {
  DB_ENTER("%s, %s", from ? from : "(null)", to ? to : "(null)");
  bool ok = from && to && osd_host_replace(from, to);
  DB_EXIT("%d", ok);
  return ok;
}

bool osd_isatty(FILE* stream) {
  DB_ENTER("%p", static_cast<void*>(stream));
  bool tty = stream && osd_host_isatty(fileno(stream));
  DB_EXIT("%d", tty);
  return tty;
}

OsdStderrRedirect::OsdStderrRedirect(FILE* into) {
  DB_ENTER("%p", static_cast<void*>(into));
  if (!into) return;
  fflush(stderr);
  saved_ = osd_host_save_console(fileno(stderr));
  if (saved_ >= 0 && !osd_host_redirect(fileno(into), fileno(stderr))) {
    osd_host_restore_console(saved_, fileno(stderr));
    saved_ = -1;
  }
  DB_EXIT("%s", saved_ >= 0 ? "redirected" : "not redirected");
}

OsdStderrRedirect::~OsdStderrRedirect() {
  DB_ENTER("%s", saved_ >= 0 ? "restoring" : "nothing to restore");
  if (saved_ < 0) return;
  fflush(stderr);
  osd_host_restore_console(saved_, fileno(stderr));
}
