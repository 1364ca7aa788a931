// Message states and the -Werror rules: what the options make of a
// looked-up message kind before the alert facility reports it.
#pragma once

#include <cstdint>

// States of a message number (top level of the message-state stack).
enum MsgState : uint32_t {
  MSGSTATE_NONE = 0,
  MSGSTATE_QUIET = 1,        // advisory messages and warnings suppressed
  MSGSTATE_SUPPRESS = 2,     // anything but a fatal error suppressed
  MSGSTATE_TO_WARNING = 3,   // an error becomes a warning at the threshold
  MSGSTATE_TO_ERROR = 4,     // a warning becomes an error
  MSGSTATE_OFF = 5,          // anything but a fatal error suppressed
};

// Operations of alert_msgstate beyond setting a state (0 to 5).
enum MsgStateOp : uint32_t {
  MSGSTATE_PUSH = 6,
  MSGSTATE_POP = 7,
  MSGSTATE_QUIET_WARNINGS = 8,   // every advisory message and warning: state 1
  MSGSTATE_SUPPRESS_ALL = 9,     // everything not fatal: state 2
  MSGSTATE_RESET = 10,
  MSGSTATE_QUIET_MESSAGES = 11,  // every advisory message: state 1
};

void alert_msgstate(uint32_t number, uint32_t op);

// The -Werror forms: dashes, then "Werror" or "Wno-error" (any case), then
// the end or "=". Not traced, like the lookups below: they run for every
// message raised and every warning option.
bool werr_isOption(const char* text);
// 1 when the form was accepted; for an invalid number the result is lenient.
int werr_process(const char* text, int lenient);
bool werr_isError(uint32_t number);

// The kind after the -Werror rules and the message state (used by lookup).
uint32_t alert_adjust_kind(uint32_t number, uint32_t kind, int32_t* level);
