/* main.c - the example project: blink a LED at a steady rate.
 *
 * Build it for a ZIR and a TEV device with lumo8-cc:
 *   lumo8-cc -mcpu=zir16c401 -O2 -Wall -o blink.hex main.c led.c
 *   lumo8-cc -mcpu=kx32m2 -O2 -Wall -o blink.elf main.c led.c
 */
#include <lumo.h>

#include "led.h"

#define BLINK_CYCLES 50000u

static void wait(unsigned int cycles) {
  volatile unsigned int n;
  for (n = 0; n < cycles; ++n) {
  }
}

int main(void) {
  led_init();
  for (;;) {
    led_toggle();
    wait(BLINK_CYCLES);
  }
  return 0;
}
