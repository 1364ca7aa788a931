// The preprocessor of the compiler drivers (see tc_pre.h for what it
// handles). Its diagnostics are rows of the preprocessor's hundred of the
// message catalogue.
#include "toolchain/support/tc_pre.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/stringcache.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/support/tc_pre_expr.h"

namespace {

constexpr int kMaxIncludeDepth = 64;
constexpr int kMaxExpansionDepth = 64;

bool ident_start(char c) { return isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool ident_char(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// The identifier at the start of text (after blanks); *rest is where it ends.
std::string first_word(const std::string& text, size_t* rest) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos || !ident_start(text[i])) {
    *rest = i == std::string::npos ? text.size() : i;
    return "";
  }
  size_t e = i;
  while (e < text.size() && ident_char(text[e])) ++e;
  *rest = e;
  return text.substr(i, e - i);
}

bool read_whole(const std::string& path, std::string* text) {
  if (path == kTcStdin) return tc_read_stdin(text);
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *text = s.str();
  return !in.bad();
}

bool is_file(const std::string& path) { return path_exists(path.c_str()) && !path_is_dir(path.c_str()); }

std::string join(const std::string& dir, const std::string& name) {
  return dir.empty() ? name : std::string(sc_pathJoin(dir.c_str(), name.c_str()));
}

struct Conditional {
  bool parent_active;
  bool active;  // this branch is being read
  bool taken;   // some branch of the group was taken
  bool else_seen;
  int line;
  int column;  // of the directive's name
};

bool listed(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

class Run {
 public:
  Run(const tc_pre_config& config, tc_pre_macros& macros, tc_pre_result& result)
      : config_(config), macros_(macros), result_(result) {}

  bool run(const std::string& path) {
    const uint32_t before = tc_diag_errors();
    file(path, 0);
    tc_diag_at(nullptr, 0);
    return tc_diag_errors() == before;
  }

 private:
  const tc_pre_config& config_;
  tc_pre_macros& macros_;
  tc_pre_result& result_;
  // The place the messages refer to.
  const char* file_ = nullptr;
  int line_ = 0;
  int column_ = 1;
  // The columns of the character after the "#" of the current directive
  // and of the text after its name.
  int directive_column_ = 1;
  int body_column_ = 1;
  bool in_system_ = false;  // the current file is a system header

  template <typename... Args>
  void report(uint32_t number, Args... args) {
    tc_diag_at(file_, line_, column_);
    tc_raise(number, args...);
  }

  const tc_pre_macro* find(const std::string& name) const {
    auto it = macros_.table.find(name);
    return it == macros_.table.end() ? nullptr : &it->second;
  }

  // The name is written as a string literal, so a Windows path's
  // backslashes survive the reading back.
  void marker(int line, const std::string& path) {
    if (!config_.line_markers) return;
    std::string name;
    for (char c : path) {
      if (c == '\\' || c == '"') name += '\\';
      name += c;
    }
    result_.text += "# " + std::to_string(line) + " \"" + name + "\"\n";
  }

  // Comments become one blank (or stay with keep_comments); in_comment
  // carries a block comment over to the next line.
  // *opened is the 1-based column of the last block comment opened.
  std::string strip_comments(const std::string& line, bool* in_comment, int* opened) const {
    const bool keep = config_.keep_comments;
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (*in_comment) {
        if (line.compare(i, 2, "*/") == 0) {
          *in_comment = false;
          out += keep ? "*/" : " ";
          ++i;
        } else if (keep) {
          out += c;
        }
      } else if (quote) {
        out += c;
        if (c == '\\' && i + 1 < line.size()) out += line[++i];
        else if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
        out += c;
      } else if (line.compare(i, 2, "/*") == 0) {
        *in_comment = true;
        *opened = static_cast<int>(i) + 1;
        if (keep) out += "/*";
        ++i;
      } else if (line.compare(i, 2, "//") == 0) {
        if (keep) out += line.substr(i);
        break;
      } else {
        out += c;
      }
    }
    return out;
  }

  // Object-like macros replaced; literals and the letters of numbers kept.
  std::string expand(const std::string& text, std::set<std::string>& busy, int depth) const {
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
      char c = text[i];
      if (quote) {
        out += c;
        if (c == '\\' && i + 1 < text.size()) out += text[++i];
        else if (c == quote) quote = 0;
        ++i;
      } else if (c == '"' || c == '\'') {
        quote = c;
        out += text[i++];
      } else if (isdigit(static_cast<unsigned char>(c))) {
        while (i < text.size() && (ident_char(text[i]) || text[i] == '.')) out += text[i++];
      } else if (!ident_start(c)) {
        out += text[i++];
      } else {
        size_t start = i;
        while (i < text.size() && ident_char(text[i])) ++i;
        std::string name = text.substr(start, i - start);
        const tc_pre_macro* m = find(name);
        if (!m || !m->params.empty() || busy.count(name) || depth > kMaxExpansionDepth) {
          out += name;
          continue;
        }
        busy.insert(name);
        out += expand(m->value, busy, depth + 1);
        busy.erase(name);
      }
    }
    return out;
  }

  std::string expand(const std::string& text) const {
    std::set<std::string> busy;
    return expand(text, busy, 0);
  }

  // "defined NAME" and "defined(NAME)" become 1 or 0 before expansion.
  std::string replace_defined(const std::string& text, bool* bad) const {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      if (!ident_start(text[i])) {
        out += text[i++];
        continue;
      }
      size_t start = i;
      while (i < text.size() && ident_char(text[i])) ++i;
      std::string word = text.substr(start, i - start);
      if (word != "defined") {
        out += word;
        continue;
      }
      while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      const bool paren = i < text.size() && text[i] == '(';
      if (paren) ++i;
      while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      size_t name_start = i;
      while (i < text.size() && ident_char(text[i])) ++i;
      std::string name = text.substr(name_start, i - name_start);
      while (paren && i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      if (name.empty() || (paren && (i >= text.size() || text[i++] != ')'))) *bad = true;
      out += find(name) ? " 1 " : " 0 ";
    }
    return out;
  }

  bool condition(const std::string& text) {
    bool bad = false;
    std::string prepared = expand(replace_defined(text, &bad));
    long long value = 0;
    if (bad || !tc_pre_evaluate(prepared, &value)) {
      report(kMsgPreBadExpression, trim(text).c_str());
      return false;
    }
    return value != 0;
  }

  // The name after #ifdef, #ifndef or #undef; "" after reporting when none.
  std::string name_of(const std::string& word, const std::string& body) {
    size_t rest = 0;
    std::string name = first_word(body, &rest);
    if (name.empty())
      report(kMsgPreIdentifierExpected, word.c_str());
    else if (!trim(body.substr(rest)).empty())
      report(kMsgPreExtraTokens, word.c_str());
    return name;
  }

  // A conditional directive; false when the word is none.
  bool conditional(const std::string& word, const std::string& body, std::vector<Conditional>& stack) {
    const bool outer = stack.empty() || stack.back().active;
    if (word == "ifdef" || word == "ifndef") {
      bool v = false;
      if (outer) {
        std::string name = name_of(word, body);
        v = !name.empty() && (find(name) != nullptr) == (word == "ifdef");
      }
      stack.push_back({outer, v, v, false, line_, column_});
    } else if (word == "if") {
      bool v = outer && condition(body);
      stack.push_back({outer, v, v, false, line_, column_});
    } else if (word == "elif" || word == "else" || word == "endif") {
      if (stack.empty()) {
        report(kMsgPreNoMatchingIf, word.c_str());
      } else if (word == "endif") {
        stack.pop_back();
      } else if (stack.back().else_seen) {
        report(word == "else" ? kMsgPreElseAfterElse : kMsgPreElifAfterElse);
      } else {
        Conditional& c = stack.back();
        if (word == "else") c.else_seen = true;
        c.active = c.parent_active && !c.taken && (word == "else" || condition(body));
        c.taken = c.taken || c.active || word == "else";
      }
    } else {
      return false;
    }
    return true;
  }

  void define(const std::string& body) {
    size_t rest = 0;
    std::string name = first_word(body, &rest);
    if (name.empty()) {
      report(kMsgPreDefineSyntax);
      return;
    }
    tc_pre_macro macro;
    if (rest < body.size() && body[rest] == '(') {
      size_t close = body.find(')', rest);
      if (close == std::string::npos) {
        report(kMsgPreParameterList);
        return;
      }
      macro.params = body.substr(rest, close - rest + 1);
      rest = close + 1;
    }
    macro.value = trim(body.substr(rest));
    if (const tc_pre_macro* old = find(name); old && (old->value != macro.value || old->params != macro.params))
      report(kMsgPreMacroRedefined, name.c_str());
    tc_pre_define(macros_, name + macro.params, macro.value);
  }

  void include(const std::string& body, const std::string& current, int depth) {
    std::string spec = trim(body);
    if (spec.empty() || (spec[0] != '"' && spec[0] != '<')) spec = trim(expand(spec));
    const char close = spec.empty() ? 0 : spec[0] == '"' ? '"' : spec[0] == '<' ? '>' : 0;
    const size_t end = close ? spec.find(close, 1) : std::string::npos;
    if (end == std::string::npos || end == 1 || !trim(spec.substr(end + 1)).empty()) {
      report(kMsgPreIncludeSyntax);
      return;
    }
    const std::string name = spec.substr(1, end - 1);
    const size_t spec_at = body.find_first_not_of(" \t");
    if (spec_at != std::string::npos && (body[spec_at] == '"' || body[spec_at] == '<'))
      column_ = body_column_ + static_cast<int>(spec_at);
    if (depth >= kMaxIncludeDepth) report(kMsgPreIncludeDepth, kMaxIncludeDepth);
    bool system = false;
    const std::string found = tc_pre_find_include(config_, name, close == '"', current, &system, in_system_);
    if (found.empty()) {
      report(kMsgPreIncludeNotFound, name.c_str());
      return;
    }
    if (config_.list_header) config_.list_header(depth, found);
    result_.headers.push_back({found, system});
    const char* saved_file = file_;
    const int saved_line = line_;
    const bool saved_system = in_system_;
    in_system_ = system;
    file(found, depth + 1);
    file_ = saved_file;
    line_ = saved_line;
    in_system_ = saved_system;
    // The directive's own line end follows, so the marker names its line.
    marker(line_, current);
  }

  void directive(const std::string& text, const std::string& current, int depth, std::vector<Conditional>& stack) {
    size_t rest = 0;
    std::string word = first_word(text, &rest);
    const std::string body = text.substr(rest);
    const size_t word_at = text.find_first_not_of(" \t");
    column_ = directive_column_ + static_cast<int>(word_at == std::string::npos ? 0 : word_at);
    body_column_ = directive_column_ + static_cast<int>(rest);
    if (conditional(word, body, stack) || !(stack.empty() || stack.back().active)) return;
    if (word.empty()) word = isdigit(static_cast<unsigned char>(trim(body).c_str()[0])) ? "0" : trim(body).empty() ? "" : "?";
    if (word == "include") {
      include(body, current, depth);
    } else if (word == "define") {
      define(body);
    } else if (word == "undef") {
      std::string name = name_of(word, body);
      if (!name.empty()) tc_pre_undefine(macros_, name);
    } else if (word == "error") {
      report(kMsgPreErrorDirective, trim(body).c_str());
    } else if (word == "warning") {
      report(kMsgPreWarningDirective, trim(body).c_str());
    } else if (listed(config_.copied, word)) {
      result_.text += "#" + trim(text);  // the line end follows
    } else if (!listed(config_.dropped, word)) {
      report(kMsgPreUnknownDirective, trim(text).c_str());
    }
  }

  void file(const std::string& path, int depth) {
    const std::string& name = path == kTcStdin ? kTcStdinName : path;
    file_ = sc_intern(name.c_str());
    line_ = 0;
    std::string text;
    if (!read_whole(path, &text)) {
      tc_diag_at(nullptr, 0);
      tc_raise(kMsgPreCannotRead, name.c_str());
      return;
    }
    marker(1, name);
    std::vector<Conditional> stack;
    bool in_comment = false;
    int comment_line = 0;
    int comment_column = 1;
    size_t pos = 0;
    while (pos < text.size()) {
      // One logical line: physical lines joined at a backslash before the newline.
      std::string logical;
      const int first_line = line_ + 1;
      int physical = 0;
      for (;;) {
        size_t nl = text.find('\n', pos);
        std::string piece = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        ++physical;
        if (!piece.empty() && piece.back() == '\r') piece.pop_back();
        const bool joined = !piece.empty() && piece.back() == '\\' && pos < text.size();
        if (joined) piece.pop_back();
        logical += piece;
        if (!joined) break;
      }
      line_ = first_line;
      const bool started_in_comment = in_comment;
      int opened = 1;
      const std::string stripped = strip_comments(logical, &in_comment, &opened);
      if (in_comment && !started_in_comment) comment_line = line_, comment_column = opened;
      const std::string head = trim(stripped);
      if (!started_in_comment && !head.empty() && head[0] == '#') {
        directive_column_ = static_cast<int>(stripped.find('#')) + 2;
        directive(head.substr(1), name, depth, stack);
        result_.text += "\n";
      } else if (stack.empty() || stack.back().active) {
        result_.text += expand(stripped) + "\n";
      } else {
        result_.text += "\n";
      }
      line_ = first_line + physical - 1;
      result_.text.append(static_cast<size_t>(physical - 1), '\n');
    }
    if (in_comment && config_.report_open_comment) {
      line_ = comment_line;
      column_ = comment_column;
      report(kMsgPreUnterminatedComment);
    }
    if (!stack.empty()) {
      column_ = 1;
      if (config_.unclosed_at_if) line_ = stack.back().line, column_ = stack.back().column;
      report(kMsgPreUnterminatedIf, stack.back().line);
    }
  }
};

}  // namespace

void tc_pre_define(tc_pre_macros& macros, const std::string& name, const std::string& value) {
  const size_t paren = name.find('(');
  const std::string key = name.substr(0, paren);
  if (!macros.table.count(key)) macros.order.push_back(key);
  macros.table[key] = {paren == std::string::npos ? "" : name.substr(paren), value};
}

void tc_pre_define_option(tc_pre_macros& macros, const std::string& definition) {
  const size_t equals = definition.find('=');
  if (equals == std::string::npos)
    tc_pre_define(macros, definition, "1");
  else
    tc_pre_define(macros, definition.substr(0, equals), definition.substr(equals + 1));
}

void tc_pre_undefine(tc_pre_macros& macros, const std::string& name) {
  if (!macros.table.erase(name)) return;
  macros.order.erase(std::find(macros.order.begin(), macros.order.end(), name));
}

std::string tc_pre_listing(const tc_pre_macros& macros, tc_pre_order order) {
  std::vector<std::string> names = macros.order;
  if (order == tc_pre_order::name) std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& name : names) {
    const tc_pre_macro& m = macros.table.at(name);
    out += "#define " + name + m.params + (m.value.empty() ? "" : " " + m.value) + "\n";
  }
  return out;
}

std::string tc_pre_find_include(const tc_pre_config& config, const std::string& name, bool quoted,
                                const std::string& from, bool* system, bool from_system) {
  *system = false;
  if (path_is_absolute(name.c_str())) return is_file(name) ? name : "";
  if (quoted) {
    char* dir = path_dirname(from.c_str());
    std::string here = join(dir && *dir ? dir : config.here, name);
    free(dir);
    // What a system header finds beside itself is a system header too.
    *system = from_system;
    if (is_file(here)) return here;
    *system = false;
  }
  for (const std::string& dir : config.user_dirs)
    if (is_file(join(dir, name))) return join(dir, name);
  *system = true;
  for (const std::string& dir : config.system_dirs)
    if (is_file(join(dir, name))) return join(dir, name);
  return "";
}

bool tc_read_stdin(std::string* text) {
  static bool read = false;
  static std::string whole;
  if (!read) {
    if (osd_isatty(stdin)) return false;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, stdin)) > 0) whole.append(buffer, n);
    read = true;
  }
  *text = whole;
  return true;
}

bool tc_pre_marker(const std::string& line, int* number, std::string* file) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') return false;
  i = line.find_first_not_of(" \t", i + 1);
  if (i != std::string::npos && line.compare(i, 4, "line") == 0) i = line.find_first_not_of(" \t", i + 4);
  if (i == std::string::npos || !isdigit(static_cast<unsigned char>(line[i]))) return false;
  char* end = nullptr;
  const long value = strtol(line.c_str() + i, &end, 10);
  if (value < 0 || value > INT32_MAX) return false;
  *number = static_cast<int>(value);
  size_t q = line.find_first_not_of(" \t", static_cast<size_t>(end - line.c_str()));
  if (q == std::string::npos || line[q] != '"') return true;
  std::string name;
  for (++q; q < line.size() && line[q] != '"'; ++q) {
    if (line[q] == '\\' && q + 1 < line.size()) ++q;
    name += line[q];
  }
  if (q >= line.size()) return false;  // an unclosed name
  *file = name;
  return true;
}

bool tc_preprocess(const tc_pre_config& config, tc_pre_macros& macros, const std::string& path,
                   tc_pre_result& result) {
  return Run(config, macros, result).run(path);
}
