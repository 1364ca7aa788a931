// The option state of a run.
#include "driver/option_state.h"

namespace {
OptionState g_state;
}  // namespace

OptionState& option_state() { return g_state; }
