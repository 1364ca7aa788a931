// The numbered messages of lumo8, all in one place. lumo8 owns the numbers
// 3000 to 3099 (errors) and 3100 to 3199 (warnings and advisories); they go
// out through the shared diagnostics in the formats the environment or the
// "--errformat=" options give.
#pragma once

#include <cstdint>

#include "toolchain/support/tc_diag.h"

struct l8_message {
  uint32_t number;
  const char* text;
};

// ---- Errors: the command ----
inline constexpr l8_message kL8UnknownOption{3001, "unknown option \"%s\""};
inline constexpr l8_message kL8BadValue{3002, "invalid value in option \"%s\""};
inline constexpr l8_message kL8NoChip{3003, "no chip selected; use --chip=<device>"};
inline constexpr l8_message kL8UnknownChip{3004, "chip \"%s\" is not a device of this installation"};
inline constexpr l8_message kL8ChipFile{3005, "cannot read the device list \"%s\" (line %u)"};
inline constexpr l8_message kL8NoInput{3006, "no input files"};
inline constexpr l8_message kL8InputMissing{3007, "input file \"%s\" not found"};
inline constexpr l8_message kL8InputKind{3008, "input file \"%s\" is of no kind lumo8 can use"};
inline constexpr l8_message kL8BadP1{3009, "\"%s\" is not a valid intermediate (p1) file"};
inline constexpr l8_message kL8BadObject{3010, "\"%s\" is not a valid object file"};
inline constexpr l8_message kL8BadLibrary{3011, "\"%s\" is not a valid library"};
inline constexpr l8_message kL8CommandFile{3012, "cannot read command file \"%s\""};
inline constexpr l8_message kL8OneOutput{3013, "\"-o%s\" names one output, but %u would be written"};
// ---- Errors: the sources ----
inline constexpr l8_message kL8IncludeMissing{3020, "cannot find include file \"%s\""};
inline constexpr l8_message kL8IncludeDepth{3021, "include files nested too deeply at \"%s\""};
inline constexpr l8_message kL8Directive{3022, "malformed directive \"#%s\""};
inline constexpr l8_message kL8Unbalanced{3023, "\"#%s\" without a matching #if"};
inline constexpr l8_message kL8Unterminated{3024, "#if without #endif at the end of \"%s\""};
inline constexpr l8_message kL8UserError{3025, "#error %s"};
inline constexpr l8_message kL8Expression{3026, "bad #if expression \"%s\""};
inline constexpr l8_message kL8ReadFailed{3027, "cannot read \"%s\""};
// ---- Errors: the outputs ----
inline constexpr l8_message kL8WriteFailed{3040, "cannot write output file \"%s\""};
inline constexpr l8_message kL8OverwritesInput{3042, "output file \"%s\" would replace an input file"};
inline constexpr l8_message kL8WarningsAreErrors{3043, "%u warning(s) treated as errors (--Werror)"};
inline constexpr l8_message kL8RomFull{3041, "program of %u words does not fit the %u words of program memory"};
// ---- Warnings and advisories ----
inline constexpr l8_message kL8UserWarning{3100, "#warning %s"};
inline constexpr l8_message kL8NothingToDo{3101, "\"%s\" is not used when stopping before the link"};
inline constexpr l8_message kL8Redefined{3102, "macro \"%s\" redefined"};

// Warnings that were shown, for "--Werror".
inline uint32_t g_l8_warnings_shown = 0;

template <const l8_message& M, typename... Args>
void l8_warning(Args... args) {
  if (tc_warning(M.number, M.text, args...)) ++g_l8_warnings_shown;
}
