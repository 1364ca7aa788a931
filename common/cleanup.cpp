// The program's one way to end early.
#include "common/cleanup.h"

#include <cstdlib>

#include "debug/lumodebug_trace.h"

void cleanup(int status) {
  DB_ENTER("%d", status);
  lumodebug_end_run();
  // exit() leaves the scope without ending it: the record is closed here,
  // after the debug facility's own records and before the exit handlers.
  DB_EXIT("exiting with status %d", status);
  exit(status);
}
