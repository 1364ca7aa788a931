// The handlers of the option table's rows whose translation is more than
// data, by area. Every handler has the calling convention of option_handler
// (options.h): it appends the translation of one argument, whose value the
// table has already taken, to out.
#pragma once

#include "driver/options.h"

#define LUMO_OPTION_HANDLER(name)                                                                         \
  void name([[maybe_unused]] const option_row& row, [[maybe_unused]] DeviceType family,                  \
            [[maybe_unused]] const char* arg, [[maybe_unused]] const char* value, [[maybe_unused]] vector* out)

// ---- Compile stages, output, language, dependencies (options_general.cpp) ----
LUMO_OPTION_HANDLER(opt_output);          // -o for ZIR
LUMO_OPTION_HANDLER(opt_depend_file);     // -MF for ZIR
LUMO_OPTION_HANDLER(opt_depend_target);   // -MT, -MQ for ZIR
LUMO_OPTION_HANDLER(opt_language);        // -x
LUMO_OPTION_HANDLER(opt_verbose);         // -v
LUMO_OPTION_HANDLER(opt_std);             // -std for ZIR

// ---- Warnings, pass-through to the tools, libraries (options_tools.cpp) ----
LUMO_OPTION_HANDLER(opt_werror);          // -Werror, -Wno-error
LUMO_OPTION_HANDLER(opt_warning);         // -W, -Wno- (prefixes)
LUMO_OPTION_HANDLER(opt_xlinker);         // -Xlinker for ZIR
LUMO_OPTION_HANDLER(opt_xassembler);      // -Xassembler for ZIR
LUMO_OPTION_HANDLER(opt_lumo8);           // -Xlumo8 for ZIR
LUMO_OPTION_HANDLER(opt_library);         // -l for ZIR
LUMO_OPTION_HANDLER(opt_library_dir);     // -L for ZIR

// The options appended after every translated argument of a top-level run.
void options_closing(DeviceType device_type, vector* out);
// Updates the disabled messages: enabling removes number (0: all), disabling
// adds it unless it is neither a warning nor an advisory (kMsgCannotDisable).
void message_enable(uint32_t number, bool enable);
// "--msgdisable=N:off" for each disabled number but 0, then "--msgdisable=0"
// when 0 is disabled.
void options_add_msgdisable(vector* out);

// ---- Target options (options_target.cpp) ----
LUMO_OPTION_HANDLER(opt_mcpu);            // -mcpu
LUMO_OPTION_HANDLER(opt_extension);       // -mcci, -mext
LUMO_OPTION_HANDLER(opt_reserve);         // -mreserve for ZIR

// ---- Special options (options_process.cpp) ----
LUMO_OPTION_HANDLER(opt_lumodebug);       // --lumodebug for ZIR
LUMO_OPTION_HANDLER(opt_installation);    // --selfinit, --selftest
LUMO_OPTION_HANDLER(opt_nodel);           // --nodel for ZIR
LUMO_OPTION_HANDLER(opt_memorysummary);   // --memorysummary (also as a linker sub-option)

// ---- Help and listings (help.cpp) ----
LUMO_OPTION_HANDLER(opt_help);            // --help
LUMO_OPTION_HANDLER(opt_target_help);     // --target-help
LUMO_OPTION_HANDLER(opt_print_devices);   // -mprint-devices, -mprint-zir-devices
