// The option state of a run.
#include "driver/option_state.h"

#include "debug/lumodebug.h"

namespace {
OptionState g_state;
}  // namespace

OptionState& option_state() { return g_state; }

void option_state_reset() {
  DB_ENTER();
  g_state = OptionState{};
}
