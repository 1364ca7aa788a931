/* config.h - settings shared by C and assembler sources: macros only. */
#ifndef CONFIG_H
#define CONFIG_H
#define TICK_DIVIDER 4
#endif
