// The message table of tev-gcc and the two reporting calls over it.
#include "toolchain/tev-gcc/tev_msgs.h"

#include <cstdarg>
#include <cstdio>

#include "toolchain/support/tc_diag.h"

namespace {

struct MessageRow {
  uint32_t number;
  const char* text;
};

// clang-format off
constexpr MessageRow kMessages[] = {
    {TEV_UNKNOWN_OPTION,        "unknown option \"%s\""},
    {TEV_MISSING_VALUE,         "option \"%s\" needs a value"},
    {TEV_BAD_VALUE,             "\"%s\" is not a valid value for option \"%s\""},
    {TEV_UNKNOWN_DEVICE,        "\"%s\" is not a TEV device of this installation"},
    {TEV_NO_PACK,               "device pack directory \"%s\" does not exist"},
    {TEV_PACK_NOT_TEV,          "device pack directory \"%s\" has no \"tev\" directory"},
    {TEV_NO_INPUT,              "no input files"},
    {TEV_CANNOT_OPEN,           "cannot open input file \"%s\""},
    {TEV_UNKNOWN_FILE_TYPE,     "input file \"%s\" is of an unknown type"},
    {TEV_CANNOT_WRITE,          "cannot write output file \"%s\""},
    {TEV_UNKNOWN_LINKER_OPTION, "unknown linker option \"%s\""},
    {TEV_UNKNOWN_ASM_OPTION,    "unknown assembler option \"%s\""},
    {TEV_UNKNOWN_PRE_OPTION,    "unknown preprocessor option \"%s\""},
    {TEV_DEVICE_CONFLICT,       "conflicting devices \"%s\" and \"%s\""},
    {TEV_NO_DEVICE_DATA,        "cannot read the device list \"%s\""},
    {TEV_COMMAND_FILE,          "cannot read command file \"%s\""},
    {TEV_OUTPUT_MULTIPLE,       "\"-o\" names one file but %u outputs are to be written"},
    {TEV_OUTPUT_IS_INPUT,       "output file \"%s\" is also an input file"},
    {TEV_INCLUDE_NOT_FOUND,     "include file \"%s\" not found"},
    {TEV_PP_ERROR_DIRECTIVE,    "#error %s"},
    {TEV_PP_BAD_DIRECTIVE,      "invalid preprocessor directive \"%s\""},
    {TEV_PP_CONDITIONAL,        "%s"},
    {TEV_PP_EXPRESSION,         "invalid #if expression \"%s\""},
    {TEV_PP_INCLUDE_DEPTH,      "includes nested too deeply at \"%s\""},
    {TEV_UNTERMINATED,          "unterminated %s"},
    {TEV_UNBALANCED,            "unbalanced \"%s\""},
    {TEV_ASM_DIRECTIVE,         "unknown assembler directive \"%s\""},
    {TEV_ASM_SYNTAX,            "invalid operand \"%s\" for \"%s\""},
    {TEV_BAD_OBJECT,            "\"%s\" is not a TEV object file"},
    {TEV_MULTIPLE_DEFINITION,   "multiple definition of \"%s\""},
    {TEV_NO_MAIN,               "undefined reference to \"main\""},
    {TEV_PROGRAM_OVERFLOW,      "program needs %u bytes of program memory; %s has %u"},
    {TEV_DATA_OVERFLOW,         "program needs %u bytes of data memory; %s has %u"},
    {TEV_LIBRARY_NOT_FOUND,     "cannot find library \"-l%s\""},
    {TEV_BAD_LIBRARY,           "library \"%s\" is not a TEV object library"},
    {TEV_PP_WARNING_DIRECTIVE,  "#warning %s"},
    {TEV_MACRO_REDEFINED,       "macro \"%s\" redefined"},
    {TEV_INPUT_UNUSED,          "input file \"%s\" is not used when only compiling"},
};
// clang-format on

bool g_warnings_hidden = false;
bool g_warnings_are_errors = false;

}  // namespace

void tev_warnings_configure(bool hidden, bool as_errors) {
  g_warnings_hidden = hidden;
  g_warnings_are_errors = as_errors;
}

const char* tev_msg_text(uint32_t number) {
  for (const MessageRow& row : kMessages)
    if (row.number == number) return row.text;
  return nullptr;
}

// The table's texts are formats; the checks of format(printf) cannot follow
// them through the table, so the calls go through one non-literal format.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void tev_error(tev_msg number, ...) {
  char text[512];
  va_list args;
  va_start(args, number);
  vsnprintf(text, sizeof text, tev_msg_text(number), args);
  va_end(args);
  tc_error(number, "%s", text);
}

void tev_warning(tev_msg number, ...) {
  if (g_warnings_hidden) return;
  char text[512];
  va_list args;
  va_start(args, number);
  vsnprintf(text, sizeof text, tev_msg_text(number), args);
  va_end(args);
  if (g_warnings_are_errors)
    tc_error(number, "%s", text);
  else
    tc_warning(number, "%s", text);
}
#pragma GCC diagnostic pop
