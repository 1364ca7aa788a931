// Assertions of the program's modules: reported at the assert level of the
// debug facility, as the message the facility connects for that level.
#include "debug/lumodebug_assert.h"

void db_assert_fail(const char* condition, const char* file, int line) {
  DB_ENTER("%s, %s:%d", condition, file, line);
  if (lumodebug_assertlevel == LDB_ASSERT_IGNORE || lumodebug_assertlevel > LDB_ASSERT_WARNING) return;
  if (auto raise = lumodebug_hooks().assertion_failed) raise(lumodebug_assertlevel, condition, file, line);
}
