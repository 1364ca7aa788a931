// Product registry: the identity is constants only (registry.h).
#include "common/registry.h"
