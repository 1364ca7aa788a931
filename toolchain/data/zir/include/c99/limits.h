/* limits.h - sizes of the integer types (ZIR: 16-bit int, 32-bit long). */
#ifndef _LIMITS_H
#define _LIMITS_H

#define CHAR_BIT    8
#define SCHAR_MIN   (-128)
#define SCHAR_MAX   127
#define UCHAR_MAX   255
#define CHAR_MIN    0
#define CHAR_MAX    255
#define MB_LEN_MAX  1
#define SHRT_MIN    (-32767 - 1)
#define SHRT_MAX    32767
#define USHRT_MAX   65535u
#define INT_MIN     (-32767 - 1)
#define INT_MAX     32767
#define UINT_MAX    65535u
#define LONG_MIN    (-2147483647L - 1)
#define LONG_MAX    2147483647L
#define ULONG_MAX   4294967295UL
#if __STDC_VERSION__ >= 199901L
#define LLONG_MIN   (-9223372036854775807LL - 1)
#define LLONG_MAX   9223372036854775807LL
#define ULLONG_MAX  18446744073709551615ULL
#endif

#endif /* _LIMITS_H */
