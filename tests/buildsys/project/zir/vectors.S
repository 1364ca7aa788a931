#include "config.h"
	psect vectors
reset_vec:
	nop ; TICK_DIVIDER
	end reset_vec
