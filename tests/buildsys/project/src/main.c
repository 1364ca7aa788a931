#include <lumo.h>

#include "app.h"
#include "board.h"
#include "config.h"

int main(void) {
  unsigned char ticks = 0;
  board_init();
  app_init();
  for (;;) {
    if (++ticks % TICK_DIVIDER == 0) (void)app_step(board_read());
  }
  return 0;
}
