#include "app.h"

static unsigned char state;

void app_init(void) { state = 0; }

unsigned char app_step(unsigned char input) {
  state = (unsigned char)(state + input);
  return state;
}
