// The catalogue rows lumo8 raises itself, all in one place (the
// preprocessor raises its own). They go out through the shared diagnostics
// in the formats the environment or the "--errformat=" options give.
#pragma once

#include <cstdint>

#include "toolchain/support/tc_diag.h"

// ---- The command ----
inline constexpr uint32_t kL8UnknownOption = 2000;   // E option
inline constexpr uint32_t kL8BadValue = 2099;        // E option
inline constexpr uint32_t kL8NoChip = 2033;          // F
inline constexpr uint32_t kL8UnknownChip = 2053;     // F chip
inline constexpr uint32_t kL8ChipFile = 2036;        // F path, line (unsigned)
inline constexpr uint32_t kL8NoInput = 2023;         // F
inline constexpr uint32_t kL8InputMissing = 2027;    // E path
inline constexpr uint32_t kL8InputKind = 2057;       // E path
inline constexpr uint32_t kL8StdinTerminal = 2039;   // E
inline constexpr uint32_t kL8BadP1 = 405;            // F path
inline constexpr uint32_t kL8BadObject = 1246;       // F path
inline constexpr uint32_t kL8BadLibrary = 1209;      // F path
inline constexpr uint32_t kL8CommandFile = 2088;     // E path
inline constexpr uint32_t kL8OneOutput = 2087;       // E name, count (unsigned)
// ---- The sources ----
inline constexpr uint32_t kL8ReadFailed = 930;       // F path
inline constexpr uint32_t kL8Unbalanced = 213;       // E bracket
inline constexpr uint32_t kL8Unterminated = 297;     // E what
// ---- The outputs ----
inline constexpr uint32_t kL8WriteFailed = 2032;     // E path
inline constexpr uint32_t kL8RomFull = 2079;         // E words, words (unsigned)
inline constexpr uint32_t kL8OverwritesInput = 2075; // F path
inline constexpr uint32_t kL8WarningsAreErrors = 2024;  // E count (unsigned)
// ---- Warnings ----
inline constexpr uint32_t kL8NothingToDo = 2029;     // 0 path
