// lumo8-cc: program entry and the end of every run.
#include <cstring>

#include "debug/lumodebug.h"

int main(int argc, char** argv) {
  lumodebug_set_appname("lumo8-cc");
  for (int i = 1; i < argc; ++i)
    if (strncmp(argv[i], "--lumodebug", 11) == 0) lumodebug_parse(argv[i]);
  if (lumodebug_on()) lumodebug_logArgs(argc, argv);
  int status = 0;
  {
    DB_ENTER();
    DB_EXIT("%d", status);
  }
  lumodebug_cleanup();
  return status;
}
