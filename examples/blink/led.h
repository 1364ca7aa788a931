/* led.h - a LED on one port pin, switched on and off. */
#ifndef LED_H
#define LED_H

void led_init(void);
void led_set(unsigned char on);
void led_toggle(void);

#endif /* LED_H */
