// Input kinds, the code model, and the intermediate and object formats.
#include "toolchain/lumo8/lumo8_inputs.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/fileutils.h"
#include "common/objformat.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "toolchain/lumo8/lumo8_messages.h"
#include "toolchain/support/tc_diag.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

constexpr const char* kP1Version = "2.50";
constexpr const char* kIdent = "lumo8 V2.50";
constexpr const char* kCodePsect = "text";
constexpr size_t kWordsPerLine = 16;
constexpr size_t kWordsPerRecord = 128;  // 4 + 256 bytes of TEXT data

template <uint32_t M>
bool report(const std::string& path) {
  tc_raise(M, path.c_str());
  return false;
}

// The forms "-lNAME" leaves for the search, in order.
struct LibraryForm {
  const char* prefix;
  const char* suffix;
};
constexpr LibraryForm kLibraryForms[] = {{"", ".a"},   {"lib", ".a"},   {"", ".lpp"},
                                         {"lib", ".lpp"}, {"", ".lib"}, {"lib", ".lib"}};

std::string find_library(const std::string& name) {
  std::vector<std::string> dirs = {""};
  if (char* exe = osd_progname()) {
    char* bin = path_dirname(exe);
    char* family = bin ? path_dirname(bin) : nullptr;
    if (family) dirs.emplace_back(sc_pathJoin(family, "lib"));
    free(family);
    free(bin);
    free(exe);
  }
  for (const std::string& dir : dirs)
    for (const LibraryForm& form : kLibraryForms) {
      const char* file = sc_printf("%s%s%s", form.prefix, name.c_str(), form.suffix);
      const char* path = dir.empty() ? file : sc_pathJoin(dir.c_str(), file);
      if (path_exists(path)) return path;
    }
  return "";
}

uint16_t word_of(const std::string& text) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return static_cast<uint16_t>((h ^ (h >> 16)) & kL8WordMask);
}

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool ident_char(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// A function definition begins at brace depth 0 with "name(" on a line
// that does not end its declaration with ";".
void function_names(const std::string& line, int depth, std::vector<std::string>* symbols) {
  if (depth != 0 || line.empty() || line.back() == ';') return;
  size_t paren = line.find('(');
  if (paren == std::string::npos) return;
  size_t end = paren;
  while (end > 0 && line[end - 1] == ' ') --end;
  size_t start = end;
  while (start > 0 && ident_char(line[start - 1])) --start;
  if (start < end && !isdigit(static_cast<unsigned char>(line[start])))
    symbols->push_back("_" + line.substr(start, end - start));
}

void put_u32(std::string* out, uint32_t v) {
  unsigned char b[4];
  obj_put_u32(b, v);
  out->append(reinterpret_cast<const char*>(b), 4);
}

void put_record(std::string* out, obj_rectype type, const std::string& data) {
  unsigned char header[kObjRecordHeaderSize];
  obj_put_u16(header, static_cast<uint16_t>(data.size()));
  header[2] = static_cast<unsigned char>(type);
  out->append(reinterpret_cast<const char*>(header), sizeof header);
  *out += data;
}

}  // namespace

bool l8_classify(const std::string& arg, bool asm_cpp, l8_input* input) {
  std::string path = arg;
  if (!path_exists(path.c_str()) && !*path_extension(path.c_str())) {
    std::string library = find_library(path);
    if (!library.empty()) path = library;
  }
  // The C library and the maths library are part of every link: "-lc" and
  // "-lm" that name no file of their own ask for nothing more.
  if (!path_exists(path.c_str()) && (arg == "c" || arg == "m")) return false;
  if (!path_exists(path.c_str())) return report<kL8InputMissing>(arg);
  if (path_is_dir(path.c_str())) return report<kL8InputKind>(arg);
  const uint64_t flags = fileid(path.c_str()) & ~kFileIdMissing;
  const char* ext = path_extension(path.c_str());
  input->path = path;
  if (fileid_is_c(flags)) {
    input->kind = l8_kind::c;
  } else if (fileid_is_asm_fid(flags)) {
    bool cpp = asm_cpp || (flags & FID_ASM_PREPROCESSED) == FID_ASM_PREPROCESSED;
    input->kind = cpp ? l8_kind::asm_cpp : l8_kind::asm_plain;
  } else if (flags == FID_P1 || flags == FID_O_P1 || flags == FID_P1_CONTENT) {
    input->kind = l8_kind::p1;
  } else if (flags == FID_OBJ) {
    input->kind = l8_kind::object;
  } else if (strcmp(ext, ".p1") == 0) {
    return report<kL8BadP1>(path);
  } else if (strcmp(ext, ".o") == 0 || strcmp(ext, ".obj") == 0) {
    return report<kL8BadObject>(path);
  } else if (strcmp(ext, ".a") == 0 || strcmp(ext, ".lib") == 0 || strcmp(ext, ".lpp") == 0) {
    // The extension alone makes some of these look like libraries.
    if (fileid_is_library(path.c_str()) == 0) return report<kL8BadLibrary>(path);
    input->kind = l8_kind::library;
  } else {
    return report<kL8InputKind>(path);
  }
  return true;
}

l8_unit l8_compile_c(const std::string& source, const std::string& text) {
  l8_unit unit{source, {}, {}};
  std::istringstream in(text);
  std::string line;
  int depth = 0;
  while (std::getline(in, line)) {
    std::string t = trimmed(line);
    if (t.empty() || t[0] == '#') continue;
    function_names(t, depth, &unit.symbols);
    for (char c : t) depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    if (depth < 0) depth = 0;
    unit.words.push_back(word_of(t));
  }
  return unit;
}

l8_unit l8_assemble(const std::string& source, const std::string& text) {
  l8_unit unit{source, {}, {}};
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::string t = trimmed(line.substr(0, line.find(';')));
    if (t.empty() || t[0] == '#') continue;
    size_t colon = t.find(':');
    if (colon != std::string::npos && colon > 0) {
      bool label = true;
      for (size_t i = 0; i < colon; ++i) label = label && ident_char(t[i]);
      if (label) {
        unit.symbols.push_back(t.substr(0, colon));
        t = trimmed(t.substr(colon + 1));
        if (t.empty()) continue;
      }
    }
    unit.words.push_back(word_of(t));
  }
  return unit;
}

// Version line, then "chip", "source", "symbol" and "code" lines, "end".
std::string l8_p1_text(const l8_unit& unit, const std::string& chip) {
  std::string out = std::string(kFileIdP1Version) + " " + kP1Version + " " + kFileIdP1Marker + "\n";
  out += "chip " + chip + "\nsource " + unit.source + "\n";
  for (const std::string& s : unit.symbols) out += "symbol " + s + "\n";
  for (size_t i = 0; i < unit.words.size(); i += kWordsPerLine) {
    out += "code";
    for (size_t j = i; j < unit.words.size() && j < i + kWordsPerLine; ++j) out += sc_printf(" %04x", unit.words[j]);
    out += "\n";
  }
  return out + "end\n";
}

bool l8_read_p1(const std::string& path, l8_unit* unit) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return report<kL8BadP1>(path);
  *unit = {path, {}, {}};
  bool ended = false;
  while (std::getline(in, line)) {
    if (ended) return report<kL8BadP1>(path);
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    if (key == "end") {
      ended = true;
    } else if (key == "symbol") {
      std::string name;
      if (!(fields >> name)) return report<kL8BadP1>(path);
      unit->symbols.push_back(name);
    } else if (key == "code") {
      std::string hex;
      while (fields >> hex) {
        char* end = nullptr;
        unsigned long w = strtoul(hex.c_str(), &end, 16);
        if (hex.size() != 4 || *end || w > kL8WordMask) return report<kL8BadP1>(path);
        unit->words.push_back(static_cast<uint16_t>(w));
      }
    } else if (key != "chip" && key != "source") {
      return report<kL8BadP1>(path);
    }
  }
  return ended ? true : report<kL8BadP1>(path);
}

// IDENT, PSECT, a SYM per symbol, TEXT records with the words, END.
std::string l8_object_bytes(const l8_unit& unit, const std::string& chip) {
  std::string out;
  put_record(&out, obj_rectype::IDENT, std::string(kIdent) + " " + chip + '\0');
  put_record(&out, obj_rectype::PSECT, std::string(kCodePsect) + '\0');
  for (const std::string& s : unit.symbols) {
    std::string data;
    put_u32(&data, 0);
    put_record(&out, obj_rectype::SYM, data + s.substr(0, 200) + '\0');
  }
  for (size_t i = 0; i < unit.words.size(); i += kWordsPerRecord) {
    std::string data;
    put_u32(&data, static_cast<uint32_t>(i * 2));
    for (size_t j = i; j < unit.words.size() && j < i + kWordsPerRecord; ++j) {
      unsigned char b[2];
      obj_put_u16(b, unit.words[j]);
      data.append(reinterpret_cast<const char*>(b), 2);
    }
    put_record(&out, obj_rectype::TEXT, data);
  }
  put_record(&out, obj_rectype::END, "");
  return out;
}

bool l8_read_object(const std::string& path, l8_unit* unit) {
  File f(fopen(path.c_str(), "rb"));
  if (!f || !fileid_is_obj_fp(f.get())) return report<kL8BadObject>(path);
  rewind(f.get());
  *unit = {path, {}, {}};
  obj_record_header header{};
  while (obj_read_record_header(f.get(), &header)) {
    std::string data(header.length, '\0');
    if (header.length && fread(data.data(), 1, header.length, f.get()) != header.length)
      return report<kL8BadObject>(path);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (header.type == static_cast<uint8_t>(obj_rectype::END)) return true;
    if (header.type == static_cast<uint8_t>(obj_rectype::SYM) && data.size() > 4)
      unit->symbols.emplace_back(data.c_str() + 4);
    if (header.type == static_cast<uint8_t>(obj_rectype::TEXT)) {
      // Code placed anywhere but right after what came before is not ours.
      if (data.size() < 4 || data.size() % 2 || obj_get_u32(bytes) != unit->words.size() * 2)
        return report<kL8BadObject>(path);
      for (size_t i = 4; i < data.size(); i += 2) unit->words.push_back(obj_get_u16(bytes + i) & kL8WordMask);
    }
  }
  return report<kL8BadObject>(path);
}
