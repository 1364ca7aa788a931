/* board.h - the board's pins. */
#ifndef BOARD_H
#define BOARD_H
void board_init(void);
unsigned char board_read(void);
#endif
