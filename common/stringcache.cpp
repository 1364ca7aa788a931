// String cache: interned texts and the text operations that produce them.
#include "common/stringcache.h"

#include <cassert>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"
#include "debug/lumodebug.h"

namespace {

hashtable* g_cache = nullptr;
char* g_scratch = nullptr;
uint32_t g_scratch_capacity = 0;

hashtable* cache() {
  if (!g_cache) g_cache = hash_new(kStringCacheBuckets, hash_string, hash_string_compare);
  return g_cache;
}

// Makes the scratch buffer hold at least need bytes (contents not kept).
char* scratch(size_t need) {
  if (g_scratch_capacity < need) {
    size_t cap = 2 * need > kScratchMinimum ? 2 * need : kScratchMinimum;
    if (cap > UINT32_MAX) alloc_out_of_memory();
    free(g_scratch);
    g_scratch = static_cast<char*>(xcalloc(cap));
    g_scratch_capacity = static_cast<uint32_t>(cap);
  }
  return g_scratch;
}

// Copies n bytes of text into the scratch buffer and interns them.
const char* intern_n(const char* text, size_t n) {
  char* buf = scratch(n + 1);
  memcpy(buf, text, n);
  buf[n] = '\0';
  return sc_intern(buf);
}

bool is_separator(char c, PathStyle style) {
  return c == '\\' || (style == PathStyle::posix && c == '/');
}

}  // namespace

const char* sc_intern(const char* text) {
  if (!text) return nullptr;
  hashtable* h = cache();
  if (auto* found = static_cast<const char*>(hash_lookup(h, text))) return found;
  char* copy = xstrdup(text);
  hash_insert(h, copy, copy);
  return copy;
}

const char* sc_adopt(char* text) {
  if (!text) return nullptr;
  hashtable* h = cache();
  if (auto* found = static_cast<const char*>(hash_lookup(h, text))) return found;
  hash_insert(h, text, text);
  return text;
}

uint32_t sc_count() { return g_cache ? g_cache->count : 0; }

const char* sc_concat(const char* a, const char* b) {
  if (!a) return b;
  if (!b) return a;
  size_t na = strlen(a), nb = strlen(b);
  char* buf = scratch(na + nb + 1);
  memcpy(buf, a, na);
  memcpy(buf + na, b, nb + 1);
  return sc_intern(buf);
}

const char* sc_vprintf(const char* format, va_list args) {
  size_t flen = strlen(format);
  // Room for ten times the format: most texts format in one pass.
  if (g_scratch_capacity < 10 * flen) scratch(10 * flen);
  va_list again;
  va_copy(again, args);
  int n = vsnprintf(g_scratch, g_scratch_capacity, format, args);
  if (n < 0 || static_cast<uint32_t>(n) >= g_scratch_capacity) {
    if (n >= 0 && g_scratch_capacity < static_cast<uint64_t>(n) + 1) scratch(static_cast<size_t>(n) + 1);
    int m = vsnprintf(g_scratch, g_scratch_capacity, format, again);
    if (m < 0 || static_cast<uint32_t>(m) >= g_scratch_capacity) {
      fputs("vsnprintf failed in a mysterious way\n", stderr);
      abort();
    }
  }
  va_end(again);
  return sc_intern(g_scratch);
}

const char* sc_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const char* s = sc_vprintf(format, args);
  va_end(args);
  return s;
}

const char* sc_expandTabs(const char* text) {
  size_t tabs = 0, n = 0;
  for (const char* s = text; *s; ++s, ++n) tabs += *s == '\t';
  if (tabs == 0) return sc_intern(text);
  char* out = scratch(n + 3 * tabs + 1);
  for (const char* s = text; *s; ++s) {
    if (*s == '\t') {
      memcpy(out, "    ", 4);
      out += 4;
    } else {
      *out++ = *s;
    }
  }
  *out = '\0';
  return sc_intern(g_scratch);
}

const char* sc_pathJoin(const char* dir, const char* name, PathStyle style) {
  if (!dir || !*dir) return name;
  if (!name || !*name) return dir;
  const char sep = path_separator(style);
  size_t nd = strlen(dir);
  if (name[0] == sep) ++name;
  size_t nn = strlen(name);
  bool has_sep = dir[nd - 1] == sep;
  char* buf = scratch(nd + nn + 2);
  memcpy(buf, dir, nd);
  size_t at = nd;
  if (!has_sep) buf[at++] = sep;
  memcpy(buf + at, name, nn + 1);
  return sc_intern(buf);
}

const char* sc_substr(const char* text, size_t n) {
  if (!text) return nullptr;
  size_t len = strnlen(text, n);
  return intern_n(text, len);
}

namespace {

const char* convert_case(const char* text, int (*convert)(int)) {
  size_t n = strlen(text);
  char* buf = scratch(n + 1);
  for (size_t i = 0; i <= n; ++i) buf[i] = static_cast<char>(convert(static_cast<unsigned char>(text[i])));
  return sc_intern(buf);
}

}  // namespace

const char* sc_lower(const char* text) { return convert_case(text, tolower); }
const char* sc_upper(const char* text) { return convert_case(text, toupper); }

const char* sc_stripExt(const char* path, PathStyle style) {
  const char* dot = strrchr(path, '.');
  if (!dot) return sc_intern(path);
  for (const char* s = dot + 1; *s; ++s)
    if (is_separator(*s, style)) return sc_intern(path);
  return intern_n(path, static_cast<size_t>(dot - path));
}

const char* sc_basename(const char* path) {
  if (!path) return nullptr;
  const char* cut = strrchr(path, '\\');
  if (!cut) cut = strrchr(path, '/');
  if (!cut) cut = strrchr(path, ':');
  return sc_intern(cut ? cut + 1 : path);
}

const char* sc_trim(const char* text) {
  const char* b = text;
  while (*b && isspace(static_cast<unsigned char>(*b))) ++b;
  const char* e = b + strlen(b);
  while (e > b && isspace(static_cast<unsigned char>(e[-1]))) --e;
  return intern_n(b, static_cast<size_t>(e - b));
}

const char* sc_firstLine(const char* text) {
  if (!text) return nullptr;
  return intern_n(text, strcspn(text, "\n\r"));
}

const char* sc_translate(const char* text, const char* from, const char* to) {
  int map[256];
  for (int& m : map) m = -1;
  for (size_t i = 0; from[i] && to[i]; ++i) map[static_cast<unsigned char>(from[i])] = static_cast<unsigned char>(to[i]);
  size_t n = strlen(text);
  char* buf = scratch(n + 1);
  for (size_t i = 0; i < n; ++i) {
    int m = map[static_cast<unsigned char>(text[i])];
    buf[i] = m < 0 ? text[i] : static_cast<char>(m);
  }
  buf[n] = '\0';
  return sc_intern(buf);
}

void text_escape_into(std::string& out, const char* text, const char* chars, char esc) {
  if (esc == 0) esc = '\\';
  for (const char* s = text; *s; ++s) {
    // An escape character before a quote already escapes that quote.
    if (strchr(chars, *s) && !(*s == esc && (s[1] == '"' || s[1] == '\''))) out += esc;
    out += *s;
  }
}

const char* sc_escape(const char* text, const char* chars, char esc) {
  if (!strpbrk(text, chars)) return sc_intern(text);
  static std::string buf;
  buf.clear();
  text_escape_into(buf, text, chars, esc);
  return sc_intern(buf.c_str());
}

const char* sc_quote(const char* text, char q) {
  size_t n = strlen(text);
  char* buf = scratch(n + 3);
  buf[0] = q;
  memcpy(buf + 1, text, n);
  buf[n + 1] = q;
  buf[n + 2] = '\0';
  return sc_intern(buf);
}

vector* sc_split(const char* text, const char* separators) {
  vector* pieces = vec_new();
  const char* s = text;
  for (;;) {
    s += strspn(s, separators);
    if (!*s) break;
    size_t n = strcspn(s, separators);
    vec_push(pieces, intern_n(s, n));
    s += n;
  }
  return pieces;
}

const char* sc_readLine(FILE* stream) {
  constexpr int kChunk = 1024;
  char chunk[kChunk];
  const char* line = nullptr;
  for (;;) {
    if (!fgets(chunk, kChunk, stream)) return line;
    size_t n = strlen(chunk);
    if (!line && n < kChunk - 1) return sc_intern(chunk);
    line = line ? sc_concat(line, chunk) : sc_intern(chunk);
    if (n > 0 && (chunk[n - 1] == '\n' || chunk[n - 1] == '\r')) return line;
  }
}

bool sc_startsWith(const char* text, const char* prefix) {
  return text && prefix && strncmp(text, prefix, strlen(prefix)) == 0;
}

bool sc_startsWithNoCase(const char* text, const char* prefix) {
  return text && prefix && strncasecmp(text, prefix, strlen(prefix)) == 0;
}

const char* sc_afterPrefix(const char* text, const char* prefix) {
  return sc_startsWith(text, prefix) ? sc_intern(text + strlen(prefix)) : nullptr;
}

const char* sc_afterPrefixNoCase(const char* text, const char* prefix) {
  return sc_startsWithNoCase(text, prefix) ? sc_intern(text + strlen(prefix)) : nullptr;
}

bool sc_endsWith(const char* text, const char* suffix) {
  if (!text || !suffix) return false;
  size_t nt = strlen(text), ns = strlen(suffix);
  return ns <= nt && memcmp(text + nt - ns, suffix, ns) == 0;
}
