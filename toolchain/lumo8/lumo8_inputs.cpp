// Input kinds, the code model, and the intermediate and object formats.
#include "toolchain/lumo8/lumo8_inputs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>
#include <utility>

#include "common/fileutils.h"
#include "common/msgnum.h"
#include "common/objformat.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre.h"

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

// ---- Inputs known by their contents ----

// A library directory with at least one object or p1 module after it.
bool is_library(FILE* stream) { return fileid_is_library_fp(stream) != 0; }

// What a file holds when its name does not say: lumo8-cc names the p1 file
// of "-c x.c -o x.c.obj" after the object the build system asked for.
bool kind_by_contents(const std::string& path, l8_kind* kind) {
  if (!path_is_file(path.c_str())) return false;  // a FIFO would block the open
  File f(fopen(path.c_str(), "rb"));
  if (!f) return false;
  const std::pair<bool (*)(FILE*), l8_kind> tests[] = {
      {fileid_is_p1_fp, l8_kind::p1}, {fileid_is_obj_fp, l8_kind::object}, {is_library, l8_kind::library}};
  for (const auto& [test, found] : tests) {
    rewind(f.get());
    if (test(f.get())) return *kind = found, true;
  }
  return false;
}

bool standard_input(const std::string& arg, bool asm_cpp, l8_input* input) {
  std::string text;
  if (!tc_read_stdin(&text)) {
    tc_raise(kMsgStdinIsTerminal);
    return false;
  }
  *input = {arg, asm_cpp ? l8_kind::asm_cpp : l8_kind::c};
  return true;
}

// ---- The checks of the C compiler ----

// Walks preprocessed C text line by line, knowing from the line markers the
// original file and line of each, and checks what a parser would find
// first: brackets that do not pair up, and strings, character constants
// and comments left open. Columns are those of the text compiled, so that
// a .c file and its preprocessed .i report alike.
class CChecks {
 public:
  explicit CChecks(const std::string& name) : file_(sc_intern(name.c_str())) {}

  // False for a line marker, which places the lines after it.
  bool place(const std::string& line) {
    int number = 0;
    std::string file;
    if (tc_pre_marker(line, &number, &file)) {
      next_ = number;
      if (!file.empty()) file_ = sc_intern(file.c_str());
      return false;
    }
    line_ = next_++;
    return true;
  }

  void scan(const std::string& line) {
    continued_ = false;
    for (size_t i = 0; i < line.size(); ++i) i = step(line, i);
    if (quote_ && !continued_) {
      unterminated(quote_ == '"' ? "string constant" : "character constant", quote_at_);
      quote_ = 0;
    }
  }

  void finish() {
    if (comment_) unterminated("comment", comment_at_);
    for (const Open& open : open_) unbalanced(open.bracket, open.at);
    tc_diag_at(nullptr, 0);
  }

 private:
  struct At {
    const char* file;
    int line, column;
  };
  struct Open {
    char bracket;
    At at;
  };

  At at(size_t i) const { return {file_, line_, static_cast<int>(i) + 1}; }

  // The index of the last character of what starts at i.
  size_t step(const std::string& line, size_t i) {
    const char c = line[i];
    const char after = i + 1 < line.size() ? line[i + 1] : '\0';
    if (comment_) {
      if (c == '*' && after == '/') comment_ = false, ++i;
    } else if (quote_) {
      if (c == '\\')
        continued_ = ++i == line.size();
      else if (c == quote_)
        quote_ = 0;
    } else if (c == '"' || c == '\'') {
      quote_ = c;
      quote_at_ = at(i);
    } else if (c == '/' && after == '*') {
      comment_ = true;
      comment_at_ = at(i++);
    } else if (c == '/' && after == '/') {
      i = line.size();
    } else if (std::string_view("([{").find(c) != std::string_view::npos) {
      open_.push_back({c, at(i)});
    } else if (std::string_view(")]}").find(c) != std::string_view::npos) {
      close(c, at(i));
    }
    return i;
  }

  // A closer ends the innermost bracket of its kind; the brackets opened
  // inside that one and never closed are reported, not the closer.
  void close(char closer, const At& where) {
    const char opener = closer == ')' ? '(' : closer == ']' ? '[' : '{';
    size_t match = open_.size();
    while (match > 0 && open_[match - 1].bracket != opener) --match;
    if (match == 0) return unbalanced(closer, where);
    for (size_t i = match; i < open_.size(); ++i) unbalanced(open_[i].bracket, open_[i].at);
    open_.resize(match - 1);
  }

  static void unbalanced(char bracket, const At& where) {
    const char text[] = {bracket, '\0'};
    tc_diag_at(where.file, where.line, where.column);
    tc_raise(kMsgUnbalanced, text);
  }
  static void unterminated(const char* what, const At& where) {
    tc_diag_at(where.file, where.line, where.column);
    tc_raise(kMsgUnterminated, what);
  }

  const char* file_;
  int line_ = 0;
  int next_ = 1;
  std::vector<Open> open_;
  bool comment_ = false;
  At comment_at_{};
  char quote_ = 0;
  At quote_at_{};
  bool continued_ = false;  // a backslash ends the line inside a literal
};

// ---- p1 files ----

struct Field {
  int column;
  std::string text;
};

std::vector<Field> fields_of(const std::string& line) {
  std::vector<Field> fields;
  for (size_t i = line.find_first_not_of(" \t\r"); i != std::string::npos; i = line.find_first_not_of(" \t\r", i)) {
    const size_t end = std::min(line.find_first_of(" \t\r", i), line.size());
    fields.push_back({static_cast<int>(i) + 1, line.substr(i, end - i)});
    i = end;
  }
  return fields;
}

// The column of what is wrong with a line after the version line, 0 when
// nothing is.
int p1_line_fault(const std::string& line, bool* ended, l8_unit* unit) {
  const std::vector<Field> fields = fields_of(line);
  if (*ended || fields.empty()) return 1;
  const std::string& key = fields[0].text;
  if (key == "end") {
    *ended = true;
  } else if (key == "symbol") {
    if (fields.size() < 2) return static_cast<int>(line.size()) + 1;
    unit->symbols.push_back(fields[1].text);
  } else if (key == "code") {
    for (size_t i = 1; i < fields.size(); ++i) {
      const std::string& hex = fields[i].text;
      char* end = nullptr;
      const unsigned long w = strtoul(hex.c_str(), &end, 16);
      if (hex.size() != 4 || *end || w > kL8WordMask) return fields[i].column;
      unit->words.push_back(static_cast<uint16_t>(w));
    }
  } else if (key != "chip" && key != "source") {
    return fields[0].column;
  }
  return 0;
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
  if (arg == kTcStdin) return standard_input(arg, asm_cpp, input);
  std::string path = arg;
  if (!path_exists(path.c_str()) && !*path_extension(path.c_str())) {
    std::string library = find_library(path);
    if (!library.empty()) path = library;
  }
  // The C library and the maths library are part of every link: "-lc" and
  // "-lm" that name no file of their own ask for nothing more.
  if (!path_exists(path.c_str()) && (arg == "c" || arg == "m")) return false;
  if (!path_exists(path.c_str())) return report<kMsgInputMissing>(arg);
  if (path_is_dir(path.c_str())) return report<kMsgUnusableInput>(arg);
  const uint64_t flags = fileid(path.c_str()) & ~kFileIdMissing;
  const char* ext = path_extension(path.c_str());
  input->path = path;
  if (fileid_is_c(flags)) {
    input->kind = l8_kind::c;
  } else if (flags == FID_I || flags == FID_PRE) {
    input->kind = l8_kind::c_pre;
  } else if (fileid_is_asm_fid(flags)) {
    bool cpp = asm_cpp || (flags & FID_ASM_PREPROCESSED) == FID_ASM_PREPROCESSED;
    input->kind = cpp ? l8_kind::asm_cpp : l8_kind::asm_plain;
  } else if (flags == FID_P1 || flags == FID_O_P1 || flags == FID_P1_CONTENT) {
    input->kind = l8_kind::p1;
  } else if (flags == FID_OBJ) {
    input->kind = l8_kind::object;
  } else if (kind_by_contents(path, &input->kind)) {
    return true;
  } else if (strcmp(ext, ".p1") == 0) {
    return report<kMsgBadP1File>(path);
  } else if (strcmp(ext, ".o") == 0 || strcmp(ext, ".obj") == 0) {
    return report<kMsgBadObjectFile>(path);
  } else if (strcmp(ext, ".a") == 0 || strcmp(ext, ".lib") == 0 || strcmp(ext, ".lpp") == 0) {
    return report<kMsgBadLibrary>(path);
  } else {
    return report<kMsgUnusableInput>(path);
  }
  return true;
}

std::string l8_marked_source(const std::string& text, const std::string& name) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  std::string file;
  while (std::getline(in, line))
    if (tc_pre_marker(line, &number, &file) && !file.empty()) return file;
  return name;
}

bool l8_compile_c(const std::string& name, const std::string& text, l8_unit* unit) {
  const uint32_t errors = tc_diag_errors();
  *unit = {l8_marked_source(text, name), {}, {}};
  CChecks checks(name);
  std::istringstream in(text);
  std::string line;
  int depth = 0;
  while (std::getline(in, line)) {
    if (!checks.place(line)) continue;
    std::string t = trimmed(line);
    if (t.empty() || t[0] == '#') continue;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    checks.scan(line);
    function_names(t, depth, &unit->symbols);
    for (char c : t) depth += c == '{' ? 1 : c == '}' ? -1 : 0;
    if (depth < 0) depth = 0;
    unit->words.push_back(word_of(t));
  }
  checks.finish();
  return tc_diag_errors() == errors;
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
  if (!in || !std::getline(in, line)) return report<kMsgBadP1File>(path);
  *unit = {path, {}, {}};
  bool ended = false;
  for (int number = 2; std::getline(in, line); ++number) {
    if (const int column = p1_line_fault(line, &ended, unit)) {
      tc_diag_at(path.c_str(), number, column);
      return report<kMsgBadP1File>(path);
    }
  }
  return ended ? true : report<kMsgBadP1File>(path);
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
  if (!f || !fileid_is_obj_fp(f.get())) return report<kMsgBadObjectFile>(path);
  rewind(f.get());
  *unit = {path, {}, {}};
  obj_record_header header{};
  while (obj_read_record_header(f.get(), &header)) {
    std::string data(header.length, '\0');
    if (header.length && fread(data.data(), 1, header.length, f.get()) != header.length)
      return report<kMsgBadObjectFile>(path);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    if (header.type == static_cast<uint8_t>(obj_rectype::END)) return true;
    if (header.type == static_cast<uint8_t>(obj_rectype::SYM) && data.size() > 4)
      unit->symbols.emplace_back(data.c_str() + 4);
    if (header.type == static_cast<uint8_t>(obj_rectype::TEXT)) {
      // Code placed anywhere but right after what came before is not ours.
      if (data.size() < 4 || data.size() % 2 || obj_get_u32(bytes) != unit->words.size() * 2)
        return report<kMsgBadObjectFile>(path);
      for (size_t i = 4; i < data.size(); i += 2) unit->words.push_back(obj_get_u16(bytes + i) & kL8WordMask);
    }
  }
  return report<kMsgBadObjectFile>(path);
}
