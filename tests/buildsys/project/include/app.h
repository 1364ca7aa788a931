/* app.h - the application's state machine. */
#ifndef APP_H
#define APP_H
void app_init(void);
unsigned char app_step(unsigned char input);
#endif
