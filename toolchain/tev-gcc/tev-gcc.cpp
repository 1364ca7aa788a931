// tev-gcc: the TEV compiler driver. Reads its options from the command line
// and from "@file" command files (the front end's escaping), accepts only
// the option language described in tev_options.cpp, and preprocesses,
// compiles, assembles and links into 32-bit TEV ELF files.
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "driver/cmdline.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/tev-gcc/tev_driver.h"
#include "toolchain/tev-gcc/tev_msgs.h"
#include "toolchain/tev-gcc/tev_options.h"

int main(int argc, char** argv) {
  lumodebug_set_outstem("tev-gcc");  // a trace of its own, never lumo8-cc's
  tc_diag_init(tc_diag_style::gnu);
  vector* expanded = cmdline_args(argc, argv, nullptr);
  std::vector<std::string> args;
  for (uint32_t i = 0; i < vec_size(expanded); ++i) args.emplace_back(vec_get_as<const char*>(expanded, i));
  vec_free(expanded);
  if (alert_has_errors()) return 1;  // a command file that could not be read whole

  tev_request request;
  if (!tev_parse_options(args, request)) return 1;
  tev_warnings_configure(request.no_warnings, request.warnings_are_errors);
  return tev_run(request);
}
