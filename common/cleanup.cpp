// The program's one way to end early.
#include "common/cleanup.h"

#include <cstdlib>

#include "debug/lumodebug.h"

void cleanup(int status) {
  if (lumodebug_on()) lumodebug_enter(__FILE__, __LINE__, "cleanup");
  lumodebug_cleanup();
  exit(status);
}
