/* stdint.h - integer types of exact width (TEV: 16-bit int, 32-bit long). */
#ifndef _STDINT_H
#define _STDINT_H

typedef signed char         int8_t;
typedef unsigned char       uint8_t;
typedef signed short        int16_t;
typedef unsigned short      uint16_t;
typedef signed long         int32_t;
typedef unsigned long       uint32_t;
typedef signed long long    int64_t;
typedef unsigned long long  uint64_t;

typedef int16_t   intptr_t;
typedef uint16_t  uintptr_t;
typedef int64_t   intmax_t;
typedef uint64_t  uintmax_t;

#define INT8_MAX    127
#define INT8_MIN    (-INT8_MAX - 1)
#define UINT8_MAX   255
#define INT16_MAX   32767
#define INT16_MIN   (-INT16_MAX - 1)
#define UINT16_MAX  65535u
#define INT32_MAX   2147483647L
#define INT32_MIN   (-INT32_MAX - 1L)
#define UINT32_MAX  4294967295UL
#define INT64_MAX   9223372036854775807LL
#define INT64_MIN   (-INT64_MAX - 1LL)
#define UINT64_MAX  18446744073709551615ULL
#define SIZE_MAX    UINT16_MAX

#define INT8_C(v)   (v)
#define UINT8_C(v)  (v##u)
#define INT16_C(v)  (v)
#define UINT16_C(v) (v##u)
#define INT32_C(v)  (v##L)
#define UINT32_C(v) (v##UL)
#define INT64_C(v)  (v##LL)
#define UINT64_C(v) (v##ULL)

#endif /* _STDINT_H */
