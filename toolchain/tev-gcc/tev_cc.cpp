// The C side of code generation: tokens, file-scope definitions, code words.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "common/msgnum.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre.h"
#include "toolchain/tev-gcc/tev_code.h"

namespace {

enum class Kind { identifier, number, string, character, punct };

struct Token {
  Kind kind;
  std::string text;
  const char* file;  // interned; the source the line markers name
  int line;
  int column;  // 1-based
};

class Tokenizer {
 public:
  Tokenizer(const std::string& file, const std::string& text) : file_(sc_intern(file.c_str())), text_(text) {}

  bool run(std::vector<Token>& tokens) {
    bool ok = true;
    size_t i = 0;
    bool line_start = true;
    while (i < text_.size()) {
      char c = text_[i];
      if (c == '\n') {
        ++line_;
        line_start = true;
        line_begin_ = ++i;
        continue;
      }
      if (line_start && c == '#') {
        ok = marker_or_pragma(i) && ok;
        continue;
      }
      line_start = false;
      if (isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (isalpha(static_cast<unsigned char>(c)) || c == '_') {
        size_t s = i;
        while (i < text_.size() && (isalnum(static_cast<unsigned char>(text_[i])) || text_[i] == '_')) ++i;
        tokens.push_back({Kind::identifier, text_.substr(s, i - s), file_, line_, column(s)});
      } else if (isdigit(static_cast<unsigned char>(c))) {
        size_t s = i;
        while (i < text_.size() && (isalnum(static_cast<unsigned char>(text_[i])) || text_[i] == '.')) ++i;
        tokens.push_back({Kind::number, text_.substr(s, i - s), file_, line_, column(s)});
      } else if (c == '"' || c == '\'') {
        std::string literal;
        const size_t s = i;
        if (!quoted(i, c, literal)) {
          tc_diag_at(file_, line_, column(s));
          tc_raise(kMsgUnterminated, c == '"' ? "string constant" : "character constant");
          ok = false;
          continue;
        }
        tokens.push_back({c == '"' ? Kind::string : Kind::character, literal, file_, line_, column(s)});
      } else {
        tokens.push_back({Kind::punct, std::string(1, c), file_, line_, column(i)});
        ++i;
      }
    }
    return ok;
  }

 private:
  const char* file_;
  const std::string& text_;
  int line_ = 1;
  size_t line_begin_ = 0;  // where the current line starts in text_

  int column(size_t at) const { return static_cast<int>(at - line_begin_) + 1; }

  // A line marker names the source and line of the next line, so that
  // messages about preprocessed text point into the original files;
  // "#pragma" lines are skipped.
  bool marker_or_pragma(size_t& i) {
    size_t end = text_.find('\n', i);
    if (end == std::string::npos) end = text_.size();
    int number = 0;
    std::string file;
    if (tc_pre_marker(text_.substr(i, end - i), &number, &file)) {
      line_ = number - 1;
      if (!file.empty()) file_ = sc_intern(file.c_str());
    }
    i = end;
    return true;
  }

  // The contents of a literal without its quotes and with escapes resolved.
  bool quoted(size_t& i, char quote, std::string& out) {
    for (++i; i < text_.size(); ++i) {
      char c = text_[i];
      if (c == '\n') return false;
      if (c == quote) {
        ++i;
        return true;
      }
      if (c == '\\' && i + 1 < text_.size()) {
        char e = text_[++i];
        constexpr const char* kFrom = "ntr0\\'\"ab";
        constexpr const char* kTo = "\n\t\r\0\\'\"\a\b";
        const char* at = strchr(kFrom, e);
        out += at ? kTo[at - kFrom] : e;
        continue;
      }
      out += c;
    }
    return false;
  }
};

bool balanced(const std::vector<Token>& tokens) {
  std::vector<const Token*> open;
  for (const Token& t : tokens) {
    if (t.kind != Kind::punct) continue;
    char c = t.text[0];
    if (c == '(' || c == '[' || c == '{') {
      open.push_back(&t);
    } else if (c == ')' || c == ']' || c == '}') {
      char expected = c == ')' ? '(' : c == ']' ? '[' : '{';
      if (open.empty() || open.back()->text[0] != expected) {
        tc_diag_at(t.file, t.line, t.column);
        tc_raise(kMsgUnbalanced, t.text.c_str());
        return false;
      }
      open.pop_back();
    }
  }
  if (!open.empty()) {
    tc_diag_at(open.back()->file, open.back()->line, open.back()->column);
    tc_raise(kMsgUnbalanced, open.back()->text.c_str());
    return false;
  }
  return true;
}

bool is(const Token& t, char c) { return t.kind == Kind::punct && t.text[0] == c; }

// The index of the bracket that closes the one at `open`.
size_t closing(const std::vector<Token>& tokens, size_t open) {
  int depth = 0;
  for (size_t i = open; i < tokens.size(); ++i) {
    if (is(tokens[i], '(') || is(tokens[i], '[') || is(tokens[i], '{')) ++depth;
    if (is(tokens[i], ')') || is(tokens[i], ']') || is(tokens[i], '}')) --depth;
    if (depth == 0) return i;
  }
  return tokens.size() - 1;
}

void put_word(std::vector<uint8_t>& out, uint16_t w) {
  out.push_back(static_cast<uint8_t>(w & 0xff));
  out.push_back(static_cast<uint8_t>(w >> 8));
}

class Compiler {
 public:
  Compiler(const tev_code_options& options, tev_object& object) : options_(options), object_(object) {}

  void run(const std::vector<Token>& tokens) {
    size_t start = 0;  // first token of the current file-scope declaration
    for (size_t i = 0; i < tokens.size(); ++i) {
      const Token& t = tokens[i];
      if (is(t, '(') && i > start && tokens[i - 1].kind == Kind::identifier) {
        size_t close = closing(tokens, i);
        if (close + 1 < tokens.size() && is(tokens[close + 1], '{')) {
          size_t end = closing(tokens, close + 1);
          function(tokens, start, i - 1, close + 1, end);
          i = end;
          start = end + 1;
          continue;
        }
        i = close;
      } else if (is(t, '{') || is(t, '[') || is(t, '(')) {
        i = closing(tokens, i);
      } else if (is(t, ';')) {
        variables(tokens, start, i);
        start = i + 1;
      }
    }
    for (const std::string& s : strings_) {
      std::vector<uint8_t>& pool = options_.const_in_progmem ? object_.text : object_.data;
      pool.insert(pool.end(), s.begin(), s.end());
      pool.push_back(0);
    }
    if (object_.text.size() % 2) object_.text.push_back(0);
  }

 private:
  const tev_code_options& options_;
  tev_object& object_;
  std::vector<std::string> strings_;

  static bool has_word(const std::vector<Token>& tokens, size_t from, size_t to, const char* word) {
    for (size_t i = from; i < to; ++i)
      if (tokens[i].kind == Kind::identifier && tokens[i].text == word) return true;
    return false;
  }

  void function(const std::vector<Token>& tokens, size_t decl, size_t name, size_t body, size_t end) {
    tev_symbol s;
    s.name = tokens[name].text;
    s.global = !has_word(tokens, decl, name, "static");
    s.function = true;
    s.section = TEV_SEC_TEXT;
    s.value = static_cast<uint32_t>(object_.text.size());
    std::string statement = s.name;
    put_word(object_.text, tev_code_word(statement));  // entry
    for (size_t i = body + 1; i < end; ++i) {
      const Token& t = tokens[i];
      if (t.kind == Kind::string) strings_.push_back(t.text);
      statement += t.text;
      statement += ' ';
      if (is(t, ';') || is(t, '{') || is(t, '}')) {
        put_word(object_.text, tev_code_word(statement));
        statement.clear();
      }
    }
    put_word(object_.text, tev_code_word("return " + s.name));
    s.size = static_cast<uint32_t>(object_.text.size()) - s.value;
    object_.symbols.push_back(s);
  }

  // Each declarator of a file-scope definition gets data memory: two bytes,
  // or two per element of an array with a constant size.
  void variables(const std::vector<Token>& tokens, size_t from, size_t to) {
    if (from >= to || has_word(tokens, from, to, "typedef") || has_word(tokens, from, to, "extern")) return;
    bool is_static = has_word(tokens, from, to, "static");
    for (size_t i = from; i < to; ++i) {
      const Token& t = tokens[i];
      if (is(t, '(') || is(t, '{')) {
        i = closing(tokens, i);
        continue;
      }
      if (t.kind != Kind::identifier || i + 1 > to) continue;
      const Token& next = tokens[i + 1];
      if (!(is(next, ';') || is(next, '=') || is(next, ',') || is(next, '['))) continue;
      uint32_t count = 1;
      if (is(next, '[') && i + 2 < to && tokens[i + 2].kind == Kind::number) {
        count = static_cast<uint32_t>(strtoul(tokens[i + 2].text.c_str(), nullptr, 0));
        if (count == 0 || count > 0x8000) count = 1;
      }
      uint16_t initial = 0;
      size_t after = is(next, '[') ? closing(tokens, i + 1) + 1 : i + 1;
      if (after + 1 < to && is(tokens[after], '=') && tokens[after + 1].kind == Kind::number)
        initial = static_cast<uint16_t>(strtoul(tokens[after + 1].text.c_str(), nullptr, 0));
      if (after + 1 < to && is(tokens[after], '=') && tokens[after + 1].kind == Kind::string)
        strings_.push_back(tokens[after + 1].text);
      tev_symbol s{t.text, static_cast<uint32_t>(object_.data.size()), 2 * count, !is_static, false, TEV_SEC_DATA};
      put_word(object_.data, initial);
      object_.data.resize(object_.data.size() + 2 * (count - 1), 0);
      object_.symbols.push_back(s);
      // Skip the initializer up to the next declarator.
      i = after;
      while (i < to && !is(tokens[i], ',')) {
        if (is(tokens[i], '{') || is(tokens[i], '(')) i = closing(tokens, i);
        ++i;
      }
    }
  }
};

}  // namespace

uint16_t tev_code_word(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return static_cast<uint16_t>(h ^ (h >> 16));
}

bool tev_compile_c(const std::string& file, const std::string& text, const tev_code_options& options,
                   tev_object& object) {
  std::vector<Token> tokens;
  Tokenizer tokenizer(file, text);
  bool ok = tokenizer.run(tokens);
  if (ok) ok = balanced(tokens);
  tc_diag_at(nullptr, 0);
  if (!ok) return false;
  object.comment = options.comment;
  Compiler(options, object).run(tokens);
  return true;
}
