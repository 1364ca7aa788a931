// Checked allocation and formatting: the allocation routines every module
// uses, which stop the program instead of returning a null block.
#include "common/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/msgnum.h"

void alloc_out_of_memory() {
  // Reporting needs memory too: should that run out as well, the second
  // call writes the line without any.
  static bool reporting = false;
  if (!reporting) {
    reporting = true;
    alert_raise(kMsgOutOfMemory);  // fatal: ends the program
  }
  fprintf(stderr, "(%u) out of memory\n", kMsgOutOfMemory);
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
