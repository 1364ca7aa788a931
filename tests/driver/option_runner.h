// Translates arguments the way the option table does, in a forked child
// (the option state, the message states and the error count are
// process-wide, and some handlers end the program), and brings back what
// they appended, what they consumed, the messages they raised and the
// option state they left.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/option_state.h"
#include "driver/options.h"

namespace optrun {

using Texts = std::vector<std::string>;

inline constexpr DeviceType Z = DEVICE_ZIR;
inline constexpr DeviceType Z18 = DEVICE_ZIR18;
inline constexpr DeviceType T = DEVICE_TEV;
inline constexpr DeviceType N = DEVICE_NONE;

struct Outcome {
  int status = -1;
  Texts out;              // the handlers' translations, in order
  uint32_t consumed = 0;  // by the last step
  std::string messages;   // message numbers raised, comma-separated, in order
  std::string state;      // option_state_summary() after the run
  Texts msgdisable;       // what options_add_msgdisable makes of the disabled messages
  std::string stderr_text;
};

// One argument translated by its row: args[index] is the argument.
struct Step {
  Texts args;
  uint32_t index = 0;
};

// The flags that are set (in declaration order), then "l:<name>" per
// library, "L:<dir>" per library directory, "v:<n>" for a verbosity and
// "mdevice:<text>" for a remembered device option; space-separated.
std::string option_state_summary();

// Runs the steps in one child; prepare runs first (in the child).
Outcome run(DeviceType family, const std::vector<Step>& steps, const std::function<void()>& prepare = {},
            const std::string& cwd = ".");
inline Outcome run(DeviceType family, const Step& step) { return run(family, std::vector<Step>{step}); }

// A whole command line through options_handler with the option table.
Outcome run_line(DeviceType family, const Texts& args, bool final, const std::function<void()>& prepare = {},
                 const std::string& cwd = ".");

// The closing options for a family after set has filled the option state.
Outcome run_closing(DeviceType family, const std::function<void(OptionState&)>& set,
                    const std::function<void()>& prepare = {}, const std::string& cwd = ".");

// "Z", "Z18", "T" or "none", for traces.
const char* family_name(DeviceType family);
std::string join(const Texts& texts);

}  // namespace optrun
