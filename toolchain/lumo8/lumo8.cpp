// lumo8: the ZIR compiler driver that lumo8-cc runs as "lumo8 @<file>".
//
// It reads its options from command files (and the command line), accepts
// exactly the option language lumo8-cc writes, checks the chip against the
// installation's devices, and writes what the options ask for: preprocessed
// output, p1 and object files, or a HEX image with its map and summary.
#include <cstdio>
#include <vector>

#include "common/alert.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/cmdline.h"
#include "toolchain/lumo8/lumo8_build.h"
#include "toolchain/lumo8/lumo8_chips.h"
#include "toolchain/lumo8/lumo8_options.h"
#include "toolchain/support/tc_diag.h"

namespace {

constexpr const char* kBanner = "lumo8 ZIR compiler driver V2.50 (part of lumo8-cc 2.50)\n";

// The built-in functions the compiler knows, as "--info=builtins" lists them.
constexpr const char* kBuiltins[] = {"__nop", "__clrwdt", "__sleep", "__delay", "__delay_ms", "__delay_us",
                                     "__eeprom_read", "__eeprom_write", "__swap_nibbles"};

std::vector<const char*> expanded_arguments(int argc, char** argv) {
  vector* args = cmdline_args(argc, argv, nullptr);
  std::vector<const char*> list;
  for (const char* arg : VecItems<const char*>(args)) list.push_back(arg);
  vec_free(args);
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  lumodebug_set_outstem("lumo8");  // beside the trace of the lumo8-cc that started it
  tc_diag_init();
  std::vector<const char*> args = expanded_arguments(argc, argv);
  if (alert_has_errors()) return 1;  // a command file that could not be read whole
  l8_apply_formats(args);
  l8_config config;
  if (!l8_parse_options(args, &config)) return 1;
  for (uint32_t number : config.disabled) tc_diag_disable(number);
  alert_set_warnlevel(config.warn_level);
  if (config.version) {
    fputs(kBanner, stdout);
    return 0;
  }
  if (!config.quiet) fputs(kBanner, stdout);
  if (config.chip.empty()) {
    tc_raise(kMsgNoChip);
    return 1;
  }
  l8_chip chip;
  if (!l8_find_chip(config.chip, &chip)) return 1;
  // -v shows the search list too, as a GNU compiler's does: editors ask
  // "-E -v" for the directories to index.
  if (config.list_search || config.verbose > 0) {
    fputs("#include \"...\" search starts here:\n#include <...> search starts here:\n", stderr);
    std::vector<std::string> dirs = config.include_dirs;
    if (!config.no_cinc)
      for (const std::string& d : l8_system_include_dirs(config.c90)) dirs.push_back(d);
    for (const std::string& d : dirs)
      if (path_is_dir(d.c_str())) fprintf(stderr, " %s\n", d.c_str());
    fputs("End of search list.\n", stderr);
  }
  if (config.builtins) {
    for (const char* name : kBuiltins) printf("%s\n", name);
    if (config.inputs.empty()) return 0;
  }
  if (config.inputs.empty()) {
    tc_raise(kMsgNoInputFiles);
    return 1;
  }
  return l8_build(config, chip);
}
