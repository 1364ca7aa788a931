// The messages of tev-gcc: every number it reports, with its text, in one
// table. The numbers 4000-4199 belong to this program; errors lie below
// 4100, warnings from 4100 on.
#pragma once

#include <cstdint>

enum tev_msg : uint32_t {
  TEV_UNKNOWN_OPTION = 4001,
  TEV_MISSING_VALUE = 4002,
  TEV_BAD_VALUE = 4003,
  TEV_UNKNOWN_DEVICE = 4004,
  TEV_NO_PACK = 4005,
  TEV_PACK_NOT_TEV = 4006,
  TEV_NO_INPUT = 4007,
  TEV_CANNOT_OPEN = 4008,
  TEV_UNKNOWN_FILE_TYPE = 4009,
  TEV_CANNOT_WRITE = 4010,
  TEV_UNKNOWN_LINKER_OPTION = 4011,
  TEV_UNKNOWN_ASM_OPTION = 4012,
  TEV_UNKNOWN_PRE_OPTION = 4013,
  TEV_DEVICE_CONFLICT = 4014,
  TEV_NO_DEVICE_DATA = 4015,
  TEV_COMMAND_FILE = 4016,
  TEV_OUTPUT_MULTIPLE = 4017,
  TEV_OUTPUT_IS_INPUT = 4018,
  TEV_INCLUDE_NOT_FOUND = 4020,
  TEV_PP_ERROR_DIRECTIVE = 4021,
  TEV_PP_BAD_DIRECTIVE = 4022,
  TEV_PP_CONDITIONAL = 4023,
  TEV_PP_EXPRESSION = 4024,
  TEV_PP_INCLUDE_DEPTH = 4025,
  TEV_UNTERMINATED = 4026,
  TEV_UNBALANCED = 4027,
  TEV_ASM_DIRECTIVE = 4028,
  TEV_ASM_SYNTAX = 4029,
  TEV_BAD_OBJECT = 4030,
  TEV_MULTIPLE_DEFINITION = 4031,
  TEV_NO_MAIN = 4032,
  TEV_PROGRAM_OVERFLOW = 4033,
  TEV_DATA_OVERFLOW = 4034,
  TEV_LIBRARY_NOT_FOUND = 4035,
  TEV_BAD_LIBRARY = 4036,
  TEV_PP_WARNING_DIRECTIVE = 4101,
  TEV_MACRO_REDEFINED = 4102,
  TEV_INPUT_UNUSED = 4103,
};

// The text of a message, a printf format; null for a number not in the table.
const char* tev_msg_text(uint32_t number);

// -w hides every warning; -Werror reports them as errors.
void tev_warnings_configure(bool hidden, bool as_errors);

// Reports through the shared diagnostics (tc_error / tc_warning) with the
// table's text.
void tev_error(tev_msg number, ...);
void tev_warning(tev_msg number, ...);
