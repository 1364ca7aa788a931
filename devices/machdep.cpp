// The TEV built-in function list.
#include "devices/machdep.h"

#include <cstdio>
#include <cstring>

#include "common/vector.h"
#include "debug/lumodebug_trace.h"

namespace {

constexpr const char* kTevBuiltins[] = {
    "__builtin_tev_nop",        "__builtin_tev_sei",          "__builtin_tev_cli",
    "__builtin_tev_sleep",      "__builtin_tev_wdr",          "__builtin_tev_swap",
    "__builtin_tev_fmul",       "__builtin_tev_fmuls",        "__builtin_tev_fmulsu",
    "__builtin_tev_delay_cycles", "__builtin_tev_flash_segment", "__builtin_tev_insert_bits",
    "__builtin_tev_nops",       "__builtin_software_breakpoint",
};

// Created on first use and kept for the run.
vector* g_builtins = nullptr;

const char* without_underscores(const char* name) {
  while (*name == '_') ++name;
  return name;
}

}  // namespace

int builtin_compare(const void* a, const void* b) {
  const char* x = *static_cast<const char* const*>(a);
  const char* y = *static_cast<const char* const*>(b);
  if (int c = strcmp(without_underscores(x), without_underscores(y))) return c;
  if (int c = strcmp(x, y)) return c;
  return 1;
}

void print_builtins_list() {
  DB_ENTER();
  if (!g_builtins) {
    g_builtins = vec_new();
    for (const char* name : kTevBuiltins) vec_push(g_builtins, name);
  }
  vec_sort(g_builtins, builtin_compare);
  for (uint32_t i = 0; i < vec_size(g_builtins); ++i) printf("%s\n", vec_get_as<const char*>(g_builtins, i));
  DB_EXIT();
}
