// The ELF files of tev-gcc: 32-bit little-endian, machine number
// ELF_MACHINE_TEV. An object (ET_REL) holds .text, .data, .comment,
// .symtab, .strtab and .shstrtab; an executable (ET_EXEC) holds the same
// sections at their addresses and a loadable segment for each non-empty
// memory (program memory from address 0, data memory at kTevDataBase,
// loaded from program memory behind the code).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Section numbers, the same in every file this program writes.
enum : uint16_t { TEV_SEC_UNDEF = 0, TEV_SEC_TEXT = 1, TEV_SEC_DATA = 2 };

inline constexpr uint32_t kTevDataBase = 0x800000;

struct tev_symbol {
  std::string name;
  uint32_t value = 0;  // offset in its section (object) or address (executable)
  uint32_t size = 0;
  bool global = true;
  bool function = true;
  uint16_t section = TEV_SEC_TEXT;
};

struct tev_object {
  std::vector<uint8_t> text;
  std::vector<uint8_t> data;
  std::vector<tev_symbol> symbols;
  std::string comment;
};

// Where the linker placed things in an executable.
struct tev_layout {
  uint32_t entry = 0;
  uint32_t data_load = 0;  // program-memory address the data is loaded from
};

std::string tev_elf_object(const tev_object& object);
std::string tev_elf_executable(const tev_object& linked, const tev_layout& layout);

// The bytes of the ELF header, enough to identify a file.
inline constexpr size_t kTevElfHeaderSize = 52;

// The header of a 32-bit little-endian TEV relocatable file.
bool tev_elf_is_object(const std::string& head);

// Reads an object this program wrote; false for anything that is not a
// well-formed TEV relocatable file.
bool tev_elf_read_object(const std::string& bytes, tev_object& object);
