#include <lumo.h>

#include "board.h"

static unsigned char pins;

void board_init(void) { pins = 0; }

unsigned char board_read(void) { return pins; }
