/* stdio.h - character input and output for TEV devices. The standard
 * streams go through the put and get functions the application installs
 * with fdevopen(). */
#ifndef _STDIO_H
#define _STDIO_H

#include <stddef.h>

#define EOF (-1)

typedef struct __tev_file FILE;

extern FILE *stdin;
extern FILE *stdout;
extern FILE *stderr;

FILE *fdevopen(int (*put)(char, FILE *), int (*get)(FILE *));
int fclose(FILE *stream);

int printf(const char *format, ...);
int sprintf(char *buffer, const char *format, ...);
int snprintf(char *buffer, size_t size, const char *format, ...);
int fprintf(FILE *stream, const char *format, ...);
int puts(const char *s);
int fputs(const char *s, FILE *stream);
int putchar(int c);
int fputc(int c, FILE *stream);
int getchar(void);
int fgetc(FILE *stream);
char *fgets(char *s, int size, FILE *stream);
int scanf(const char *format, ...);
int sscanf(const char *s, const char *format, ...);

#endif /* _STDIO_H */
