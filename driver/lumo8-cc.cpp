// lumo8-cc: program entry. The command-line layer does the run; this file
// gives it the options callback, the command-file mode and the verbosity.
#include <cstring>
#include <initializer_list>

#include "common/alert.h"
#include "common/lumoinstdir.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "driver/cmdline.h"

namespace {

int g_verbosity = 0;

// Message for a compiler driver that is not in the installation.
constexpr uint32_t kMsgNoDriver = 2045;

// The ZIR compiler driver of the installation: the bin directory of the
// path types first, then the version directory's bin.
const char* find_driver(const char* name) {
  const char* exe = sc_concat(name, osd_exe_suffix());
  for (const char* dir : {reg_instdir(REG_PATH_BIN), lumoinstdir(LUMOINSTDIR_BIN)}) {
    const char* path = dir ? sc_pathJoin(dir, exe) : nullptr;
    if (path && path_exists(path)) return path;
  }
  alert_raise(kMsgNoDriver, exe);
  return nullptr;
}

// Until the option table translates the command line, the arguments go to
// the ZIR driver as they are; each "-v" raises the verbosity.
vector* pass_through_options(vector* args) {
  vector* options = vec_new();
  vec_push(options, find_driver("lumo8"));
  for (const char* arg : VecItems<const char*>(args)) {
    if (strcmp(arg, "-v") == 0) ++g_verbosity;
    vec_push(options, arg);
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  return cmdline_driver(argc, argv, pass_through_options, CMDLINE_FILE_ALWAYS, &g_verbosity);
}
