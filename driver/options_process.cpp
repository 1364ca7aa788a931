// Options processing: which device family the command line targets (the
// device and pack options, classified by devices/family.h), where that
// family's driver is, the driver's fixed leading options, the
// translation of every argument through the option table, and the closing
// options of the family. Also the handlers of the special options and of
// "--memorysummary".
#include "driver/options_process.h"

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/lumoinstdir.h"
#include "common/messages.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "common/stringcache.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "devices/machdep.h"
#include "selftests/selftests.h"
#include "selftests/stIntegrity.h"
#include "driver/option_handlers.h"
#include "driver/option_state.h"
#include "driver/zir_bridge.h"

namespace {

constexpr int kLanguageEnglish = 9;

constexpr const char* kErrorFormat = "%f:%l:%c: error: (%n) %s";
constexpr const char* kWarningFormat = "%f:%l:%c: warning: (%n) %s";
constexpr const char* kAdvisoryFormat = "%f:%l:%c: advisory: (%n) %s";

// The predefined macros every TEV compile gets, and the version they carry.
constexpr const char* kTevMacros[] = {"-D__LUMO", "-D__LUMO8", "-D__LUMO__", "-D__LUMO8__"};
constexpr int kTevVersionMacro = 2500;

// The final family: the device option's, unless a pack names another
// family (two ZIR types stay the device's).
DeviceType combine(DeviceType device, DeviceType dfp) {
  if (dfp == DEVICE_NONE || (device_is_zir(device) && device_is_zir(dfp))) return device == DEVICE_NONE ? dfp : device;
  return dfp;
}

// The driver in the first directory that holds it; kMsgNoDriver (fatal)
// when none does.
const char* locate_driver(const char* name, const char* first_dir) {
  const char* exe = sc_concat(name, (osd_os_flags() & kOsdWindowsFlag) ? ".exe" : "");
  const char* path = first_dir ? sc_pathJoin(first_dir, exe) : exe;
  if (first_dir && path_exists(path)) return path;
  DB_NOTE("Could not locate driver in path: \"%s\"", path);
  const char* bin = lumoinstdir(LUMOINSTDIR_BIN);
  const char* fallback = bin ? sc_pathJoin(bin, exe) : exe;
  if (bin && path_exists(fallback)) return fallback;
  DB_NOTE("Also could not locate driver in path: \"%s\"", fallback);
  alert_raise(kMsgNoDriver, exe);
  cleanup(1);  // the message is fatal; this only makes the end explicit
}

void start_tev(vector* out) {
  const char* tev = lumoinstdir(LUMOINSTDIR_TEV);
  vec_push(out, locate_driver("tev-gcc", tev ? sc_pathJoin(tev, "bin") : nullptr));
}

void start_zir(vector* out, bool version_seen) {
  vec_push(out, locate_driver("lumo8", reg_instdir(REG_PATH_BIN)));
  vec_push(out, "--lumo8cc");
  if (!version_seen) vec_push(out, "-q");
  vec_push(out, "--opt=none");
  alert_load_language(kLanguageEnglish);
  alert_set_formats(kErrorFormat, kWarningFormat, kAdvisoryFormat);
  alert_use_formats(true);
  // The driver and the tools it runs report in the same form as this program.
  osd_setenv("ZOT_ERR_FORMAT", kErrorFormat);
  osd_setenv("ZOT_WARN_FORMAT", kWarningFormat);
  osd_setenv("ZOT_MSG_FORMAT", kAdvisoryFormat);
}

void close_zir(vector* out) {
  const OptionState& state = option_state();
  if (!state.errformat_given) option_push(out, "--errformat=%s", kErrorFormat);
  if (!state.warnformat_given) option_push(out, "--warnformat=%s", kWarningFormat);
  if (!state.msgformat_given) option_push(out, "--msgformat=%s", kAdvisoryFormat);
  options_add_msgdisable(out);
  zir_bridge_close(out);
}

void close_tev(vector* out) {
  for (const char* macro : kTevMacros) vec_push(out, macro);
  option_push(out, "-D__LUMO8_VERSION=%d", kTevVersionMacro);
}

struct Scan {
  DeviceType dfp = DEVICE_NONE;
  DeviceType device = DEVICE_NONE;
  bool device_option_seen = false;
  bool version_seen = false;
};

Scan scan_arguments(vector* args) {
  Scan scan;
  for (const char* arg : VecItems<const char*>(args)) {
    if (option_matches(arg, "-mdfp", nullptr)) {
      if (DeviceType t = option_DFPType(arg)) scan.dfp = t;
    } else if (option_matches(arg, "-mmcu", "-mcpu", "-mprocessor", nullptr)) {
      scan.device_option_seen = true;
      if (DeviceType t = option_DeviceType(arg)) scan.device = t;
    } else if (option_matches(arg, "--version", nullptr)) {
      // The version run goes to the legacy driver, whatever follows.
      scan.version_seen = true;
      scan.device = DEVICE_ZIR;
      break;
    }
  }
  return scan;
}

}  // namespace

vector* options_process(vector* args) {
  DB_ENTER("%u arguments", vec_size(args));
  if (!args) {
    DB_EXIT("options vector was NULL");
    return nullptr;
  }
  vector* out = vec_new();
  Scan scan = scan_arguments(args);
  DeviceType type = combine(scan.device, scan.dfp);
  if (device_is_tev(type))
    start_tev(out);
  else if (device_is_zir(type))
    start_zir(out, scan.version_seen);
  options_initialize(OPT_ENABLED);
  vector* translated = options_handler(args, type);
  vec_append(out, translated);
  vec_free(translated);
  if (type == DEVICE_NONE) {
    alert_raise(scan.device_option_seen ? kMsgUnknownDevice : kMsgNoDevice);
    cleanup(1);  // both messages are fatal
  }
  if (device_is_zir(type)) close_zir(out);
  if (device_is_tev(type)) {
    close_tev(out);
    // The TEV compiler has no listing of its own built-ins; the run goes on.
    if (option_state().print_builtins) print_builtins_list();
  }
  DB_EXIT("%u options", vec_size(out));
  return out;
}

// The driver gets the settings this program took, never the user's text; a
// further --lumodebug was ignored here and is not handed on.
LUMO_OPTION_HANDLER(opt_lumodebug) {
  DB_ENTER("%s", arg);
  static bool handed_on = false;
  const char* option = handed_on ? nullptr : lumodebug_optionFor(DBC_LUMO8CC, "lumo8");
  handed_on = true;
  if (option) vec_push(out, option);
}

// The installation commands, whatever the family: each ends the program
// with its own status.
LUMO_OPTION_HANDLER(opt_installation) {
  DB_ENTER("%s", arg);
  cleanup(row.name[6] == 'i' ? selfinit(value) : selftest(value));
}

LUMO_OPTION_HANDLER(opt_nodel) {
  DB_ENTER("%s", arg);
  osd_keep_temps(true);
  vec_push(out, sc_intern(arg));
}

// Without a file (the next argument is an option) the legacy driver writes
// the summary where it writes its other outputs.
LUMO_OPTION_HANDLER(opt_memorysummary) {
  DB_ENTER("%s", arg);
  if (device_is_tev(family)) {
    option_push(out, "-Wl,--memorysummary,%s", value ? value : "memoryfile.xml");
    return;
  }
  vec_push(out, "--summary=+xml");
  if (value) option_push(out, "--summarydir=%s", value);
}
