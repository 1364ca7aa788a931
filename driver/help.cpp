// Option help: the usage lines and the rows of the option table by class.
#include "driver/help.h"

#include <cstdio>
#include <cstring>

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/stringcache.h"
#include "common/osdep.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "devices/devices.h"
#include "driver/cmdline.h"
#include "driver/option_handlers.h"

namespace {

// Plain "--help": the five groups, without "undocumented".
constexpr uint32_t kDefaultHelpMask = 0x1f;
constexpr int kHelpNameWidth = 25;
constexpr const char* kZirTargetHeader = "\nThe following options are ZIR10/12/14/16/18 target specific:\n\n";
constexpr const char* kTevTargetHeader = "\nThe following options are TEV target specific:\n\n";

struct HelpClass {
  const char* name;
  uint32_t bits;
};
constexpr HelpClass kHelpClasses[] = {
    {"common", OPT_COMMON},   {"optimizers", OPT_OPTIMIZERS}, {"params", OPT_PARAMS}, {"target", OPT_TARGET},
    {"warnings", OPT_WARNINGS}, {"undocumented", OPT_UNDOCUMENTED}, {"joined", OPT_JOINED}, {"separate", OPT_SEPARATE},
};

bool listed(const option_row& row, uint32_t mask) {
  return option_registered(row) && !(row.flags & (OPT_HIDDEN | OPT_SUBOPTION)) && (row.flags & mask);
}

uint32_t class_bits(const char* name) {
  for (const HelpClass& c : kHelpClasses)
    if (strcmp(name, c.name) == 0) return c.bits;
  return 0;
}

}  // namespace

uint32_t option_help_classes(const char* list) {
  DB_ENTER("%s", list ? list : "(null)");
  uint32_t mask = 0;
  vector* pieces = sc_split(list ? list : "", ",");
  if (vec_size(pieces) == 0 && list) mask = class_bits(list);
  for (const char* piece : VecItems<const char*>(pieces)) mask |= class_bits(piece);
  vec_free(pieces);
  DB_EXIT("0x%x", mask);
  return mask;
}

void options_print(uint32_t mask) {
  DB_ENTER("0x%x", mask);
  for (const option_row* row = option_table; row->name; ++row) {
    if (!listed(*row, mask)) continue;
    if (strlen(row->name) > static_cast<size_t>(kHelpNameWidth))
      printf("  %s\n  %-*s %s\n", row->name, kHelpNameWidth, "", row->help);
    else
      printf("  %-*s %s\n", kHelpNameWidth, row->name, row->help);
  }
  DB_EXIT();
}

void print_list(vector* list, bool one_per_line) {
  DB_ENTER("%u texts, %d", vec_size(list), one_per_line);
  uint32_t n = vec_size(list);
  for (uint32_t i = 0; i < n; ++i) {
    const char* text = vec_get_as<const char*>(list, i);
    if (one_per_line) {
      printf("%s\n", text);
      continue;
    }
    printf("%20s ", text);
    if (i % 4 == 3) printf("\n");
  }
  if (n > 0 && !one_per_line) printf("\n");
  vec_free(list);
  DB_EXIT();
}

// The TEV driver prints its own help (its row passes the option on).
LUMO_OPTION_HANDLER(opt_help) {
  DB_ENTER("%s", arg);
  uint32_t mask = kDefaultHelpMask;
  if (strlen(arg) > strlen(row.name)) {
    if (arg[strlen(row.name)] != '=') option_required(arg, nullptr);
    mask = option_help_classes(option_required(arg, value));
  }
  printf("Usage: %s [options] file...\nOptions:\n", cmdline_progname());
  options_print(mask);
  DB_EXIT("printed help");
  cleanup(0);
}

// The target part of the TEV driver's own help: the sections that begin
// with a "The following" line, each up to an "Assembler" line. The driver's
// diagnostics go into a temporary file instead of the user's screen; any
// failure leaves the section out.
void print_tev_target_specific_options() {
  DB_ENTER();
  const char* name = osd_tmpname(nullptr);
  if (!name) {
    DB_EXIT("could not get temp file name");
    return;
  }
  FILE* sink = fopen(name, "w");
  if (!sink) {
    DB_EXIT("could not open temp file \"%s\"", name);
    return;
  }
  {
    OsdStderrRedirect quiet(sink);
    const char* driver = getDriverPath(TOOL_TEV_DRIVER);
    FILE* pipe = driver ? osd_popen(driver, "--target-help", static_cast<const char*>(nullptr)) : nullptr;
    if (!driver) DB_NOTE("Could not get driver name");
    if (driver && !pipe) DB_NOTE("could not create pipe to driver");
    bool printing = false, headed = false;
    std::string line;
    while (pipe && sc_readLine(pipe, line)) {
      if (!printing) {
        printing = sc_startsWith(line.c_str(), "The following");
        continue;
      }
      if (sc_startsWith(line.c_str(), "Assembler")) {
        printing = false;
        continue;
      }
      if (!headed) fputs(kTevTargetHeader, stdout);
      headed = true;
      fputs(line.c_str(), stdout);
    }
    if (pipe) osd_pclose(pipe);
  }
  fclose(sink);
  DB_EXIT();
}

LUMO_OPTION_HANDLER(opt_target_help) {
  DB_ENTER("%s", arg);
  vector* devices = device_list(DEVICES_ALL);
  fputs(kZirTargetHeader, stdout);
  options_print(OPT_TARGET);
  print_tev_target_specific_options();
  fputs("Known device names:\n", stdout);
  if (devices) print_list(devices, false);
  DB_EXIT("printed target help");
  cleanup(0);
}

// "-mprint-devices" lists every family, the hidden "-mprint-zir-devices"
// the two ZIR families.
LUMO_OPTION_HANDLER(opt_print_devices) {
  DB_ENTER("%s", arg);
  const bool zir_only = strcmp(arg, "-mprint-zir-devices") == 0;
  if (vector* devices = device_list(zir_only ? DEVICES_ZIR_ALL : DEVICES_ALL)) print_list(devices, true);
  DB_EXIT("printed devices");
  cleanup(0);
}
