// Checked allocation and formatting: the allocation routines every module
// uses, which stop the program instead of returning a null block.
#include "common/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"

void alloc_out_of_memory() {
  // Reporting needs memory too: should that run out as well, the second
  // call writes the line without any.
  static bool reporting = false;
  if (!reporting) {
    reporting = true;
    alert_raise(296);  // fatal: ends the program
  }
  fputs("(296) out of memory\n", stderr);
  fflush(stderr);
  exit(1);
}

void* xcalloc(size_t n) {
  void* p = calloc(n ? n : 1, 1);
  if (!p) alloc_out_of_memory();
  return p;
}

namespace {

// A block for a text whose every byte is written at once: nothing to clear.
char* text_block(size_t n) {
  auto* p = static_cast<char*>(malloc(n));
  if (!p) alloc_out_of_memory();
  return p;
}

}  // namespace

char* xstrdup(const char* text) {
  size_t n = strlen(text);
  char* p = text_block(n + 1);
  memcpy(p, text, n + 1);
  return p;
}

char* xconcat(const char* a, const char* b) {
  size_t na = strlen(a), nb = strlen(b);
  char* p = text_block(na + nb + 1);
  memcpy(p, a, na);
  memcpy(p + na, b, nb + 1);
  return p;
}

char* xconcat_free(char* a, const char* b) {
  char* p = xconcat(a, b);
  free(a);
  return p;
}

char* xvsprintf(const char* format, va_list args) {
  char buf[kXsprintfMax + 1] = {};
  int n = vsnprintf(buf, sizeof buf, format, args);
  if (n < 0 || static_cast<size_t>(n) > kXsprintfMax) fputs("buffer overflow in vsnprintf", stderr);
  return xstrdup(buf);
}

char* xsprintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char* p = xvsprintf(format, args);
  va_end(args);
  return p;
}
