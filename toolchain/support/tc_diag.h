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

// The formats a program reports in when the environment sets none.
enum class tc_diag_style : uint8_t {
  legacy,  // the catalogue's own formats ("file: line: (n) text (error)")
  gnu,     // "file:line:column: error: (n) text", as GNU compilers write
};

// Loads the catalogue and reads the formats from the environment (the
// style's formats when none is set). Called first, before any format option
// is applied.
void tc_diag_init(tc_diag_style style = tc_diag_style::legacy);

// The file, line and 1-based column the following messages refer to; null
// for none. A message with a file and a line always names a column (the
// first when the caller gives none); a message without them names no file,
// line or column at all, so no format leaves an empty field behind.
void tc_diag_at(const char* file, int line, int column = 1);

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
