// The assembler side of code generation: TEV mnemonics and directives into
// an object, and an object back into assembler source.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "common/msgnum.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre.h"
#include "toolchain/tev-gcc/tev_code.h"

namespace {

// The TEV instruction set: mnemonic and length in words.
struct Mnemonic {
  const char* name;
  int words;
};
// clang-format off
constexpr Mnemonic kMnemonics[] = {
    {"nop", 1},  {"mov", 1},  {"ldi", 1},  {"ld", 1},    {"st", 1},    {"lds", 2},  {"sts", 2},
    {"push", 1}, {"pop", 1},  {"add", 1},  {"adc", 1},   {"sub", 1},   {"sbc", 1},  {"and", 1},
    {"or", 1},   {"xor", 1},  {"com", 1},  {"neg", 1},   {"inc", 1},   {"dec", 1},  {"cp", 1},
    {"cpi", 1},  {"tst", 1},  {"lsl", 1},  {"lsr", 1},   {"rol", 1},   {"ror", 1},  {"jmp", 2},
    {"rjmp", 1}, {"call", 2}, {"rcall", 1}, {"ret", 1},  {"reti", 1},  {"breq", 1}, {"brne", 1},
    {"brlo", 1}, {"brsh", 1}, {"brlt", 1}, {"brge", 1},  {"sei", 1},   {"cli", 1},  {"sleep", 1},
    {"wdr", 1},  {"in", 1},   {"out", 1},  {"sbi", 1},   {"cbi", 1},   {"lpm", 1},
};
// clang-format on

const Mnemonic* find_mnemonic(const std::string& name) {
  for (const Mnemonic& m : kMnemonics)
    if (name == m.name) return &m;
  return nullptr;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool is_symbol(const std::string& s) {
  if (s.empty() || !(isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_' || s[0] == '.')) return false;
  for (char c : s)
    if (!(isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$')) return false;
  return true;
}

bool parse_number(const std::string& s, long& v) {
  std::string t = trim(s);
  if (t.empty()) return false;
  char* end = nullptr;
  v = strtol(t.c_str(), &end, 0);
  return *end == '\0';
}

std::vector<std::string> split_operands(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  char quote = 0;
  for (char c : s) {
    if (quote) {
      cur += c;
      if (c == quote) quote = 0;
    } else if (c == '"') {
      quote = c;
      cur += c;
    } else if (c == ',') {
      out.push_back(trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!trim(cur).empty() || !out.empty()) out.push_back(trim(cur));
  return out;
}

// The contents of a "..." operand with its escapes.
bool string_operand(const std::string& s, std::string& out) {
  std::string t = trim(s);
  if (t.size() < 2 || t.front() != '"' || t.back() != '"') return false;
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    if (t[i] == '\\' && i + 2 < t.size()) {
      char e = t[++i];
      out += e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e;
    } else {
      out += t[i];
    }
  }
  return true;
}

class Assembler {
 public:
  Assembler(const std::string& file, tev_object& object) : file_(sc_intern(file.c_str())), object_(object) {}

  bool run(const std::string& text) {
    uint32_t before = tc_diag_errors();
    size_t pos = 0;
    while (pos < text.size()) {
      size_t nl = text.find('\n', pos);
      if (nl == std::string::npos) nl = text.size();
      line(text.substr(pos, nl - pos));
      pos = nl + 1;
      ++line_;
    }
    for (auto& [name, symbol] : labels_) {
      symbol.global = globals_.count(name) != 0;
      if (auto given = sizes_.find(name); given != sizes_.end()) symbol.size = given->second;
      object_.symbols.push_back(symbol);
    }
    if (object_.text.size() % 2) object_.text.push_back(0);
    tc_diag_at(nullptr, 0);
    return tc_diag_errors() == before;
  }

 private:
  const char* file_;  // interned; the source the line markers name
  tev_object& object_;
  int line_ = 1;
  std::string raw_;       // the line being read, as written
  size_t statement_ = 0;  // where in raw_ the part being read starts
  uint16_t section_ = TEV_SEC_TEXT;
  std::map<std::string, tev_symbol> labels_;
  std::set<std::string> globals_;
  std::map<std::string, uint32_t> sizes_;

  std::vector<uint8_t>& out() { return section_ == TEV_SEC_TEXT ? object_.text : object_.data; }

  // `a` is the offending text: the message points at it.
  void error(uint32_t number, const std::string& a, const std::string& b = "") {
    size_t at = a.empty() ? std::string::npos : raw_.find(a, statement_);
    tc_diag_at(file_, line_, static_cast<int>((at == std::string::npos ? statement_ : at) + 1));
    tc_raise(number, a.c_str(), b.c_str());
  }

  // Moves on to piece, the next part of the line to be read.
  void seek(const std::string& piece) {
    size_t at = raw_.find(piece, statement_);
    if (at != std::string::npos) statement_ = at;
  }

  static std::string strip_comment(const std::string& s) {
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
      if (quote) {
        if (s[i] == '\\') ++i;
        else if (s[i] == quote) quote = 0;
      } else if (s[i] == '"') {
        quote = '"';
      } else if (s[i] == ';') {
        return s.substr(0, i);
      }
    }
    return s;
  }

  void line(const std::string& raw) {
    raw_ = raw;
    statement_ = 0;
    std::string text = trim(raw);
    if (!text.empty() && text[0] == '#') {
      marker(text);
      return;
    }
    text = trim(strip_comment(text));
    for (size_t colon; (colon = text.find(':')) != std::string::npos && is_symbol(trim(text.substr(0, colon)));) {
      const std::string name = trim(text.substr(0, colon));
      seek(name);
      label(name);
      statement_ += name.size();
      text = trim(text.substr(colon + 1));
    }
    if (text.empty()) return;
    seek(text);
    size_t space = text.find_first_of(" \t");
    std::string word = text.substr(0, space);
    std::string rest = space == std::string::npos ? "" : trim(text.substr(space));
    if (word[0] == '.')
      directive(word, rest);
    else
      instruction(word, rest);
  }

  // A line marker of the preprocessor names the source and line of the
  // next line; any other "#" line is a comment.
  void marker(const std::string& text) {
    int number = 0;
    std::string file;
    if (!tc_pre_marker(text, &number, &file)) return;
    line_ = number - 1;
    if (!file.empty()) file_ = sc_intern(file.c_str());
  }

  void label(const std::string& name) {
    if (labels_.count(name)) {
      error(kMsgMultipleDefinition, name);
      return;
    }
    labels_[name] = {name, static_cast<uint32_t>(out().size()), 0, false, section_ == TEV_SEC_TEXT, section_};
  }

  void emit_values(const std::string& directive, const std::string& rest, int width) {
    for (const std::string& operand : split_operands(rest)) {
      long v = 0;
      if (!parse_number(operand, v)) {
        error(kMsgAsBadOperand, operand, directive);
        continue;
      }
      for (int i = 0; i < width; ++i) out().push_back(static_cast<uint8_t>((static_cast<unsigned long>(v) >> (8 * i)) & 0xff));
    }
  }

  void directive(const std::string& word, const std::string& rest) {
    if (word == ".text" || word == ".data") {
      section_ = word == ".text" ? TEV_SEC_TEXT : TEV_SEC_DATA;
    } else if (word == ".section") {
      std::string name = trim(rest.substr(0, rest.find(',')));
      if (name == ".text" || name == ".data")
        section_ = name == ".text" ? TEV_SEC_TEXT : TEV_SEC_DATA;
      else
        error(kMsgAsBadOperand, name, word);
    } else if (word == ".global" || word == ".globl") {
      for (const std::string& name : split_operands(rest)) {
        if (!is_symbol(name)) error(kMsgAsBadOperand, name, word);
        globals_.insert(name);
      }
    } else if (word == ".byte") {
      emit_values(word, rest, 1);
    } else if (word == ".word") {
      emit_values(word, rest, 2);
    } else if (word == ".long") {
      emit_values(word, rest, 4);
    } else if (word == ".ascii" || word == ".asciz" || word == ".string") {
      std::string s;
      if (!string_operand(rest, s)) {
        error(kMsgAsBadOperand, rest, word);
        return;
      }
      out().insert(out().end(), s.begin(), s.end());
      if (word != ".ascii") out().push_back(0);
    } else if (word == ".space" || word == ".align") {
      long n = 0;
      if (!parse_number(rest, n) || n < 0 || n > 0x10000) {
        error(kMsgAsBadOperand, rest, word);
        return;
      }
      if (word == ".space")
        out().resize(out().size() + static_cast<size_t>(n), 0);
      else if (n > 0)
        while (out().size() % static_cast<size_t>(n)) out().push_back(0);
    } else if (word == ".size") {
      size(word, rest);
    } else if (word == ".extern" || word == ".type" || word == ".file" || word == ".ident" ||
               word == ".equ" || word == ".set" || word == ".end") {
      // Accepted: nothing to record for them.
    } else {
      error(kMsgAsUnknownDirective, word);
    }
  }

  // ".size NAME, BYTES" for a label of this source.
  void size(const std::string& word, const std::string& rest) {
    std::vector<std::string> operands = split_operands(rest);
    long n = 0;
    if (operands.size() != 2 || !parse_number(operands[1], n) || n < 0) {
      error(kMsgAsBadOperand, rest, word);
      return;
    }
    sizes_[operands[0]] = static_cast<uint32_t>(n);
  }

  void instruction(const std::string& word, const std::string& rest) {
    std::string lower;
    for (char c : word) lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const Mnemonic* m = find_mnemonic(lower);
    if (!m) {
      error(kMsgAsUnknownDirective, word);
      return;
    }
    if (section_ != TEV_SEC_TEXT) {
      error(kMsgAsBadOperand, word, ".data");
      return;
    }
    uint16_t opcode = static_cast<uint16_t>((m - kMnemonics) << 10 | (tev_code_word(rest) & 0x3ff));
    out().push_back(static_cast<uint8_t>(opcode & 0xff));
    out().push_back(static_cast<uint8_t>(opcode >> 8));
    if (m->words == 2) {
      uint16_t operand = tev_code_word(lower + rest);
      out().push_back(static_cast<uint8_t>(operand & 0xff));
      out().push_back(static_cast<uint8_t>(operand >> 8));
    }
  }
};

void emit_bytes(std::string& out, const std::vector<uint8_t>& bytes, size_t from, size_t to) {
  constexpr size_t kPerLine = 8;
  for (size_t i = from; i < to; i += kPerLine) {
    out += "\t.byte ";
    for (size_t j = i; j < to && j < i + kPerLine; ++j) {
      char hex[8];
      snprintf(hex, sizeof hex, "%s0x%02x", j == i ? "" : ", ", bytes[j]);
      out += hex;
    }
    out += "\n";
  }
}

void section_to_asm(std::string& out, const tev_object& object, uint16_t section) {
  const std::vector<uint8_t>& bytes = section == TEV_SEC_TEXT ? object.text : object.data;
  out += section == TEV_SEC_TEXT ? "\t.text\n" : "\t.data\n";
  std::multimap<uint32_t, const tev_symbol*> at;
  for (const tev_symbol& s : object.symbols)
    if (s.section == section) at.insert({s.value, &s});
  size_t done = 0;
  for (const auto& [offset, symbol] : at) {
    emit_bytes(out, bytes, done, offset);
    done = offset;
    if (symbol->global) out += "\t.global " + symbol->name + "\n";
    if (symbol->size) out += "\t.size " + symbol->name + ", " + std::to_string(symbol->size) + "\n";
    out += symbol->name + ":\n";
  }
  emit_bytes(out, bytes, done, bytes.size());
}

}  // namespace

bool tev_assemble(const std::string& file, const std::string& text, const tev_code_options& options,
                  tev_object& object) {
  object.comment = options.comment;
  return Assembler(file, object).run(text);
}

std::string tev_object_to_asm(const tev_object& object, const std::string& header) {
  std::string out = "; " + header + "\n";
  section_to_asm(out, object, TEV_SEC_TEXT);
  section_to_asm(out, object, TEV_SEC_DATA);
  return out;
}
