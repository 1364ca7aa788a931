/* stdint.h - integer types of exact width (ZIR: 16-bit int, 32-bit long). */
#ifndef _STDINT_H
#define _STDINT_H

typedef signed char        int8_t;
typedef unsigned char      uint8_t;
typedef signed short       int16_t;
typedef unsigned short     uint16_t;
typedef signed long        int32_t;
typedef unsigned long      uint32_t;

typedef int8_t    int_least8_t;
typedef uint8_t   uint_least8_t;
typedef int16_t   int_least16_t;
typedef uint16_t  uint_least16_t;
typedef int32_t   int_least32_t;
typedef uint32_t  uint_least32_t;

typedef int8_t    int_fast8_t;
typedef uint8_t   uint_fast8_t;
typedef int16_t   int_fast16_t;
typedef uint16_t  uint_fast16_t;
typedef int32_t   int_fast32_t;
typedef uint32_t  uint_fast32_t;

typedef int16_t   intptr_t;
typedef uint16_t  uintptr_t;
typedef int32_t   intmax_t;
typedef uint32_t  uintmax_t;

#define INT8_MIN    (-127 - 1)
#define INT8_MAX    127
#define UINT8_MAX   255
#define INT16_MIN   (-32767 - 1)
#define INT16_MAX   32767
#define UINT16_MAX  65535u
#define INT32_MIN   (-2147483647L - 1)
#define INT32_MAX   2147483647L
#define UINT32_MAX  4294967295UL
#define INTMAX_MIN  INT32_MIN
#define INTMAX_MAX  INT32_MAX
#define UINTMAX_MAX UINT32_MAX
#define INTPTR_MIN  INT16_MIN
#define INTPTR_MAX  INT16_MAX
#define UINTPTR_MAX UINT16_MAX
#define SIZE_MAX    65535u

#define INT8_C(v)   (v)
#define UINT8_C(v)  (v##u)
#define INT16_C(v)  (v)
#define UINT16_C(v) (v##u)
#define INT32_C(v)  (v##L)
#define UINT32_C(v) (v##UL)
#define INTMAX_C(v)  (v##L)
#define UINTMAX_C(v) (v##UL)

#endif /* _STDINT_H */
