// lumo8-cc: program entry. The command-line layer does the run; this file
// gives it the options callback, the command-file mode, the verbosity and
// the test that tells the user's input files from other arguments.
#include "common/vector.h"
#include "driver/cmdline.h"
#include "driver/option_state.h"
#include "driver/options.h"
#include "driver/options_process.h"

namespace {

// An input file is neither an option nor the value that the option before
// it takes as the next argument (a row whose value can be the next argument,
// named whole).
bool is_input_file(const vector* args, uint32_t index) {
  const char* arg = vec_get_as<const char*>(args, index);
  if (!arg || arg[0] == '-') return false;
  if (index == 0 || !options_table()) return true;
  const char* before = vec_get_as<const char*>(args, index - 1);
  const option_row* row = before[0] == '-' ? option_lookup(options_table(), before, nullptr) : nullptr;
  return !(row && option_takes_next(*row, before));
}

}  // namespace

int main(int argc, char** argv) {
  cmdline_set_input_test(is_input_file);
  return cmdline_driver(argc, argv, options_process, CMDLINE_FILE_ALWAYS, &option_state().verbosity);
}
