// One run of tev-gcc over a parsed request: the device, the search list,
// each input through the preprocessor, the code generator or the object
// reader, then the link, and the outputs written at the end.
#pragma once

#include "toolchain/tev-gcc/tev_options.h"

// The exit status of the run: 0 when everything asked for was written,
// 1 after any error.
int tev_run(const tev_request& request);
