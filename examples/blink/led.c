/* led.c - the LED of the example board. */
#include <lumo.h>

#include "led.h"

#ifndef LED_PIN
#define LED_PIN 0
#endif

static unsigned char led_state;

void led_init(void) {
  led_state = 0;
}

void led_set(unsigned char on) {
  led_state = on ? 1u : 0u;
}

void led_toggle(void) {
  led_set(!led_state);
}
