/* stdio.h - character input and output. A ZIR device has no files: the
 * streams are the device's console, written one character at a time
 * through putch() and read through getch(), which the application
 * supplies. */
#ifndef _STDIO_H
#define _STDIO_H

#include <stddef.h>

#define EOF (-1)

typedef struct __lumo_stream FILE;

extern FILE *const stdin;
extern FILE *const stdout;
extern FILE *const stderr;

void putch(char c);
char getch(void);

int printf(const char *format, ...);
int sprintf(char *buffer, const char *format, ...);
int puts(const char *s);
int putchar(int c);
int getchar(void);
char *gets(char *s);
int fputc(int c, FILE *stream);
int fputs(const char *s, FILE *stream);
int fprintf(FILE *stream, const char *format, ...);
int scanf(const char *format, ...);
int sscanf(const char *s, const char *format, ...);


#endif /* _STDIO_H */
