// What the option handlers remember during a run for the closing options
// and for options processing: process-wide, cleared at start, never reset
// (the table translates one command line per run).
#pragma once

#include <cstdint>

struct vector;
struct numset;

struct OptionState {
  bool compile_only = false;        // "-c" for ZIR
  bool c_source_seen = false;       // input files, ZIR
  bool asm_source_seen = false;
  bool asm_cpp_seen = false;
  bool fixupoverflow_given = false; // linker sub-option, ZIR
  bool std_given = false;           // "-ansi", "-std", any family
  bool c90_selected = false;        // ZIR
  bool pedantic_given = false;      // ZIR
  bool nowarn_given = false;        // "-w", ZIR
  bool mwarn_given = false;         // "-mwarn", ZIR
  bool errformat_given = false;     // "-Xlumo8 --errformat...", ZIR
  bool warnformat_given = false;
  bool msgformat_given = false;
  bool mdevice_given = false;       // TEV
  bool const_data_given = false;    // TEV
  bool dfp_given = false;           // TEV
  bool print_builtins = false;      // "-mprint-builtins", TEV
  const char* mdevice_option = nullptr;  // "-mdevice=..." for TEV, from "-mcpu"
  vector* libraries = nullptr;      // "-l" names for ZIR, in order
  vector* library_dirs = nullptr;   // "" then the "-L" directories for ZIR; null until the first
  numset* disabled_messages = nullptr;   // null until first use; 0 stands for all warnings
  int verbosity = 0;                // "-v"
  // What the GNU dependency files of a ZIR run are made from (the legacy
  // driver's language cannot say it): the stage, the output as typed, the
  // "-M" group and the inputs.
  bool preprocess_only = false;     // "-E"
  bool assembly_only = false;       // "-S"
  bool depend_only = false;         // "-M", "-MM": the rules are the output
  bool depend_side = false;         // "-MD", "-MMD": the rules beside the compile
  const char* depend_file = nullptr;     // "-MF"
  vector* depend_targets = nullptr;      // "-MT" as given; null until the first
  vector* depend_quoted = nullptr;       // "-MQ" as given; null until the first
  bool depend_phony = false;        // "-MP"
  const char* output = nullptr;     // "-o" as typed
  vector* inputs = nullptr;         // ZIR input files as typed, in order; null until the first
  // "-x": the language of the inputs that follow (null after "-x none").
  const char* language = nullptr;
  bool stdin_without_language = false;  // "-" with no "-x" before it, ZIR
  // ZIR: an input whose name does not say it is C, named by "-x c"; the
  // driver reads it as its standard input.
  const char* stdin_file = nullptr;
};

// Read by every handler for every argument: a getter, not traced.
OptionState& option_state();
