// Options processing: the callback of the command line that turns the
// expanded arguments into the options vector of the family's driver.
#pragma once

#include "driver/options.h"

struct vector;

// Element 0 the driver's path, then its options; null when args is null.
// Ends the program (status 1) when no family can be identified or the
// driver is missing.
vector* options_process(vector* args);
// The family of a "-mdfp=<directory>" pack: ZIR when it holds "zir", else
// TEV when it holds "tev", else none. Without a directory: message 1195 and
// status 1.
DeviceType option_DFPType(const char* arg);
// The family of a "-mcpu=", "-mmcu=" or "-mprocessor=" device name.
DeviceType option_DeviceType(const char* arg);
