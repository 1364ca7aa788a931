// Checked allocation and formatting.
//
// Running out of memory is never returned to a caller: these functions end
// the program with kMsgOutOfMemory ("out of memory"). Everything they
// return is a heap block owned by the caller (release with free()). Not traced: every
// container and text service allocates through them, element by element.
#pragma once

#include <cstdarg>
#include <cstddef>

// Zero-filled block of n bytes (n == 0 gives a valid one-byte block).
void* xcalloc(size_t n);
// Heap copy of text.
char* xstrdup(const char* text);

// Formatted text of at most 4095 characters. A longer result prints
// "buffer overflow in vsnprintf" on standard error and is cut.
char* xsprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
char* xvsprintf(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// The formatting limit of xsprintf.
inline constexpr size_t kXsprintfMax = 4095;

// The out-of-memory stop shared by every allocating module.
[[noreturn]] void alloc_out_of_memory();
