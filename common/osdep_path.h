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
// on texts (joining, normalising, splitting) are not: they run on every path
// the program handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/pathstyle.h"

struct vector;

// Working-directory buffer size.
inline constexpr size_t kOsdPathBufferSize = 20480;

// Null when a is null or empty; else a, one separator, then b without a
// leading separator (no second separator when a ends in one).
char* path_join(const char* a, const char* b, PathStyle style = kNativePathStyle);
// Runs of separators collapsed, "." dropped, ".." removing the component
// before it, a trailing separator removed (a Windows drive root stays).
char* path_normalise(const char* p, PathStyle style = kNativePathStyle);
// p normalised when absolute, else the current directory joined with p.
char* path_absolute(const char* p, PathStyle style = kNativePathStyle);
// The absolute path of an existing p with every symbolic link, "." and ".."
// resolved; null when p does not exist.
char* path_real(const char* p);
bool path_is_absolute(const char* p, PathStyle style = kNativePathStyle);

// Points into p after the last separator (p itself when none).
const char* path_basename_ptr(const char* p);
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
// p exists and is neither a regular file nor a directory: a device such as
// /dev/null, or a FIFO. An output there is written straight into it, as the
// GNU driver does: a file moved into its place would replace the device.
bool path_is_special(const char* p);
// p exists and this process may write to it.
bool path_is_writable(const char* p);

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

