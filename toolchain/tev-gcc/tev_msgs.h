// The warning rules of tev-gcc. The catalogue rows it raises are named in
// common/msgnum.h and go out through tc_raise.
#pragma once

// -w hides every warning; -Werror makes them errors.
void tev_warnings_configure(bool hidden, bool as_errors);
