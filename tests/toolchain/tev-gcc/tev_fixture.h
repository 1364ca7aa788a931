// Running the staged tev-gcc in a scratch directory with a few sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace tevtest {

inline constexpr const char* kErrorFormat = "%f:%l:%c: error: (%n) %s";

std::string tev_gcc();

// A scratch directory holding x.c (a small program with main), y.c (a
// second unit), a.s (assembler), b.S (assembler with #define), inc/one.h
// and inc/sys.h.
class Sources {
 public:
  Sources();
  const std::string& path() const { return dir_.path(); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  void write(const std::string& name, const std::string& text) const;
  // tev-gcc with args in this directory, with the numbered error format.
  testutil::RunResult run(const std::vector<std::string>& args) const;
  // The same with standard input redirected by a shell ("< in.c", "<&-").
  testutil::RunResult run_with_stdin(const std::vector<std::string>& args, const std::string& redirect) const;
  // The files of the directory that were not there at the start.
  std::vector<std::string> new_files() const;

 private:
  testutil::TempDir dir_;
  std::vector<std::string> initial_;
};

// "(2000)" for message 2000.
std::string number(uint32_t n);

}  // namespace tevtest
