// zir-as: the assembler for ZIR devices. Reads one source (with the files
// it includes through "#include"), checks every line, and writes an object
// file in the tool chain's record format.
//
//   zir-as [-v...] -mcpu=<device> [-mrom=<ranges>] [-I<dir>] [-c] [-o<file>] source
//
// A line is "[label:] [operation [operands]] [; comment]" or
// "name EQU expression". Operations are the instructions of the ZIR core
// (see kInstructions) and the directives PSECT, ORG, DB, DW, DS, GLOBAL,
// EQU and END. Exit status 0 when the source assembled and the object file
// was written, 1 otherwise (no object file is left behind then).
#include <strings.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_devices.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre.h"
#include "toolchain/tools/arlib.h"
#include "toolchain/tools/zas_object.h"

namespace {

constexpr const char* kProgram = "zir-as";
constexpr const char* kVersion = "2.50";
constexpr int kMaxIncludeDepth = 16;
constexpr size_t kMaxNameLength = 255;
constexpr int kMaxNesting = 64;  // parentheses and unary operators in one expression

// ---- Source lines ----

struct Line {
  const char* file;  // interned
  int number;
  std::string text;
};

struct Options {
  int verbose = 0;
  const char* device = nullptr;
  const char* output = nullptr;
  const char* source = nullptr;
  std::vector<const char*> include_dirs;
};

const char* install_include_dir() {
  // zir-as/bin/zir-as: the installation is two levels up.
  char* exe = osd_progname();
  if (!exe) return nullptr;
  char* bin = path_dirname(exe);
  char* tool = bin ? path_dirname(bin) : nullptr;
  char* root = tool ? path_dirname(tool) : nullptr;
  const char* dir = root ? sc_pathJoin(sc_pathJoin(root, "zir"), "include") : nullptr;
  free(root);
  free(tool);
  free(bin);
  free(exe);
  return dir;
}

const char* device_file() {
  const char* include = install_include_dir();
  if (!include) return nullptr;
  char* zir = path_dirname(include);
  const char* path = sc_pathJoin(sc_pathJoin(zir, "dat"), "zirchips.txt");
  free(zir);
  return path;
}

class SourceReader {
 public:
  explicit SourceReader(const Options& options) : options_(options) {}

  // Appends the lines of path and of everything it includes.
  bool read(const char* path, int depth, std::vector<Line>* out) {
    FILE* f = fopen(path, "r");
    if (!f) {
      tc_raise(kMsgAsCannotOpen, path);
      return false;
    }
    const char* file = sc_intern(path);
    bool ok = true;
    int number = 0;
    std::string text;
    while (sc_readLine(f, text)) {
      ++number;
      const char* p = text.c_str();
      while (*p == ' ' || *p == '\t') ++p;
      if (*p != '#') {
        out->push_back({file, number, text});
        continue;
      }
      tc_diag_at(file, number);
      ok = directive(file, p + 1, depth, out) && ok;
    }
    fclose(f);
    return ok;
  }

 private:
  bool directive(const char* file, const char* p, int depth, std::vector<Line>* out) {
    while (*p == ' ' || *p == '\t') ++p;
    if (strncmp(p, "include", 7) != 0) {
      // Only the directive's word is shown, made printable.
      std::string word;
      for (; *p && !isspace(static_cast<unsigned char>(*p)) && word.size() < 32; ++p)
        word += isprint(static_cast<unsigned char>(*p)) ? *p : '?';
      tc_raise(kMsgAsUnsupportedDirective, word.c_str());
      return false;
    }
    p += 7;
    while (*p == ' ' || *p == '\t') ++p;
    char close = *p == '<' ? '>' : *p == '"' ? '"' : 0;
    const char* end = close ? strchr(p + 1, close) : nullptr;
    if (!end || end == p + 1) {
      tc_raise(kMsgAsIncludeSyntax);
      return false;
    }
    std::string name(p + 1, end);
    const char* found = locate(file, name.c_str(), close == '"');
    if (!found) {
      tc_raise(kMsgAsIncludeNotFound, name.c_str());
      return false;
    }
    if (depth + 1 > kMaxIncludeDepth) {
      tc_raise(kMsgAsIncludeDepth, kMaxIncludeDepth);
      return false;
    }
    return read(found, depth + 1, out);
  }

  // The search of the compilers' preprocessor: beside the including file,
  // then -I, then the installation's headers.
  const char* locate(const char* from, const char* name, bool quoted) {
    tc_pre_config search;
    search.here = ".";
    for (const char* d : options_.include_dirs) search.user_dirs.push_back(d);
    if (const char* inst = install_include_dir()) search.system_dirs.push_back(inst);
    bool system = false;
    std::string found = tc_pre_find_include(search, name, quoted, from, &system);
    return found.empty() ? nullptr : sc_intern(found.c_str());
  }

  const Options& options_;
};

// ---- Lexing ----

bool is_name_start(int c) { return isalpha(c) || c == '_' || c == '.' || c == '?' || c == '@'; }
bool is_name_char(int c) { return isalnum(c) || c == '_' || c == '.' || c == '?' || c == '@' || c == '$'; }

struct Cursor {
  const char* p;
  void skip() {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
  }
  bool at_end() {
    skip();
    return *p == '\0' || *p == ';';
  }
  bool take(char c) {
    skip();
    if (*p != c) return false;
    ++p;
    return true;
  }
  std::string name() {
    skip();
    const char* start = p;
    if (!is_name_start(static_cast<unsigned char>(*p))) return {};
    while (is_name_char(static_cast<unsigned char>(*p))) ++p;
    return std::string(start, p);
  }
};

// ---- Assembly ----

struct Symbol {
  long value = 0;
  uint8_t kind = kObjSymLabel;
  std::string psect;
  bool global = false;
  int defined_in_pass = 0;
};

struct Psect {
  std::string name;
  long location = 0;
  std::map<long, unsigned char> bytes;  // address -> byte
  long size = 0;
};

enum class Form { none, literal, file, file_dest, bit, branch };

struct Instruction {
  const char* name;
  Form form;
  uint16_t opcode;
};

constexpr Instruction kInstructions[] = {
    {"nop", Form::none, 0x0000},      {"ret", Form::none, 0x0008},      {"reti", Form::none, 0x0009},
    {"sleep", Form::none, 0x0063},    {"clrwdt", Form::none, 0x0064},   {"clrw", Form::none, 0x0100},
    {"movlw", Form::literal, 0x3000}, {"retlw", Form::literal, 0x3400}, {"iorlw", Form::literal, 0x3800},
    {"andlw", Form::literal, 0x3900}, {"xorlw", Form::literal, 0x3A00}, {"sublw", Form::literal, 0x3C00},
    {"addlw", Form::literal, 0x3E00}, {"movwf", Form::file, 0x0080},    {"clrf", Form::file, 0x0180},
    {"subwf", Form::file_dest, 0x0200}, {"decf", Form::file_dest, 0x0300}, {"iorwf", Form::file_dest, 0x0400},
    {"andwf", Form::file_dest, 0x0500}, {"xorwf", Form::file_dest, 0x0600}, {"addwf", Form::file_dest, 0x0700},
    {"movf", Form::file_dest, 0x0800},  {"comf", Form::file_dest, 0x0900},  {"incf", Form::file_dest, 0x0A00},
    {"rrf", Form::file_dest, 0x0C00},   {"rlf", Form::file_dest, 0x0D00},   {"swapf", Form::file_dest, 0x0E00},
    {"bcf", Form::bit, 0x1000},       {"bsf", Form::bit, 0x1400},       {"btfsc", Form::bit, 0x1800},
    {"btfss", Form::bit, 0x1C00},     {"call", Form::branch, 0x2000},   {"goto", Form::branch, 0x2800},
};

const Instruction* find_instruction(const std::string& name) {
  for (const Instruction& i : kInstructions)
    if (strcasecmp(i.name, name.c_str()) == 0) return &i;
  return nullptr;
}

class Assembler {
 public:
  bool run(const std::vector<Line>& lines) {
    for (pass_ = 1; pass_ <= 2; ++pass_) {
      psects_.clear();
      psects_.push_back({"text", 0, {}, 0});
      current_ = 0;
      ended_ = false;
      start_.clear();
      for (const Line& line : lines) {
        if (ended_) break;
        line_ = &line;
        if (pass_ == 2) tc_diag_at(line.file, line.number);
        statement(line.text.c_str());
      }
    }
    if (!ended_) {
      tc_diag_at(lines.empty() ? nullptr : lines.back().file, lines.empty() ? 0 : lines.back().number);
      tc_raise(kMsgAsNoEnd);
    }
    return errors_ == 0;
  }

  zas_object object(const char* device) const {
    zas_object obj;
    obj.ident = std::string(kProgram) + " " + kVersion + " " + device;
    for (const Psect& ps : psects_) {
      if (ps.bytes.empty() && ps.size == 0 && ps.name == "text" && psects_.size() > 1) continue;
      zas_psect out{ps.name, static_cast<uint32_t>(ps.size), {}};
      for (const auto& [address, byte] : ps.bytes) {
        if (out.runs.empty() || out.runs.back().address + out.runs.back().bytes.size() != static_cast<size_t>(address))
          out.runs.push_back({static_cast<uint32_t>(address), {}});
        out.runs.back().bytes.push_back(byte);
      }
      obj.psects.push_back(std::move(out));
    }
    for (const auto& [name, sym] : symbols_)
      if (sym.defined_in_pass)
        obj.symbols.push_back({name, static_cast<uint32_t>(sym.value),
                             static_cast<uint8_t>(sym.kind | (sym.global ? kObjSymGlobal : 0)), sym.psect});
    if (!start_.empty()) {
      obj.has_start = true;
      obj.start = static_cast<uint32_t>(symbols_.at(start_).value);
    }
    return obj;
  }

  std::vector<std::string> psect_summary() const {
    std::vector<std::string> out;
    for (const Psect& ps : psects_)
      if (ps.size || ps.name != "text") out.push_back(ps.name + ": " + std::to_string(ps.size) + " bytes");
    return out;
  }

 private:
  // Errors are found and reported in the second pass only, where every
  // label is known; the first pass only measures.
  void error(uint32_t number, ...) {
    if (pass_ != 2) return;
    ++errors_;
    va_list args;
    va_start(args, number);
    tc_vraise(number, args);
    va_end(args);
  }

  void statement(const char* text) {
    Cursor c{text};
    if (c.at_end()) return;
    std::string first = c.name();
    if (first.empty()) return error(kMsgAsSyntax, "a label or an operation expected");
    if (first.size() > kMaxNameLength) return error(kMsgAsNameTooLong, static_cast<unsigned>(kMaxNameLength));
    if (c.take(':')) {
      define(first, psects_[current_].location, kObjSymLabel);
      if (c.at_end()) return;
      first = c.name();
      if (first.empty()) return error(kMsgAsSyntax, "an operation expected after the label");
    }
    // "name EQU value": the operation is the second word.
    Cursor look = c;
    std::string second = look.name();
    if (!second.empty() && strcasecmp(second.c_str(), "equ") == 0) {
      c = look;
      long value = 0;
      if (!expression_for_size(c, &value)) return;
      if (!c.at_end()) return error(kMsgAsSyntax, "unexpected text after the expression");
      define(first, value, kObjSymConstant);
      return;
    }
    operation(first, c);
  }

  void define(const std::string& name, long value, uint8_t kind) {
    if (name.size() > kMaxNameLength) return error(kMsgAsNameTooLong, static_cast<unsigned>(kMaxNameLength));
    Symbol& sym = symbols_[name];
    if (sym.defined_in_pass == pass_) return error(kMsgAsSymbolRedefined, name.c_str());
    sym.defined_in_pass = pass_;
    sym.value = value;
    sym.kind = kind;
    sym.psect = kind == kObjSymLabel ? psects_[current_].name : "";
  }

  void operation(const std::string& op, Cursor& c) {
    if (const Instruction* ins = find_instruction(op)) return instruction(*ins, c);
    const char* d = op.c_str();
    if (strcasecmp(d, "equ") == 0) return error(kMsgAsNameMissing, "EQU");
    if (strcasecmp(d, "end") == 0) return end(c);
    if (strcasecmp(d, "psect") == 0) return psect(c);
    if (strcasecmp(d, "org") == 0) return org(c);
    if (strcasecmp(d, "db") == 0) return data(c, 1);
    if (strcasecmp(d, "dw") == 0) return data(c, 2);
    if (strcasecmp(d, "ds") == 0) return reserve(c);
    if (strcasecmp(d, "global") == 0) return global(c);
    error(kMsgAsUnknownInstruction, d);
  }

  // ---- expressions ----

  // Values of symbols not yet defined count as 0 in the first pass, where
  // `undefined_` records that one was used.
  bool primary(Cursor& c, long* v) {
    // Nesting is bounded so that no source can exhaust the stack.
    struct Depth {
      int& d;
      explicit Depth(int& depth) : d(++depth) {}
      ~Depth() { --d; }
    } depth(depth_);
    if (depth_ > kMaxNesting) return error(kMsgAsBadExpression, "expression nested too deeply"), false;
    c.skip();
    if (c.take('(')) {
      if (!expr(c, v)) return false;
      if (!c.take(')')) return error(kMsgAsBadExpression, "\")\" expected"), false;
      return true;
    }
    if (c.take('-')) {
      if (!primary(c, v)) return false;
      *v = wrap(0ul - static_cast<unsigned long>(*v));
      return true;
    }
    if (c.take('~')) {
      if (!primary(c, v)) return false;
      *v = ~*v;
      return true;
    }
    if (*c.p == '\'') {
      if (!c.p[1] || c.p[2] != '\'') return error(kMsgAsBadCharacter), false;
      *v = static_cast<unsigned char>(c.p[1]);
      c.p += 3;
      return true;
    }
    if (*c.p == '$' && !is_name_char(static_cast<unsigned char>(c.p[1]))) {
      ++c.p;
      *v = psects_[current_].location;
      return true;
    }
    if (isdigit(static_cast<unsigned char>(*c.p))) return number(c, v);
    std::string name = c.name();
    if (name.empty()) return error(kMsgAsBadExpression, "a value expected"), false;
    auto it = symbols_.find(name);
    if (it == symbols_.end() || it->second.defined_in_pass == 0) {
      if (pass_ == 1) {
        undefined_ = true;
        *v = 0;
        return true;
      }
      return error(kMsgAsUndefinedSymbol, name.c_str()), false;
    }
    *v = it->second.value;
    return true;
  }

  // Arithmetic wraps at the width of long, as the target's assembler
  // arithmetic would, instead of overflowing.
  static long wrap(unsigned long v) { return static_cast<long>(v); }

  bool number(Cursor& c, long* v) {
    int base = 10;
    const char* p = c.p;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) base = 16, p += 2;
    else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) base = 2, p += 2;
    char* end = nullptr;
    unsigned long value = strtoul(p, &end, base);
    if (end == p || is_name_char(static_cast<unsigned char>(*end)) || value > 0xFFFFFFFFul)
      return error(kMsgAsBadExpression, "malformed number"), false;
    *v = static_cast<long>(value);
    c.p = end;
    return true;
  }

  bool term(Cursor& c, long* v) {
    if (!primary(c, v)) return false;
    for (;;) {
      c.skip();
      char op = *c.p;
      if (op != '*' && op != '/') return true;
      ++c.p;
      long rhs = 0;
      if (!primary(c, &rhs)) return false;
      if (op == '/' && rhs == 0) {
        if (pass_ == 1) return *v = 0, true;
        return error(kMsgAsDivisionByZero), false;
      }
      *v = op == '*' ? wrap(static_cast<unsigned long>(*v) * static_cast<unsigned long>(rhs))
                     : (rhs == -1 ? wrap(0ul - static_cast<unsigned long>(*v)) : *v / rhs);
    }
  }

  bool expr(Cursor& c, long* v) {
    if (!term(c, v)) return false;
    for (;;) {
      c.skip();
      char op = *c.p;
      if (op != '+' && op != '-' && op != '&' && op != '|') return true;
      ++c.p;
      long rhs = 0;
      if (!term(c, &rhs)) return false;
      const auto a = static_cast<unsigned long>(*v), b = static_cast<unsigned long>(rhs);
      *v = op == '+' ? wrap(a + b) : op == '-' ? wrap(a - b) : op == '&' ? (*v & rhs) : (*v | rhs);
    }
  }

  // An expression whose value must be known in the first pass already
  // (it decides sizes or addresses): no forward references.
  bool expression_for_size(Cursor& c, long* v) {
    undefined_ = false;
    if (!expr(c, v)) return false;
    if (pass_ == 1 && undefined_) forward_.insert(line_);
    if (pass_ == 2 && forward_.count(line_))
      return error(kMsgAsForwardReference), false;
    return true;
  }

  bool operands(Cursor& c, long* values, int count, const char* op) {
    for (int i = 0; i < count; ++i) {
      if (i && !c.take(',')) return error(kMsgAsWrongOperands, sc_printf("\"%s\" takes %d operand%s", op, count, count == 1 ? "" : "s")), false;
      if (c.at_end()) return error(kMsgAsWrongOperands, sc_printf("\"%s\" takes %d operand%s", op, count, count == 1 ? "" : "s")), false;
      if (!expr(c, &values[i])) return false;
    }
    if (!c.at_end()) return error(kMsgAsWrongOperands, sc_printf("\"%s\" takes %d operand%s", op, count, count == 1 ? "" : "s")), false;
    return true;
  }

  void emit(long value, int size) {
    Psect& ps = psects_[current_];
    for (int i = 0; i < size; ++i) {
      if (pass_ == 2) ps.bytes[ps.location] = static_cast<unsigned char>(value >> (8 * i));
      ++ps.location;
    }
    if (ps.location > ps.size) ps.size = ps.location;
  }

  void instruction(const Instruction& ins, Cursor& c) {
    long v[2] = {0, 1};
    uint16_t word = ins.opcode;
    // An operand error has been reported; the word still takes its place so
    // that the addresses after it stay right for the remaining checks.
    switch (ins.form) {
      case Form::none:
        operands(c, v, 0, ins.name);
        break;
      case Form::literal:
        if (operands(c, v, 1, ins.name)) in_range(v[0], -128, 255, "literal");
        word |= static_cast<uint16_t>(v[0] & 0xFF);
        break;
      case Form::file:
        if (operands(c, v, 1, ins.name)) in_range(v[0], 0, 0xFFFF, "register address");
        word |= static_cast<uint16_t>(v[0] & 0x7F);
        break;
      case Form::file_dest:
        if (expr_list_optional(c, v, ins.name) && in_range(v[0], 0, 0xFFFF, "register address"))
          in_range(v[1], 0, 1, "destination");
        word |= static_cast<uint16_t>(((v[1] & 1) << 7) | (v[0] & 0x7F));
        break;
      case Form::bit:
        if (operands(c, v, 2, ins.name) && in_range(v[0], 0, 0xFFFF, "register address"))
          in_range(v[1], 0, 7, "bit number");
        word |= static_cast<uint16_t>(((v[1] & 7) << 7) | (v[0] & 0x7F));
        break;
      case Form::branch:
        if (operands(c, v, 1, ins.name)) in_range(v[0], 0, 0xFFF, "branch target");
        word |= static_cast<uint16_t>((v[0] >> 1) & 0x7FF);
        break;
    }
    emit(word, 2);
  }

  // "f" or "f,d"; the destination defaults to the register.
  bool expr_list_optional(Cursor& c, long* v, const char* op) {
    if (c.at_end()) return error(kMsgAsWrongOperands, sc_printf("\"%s\" takes a register and a destination", op)), false;
    if (!expr(c, &v[0])) return false;
    if (c.take(',') && !expr(c, &v[1])) return false;
    if (!c.at_end()) return error(kMsgAsWrongOperands, sc_printf("\"%s\" takes a register and a destination", op)), false;
    return true;
  }

  bool in_range(long value, long low, long high, const char* what) {
    if (value >= low && value <= high) return true;
    error(kMsgAsOutOfRange, what, value, low, high);
    return false;
  }

  void end(Cursor& c) {
    ended_ = true;
    if (c.at_end()) return;
    std::string name = c.name();
    if (name.empty() || !c.at_end()) return error(kMsgAsSyntax, "END takes at most a start label");
    auto it = symbols_.find(name);
    if (pass_ == 2 && (it == symbols_.end() || it->second.kind != kObjSymLabel))
      return error(kMsgAsNoStartLabel, name.c_str());
    if (pass_ == 2) start_ = name;
  }

  void psect(Cursor& c) {
    std::string name = c.name();
    if (name.empty()) return error(kMsgAsSyntax, "PSECT needs a name");
    // Flags after the name ("psect code,class=CODE") belong to the linker.
    if (!c.at_end() && !c.take(',')) return error(kMsgAsSyntax, "unexpected text after the psect name");
    for (size_t i = 0; i < psects_.size(); ++i)
      if (psects_[i].name == name) {
        current_ = i;
        return;
      }
    psects_.push_back({name, 0, {}, 0});
    current_ = psects_.size() - 1;
  }

  void org(Cursor& c) {
    long value = 0;
    if (c.at_end()) return error(kMsgAsWrongOperands, "ORG needs an address");
    if (!expression_for_size(c, &value)) return;
    if (!c.at_end()) return error(kMsgAsSyntax, "unexpected text after the address");
    if (!in_range(value, 0, 0xFFFFFF, "address")) return;
    psects_[current_].location = value;
  }

  void reserve(Cursor& c) {
    long count = 0;
    if (c.at_end()) return error(kMsgAsWrongOperands, "DS needs a size");
    if (!expression_for_size(c, &count)) return;
    if (!c.at_end()) return error(kMsgAsSyntax, "unexpected text after the size");
    if (!in_range(count, 0, 0xFFFF, "size")) return;
    Psect& ps = psects_[current_];
    ps.location += count;
    if (ps.location > ps.size) ps.size = ps.location;
  }

  void data(Cursor& c, int size) {
    if (c.at_end()) return error(kMsgAsWrongOperands, sc_printf("%s needs at least one value", size == 1 ? "DB" : "DW"));
    do {
      c.skip();
      if (*c.p == '"') {
        const char* close = strchr(c.p + 1, '"');
        if (!close) return error(kMsgAsUnterminatedString);
        for (const char* q = c.p + 1; q < close; ++q) emit(static_cast<unsigned char>(*q), size);
        c.p = close + 1;
        continue;
      }
      long v = 0;
      if (!expr(c, &v)) return;
      if (!in_range(v, size == 1 ? -128 : -32768, size == 1 ? 255 : 65535, "value")) return;
      emit(v, size);
    } while (c.take(','));
    if (!c.at_end()) return error(kMsgAsSyntax, "\",\" or the end of the line expected");
  }

  void global(Cursor& c) {
    do {
      std::string name = c.name();
      if (name.empty()) return error(kMsgAsSyntax, "GLOBAL needs symbol names");
      symbols_[name].global = true;
    } while (c.take(','));
    if (!c.at_end()) return error(kMsgAsSyntax, "unexpected text after the names");
  }

  int pass_ = 1;
  const Line* line_ = nullptr;
  std::vector<Psect> psects_;
  size_t current_ = 0;
  std::map<std::string, Symbol> symbols_;
  std::set<const Line*> forward_;  // lines whose size expression used a later symbol
  std::string start_;
  bool ended_ = false;
  bool undefined_ = false;
  int errors_ = 0;
  int depth_ = 0;
};

// ---- Options ----

bool valid_rom(const char* value) {
  // "default" and ranges "lo-hi" (decimal or 0x hex), comma-separated; a
  // leading "-" excludes a range.
  if (!*value) return false;
  vector* pieces = sc_split(value, ",");
  bool valid = true;
  for (uint32_t i = 0; valid && i < vec_size(pieces); ++i) {
    const char* piece = vec_get_as<const char*>(pieces, i);
    if (strcmp(piece, "default") == 0) continue;
    const char* p = piece[0] == '-' ? piece + 1 : piece;
    const char* dash = strchr(p, '-');
    valid = dash && dash != p && dash[1];
    for (const char* q = p; valid && *q; ++q)
      valid = isxdigit(static_cast<unsigned char>(*q)) || *q == '-' || *q == 'x' || *q == 'X';
  }
  vec_free(pieces);
  return valid;
}

// False after a message.
bool parse_options(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (strcmp(a, "-v") == 0) {
      ++o->verbose;
    } else if (strcmp(a, "-c") == 0) {
      // Assembling always stops at the object file.
    } else if (strncmp(a, "-mcpu=", 6) == 0) {
      o->device = a + 6;
    } else if (strncmp(a, "-mrom=", 6) == 0) {
      if (!valid_rom(a + 6)) return tc_raise(kMsgAsBadRomRanges, kProgram, a + 6), false;
    } else if (strncmp(a, "-o", 2) == 0) {
      o->output = a[2] ? a + 2 : (i + 1 < argc ? argv[++i] : nullptr);
      if (!o->output) return tc_raise(kMsgAsNoOutputName, kProgram), false;
    } else if (strncmp(a, "-I", 2) == 0) {
      const char* dir = a[2] ? a + 2 : (i + 1 < argc ? argv[++i] : nullptr);
      if (!dir) return tc_raise(kMsgAsNoIncludeDir, kProgram), false;
      o->include_dirs.push_back(dir);
    } else if (a[0] == '-' && a[1]) {
      return tc_raise(kMsgAsUnknownOption, kProgram, a), false;
    } else if (o->source) {
      return tc_raise(kMsgAsTwoSources, kProgram, a), false;
    } else {
      o->source = a;
    }
  }
  if (!o->source) return tc_raise(kMsgAsNoSource, kProgram), false;
  if (!o->device || !*o->device) return tc_raise(kMsgAsNoDevice, kProgram), false;
  return true;
}

bool check_device(const char* device) {
  const char* path = device_file();
  uint32_t bad_line = 0;
  vector* devices = path ? tc_devices_read(path, &bad_line) : nullptr;
  if (!devices) {
    tc_raise(kMsgAsNoDeviceFile, kProgram, path ? path : "zirchips.txt");
    return false;
  }
  const bool known = tc_device_find(devices, device) != nullptr;
  tc_devices_free(devices);
  if (!known) tc_raise(kMsgAsUnknownDevice, kProgram, device);
  return known;
}

const char* default_output(const char* source) { return sc_concat(sc_stripExt(sc_basename(source)), ".o"); }

}  // namespace

int main(int argc, char** argv) {
  tc_diag_init();
  if (argc == 2 && strcmp(argv[1], "--help") == 0) {
    printf("Usage: %s [-v] -mcpu=<device> [-mrom=<ranges>] [-I<dir>] [-c] [-o<file>] source\n"
           "Assembles a ZIR assembler source into an object file.\n",
           kProgram);
    return 0;
  }
  Options options;
  if (!parse_options(argc, argv, &options)) return 1;
  if (options.verbose) printf("%s %s: ZIR assembler\n", kProgram, kVersion);
  if (!check_device(options.device)) return 1;
  std::vector<Line> lines;
  SourceReader reader(options);
  if (!reader.read(options.source, 0, &lines)) return 1;
  Assembler as;
  if (!as.run(lines)) return 1;
  const char* output = options.output ? options.output : default_output(options.source);
  tc_diag_at(nullptr, 0);
  std::string device = sc_upper(options.device);
  std::vector<unsigned char> bytes = zas_object_bytes(as.object(device.c_str()));
  if (ar_result r = ar_write_file(output, bytes.data(), bytes.size()); !r) {
    tc_raise(kMsgAsCannotWrite, kProgram, output, r.detail.c_str());
    return 1;
  }
  if (options.verbose > 1) {
    for (const std::string& s : as.psect_summary()) printf("  psect %s\n", s.c_str());
    printf("  wrote %s (%zu bytes)\n", output, bytes.size());
  }
  return 0;
}
