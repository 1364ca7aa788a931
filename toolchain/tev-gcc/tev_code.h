// Code generation of tev-gcc: C translation units and assembler sources
// into objects, and an object back into assembler source (-S).
//
// The C side reads the preprocessed text far enough to find the file-scope
// functions and variables and to check that brackets balance and strings
// end; every statement becomes a code word derived from its tokens, so an
// object depends only on its source. The assembler knows the TEV
// mnemonics and the directives listed in tev_as.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "toolchain/tev-gcc/tev_elf.h"

struct tev_code_options {
  bool const_in_progmem = true;  // string constants in program memory
  std::string comment;           // recorded in the object's .comment
};

// `text` is preprocessed C (line markers allowed). False when an error was
// reported; messages name `file` until a line marker names another source.
bool tev_compile_c(const std::string& file, const std::string& text, const tev_code_options& options,
                   tev_object& object);

// `text` is assembler source (preprocessed or not); `file` as above.
bool tev_assemble(const std::string& file, const std::string& text, const tev_code_options& options,
                  tev_object& object);

// Assembler source that tev_assemble turns back into `object`.
std::string tev_object_to_asm(const tev_object& object, const std::string& header);

// A 16-bit word derived from a text (FNV-1a, folded).
uint16_t tev_code_word(const std::string& text);
