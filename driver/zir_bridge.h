// What a ZIR run needs around the legacy driver to behave as the GNU driver
// does where the driver's option language has no words for it: an input
// that "-x c" names C although its name does not say so reaches the driver
// as its standard input, and the dependency files of the "-M" group are
// made by this program from the rules the driver writes into a file of the
// temporary root.
#pragma once

struct vector;

// The closing part of a ZIR translation: reports standard input without a
// language (kMsgStdinNeedsLanguage), opens the "-x" input as standard
// input, and asks the driver for its rules when the "-M" group was used (registering the
// finishing step with the command line).
void zir_bridge_close(vector* out);

// After the driver: with status 0, writes the GNU dependency files from the
// driver's rules. A rules file that is missing or damaged is
// kMsgDriverDepfile, a file that cannot be written kMsgCannotWriteOutput;
// either makes the status 1. Nothing is left half-written: each file is
// written beside its place and renamed.
int zir_bridge_finish(int status);
