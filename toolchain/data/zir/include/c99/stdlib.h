/* stdlib.h - general utilities. */
#ifndef _STDLIB_H
#define _STDLIB_H

#include <stddef.h>

#define EXIT_SUCCESS 0
#define EXIT_FAILURE 1
#define RAND_MAX     32767

typedef struct { int quot; int rem; } div_t;
typedef struct { long quot; long rem; } ldiv_t;

int atoi(const char *s);
long atol(const char *s);
double atof(const char *s);
long strtol(const char *s, char **end, int base);
unsigned long strtoul(const char *s, char **end, int base);
double strtod(const char *s, char **end);

int abs(int v);
long labs(long v);
div_t div(int num, int den);
ldiv_t ldiv(long num, long den);

int rand(void);
void srand(unsigned int seed);

void *malloc(size_t size);
void *calloc(size_t count, size_t size);
void *realloc(void *p, size_t size);
void free(void *p);

void qsort(void *base, size_t count, size_t size, int (*compare)(const void *, const void *));
void *bsearch(const void *key, const void *base, size_t count, size_t size,
              int (*compare)(const void *, const void *));

void abort(void);
void exit(int status);
int atexit(void (*fn)(void));

#if __STDC_VERSION__ >= 199901L
long long atoll(const char *s);
long long llabs(long long v);
void _Exit(int status);
#endif

#endif /* _STDLIB_H */
