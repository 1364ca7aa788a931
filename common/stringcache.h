// String cache: the one place for texts made at run time.
//
// Every text returned here belongs to the cache and lives until the program
// ends; equal texts share one stored copy, so callers never free a result,
// may keep it for the rest of the run and may compare two cached texts by
// pointer. Results are built in one shared scratch buffer that only grows.
// Not re-entrant: the scratch buffer and the table are process-wide.
//
// Nothing here is traced, the predicates and the plain interning calls
// least of all: they run on every option and path of a run and their
// records would bury the rest.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/pathstyle.h"

struct vector;

inline constexpr uint32_t kStringCacheBuckets = 5077;
inline constexpr uint32_t kScratchMinimum = 4096;

const char* sc_intern(const char* text);
// Takes over a heap text of the caller: the cached equal text if there is
// one (text is then freed), else text itself, now owned by the cache.
const char* sc_adopt(char* text);
// a followed by b; an absent a gives b, an absent b gives a (unchanged).
const char* sc_concat(const char* a, const char* b);
const char* sc_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
const char* sc_vprintf(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// Every tab replaced by four blanks (no tab stops).
const char* sc_expandTabs(const char* text);
// dir, one separator of the style, name. An absent or empty dir gives the
// name pointer, an absent or empty name the dir pointer.
const char* sc_pathJoin(const char* dir, const char* name, PathStyle style = kNativePathStyle);
const char* sc_substr(const char* text, size_t n);
const char* sc_lower(const char* text);
const char* sc_upper(const char* text);
// The text before the last "." when no directory separator follows it.
const char* sc_stripExt(const char* path, PathStyle style = kNativePathStyle);
// The text after the last backslash, else after the last "/", else after
// the last ":", else all of path (the same on every host).
const char* sc_basename(const char* path);
const char* sc_translate(const char* text, const char* from, const char* to);
// text appended to out with esc (0: backslash) before each character of
// chars; a backslash escape character directly before a quote is copied
// without an escape. Nothing is cached.
void text_escape_into(std::string& out, const char* text, const char* chars, char esc);
// New vector of the non-empty pieces between separator characters.
vector* sc_split(const char* text, const char* separators);
// The next line with its line feed, any length, into line (false at the
// end). The file is read as text on every host: a carriage return before
// the line feed is dropped with it. The line is the caller's and is not
// cached: most lines are read only to be parsed, so a caller interns what
// it keeps.
bool sc_readLine(FILE* stream, std::string& line);

bool sc_startsWith(const char* text, const char* prefix);
bool sc_startsWithNoCase(const char* text, const char* prefix);
const char* sc_afterPrefixNoCase(const char* text, const char* prefix);

// Number of distinct texts held (for tests and benchmarks).
uint32_t sc_count();
