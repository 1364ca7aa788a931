// The end of every early road out of the program: finishes the debug
// facility (through the trace core's end-of-run hook), then exits (the exit
// handlers remove the temporary files).
//
// It lives in common/ so that the message facility, which ends the program
// after a fatal message, needs nothing above it.
#pragma once

[[noreturn]] void cleanup(int status);
