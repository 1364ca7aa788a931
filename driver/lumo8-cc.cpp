// lumo8-cc: program entry. The command-line layer does the run; this file
// gives it the options callback, the command-file mode and the verbosity.
#include "driver/cmdline.h"
#include "driver/option_state.h"
#include "driver/options_process.h"

int main(int argc, char** argv) {
  return cmdline_driver(argc, argv, options_process, CMDLINE_FILE_ALWAYS, &option_state().verbosity);
}
