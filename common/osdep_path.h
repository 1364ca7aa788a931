// Path and file-system functions of the process layer.
//
// Every text result is a new heap block owned by the caller (release with
// free()) unless a function says it points into its argument. Functions whose
// rules differ by host take the host style last, defaulting to the native one.
//
// A separator, when splitting, is a backslash, else a slash, else a colon,
// each searched from the end in that order of preference, on both hosts.
//
// The functions that touch the file system are traced. Those that only work
// on texts (joining, normalising, splitting, quoting, case and the 16-bit
// strings) are not: they run on every path the program handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/pathstyle.h"

struct vector;

// Working-directory and short-path buffer size.
inline constexpr size_t kOsdPathBufferSize = 20480;

// Null when a is null or empty; else a, one separator, then b without a
// leading separator (no second separator when a ends in one).
char* path_join(const char* a, const char* b, PathStyle style = kNativePathStyle);
// Runs of separators collapsed, "." dropped, ".." removing the component
// before it, a trailing separator removed (a Windows drive root stays).
char* path_normalise(const char* p, PathStyle style = kNativePathStyle);
// p normalised when absolute, else the current directory joined with p.
char* path_absolute(const char* p, PathStyle style = kNativePathStyle);
// The absolute form of p without the current directory in front ("." for the
// directory itself); the absolute form when p lies elsewhere.
char* path_relative(const char* p, PathStyle style = kNativePathStyle);
// The absolute path of an existing p with every symbolic link, "." and ".."
// resolved; null when p does not exist.
char* path_real(const char* p);
bool path_is_absolute(const char* p, PathStyle style = kNativePathStyle);

// Points into p after the last separator (p itself when none).
const char* path_basename_ptr(const char* p);
char* path_basename(const char* p);
// The last component up to and including its last "." (the whole component
// when it has none): x/foo.c gives "foo.".
char* path_stem_dot(const char* p);
// The last component without its last "." and what follows.
char* path_stem(const char* p);
// Points to the last "." of p, or to an empty text.
const char* path_extension(const char* p);
// Everything before the last separator; null when p has none.
char* path_dirname(const char* p);

bool path_exists(const char* p);
bool path_is_dir(const char* p);
// p is an existing regular file (not a directory, FIFO or device): the only
// kind the readers of files given by others open, since opening a FIFO
// without a writer never returns.
bool path_is_file(const char* p);
// p exists and this process may write to it.
bool path_is_writable(const char* p);
// p exists and its last component has exactly these letters, case included.
bool path_exists_exact(const char* p);
// Size of an existing file, else 0.
uint32_t file_size(const char* p);

// Creates p and its missing parents (a bare drive counts as existing):
// 0 on success, 1 on failure.
int mkdir_p(const char* p, PathStyle style = kNativePathStyle);
// Removes directory p with everything in it: -1 when p is not a directory,
// else 0 or the first failing removal's result.
int rmdir_r(const char* p);
// The names in directory dir (without "." and ".."), each allocated, in the
// order the file system gives them; null when dir cannot be read.
vector* path_list_dir(const char* dir);

// The names of a directory as path_list_dir gives them, released with the
// object; none when dir is null or cannot be read.
class PathListing {
 public:
  explicit PathListing(const char* dir);
  ~PathListing();
  PathListing(const PathListing&) = delete;
  PathListing& operator=(const PathListing&) = delete;

  bool ok() const { return names_ != nullptr; }
  uint32_t size() const;
  const char* operator[](uint32_t i) const;

 private:
  vector* names_;
};

char* osd_getcwd();
// Makes p the current directory: 0 on success, else -1.
int osd_chdir(const char* p);
// The host's short form of p, or null where the host has none.
char* osd_shortpath(const char* p);
// "\"s\"" when s holds white space, else a copy.
char* quote_if_space(const char* s);

// In-place case conversion; return their argument.
char* osd_strlwr(char* s);
char* osd_strupr(char* s);

// 16-bit character strings (zero-terminated).
using osd_wchar = uint16_t;
size_t osd_wcslen(const osd_wchar* s);
osd_wchar* osd_wcscpy(osd_wchar* dst, const osd_wchar* src);
osd_wchar* osd_wcsdup(const osd_wchar* s);
int osd_wcscmp(const osd_wchar* a, const osd_wchar* b);
osd_wchar* osd_wcslwr(osd_wchar* s);
