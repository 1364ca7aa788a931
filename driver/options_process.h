// Options processing: the callback of the command line that turns the
// expanded arguments into the options vector of the family's driver.
#pragma once

#include "driver/options.h"

struct vector;

// Element 0 the driver's path, then its options; null when args is null.
// Ends the program (status 1) when no family can be identified or the
// driver is missing.
vector* options_process(vector* args);
