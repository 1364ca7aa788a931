// Diagnostics of the tool-chain programs: numbered errors, warnings and
// advisories through the message facility, in the formats the environment
// gives (ZOT_ERR_FORMAT, ZOT_WARN_FORMAT, ZOT_MSG_FORMAT) so that lumo8-cc,
// its back ends and the tools they run all report alike.
//
// The numbers and texts belong to each program; a warning or an advisory
// can be disabled by number ("--msgdisable=N:off", "-w" for all).
#pragma once

#include <cstdint>

#include "common/alert.h"

// Reads the formats from the environment (the plain form when none is set).
void tc_diag_init();

// The file and line the following messages refer to; null for none.
void tc_diag_at(const char* file, int line);

int tc_error(uint32_t number, const char* format, ...) LUMO_PRINTF(2, 3);
int tc_warning(uint32_t number, const char* format, ...) LUMO_PRINTF(2, 3);
int tc_advisory(uint32_t number, const char* format, ...) LUMO_PRINTF(2, 3);

// 0 disables every warning and advisory.
void tc_diag_disable(uint32_t number);
uint32_t tc_diag_errors();
