// Running the staged tev-gcc in a scratch directory with a few sources.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace tevtest {

inline constexpr const char* kErrorFormat = "%f:%l:%c: error: (%n) %s";

std::string stage();
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

// The ELF header fields the tests look at.
struct ElfHeader {
  bool valid = false;
  uint8_t elf_class = 0, data = 0;
  uint16_t type = 0, machine = 0, phnum = 0, shnum = 0, shstrndx = 0;
};
ElfHeader elf_header(const std::string& bytes);
// The section names of an ELF file, in order.
std::vector<std::string> elf_section_names(const std::string& bytes);

// "(2000)" for message 2000.
std::string number(uint32_t n);

}  // namespace tevtest
