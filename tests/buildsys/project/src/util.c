#include "extra.h"

unsigned char util_scale(unsigned char v) { return (unsigned char)(v * EXTRA_FACTOR); }
