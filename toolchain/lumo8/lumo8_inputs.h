// The inputs of a run: what kind each file is, and the code each kind
// yields. lumo8 models code generation, not a real compiler: every
// statement line of a source becomes one 14-bit program word derived from
// its text, so that outputs are deterministic and follow their inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class l8_kind : uint8_t {
  c,
  c_pre,  // preprocessed C (".i", ".pre"): compiled as it stands
  asm_plain,
  asm_cpp,
  p1,
  object,
  library,
};

struct l8_input {
  std::string path;  // as given, except a library found by its name; "-" for standard input
  l8_kind kind;
};

// The file's kind by its extension and, where the extension does not
// decide, by its contents (a p1 marker line, object records, a library
// directory), whatever the file is named. "-" is standard input: C, or
// preprocessed assembler when asm_cpp. A name without an extension that
// names no file is looked for as a library ("NAME.a", "libNAME.a", ...) in
// the current directory and the installation's library directory; "c" and
// "m" are the run time's own libraries and give false without a report.
// Reports kMsgInputMissing, kMsgUnusableInput, kMsgStdinIsTerminal,
// kMsgBadP1File, kMsgBadObjectFile or kMsgBadLibrary and gives false when
// the input is missing or unusable.
bool l8_classify(const std::string& arg, bool asm_cpp, l8_input* input);

struct l8_unit {
  std::string source;                // the file the code came from
  std::vector<std::string> symbols;  // functions and labels
  std::vector<uint16_t> words;       // program words
};

inline constexpr uint16_t kL8WordMask = 0x3FFF;

// The file the first line marker of preprocessed text names, else name:
// the source a unit is named after, however many passes it went through.
std::string l8_marked_source(const std::string& text, const std::string& name);

// Code of preprocessed C text, named after l8_marked_source. Unbalanced
// brackets (kMsgUnbalanced) and unterminated strings, character constants
// and comments (kMsgUnterminated) are reported at the file, line and column
// the line markers give; false when any was.
bool l8_compile_c(const std::string& name, const std::string& text, l8_unit* unit);
// Code of assembler text: "label:" defines a symbol, ";" starts a comment.
l8_unit l8_assemble(const std::string& source, const std::string& text);

// The p1 text of a unit and its reading back; l8_read_p1 reports kMsgBadP1File,
// at the line and field that are wrong when there is one.
std::string l8_p1_text(const l8_unit& unit, const std::string& chip);
bool l8_read_p1(const std::string& path, l8_unit* unit);

// The object file of a unit in the tool chain's record format, and its
// reading back; l8_read_object reports kMsgBadObjectFile.
std::string l8_object_bytes(const l8_unit& unit, const std::string& chip);
bool l8_read_object(const std::string& path, l8_unit* unit);
