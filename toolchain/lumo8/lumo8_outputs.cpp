// Writers of the image, the map and the summary, and the writing of files.
#include "toolchain/lumo8/lumo8_outputs.h"

#include <algorithm>
#include <cstdio>

#include "common/msgnum.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_host.h"
#include "toolchain/support/tc_partial.h"

namespace {

constexpr size_t kHexRecordBytes = 16;
constexpr uint8_t kHexData = 0x00;
constexpr uint8_t kHexExtendedLinear = 0x04;

std::string hex_record(uint16_t address, uint8_t type, const uint8_t* data, size_t count) {
  uint32_t sum = static_cast<uint32_t>(count) + (address >> 8) + (address & 0xFF) + type;
  std::string line = sc_printf(":%02X%04X%02X", static_cast<unsigned>(count), address, type);
  for (size_t i = 0; i < count; ++i) {
    line += sc_printf("%02X", data[i]);
    sum += data[i];
  }
  return line + sc_printf("%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

bool write_one(const l8_output& output) {
  if (output.path.empty()) {
    fwrite(output.content.data(), 1, output.content.size(), stdout);
    return fflush(stdout) == 0;
  }
  bool ok = tc_write_output(output.path, output.content, sc_printf(".l8tmp%lu", tc_pid()));
  if (!ok) tc_raise(kMsgCannotWriteOutput, output.path.c_str());
  return ok;
}

}  // namespace

std::string l8_hex_image(const std::vector<l8_segment>& segments) {
  std::string out;
  uint32_t page = 0;
  for (const l8_segment& segment : segments)
    for (size_t i = 0; i < segment.bytes.size();) {
      uint32_t address = segment.address + static_cast<uint32_t>(i);
      if (address >> 16 != page) {
        page = address >> 16;
        const uint8_t upper[2] = {static_cast<uint8_t>(page >> 8), static_cast<uint8_t>(page)};
        out += hex_record(0, kHexExtendedLinear, upper, 2);
      }
      // A record stays within its page.
      size_t count = std::min({kHexRecordBytes, segment.bytes.size() - i, static_cast<size_t>(0x10000 - (address & 0xFFFF))});
      out += hex_record(static_cast<uint16_t>(address & 0xFFFF), kHexData, segment.bytes.data() + i, count);
      i += count;
    }
  return out + ":00000001FF\n";
}

std::string l8_map_text(const std::string& chip, const std::vector<l8_placed>& units, uint32_t rom_words,
                        const std::string& image) {
  std::string out = "lumo8 V2.50 link map\n\nChip: " + chip + "\nImage: " + image + "\n\n";
  out += sc_printf("%-40s %8s %8s\n", "Source", "Address", "Words");
  uint32_t used = 0;
  for (const l8_placed& u : units) {
    out += sc_printf("%-40s %08X %8u\n", u.source.c_str(), u.word_address, u.words);
    for (const std::string& s : u.symbols) out += sc_printf("    %-36s %08X\n", s.c_str(), u.word_address);
    used += u.words;
  }
  return out + sc_printf("\nProgram memory: %u of %u words used\n", used, rom_words);
}

std::string l8_summary_xml(const std::string& chip, uint32_t used_words, uint32_t rom_words, uint32_t ram_bytes,
                           uint32_t eeprom_bytes) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<memorySummary chip=\"" + chip + "\" tool=\"lumo8\" version=\"2.50\">\n";
  out += sc_printf("  <memory name=\"program\" units=\"words\" used=\"%u\" free=\"%u\" total=\"%u\"/>\n", used_words,
                   rom_words - used_words, rom_words);
  out += sc_printf("  <memory name=\"data\" units=\"bytes\" used=\"0\" free=\"%u\" total=\"%u\"/>\n", ram_bytes,
                   ram_bytes);
  out += sc_printf("  <memory name=\"eeprom\" units=\"bytes\" used=\"0\" free=\"%u\" total=\"%u\"/>\n", eeprom_bytes,
                   eeprom_bytes);
  return out + "</memorySummary>\n";
}

bool l8_write_outputs(const std::vector<l8_output>& outputs) {
  bool ok = true;
  for (const l8_output& output : outputs) ok = write_one(output) && ok;
  return ok;
}
