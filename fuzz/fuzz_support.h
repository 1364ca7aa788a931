// Shared by the fuzz targets: a private scratch directory per fuzzing
// process (removed at exit), the input as a NUL-terminated text or as a file
// in it, and the setting that keeps a long run from ending on purpose (the
// error limit).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/alert.h"

namespace fuzz {

inline std::string& scratch_path() {
  static std::string path;
  return path;
}

inline void remove_scratch() {
  std::error_code ec;
  if (!scratch_path().empty()) std::filesystem::remove_all(scratch_path(), ec);
}

// The scratch directory, made on first use.
inline const std::string& scratch() {
  std::string& path = scratch_path();
  if (path.empty()) {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumo8-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    path = pattern;
    atexit(remove_scratch);
  }
  return path;
}

// The input as the file name of the scratch directory.
inline std::string as_file(const uint8_t* data, size_t size, const std::string& name) {
  const std::string path = scratch() + "/" + name;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) abort();
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) abort();
    done += static_cast<size_t>(n);
  }
  close(fd);
  return path;
}

// The input up to its first NUL.
inline std::string as_text(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size).c_str();
}

// The first call of every target: errors never reach the limit that ends
// the program.
inline void init() { set_maxerrors(UINT32_MAX); }

}  // namespace fuzz
