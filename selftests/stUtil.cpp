// Gated console output and text helpers of the self tests.
#include "selftests/stUtil.h"

#include <cstdarg>
#include <string>

#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"

namespace {
int g_verbose = 0;
}

void st_verbose_add() {
  DB_ENTER();
  ++g_verbose;
}

int st_verbose() { return g_verbose; }

void st_print(FILE* stream, const char* format, ...) {
  DB_ENTER("%s", format);
  if (g_verbose == 0) return;
  va_list args;
  va_start(args, format);
  vfprintf(stream, format, args);
  va_end(args);
  fflush(stream);
}

const char* fpString(FILE* stream, bool numbered) {
  DB_ENTER("%p, %d", static_cast<void*>(stream), numbered);
  if (!stream) return nullptr;
  std::string all;
  int n = 0;
  std::string line;
  while (sc_readLine(stream, line)) {
    if (numbered) all += std::to_string(++n) + ": ";
    all += line;
  }
  DB_EXIT("%zu characters", all.size());
  return sc_intern(all.c_str());
}

const char* fileString(const char* path, bool numbered) {
  DB_ENTER("%s, %d", path ? path : "(null)", numbered);
  FILE* f = path ? osd_fopen_regular(path, "r") : nullptr;
  if (!f) {
    DB_EXIT("cannot be opened");
    return nullptr;
  }
  const char* text = fpString(f, numbered);
  return fclose(f) == 0 ? text : nullptr;
}

const char* vecString(const vector* list) {
  DB_ENTER("%u texts", vec_size(list));
  std::string all;
  for (uint32_t i = 0; list && i < vec_size(list); ++i)
    if (const char* s = vec_get_as<const char*>(list, i)) all += std::string(s) + " ";
  return sc_intern(all.c_str());
}

vector* vecCommand(const char* program, ...) {
  DB_ENTER("%s", program ? program : "(null)");
  if (!program) return nullptr;
  vector* command = vec_new();
  vec_push(command, program);
  va_list args;
  va_start(args, program);
  while (const char* arg = va_arg(args, const char*)) vec_push(command, arg);
  va_end(args);
  vec_push(command, nullptr);
  return command;
}
