// Diagnostics of the tool-chain programs: rows of the installation's
// message catalogue, raised through the message facility in the formats the
// environment gives (ZOT_ERR_FORMAT, ZOT_WARN_FORMAT, ZOT_MSG_FORMAT), so
// that lumo8-cc, its back ends and the tools they run all report alike.
//
// A warning or an advisory can be disabled by number ("--msgdisable=N:off",
// "-w" for all); the facility's warning level and -Werror rules apply too.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "common/alert.h"

// Loads the catalogue and reads the formats from the environment (the plain
// form when none is set). Called first, before any format option is applied.
void tc_diag_init();

// The file and line the following messages refer to; null for none.
void tc_diag_at(const char* file, int line);

// Raises the catalogue row with its printf arguments; 1 when it was shown.
// A fatal row ends the program with status 1.
int tc_raise(uint32_t number, ...);
int tc_vraise(uint32_t number, va_list args);

// 0 disables every warning and advisory.
void tc_diag_disable(uint32_t number);
// The errors raised so far (fatal ones end the program first).
uint32_t tc_diag_errors();
// The warnings shown so far.
uint32_t tc_diag_warnings();
