// db_assert(condition): while an assert level is set ("--lumodebug=assert:N"),
// a false condition raises the assertion message of that level with the
// condition text, the source file and the line. At level 0 nothing is
// evaluated beyond the level test. Part of the trace core.
#pragma once

#include "debug/lumodebug_trace.h"

void db_assert_fail(const char* condition, const char* file, int line);

#define db_assert(condition)                                                   \
  do {                                                                         \
    if (lumodebug_assertlevel && !(condition)) db_assert_fail(#condition, __FILE__, __LINE__); \
  } while (0)
