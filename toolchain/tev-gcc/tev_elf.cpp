// Writing and reading the ELF files of tev-gcc.
#include "toolchain/tev-gcc/tev_elf.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "common/fileutils.h"

namespace {

constexpr uint16_t kEtRel = 1;
constexpr uint16_t kEtExec = 2;
constexpr uint32_t kEvCurrent = 1;
constexpr uint32_t kHeaderSize = kTevElfHeaderSize;
constexpr uint32_t kProgramHeaderSize = 32;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSymbolSize = 16;

constexpr uint32_t kShtProgbits = 1, kShtSymtab = 2, kShtStrtab = 3;
constexpr uint32_t kShfWrite = 1, kShfAlloc = 2, kShfExec = 4, kShfMerge = 0x10, kShfStrings = 0x20;
constexpr uint32_t kPtLoad = 1;
constexpr uint32_t kPfX = 1, kPfW = 2, kPfR = 4;
constexpr uint8_t kStbLocal = 0, kStbGlobal = 1, kSttObject = 1, kSttFunc = 2;

// Section header indexes of the files written here.
enum : uint16_t { kText = 1, kData = 2, kComment = 3, kSymtab = 4, kStrtab = 5, kShstrtab = 6, kSections = 7 };
constexpr const char* kSectionNames[kSections] = {"", ".text", ".data", ".comment", ".symtab", ".strtab", ".shstrtab"};

void put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}
void set32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
}
void align(std::string& out, size_t to) {
  while (out.size() % to) out += '\0';
}

uint16_t get16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}

struct SectionHeader {
  uint32_t name = 0, type = 0, flags = 0, addr = 0, offset = 0, size = 0, link = 0, info = 0, addralign = 1, entsize = 0;
};

// A string table and the offsets of its names.
struct StringTable {
  std::string bytes = std::string(1, '\0');
  uint32_t add(const std::string& s) {
    uint32_t at = static_cast<uint32_t>(bytes.size());
    bytes += s;
    bytes += '\0';
    return at;
  }
};

void header(std::string& out, uint16_t type, uint32_t entry, uint32_t phoff, uint16_t phnum) {
  out += "\x7f" "ELF";
  out += '\x01';  // 32-bit
  out += '\x01';  // little endian
  out += '\x01';  // ELF version
  out.append(9, '\0');
  put16(out, type);
  put16(out, ELF_MACHINE_TEV);
  put32(out, kEvCurrent);
  put32(out, entry);
  put32(out, phoff);
  put32(out, 0);  // section header offset, set when known
  put32(out, 0);  // flags
  put16(out, kHeaderSize);
  put16(out, phnum ? kProgramHeaderSize : 0);
  put16(out, phnum);
  put16(out, kSectionHeaderSize);
  put16(out, kSections);
  put16(out, kShstrtab);
}

// Locals first, as the symbol table requires; the index of the first global.
// Within each group by section and address, so that the table does not
// depend on the order in which a source defined its names.
std::string symbol_table(std::vector<tev_symbol> symbols, StringTable& names, uint32_t& first_global) {
  std::sort(symbols.begin(), symbols.end(), [](const tev_symbol& a, const tev_symbol& b) {
    return std::tie(a.section, a.value, a.name) < std::tie(b.section, b.value, b.name);
  });
  std::string out(kSymbolSize, '\0');
  first_global = 1;
  for (int pass = 0; pass < 2; ++pass)
    for (const tev_symbol& s : symbols) {
      if (s.global != (pass == 1)) continue;
      if (!s.global) ++first_global;
      put32(out, names.add(s.name));
      put32(out, s.value);
      put32(out, s.size);
      out += static_cast<char>((s.global ? kStbGlobal : kStbLocal) << 4 | (s.function ? kSttFunc : kSttObject));
      out += '\0';
      put16(out, s.section);
    }
  return out;
}

std::string write(uint16_t type, const tev_object& object, const tev_layout* layout) {
  std::string out;
  const bool exec = layout != nullptr;
  std::vector<std::pair<uint32_t, uint32_t>> segments;  // (section, flags) of each loadable segment
  if (exec) {
    segments.push_back({kText, kPfR | kPfX});
    if (!object.data.empty()) segments.push_back({kData, kPfR | kPfW});
  }
  header(out, type, exec ? layout->entry : 0, exec ? kHeaderSize : 0, static_cast<uint16_t>(segments.size()));
  size_t program_headers = out.size();
  out.append(segments.size() * kProgramHeaderSize, '\0');

  SectionHeader sh[kSections];
  StringTable section_names;
  for (uint16_t i = 1; i < kSections; ++i) sh[i].name = section_names.add(kSectionNames[i]);
  StringTable names;
  uint32_t first_global = 1;
  std::string symtab = symbol_table(object.symbols, names, first_global);
  std::string comment = object.comment + '\0';

  auto place = [&](uint16_t index, const std::string& bytes, uint32_t alignment) {
    align(out, alignment);
    sh[index].offset = static_cast<uint32_t>(out.size());
    sh[index].size = static_cast<uint32_t>(bytes.size());
    sh[index].addralign = alignment;
    out += bytes;
  };
  place(kText, std::string(object.text.begin(), object.text.end()), 2);
  place(kData, std::string(object.data.begin(), object.data.end()), 1);
  place(kComment, comment, 1);
  place(kSymtab, symtab, 4);
  place(kStrtab, names.bytes, 1);
  place(kShstrtab, section_names.bytes, 1);

  sh[kText].type = sh[kData].type = sh[kComment].type = kShtProgbits;
  sh[kText].flags = kShfAlloc | kShfExec;
  sh[kData].flags = kShfAlloc | kShfWrite;
  sh[kComment].flags = kShfMerge | kShfStrings;
  sh[kComment].entsize = 1;
  sh[kSymtab].type = kShtSymtab;
  sh[kSymtab].link = kStrtab;
  sh[kSymtab].info = first_global;
  sh[kSymtab].entsize = kSymbolSize;
  sh[kStrtab].type = sh[kShstrtab].type = kShtStrtab;
  if (exec) sh[kData].addr = kTevDataBase;

  for (size_t i = 0; i < segments.size(); ++i) {
    const SectionHeader& s = sh[segments[i].first];
    std::string ph;
    put32(ph, kPtLoad);
    put32(ph, s.offset);
    put32(ph, s.addr);
    put32(ph, segments[i].first == kData ? layout->data_load : s.addr);
    put32(ph, s.size);
    put32(ph, s.size);
    put32(ph, segments[i].second);
    put32(ph, s.addralign);
    out.replace(program_headers + i * kProgramHeaderSize, kProgramHeaderSize, ph);
  }

  align(out, 4);
  set32(out, 32, static_cast<uint32_t>(out.size()));
  for (const SectionHeader& s : sh) {
    for (uint32_t v : {s.name, s.type, s.flags, s.addr, s.offset, s.size, s.link, s.info, s.addralign, s.entsize})
      put32(out, v);
  }
  return out;
}

bool in_file(const std::string& b, uint64_t offset, uint64_t size) { return offset <= b.size() && size <= b.size() - offset; }

// The name at `at` of a string table section, or false when it runs out of it.
bool name_at(const std::string& b, const SectionHeader& table, uint32_t at, std::string& name) {
  if (at >= table.size) return false;
  const char* start = b.data() + table.offset + at;
  size_t room = table.size - at;
  size_t n = strnlen(start, room);
  if (n == room) return false;
  name.assign(start, n);
  return true;
}

}  // namespace

std::string tev_elf_object(const tev_object& object) { return write(kEtRel, object, nullptr); }

std::string tev_elf_executable(const tev_object& linked, const tev_layout& layout) {
  return write(kEtExec, linked, &layout);
}

bool tev_elf_is_object(const std::string& b) {
  return b.size() >= kHeaderSize && b.compare(0, 4, "\x7f" "ELF") == 0 && b[4] == 1 && b[5] == 1 &&
         get16(b, 16) == kEtRel && get16(b, 18) == ELF_MACHINE_TEV;
}

bool tev_elf_read_object(const std::string& b, tev_object& object) {
  if (!tev_elf_is_object(b) || get16(b, 46) != kSectionHeaderSize) return false;
  uint32_t shoff = get32(b, 32);
  uint16_t shnum = get16(b, 48), shstrndx = get16(b, 50);
  if (shnum == 0 || shstrndx >= shnum || !in_file(b, shoff, uint64_t{shnum} * kSectionHeaderSize)) return false;
  std::vector<SectionHeader> sh(shnum);
  for (uint16_t i = 0; i < shnum; ++i) {
    size_t at = shoff + size_t{i} * kSectionHeaderSize;
    SectionHeader& s = sh[i];
    s = {get32(b, at), get32(b, at + 4), get32(b, at + 8), get32(b, at + 12), get32(b, at + 16),
         get32(b, at + 20), get32(b, at + 24), get32(b, at + 28), get32(b, at + 32), get32(b, at + 36)};
    if (i > 0 && !in_file(b, s.offset, s.size)) return false;
  }
  const SectionHeader* text = nullptr;
  const SectionHeader* data = nullptr;
  const SectionHeader* symtab = nullptr;
  for (uint16_t i = 1; i < shnum; ++i) {
    std::string name;
    if (!name_at(b, sh[shstrndx], sh[i].name, name)) return false;
    if (name == ".text" && i == TEV_SEC_TEXT) text = &sh[i];
    if (name == ".data" && i == TEV_SEC_DATA) data = &sh[i];
    if (name == ".comment") object.comment.assign(b.data() + sh[i].offset, strnlen(b.data() + sh[i].offset, sh[i].size));
    if (sh[i].type == kShtSymtab) symtab = &sh[i];
  }
  if (!text || !data || !symtab || symtab->entsize != kSymbolSize || symtab->size % kSymbolSize ||
      symtab->link >= shnum || sh[symtab->link].type != kShtStrtab)
    return false;
  object.text.assign(b.begin() + text->offset, b.begin() + text->offset + text->size);
  object.data.assign(b.begin() + data->offset, b.begin() + data->offset + data->size);
  for (uint32_t at = symtab->offset + kSymbolSize; at < symtab->offset + symtab->size; at += kSymbolSize) {
    tev_symbol s;
    if (!name_at(b, sh[symtab->link], get32(b, at), s.name)) return false;
    s.value = get32(b, at + 4);
    s.size = get32(b, at + 8);
    uint8_t info = static_cast<uint8_t>(b[at + 12]);
    s.global = (info >> 4) == kStbGlobal;
    s.function = (info & 0xf) == kSttFunc;
    s.section = get16(b, at + 14);
    const std::vector<uint8_t>& contents = s.section == TEV_SEC_TEXT ? object.text : object.data;
    if ((s.section != TEV_SEC_TEXT && s.section != TEV_SEC_DATA) || s.value > contents.size()) return false;
    object.symbols.push_back(s);
  }
  return true;
}
