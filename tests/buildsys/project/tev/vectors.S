#include "config.h"
	.text
	.global reset_vec
reset_vec:	ldi r16, TICK_DIVIDER
	ret
