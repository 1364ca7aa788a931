// State of the debug facility, shared by its modules (parsing, trace lines).
// Plain data: the trace core defines it, and writes through the stream and
// the layout fields; the containers it points to belong to the rest of the
// facility.
#pragma once

#include <cstdint>
#include <cstdio>

struct hashtable;
struct vector;

struct LumodebugState {
  bool option_seen = false;
  hashtable* debug_set = nullptr;  // program names given with debug:, case-insensitive
  vector* debug_names = nullptr;   // the same names in the order given
  hashtable* child_counts = nullptr;  // per callee name: children given a num: so far
  unsigned num = 1;                // number in the default trace file name
  const char* out_stem = "lumo8-cc";  // its program part: "<stem>-<num>.out"
  bool out_given = false;
  const char* out_path = nullptr;
  FILE* out = nullptr;
  const char* zip_path = nullptr;
  uint32_t trace_width = 20;
  uint32_t indent_step = 4;
  uint32_t indent_level = 0;
  uint32_t indent_columns = 0;
  const char* appname = "lumo8";
  bool app_pending = true;
};

extern LumodebugState g_lumodebug;

// Buckets of the facility's case-insensitive tables.
inline constexpr uint32_t kLumodebugTableBuckets = 13;
