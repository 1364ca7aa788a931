// The catalogue rows tev-gcc raises itself, in one table (the preprocessor
// raises its own); they go out through tc_raise.
#pragma once

#include <cstdint>

enum tev_msg : uint32_t {
  TEV_UNKNOWN_OPTION = 2000,         // E option
  TEV_MISSING_VALUE = 2037,          // E option
  TEV_BAD_VALUE = 2003,              // E value, option
  TEV_UNKNOWN_DEVICE = 2053,         // F device
  TEV_NO_PACK = 2204,                // E directory
  TEV_PACK_NOT_TEV = 2206,           // E directory, "tev"
  TEV_NO_INPUT = 2023,               // F
  TEV_CANNOT_OPEN = 2030,            // E path
  TEV_UNKNOWN_FILE_TYPE = 2057,      // E path
  TEV_STDIN_NEEDS_LANGUAGE = 2035,   // E
  TEV_STDIN_TERMINAL = 2039,         // E
  TEV_CANNOT_WRITE = 2032,           // E path
  TEV_UNKNOWN_LINKER_OPTION = 1100,  // E option
  TEV_UNKNOWN_ASM_OPTION = 980,      // E option
  TEV_UNKNOWN_PRE_OPTION = 191,      // E option
  TEV_DEVICE_CONFLICT = 2085,        // E device, device
  TEV_NO_DEVICE_DATA = 2046,         // F path
  TEV_COMMAND_FILE = 2088,           // E path
  TEV_OUTPUT_MULTIPLE = 2087,        // E name, count (unsigned)
  TEV_OUTPUT_IS_INPUT = 2075,        // F path
  TEV_UNTERMINATED = 297,            // E what
  TEV_UNBALANCED = 213,              // E token
  TEV_ASM_DIRECTIVE = 847,           // E directive
  TEV_ASM_SYNTAX = 811,              // E operand, directive
  TEV_BAD_OBJECT = 1246,             // F path
  TEV_MULTIPLE_DEFINITION = 1004,    // E symbol
  TEV_NO_MAIN = 1052,                // E "main"
  TEV_PROGRAM_OVERFLOW = 1007,       // E bytes, device, bytes (unsigned)
  TEV_DATA_OVERFLOW = 1008,          // E bytes, device, bytes (unsigned)
  TEV_LIBRARY_NOT_FOUND = 2071,      // E name
  TEV_BAD_LIBRARY = 1209,            // F path
  TEV_INPUT_UNUSED = 2029,           // 0 path
};

// -w hides every warning; -Werror makes them errors.
void tev_warnings_configure(bool hidden, bool as_errors);
