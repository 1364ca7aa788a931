// String cache: interned texts and the text operations that produce them.
#include "common/stringcache.h"

#include <cassert>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"
#include "debug/lumodebug_trace.h"

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

// The cache table's bucket count is fixed, so its chains grow with the
// number of texts: a command file of 100,000 arguments makes them twenty
// entries long, and every interning walks one. Once the chains average
// kIndexFrom entries, an open-addressing index over the same texts finds a
// text already interned in a probe or two. The table stays the store: its
// order, count and usage figures are the cache's, and a new text still goes
// into it, at its chain's end, which the table finds without a walk once its
// chains are long. A compile of ordinary size never builds the index.
constexpr uint32_t kIndexFrom = 2;

class TextIndex {
 public:
  bool built() const { return !slots_.empty(); }

  void build(const hashtable* table) {
    vector* texts = hash_keys(table);
    resize(4 * (vec_size(texts) + 1));
    for (uint32_t i = 0; i < vec_size(texts); ++i) {
      const char* text = vec_get_as<const char*>(texts, i);
      add(text, hash_string(text));
    }
    vec_free(texts);
  }

  const char* find(const char* text, uint32_t hash) const {
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (!slot.text) return nullptr;
      if (slot.hash == hash && strcmp(slot.text, text) == 0) return slot.text;
    }
  }

  void add(const char* text, uint32_t hash) {
    if (2 * (used_ + 1) > slots_.size()) resize(2 * slots_.size());
    place(text, hash);
  }

 private:
  struct Slot {
    const char* text;
    uint32_t hash;
  };

  void place(const char* text, uint32_t hash) {
    size_t i = hash & mask_;
    while (slots_[i].text) i = (i + 1) & mask_;
    slots_[i] = {text, hash};
    ++used_;
  }

  void resize(size_t at_least) {
    size_t size = 64;
    while (size < at_least) size *= 2;
    std::vector<Slot> old(size, Slot{nullptr, 0});
    old.swap(slots_);
    mask_ = size - 1;
    used_ = 0;
    for (const Slot& slot : old)
      if (slot.text) place(slot.text, slot.hash);
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t used_ = 0;
};

TextIndex g_index;

// The interned text equal to text, or null; with the index built, hash is
// text's hash.
const char* find_interned(hashtable* h, const char* text, uint32_t& hash) {
  if (!g_index.built() && h->count >= kIndexFrom * h->size) g_index.build(h);
  if (!g_index.built()) return static_cast<const char*>(hash_lookup(h, text));
  hash = hash_string(text);
  return g_index.find(text, hash);
}

// Stores copy, not yet in the cache, as an interned text.
const char* store(hashtable* h, char* copy, uint32_t hash) {
  hash_insert_new(h, copy, copy);
  if (g_index.built()) g_index.add(copy, hash);
  return copy;
}

}  // namespace

const char* sc_intern(const char* text) {
  if (!text) return nullptr;
  hashtable* h = cache();
  uint32_t hash = 0;
  if (const char* found = find_interned(h, text, hash)) return found;
  return store(h, xstrdup(text), hash);
}

const char* sc_adopt(char* text) {
  if (!text) return nullptr;
  hashtable* h = cache();
  uint32_t hash = 0;
  if (const char* found = find_interned(h, text, hash)) {
    free(text);
    return found;
  }
  return store(h, text, hash);
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

// Every file is read as text, as a Windows build reads it: a carriage
// return before the line feed is part of the line end, so that a file saved
// on Windows reads the same on every host.
bool sc_readLine(FILE* stream, std::string& line) {
  constexpr int kChunk = 1024;
  char chunk[kChunk];
  line.clear();
  if (!fgets(chunk, kChunk, stream)) return false;
  size_t n = strlen(chunk);
  auto ends_line = [&] { return n > 0 && chunk[n - 1] == '\n'; };
  line.append(chunk, n);
  // A chunk filled without a line end goes on in the next.
  if (n >= kChunk - 1 && !ends_line()) {
    while (fgets(chunk, kChunk, stream)) {
      n = strlen(chunk);
      line.append(chunk, n);
      if (ends_line()) break;
    }
  }
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.erase(line.size() - 2, 1);
  return true;
}

bool sc_startsWith(const char* text, const char* prefix) {
  return text && prefix && strncmp(text, prefix, strlen(prefix)) == 0;
}

bool sc_startsWithNoCase(const char* text, const char* prefix) {
  return text && prefix && strncasecmp(text, prefix, strlen(prefix)) == 0;
}

const char* sc_afterPrefixNoCase(const char* text, const char* prefix) {
  return sc_startsWithNoCase(text, prefix) ? sc_intern(text + strlen(prefix)) : nullptr;
}
