// The path table of the process layer: joining, normalising and splitting
// path texts, and the few file-system calls the program makes on paths.
//
// Separators: joining and normalising take both "\" and "/" as separators
// and write the style's one; splitting searches "\", else "/", else ":" from
// the end. Calls into the file system split only where the host does (a
// POSIX host treats "\" as an ordinary letter of a name).
//
// The pure text functions are not traced: the debug facility and the string
// cache sit beneath them and they run for every path of a run. Functions that
// reach the file system or the working directory write ENTER/EXIT records.
#include "common/osdep_path.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <io.h>

#include <filesystem>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

#include "common/alloc.h"
#include "common/vector.h"
#include "debug/lumodebug_trace.h"

namespace {

bool is_sep(char c) { return c == '\\' || c == '/'; }

// The separators the host's file system itself splits at.
bool is_fs_sep(char c, PathStyle style) { return style == PathStyle::windows ? is_sep(c) : c == '/'; }

bool has_drive(const char* p) { return p[0] != '\0' && p[1] == ':'; }

bool is_unc(const char* p) { return p[0] == '\\' && p[1] == '\\'; }

char* copy_of(std::string_view s) {
  char* r = static_cast<char*>(xcalloc(s.size() + 1));
  memcpy(r, s.data(), s.size());
  return r;
}

// The separator that splitting finds: backslash, else slash, else colon.
const char* last_separator(const char* p) {
  if (const char* s = strrchr(p, '\\')) return s;
  if (const char* s = strrchr(p, '/')) return s;
  return strrchr(p, ':');
}

// Length of the part of p that mkdir_p never creates: a drive, a drive root,
// the server and share of a network path, or the POSIX root.
size_t root_length(const std::string& p, PathStyle style) {
  size_t i = 0;
  if (style == PathStyle::windows) {
    if (is_unc(p.c_str())) {
      i = 2;
      for (int part = 0; part < 2; ++part) {
        while (i < p.size() && !is_sep(p[i])) ++i;
        if (part == 0)
          while (i < p.size() && is_sep(p[i])) ++i;
      }
      return i;
    }
    if (has_drive(p.c_str())) i = 2;
  }
  while (i < p.size() && is_fs_sep(p[i], style)) ++i;
  return i;
}

bool stat_is_dir(const char* p) {
  struct stat st;
  return stat(p, &st) == 0 && S_ISDIR(st.st_mode);
}

int make_one_dir(const char* p) {
  if (stat_is_dir(p)) return 0;
#ifdef _WIN32
  int r = _mkdir(p);
#else
  int r = mkdir(p, 0777);
#endif
  // Someone else may have made it in between.
  return r == 0 || stat_is_dir(p) ? 0 : 1;
}

#ifndef _WIN32

// Closes a descriptor when the scope ends.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

constexpr int kDirOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool contains(const std::vector<std::string>& names, const char* name) {
  for (const std::string& n : names)
    if (n == name) return true;
  return false;
}

// One directory on the way down: its name in its parent and the entries of
// it that could not be removed (so that a rescan skips them).
struct Level {
  std::string name;
  std::vector<std::string> failed;
};

enum class Scan { empty, descend, error };

// Removes every non-directory entry of dir and finds the first sub-directory
// not yet given up on. Symbolic links are removed, never followed.
Scan scan_level(int dir, Level& level, std::string& subdir, int& result) {
  int dup_fd = dup(dir);
  if (dup_fd < 0) return Scan::error;
  DIR* d = fdopendir(dup_fd);
  if (!d) {
    close(dup_fd);
    return Scan::error;
  }
  rewinddir(d);
  Scan found = Scan::empty;
  while (dirent* e = readdir(d)) {
    const char* name = e->d_name;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || contains(level.failed, name)) continue;
    struct stat st;
    bool is_dir = fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    if (is_dir) {
      if (found == Scan::empty) {
        subdir = name;
        found = Scan::descend;
      }
      continue;
    }
    if (unlinkat(dir, name, 0) != 0) {
      if (result == 0) result = -1;
      level.failed.emplace_back(name);
    }
  }
  closedir(d);
  return found;
}

// Depth-first removal below top without recursion and with one open
// directory at a time, so that neither the stack, the descriptor limit nor
// the path length limit bounds the depth of the tree. The way up is "..",
// which is the parent since no link is ever followed on the way down.
int remove_tree(const char* top) {
  Fd dir(open(top, kDirOpenFlags));
  if (dir.get() < 0) return -1;
  int result = 0;
  std::vector<Level> levels(1);
  for (;;) {
    std::string subdir;
    Scan s = scan_level(dir.get(), levels.back(), subdir, result);
    if (s == Scan::descend) {
      int child = openat(dir.get(), subdir.c_str(), kDirOpenFlags);
      if (child >= 0) {
        dir.reset(child);
        levels.push_back(Level{subdir, {}});
        continue;
      }
      // Unreadable: try to remove it as it is, then leave it alone.
      if (unlinkat(dir.get(), subdir.c_str(), AT_REMOVEDIR) != 0) {
        if (result == 0) result = -1;
        levels.back().failed.push_back(subdir);
      }
      continue;
    }
    if (s == Scan::error && result == 0) result = -1;
    if (levels.size() == 1) break;
    int parent = openat(dir.get(), "..", kDirOpenFlags);
    if (parent < 0) return -1;
    dir.reset(parent);
    std::string name = std::move(levels.back().name);
    levels.pop_back();
    if (unlinkat(dir.get(), name.c_str(), AT_REMOVEDIR) != 0) {
      if (result == 0) result = -1;
      levels.back().failed.push_back(std::move(name));
    }
  }
  dir.reset();
  if (rmdir(top) != 0 && result == 0) result = -1;
  return result;
}

#endif  // !_WIN32

}  // namespace

char* path_join(const char* a, const char* b, PathStyle style) {
  if (!a || !*a) return nullptr;
  if (!b) b = "";
  while (is_sep(*b)) ++b;
  std::string r(a);
  if (!is_sep(r.back())) r += path_separator(style);
  r += b;
  return copy_of(r);
}

char* path_normalise(const char* p, PathStyle style) {
  if (!p) return nullptr;
  if (!*p) return xstrdup("");
  const char sep = path_separator(style);
  const char* s = p;
  std::string out;
  bool rooted = false;
  if (style == PathStyle::windows && is_unc(p)) {
    // Collapsing would turn a network path into one on the current drive.
    out = "\\\\";
    s += 2;
    rooted = true;
  } else {
    if (style == PathStyle::windows && has_drive(p)) {
      out.assign(p, 2);
      s += 2;
    }
    if (is_sep(*s)) {
      out += sep;
      rooted = true;
    }
  }

  std::vector<std::string_view> parts;
  while (*s) {
    while (is_sep(*s)) ++s;
    const char* begin = s;
    while (*s && !is_sep(*s)) ++s;
    std::string_view part(begin, static_cast<size_t>(s - begin));
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..")
        parts.pop_back();
      else if (!rooted)
        parts.push_back(part);  // above a relative start: keep it
      continue;                 // above the root: the root
    }
    parts.push_back(part);
  }

  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += sep;
    out += parts[i];
  }
  if (out.empty()) out = ".";
  return copy_of(out);
}

bool path_is_absolute(const char* p, PathStyle style) {
  if (!p) return false;
  if (style == PathStyle::windows) return p[0] != '\0' && (p[1] == ':' || is_unc(p));
  return p[0] == '/';
}

char* path_absolute(const char* p, PathStyle style) {
  DB_ENTER("%s", p ? p : "(null)");
  if (!p) return nullptr;
  if (path_is_absolute(p, style)) return path_normalise(p, style);
  char* cwd = osd_getcwd();
  char* joined = path_join(cwd, p, style);
  char* r = path_normalise(joined ? joined : p, style);
  free(joined);
  free(cwd);
  DB_EXIT("%s", r);
  return r;
}

char* path_real(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  if (!p || !*p) return nullptr;
#ifdef _WIN32
  std::error_code ec;
  std::filesystem::path real = std::filesystem::canonical(p, ec);
  if (ec) return nullptr;
  char* r = xstrdup(real.string().c_str());
#else
  char* r = realpath(p, nullptr);
  if (!r) return nullptr;
#endif
  DB_EXIT("%s", r);
  return r;
}

vector* path_list_dir(const char* dir) {
  DB_ENTER("%s", dir ? dir : "(null)");
  if (!dir) return nullptr;
  vector* names = nullptr;
#ifdef _WIN32
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec), end;
  if (ec) return nullptr;
  names = vec_new();
  for (; !ec && it != end; it.increment(ec)) vec_push(names, xstrdup(it->path().filename().string().c_str()));
#else
  DIR* d = opendir(dir);
  if (!d) return nullptr;
  names = vec_new();
  while (const dirent* entry = readdir(d))
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) vec_push(names, xstrdup(entry->d_name));
  closedir(d);
#endif
  DB_EXIT("%u", vec_size(names));
  return names;
}

PathListing::PathListing(const char* dir) : names_(dir ? path_list_dir(dir) : nullptr) {}

PathListing::~PathListing() {
  for (char* name : VecItems<char*>(names_)) free(name);
  vec_free(names_);
}

uint32_t PathListing::size() const { return vec_size(names_); }

const char* PathListing::operator[](uint32_t i) const { return vec_get_as<const char*>(names_, i); }

const char* path_basename_ptr(const char* p) {
  const char* s = last_separator(p);
  return s ? s + 1 : p;
}

char* path_stem_dot(const char* p) {
  const char* base = path_basename_ptr(p);
  const char* dot = strrchr(base, '.');
  return dot ? copy_of(std::string_view(base, static_cast<size_t>(dot - base) + 1)) : xstrdup(base);
}

char* path_stem(const char* p) {
  const char* base = path_basename_ptr(p);
  const char* dot = strrchr(base, '.');
  return dot ? copy_of(std::string_view(base, static_cast<size_t>(dot - base))) : xstrdup(base);
}

// Only the last component is searched: a "." in a directory name is no
// extension of the file.
const char* path_extension(const char* p) {
  const char* base = path_basename_ptr(p);
  const char* dot = strrchr(base, '.');
  return dot ? dot : base + strlen(base);
}

char* path_dirname(const char* p) {
  const char* s = last_separator(p);
  return s ? copy_of(std::string_view(p, static_cast<size_t>(s - p))) : nullptr;
}

bool path_exists(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  struct stat st;
  bool exists = p && *p && stat(p, &st) == 0;
  DB_EXIT("%d", exists);
  return exists;
}

bool path_is_dir(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  bool dir = p && *p && stat_is_dir(p);
  DB_EXIT("%d", dir);
  return dir;
}

bool path_is_file(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  struct stat st;
  bool file = p && *p && stat(p, &st) == 0 && S_ISREG(st.st_mode);
  DB_EXIT("%d", file);
  return file;
}

bool path_is_special(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  struct stat st;
  bool special = p && *p && stat(p, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
  DB_EXIT("%d", special);
  return special;
}

bool path_is_writable(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
#ifdef _WIN32
  bool writable = p && *p && _access(p, 2) == 0;
#else
  bool writable = p && *p && access(p, W_OK) == 0;
#endif
  DB_EXIT("%d", writable);
  return writable;
}

int mkdir_p(const char* p, PathStyle style) {
  DB_ENTER("%s", p ? p : "(null)");
  if (!p || !*p) return 1;
  std::string path(p);
  size_t start = root_length(path, style);
  bool below_root = false;
  for (size_t i = start; i <= path.size(); ++i) {
    if (i < path.size() && !is_fs_sep(path[i], style)) continue;
    if (i == start || is_fs_sep(path[i - 1], style)) continue;  // a run of separators
    below_root = true;
    std::string part = path.substr(0, i);
    if (make_one_dir(part.c_str()) != 0) {
      DB_EXIT("1: %s", part.c_str());
      return 1;
    }
  }
  // Only a root was given: a drive, or a root that must exist.
  int r = below_root || (style == PathStyle::windows && !is_unc(p)) || stat_is_dir(p) ? 0 : 1;
  DB_EXIT("%d", r);
  return r;
}

int rmdir_r(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  struct stat st;
#ifdef _WIN32
  if (!p || stat(p, &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  std::error_code ec;
  std::filesystem::remove_all(p, ec);
  int r = ec ? -1 : 0;
#else
  // A link to a directory is not a directory to empty.
  if (!p || lstat(p, &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  int r = remove_tree(p);
#endif
  DB_EXIT("%d", r);
  return r;
}

char* osd_getcwd() {
  DB_ENTER();
#ifdef _WIN32
  std::vector<char> buf(kOsdPathBufferSize);
  const char* got = _getcwd(buf.data(), static_cast<int>(buf.size()));
  // A vanished or over-long working directory is still reachable as ".".
  char* r = xstrdup(got ? got : ".");
#else
  // The C library sizes the buffer; a vanished working directory is still
  // reachable as ".".
  char* r = getcwd(nullptr, 0);
  if (!r) r = xstrdup(".");
#endif
  DB_EXIT("%s", r);
  return r;
}

int osd_chdir(const char* p) {
  DB_ENTER("%s", p ? p : "(null)");
  if (!p || !*p) return -1;
#ifdef _WIN32
  int r = _chdir(p) == 0 ? 0 : -1;
#else
  int r = chdir(p) == 0 ? 0 : -1;
#endif
  DB_EXIT("%d", r);
  return r;
}
