// The option handlers of the option table, by area. Every handler has the
// calling convention of option_handler (options.h): it appends the
// translation of one argument to out and returns how many following
// arguments it consumed.
#pragma once

#include "driver/options.h"

#define LUMO_OPTION_HANDLER(name) \
  uint32_t name(DeviceType device_type, const char* arg, vector* out, vector* args, uint32_t index)

// ---- Compile stages, output, preprocessor, language, optimisation
//      (options_general.cpp) ----
LUMO_OPTION_HANDLER(opt_compile);         // -c
LUMO_OPTION_HANDLER(opt_assembly);        // -S
LUMO_OPTION_HANDLER(opt_preprocess);      // -E
LUMO_OPTION_HANDLER(opt_comments);        // -C
LUMO_OPTION_HANDLER(opt_output);          // -o
LUMO_OPTION_HANDLER(opt_define);          // -D, -U, -I
LUMO_OPTION_HANDLER(opt_list_headers);    // -H
LUMO_OPTION_HANDLER(opt_list_macros);     // -dM
LUMO_OPTION_HANDLER(opt_depend);          // -M, -MD, -MF, -MM, -MMD, -MT, -MQ, -MP
LUMO_OPTION_HANDLER(opt_language);        // -x
LUMO_OPTION_HANDLER(opt_asm_cpp);         // -xassembler-with-cpp
LUMO_OPTION_HANDLER(opt_save_temps);      // -save-temps
LUMO_OPTION_HANDLER(opt_verbose);         // -v
LUMO_OPTION_HANDLER(opt_show_commands);   // -###
LUMO_OPTION_HANDLER(opt_version);         // --version
LUMO_OPTION_HANDLER(opt_ansi);            // -ansi
LUMO_OPTION_HANDLER(opt_std);             // -std
LUMO_OPTION_HANDLER(opt_char);            // -funsigned-char, -fno-unsigned-char, -fsigned-char, -fno-signed-char
LUMO_OPTION_HANDLER(opt_short_double);    // -fshort-double, -fno-short-double
LUMO_OPTION_HANDLER(opt_short_float);     // -fshort-float, -fno-short-float
LUMO_OPTION_HANDLER(opt_pointer_size);    // -fcp
LUMO_OPTION_HANDLER(opt_optimize);        // -O0 .. -O3, -Os, -Og, -flocal, -fasmfile
LUMO_OPTION_HANDLER(opt_cacheconst);      // -fcacheconst
LUMO_OPTION_HANDLER(opt_instrument);      // -finstrument-functions, -fno-instrument-functions
LUMO_OPTION_HANDLER(opt_max_errors);      // -fmax-errors
LUMO_OPTION_HANDLER(opt_output_format);   // -gdwarf-3, -gcoff, -ginhx32, -ginhx032
LUMO_OPTION_HANDLER(opt_nostdlib);        // -nostdlib (also as a linker sub-option)
LUMO_OPTION_HANDLER(opt_nodefaultlibs);   // -nodefaultlibs (also as a linker sub-option)
LUMO_OPTION_HANDLER(opt_nostartfiles);    // -nostartfiles (also as a linker sub-option)
LUMO_OPTION_HANDLER(opt_nostdinc);        // -nostdinc

// ---- Warnings, pass-through to the tools, libraries (options_tools.cpp) ----
LUMO_OPTION_HANDLER(opt_nowarn);          // -w
LUMO_OPTION_HANDLER(opt_pedantic);        // -Wpedantic
LUMO_OPTION_HANDLER(opt_werror);          // -Werror, -Wno-error
LUMO_OPTION_HANDLER(opt_warning);         // -W (prefix)
LUMO_OPTION_HANDLER(opt_nowarning);       // -Wno- (prefix)
LUMO_OPTION_HANDLER(opt_linker);          // -Wl, -Xlinker
LUMO_OPTION_HANDLER(opt_linker_map);      // linker sub-option -Map
LUMO_OPTION_HANDLER(opt_fixupoverflow);   // linker sub-option --fixupoverflow
LUMO_OPTION_HANDLER(opt_data_init);       // linker sub-options --data-init, --no-data-init
LUMO_OPTION_HANDLER(opt_assembler);       // -Wa
LUMO_OPTION_HANDLER(opt_asm_list);        // assembler sub-option -a (prefix)
LUMO_OPTION_HANDLER(opt_xassembler);      // -Xassembler
LUMO_OPTION_HANDLER(opt_preprocessor);    // -Wp
LUMO_OPTION_HANDLER(opt_xpreprocessor);   // -Xpreprocessor
LUMO_OPTION_HANDLER(opt_parser);          // -Xparser, -Xp1, -Xclang
LUMO_OPTION_HANDLER(opt_lumo8);           // -Xlumo8
LUMO_OPTION_HANDLER(opt_library);         // -l
LUMO_OPTION_HANDLER(opt_library_dir);     // -L

// The options appended after every translated argument of a top-level run.
void options_closing(DeviceType device_type, vector* out);
// Updates the disabled messages: enabling removes number (0: all), disabling
// adds it unless it is neither a warning nor an advisory (message 1607).
void message_enable(uint32_t number, bool enable);
// "--msgdisable=N:off" for each disabled number but 0, then "--msgdisable=0"
// when 0 is disabled.
void options_add_msgdisable(vector* out);

// ---- Target options (options_target.cpp) ----
LUMO_OPTION_HANDLER(opt_mcpu);            // -mcpu
LUMO_OPTION_HANDLER(opt_mdevice);         // -mdevice
LUMO_OPTION_HANDLER(opt_mdfp);            // -mdfp
LUMO_OPTION_HANDLER(opt_target_value);    // the -m options with a value (-maddrqual, -memi, -merrata, -mwarn, ...)
LUMO_OPTION_HANDLER(opt_runtime);         // the run-time -m options (-mplib, -mno-plib, -mivt, ...)
LUMO_OPTION_HANDLER(opt_maxizir);         // -mmaxichip, -mmaxizir
LUMO_OPTION_HANDLER(opt_shroud);          // -mshroud
LUMO_OPTION_HANDLER(opt_stack_usage);     // -morv-stack-usage
LUMO_OPTION_HANDLER(opt_const_data);      // -mconst-data-in-progmem, -mno-const-data-in-progmem
LUMO_OPTION_HANDLER(opt_fill);            // --fill
LUMO_OPTION_HANDLER(opt_extension);       // -mcci, -mext
LUMO_OPTION_HANDLER(opt_reserve);         // -mreserve
LUMO_OPTION_HANDLER(opt_print_builtins);  // -mprint-builtins

// ---- Special options (options_process.cpp) ----
LUMO_OPTION_HANDLER(options_special);     // --lumodebug, --selfinit, --selftest, --nodel, --pragmaconfig, --sivt, --hexwright, --imgconv
LUMO_OPTION_HANDLER(options_memorysummary);  // --memorysummary (also as a linker sub-option)

// ---- Help and listings (help.cpp) ----
LUMO_OPTION_HANDLER(opt_help);            // --help
LUMO_OPTION_HANDLER(opt_target_help);     // --target-help
LUMO_OPTION_HANDLER(opt_print_devices);   // -mprint-devices, -mprint-zir-devices
