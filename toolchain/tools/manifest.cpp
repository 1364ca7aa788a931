// Reading, collecting and writing the installation manifest.
#include "toolchain/tools/manifest.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/osdep.h"
#include "common/pathstyle.h"
#include "toolchain/tools/arlib.h"
#include "common/sha.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

bool is_digest(const std::string& s) {
  if (s.size() != kSha256HexSize) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::string trim(const std::string& s) {
  const char* ws = " \t\r\n\v\f";
  size_t b = s.find_first_not_of(ws);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

bool read_line(FILE* f, std::string* line) {
  line->clear();
  int c;
  while ((c = fgetc(f)) != EOF) {
    if (c == '\n') return true;
    line->push_back(static_cast<char>(c));
  }
  return !line->empty();
}

std::string join(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  char sep = path_separator();
  return a.back() == sep ? a + b : a + sep + b;
}

// The walk uses the standard file-system library: the host's own file
// identity (the device and inode numbers carry none on Windows) tells the
// skipped file apart.
bool collect(const std::string& dir, const std::string& rel, const std::filesystem::path& skip,
             std::vector<manifest_entry>* entries, std::string* bad) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<std::string> names;
  fs::directory_iterator it(dir, ec), end;
  if (ec) {
    *bad = dir;
    return false;
  }
  for (; !ec && it != end; it.increment(ec)) names.push_back(it->path().filename().string());
  if (ec) {
    *bad = dir;
    return false;
  }
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    std::string full = join(dir, n), name = join(rel, n);
    fs::file_status st = fs::status(full, ec);
    if (ec) {
      *bad = full;
      return false;
    }
    if (fs::is_directory(st)) {
      if (!collect(full, name, skip, entries, bad)) return false;
    } else if (fs::is_regular_file(st) && !(!skip.empty() && fs::equivalent(full, skip, ec))) {
      manifest_entry entry{{}, name, 0};
      if (!sha256_file_hex(full.c_str(), &entry.hash)) {
        *bad = full;
        return false;
      }
      entries->push_back(std::move(entry));
    }
  }
  return true;
}

}  // namespace

manifest_read_result manifest_read(const char* path, std::vector<manifest_entry>* entries) {
  // A FIFO or a device would make the check wait; only a file is read.
  std::unique_ptr<FILE, FileCloser> f(osd_fopen_regular(path, "r"));
  if (!f) return {manifest_status::cannot_open, 0, strerror(errno)};
  std::string line;
  int number = 0;
  while (read_line(f.get(), &line)) {
    ++number;
    size_t blank = line.find(' ');
    if (blank == std::string::npos) return {manifest_status::garbled, number, "no blank after the digest"};
    manifest_entry entry{line.substr(0, blank), trim(line.substr(blank + 1)), number};
    if (!entry.name.empty() && entry.name[0] == '*') entry.name.erase(0, 1);
    if (!is_digest(entry.hash))
      return {manifest_status::garbled, number, "\"" + entry.hash + "\" is not a SHA-256 digest"};
    if (entry.name.empty()) return {manifest_status::garbled, number, "no file name"};
    entries->push_back(std::move(entry));
  }
  if (ferror(f.get())) return {manifest_status::cannot_open, 0, "read error"};
  if (entries->empty()) return {manifest_status::empty, 0, ""};
  return {};
}

std::string manifest_path(const std::string& dir, const std::string& name) {
  std::string n = name;
  if (kNativePathStyle == PathStyle::posix) std::replace(n.begin(), n.end(), '\\', '/');
  return join(dir, n);
}

bool manifest_collect(const std::string& dir, const std::string& skip, std::vector<manifest_entry>* entries,
                      std::string* bad) {
  std::error_code ec;
  std::filesystem::path id = !skip.empty() && std::filesystem::exists(skip, ec) ? std::filesystem::path(skip)
                                                                               : std::filesystem::path();
  return collect(dir, ".", id, entries, bad);
}

bool manifest_write(const char* path, const std::vector<manifest_entry>& entries) {
  std::string text;
  for (const manifest_entry& e : entries) text += e.hash + " *" + e.name + "\n";
  // An unchanged manifest is left alone, so that a build with nothing to
  // do changes nothing.
  if (std::unique_ptr<FILE, FileCloser> old(fopen(path, "rb")); old) {
    std::string current;
    char buffer[8192];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, old.get())) > 0) current.append(buffer, n);
    if (!ferror(old.get()) && current == text) return true;
  }
  return static_cast<bool>(ar_write_file(path, text.data(), text.size()));
}
