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
};

// Read by every handler for every argument: a getter, not traced.
OptionState& option_state();
// Clears the whole state (for tests that translate several command lines).
void option_state_reset();
