// The files a run writes: the Intel HEX image, the map file, the XML memory
// summary, and the writing itself. Outputs are collected first and written
// only when the run had no error, each through a temporary name that is
// renamed into place, so that a failed run leaves no output behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct l8_output {
  std::string path;  // empty: standard output
  std::string content;
};

// A block of bytes at a byte address of the image.
struct l8_segment {
  uint32_t address;
  std::vector<uint8_t> bytes;
};

// Data records of at most 16 bytes, an extended linear address record
// (type 04) before the first record of each 64 KiB page other than page 0,
// and the end record ":00000001FF".
std::string l8_hex_image(const std::vector<l8_segment>& segments);

struct l8_placed {
  std::string source;
  uint32_t word_address;
  uint32_t words;
  std::vector<std::string> symbols;
};

std::string l8_map_text(const std::string& chip, const std::vector<l8_placed>& units, uint32_t rom_words,
                        const std::string& image);
std::string l8_summary_xml(const std::string& chip, uint32_t used_words, uint32_t rom_words, uint32_t ram_bytes,
                           uint32_t eeprom_bytes);

// Writes every output (kMsgCannotWriteOutput for one that cannot be written; the outputs
// already in place stay complete). False when any failed.
bool l8_write_outputs(const std::vector<l8_output>& outputs);
