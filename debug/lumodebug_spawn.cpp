// Starting a child for the program: normally, or under the debugger when the
// child's name is in the debug set (or the caller forces it).
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "common/osdep.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_state.h"

namespace {

// The debugger stops at the consistency-check failure routine and at main,
// and tells the child it runs under a debugger.
constexpr const char* kDebuggerScript =
    "break set --name db_assert\n"
    "break set --name main\n"
    "break command add 2\n"
    "expr gInDebugger=1\n"
    "DONE\n"
    "run";

enum class Debugger { untested, absent, present };
Debugger g_debugger = Debugger::untested;

bool debugger_available() {
  if (g_debugger == Debugger::untested) {
    // A host without a debugger (Windows) has none to find, whatever a
    // path of that name may lead to there.
    g_debugger = osd_has_debugger() && path_exists(kLumodebugDebugger) ? Debugger::present : Debugger::absent;
    if (g_debugger == Debugger::absent) lumodebug_warning("Debugger \"%s\" is not available", kLumodebugDebugger);
  }
  return g_debugger == Debugger::present;
}

// The program's file name without directory and extension.
const char* program_key(const char* program) { return sc_stripExt(sc_basename(program)); }

int run_plain(const char* program, vector* args) {
  vec_push(args, nullptr);
  return osd_spawn(program, reinterpret_cast<char* const*>(args->data));
}

int run_debugger(const char* program, vector* args) {
  const char* script = osd_tmpname(nullptr);
  FILE* f = script ? fopen(script, "w") : nullptr;
  if (!f) {
    lumodebug_warning("Could not write the debugger command file; running \"%s\" normally", program);
    return run_plain(program, args);
  }
  fputs(kDebuggerScript, f);
  fclose(f);
  vector* argv = vec_new();
  // The debugger's own argument 0 is the program it runs.
  for (const char* item : {program, "-s", script, "--", program}) vec_push(argv, item);
  for (uint32_t i = 1; i < vec_size(args); ++i) vec_push(argv, vec_get(args, i));
  vec_push(argv, nullptr);
  int status = osd_spawn(kLumodebugDebugger, reinterpret_cast<char* const*>(argv->data));
  vec_free(argv);
  remove(script);
  return status;
}

}  // namespace

int lumodebug_spawn(const char* program, vector* args, bool force) {
  DB_ENTER("\"%s\", %d", program ? program : "(null)", force);
  bool considered = force || (program && g_lumodebug.debug_set);
  bool debug = considered && debugger_available() && (force || lumodebug_in_debug_set(program_key(program)));
  int status = debug ? run_debugger(program, args) : run_plain(program, args);
  DB_EXIT("%d", status);
  return status;
}
