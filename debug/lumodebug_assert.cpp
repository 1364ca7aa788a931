// Assertions of the program's modules: reported as messages 1501 to 1503
// (warning, error, fatal) by the assert level of the debug facility.
#include "debug/lumodebug_assert.h"

#include "common/alert.h"
#include "debug/lumodebug.h"

namespace {

// The message of each assert level above 0.
constexpr uint32_t kAssertMessageBase = 1504;

}  // namespace

void db_assert_fail(const char* condition, const char* file, int line) {
  DB_ENTER("%s, %s:%d", condition, file, line);
  if (lumodebug_assertlevel == LDB_ASSERT_IGNORE || lumodebug_assertlevel > LDB_ASSERT_WARNING) return;
  alert_raise_noline(kAssertMessageBase - lumodebug_assertlevel, condition, file, line);
}
