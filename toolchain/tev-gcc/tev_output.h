// The output files of one run. Nothing is written while the run can still
// fail: the outputs are collected, and once every input has been handled
// without an error each one is written to a temporary file beside its
// destination and renamed into place, so that a failing run leaves neither
// a half-written output nor a temporary file behind.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kTevStdout = "-";

// A path without its directory and its last extension ("src/x.y.c" ->
// "x.y"): the base of the names GNU drivers give their outputs.
std::string tev_stem(const std::string& path);
// A path without the extension of its last component ("o/x.y.o" -> "o/x.y").
std::string tev_without_extension(const std::string& path);

class tev_outputs {
 public:
  // `path` kTevStdout: standard output. A later output for the same path
  // replaces the earlier one.
  void add(const std::string& path, std::string contents);
  // Writes everything; false (and TEV_CANNOT_WRITE) when a file cannot be written.
  bool commit();

 private:
  struct File {
    std::string path;
    std::string contents;
  };
  std::vector<File> files_;
};
