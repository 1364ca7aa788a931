// The command-file reader: lines into arguments, with the legacy driver's
// quoting rules, into one reusable module-wide list.
#include "driver/getargs.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "debug/lumodebug.h"

namespace {

// The list: heap copies of the arguments; one slot always stays free for
// the closing null.
struct ArgList {
  char** items = nullptr;
  uint32_t count = 0;
  uint32_t capacity = 0;
};
ArgList g_args;

void release_items() {
  for (uint32_t i = 0; i < g_args.count; ++i) free(g_args.items[i]);
  g_args.count = 0;
}

void grow() {
  uint32_t capacity = g_args.capacity + kGetargsGrowth;
  char** items = static_cast<char**>(xcalloc(sizeof(char*) * capacity));
  for (uint32_t i = 0; i < g_args.count; ++i) items[i] = g_args.items[i];
  free(g_args.items);
  g_args.items = items;
  g_args.capacity = capacity;
}

void add(const char* text, size_t length) {
  if (g_args.count + 1 >= g_args.capacity) grow();
  char* copy = static_cast<char*>(xcalloc(length + 1));
  memcpy(copy, text, length);
  g_args.items[g_args.count++] = copy;
}

char** terminated() {
  if (g_args.count + 1 > g_args.capacity) grow();
  g_args.items[g_args.count] = nullptr;
  return g_args.items;
}

// Splits one line into the list. False when an argument was too long (the
// rest of the line is then dropped).
bool split_line(const char* line) {
  std::string token;
  char quote = 0;
  bool backslash = false;
  auto store = [&token](char c) {
    if (token.size() >= kGetargsTokenMax) return false;
    token += c;
    return true;
  };
  auto end_token = [&token]() {
    add(token.data(), token.size());
    token.clear();
  };
  for (const char* p = line; *p; ++p) {
    const char c = *p;
    bool stored = true;
    if (c == '\'' || c == '"') {
      if (backslash) {
        stored = store(c);
        backslash = false;
      } else if (!quote) {
        quote = c;
      } else if (c == quote) {
        quote = 0;
      } else {
        stored = store(c);
      }
    } else if (c == '\\') {
      if (backslash) stored = store('\\');
      backslash = !backslash;
    } else if (c == ' ' && !quote && !backslash) {
      end_token();
    } else if (c == ' ') {
      stored = store(' ');
      backslash = false;
    } else if (c == '\t' || c == '\n') {
      end_token();
    } else {
      if (backslash) stored = store('\\');
      backslash = false;
      stored = stored && store(c);
    }
    if (!stored) {
      alert_raise(kMsgArgumentTooLong);
      DB_NOTE("argument cut to %u characters: \"%.40s...\"", kGetargsTokenMax, token.c_str());
      end_token();
      return false;
    }
  }
  if (!token.empty()) end_token();
  return true;
}

char** read_args(FILE* stream, int one_line, const char* name) {
  release_items();
  if (!g_args.items) grow();
  add(name, strlen(name));
  std::string line;
  while (stream && sc_readLine(stream, line)) {
    split_line(line.c_str());
    if (one_line) break;
  }
  return terminated();
}

}  // namespace

char** getargs_from(FILE* stream, int one_line, const char* name) {
  DB_ENTER("%d, \"%s\"", one_line, name ? name : "(null)");
  char** list = read_args(stream, one_line, name ? name : "");
  DB_EXIT("%u arguments", g_args.count);
  return list;
}

uint32_t getargs_count() { return g_args.count; }
