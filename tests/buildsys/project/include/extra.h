/* extra.h - a header the make test deletes after util.c stops using it. */
#define EXTRA_FACTOR 3
