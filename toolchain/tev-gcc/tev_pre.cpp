// The preprocessor: logical lines, comments, directives and object-like
// macro expansion.
#include "toolchain/tev-gcc/tev_pre.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "toolchain/support/tc_diag.h"
#include "toolchain/tev-gcc/tev_msgs.h"
#include "toolchain/tev-gcc/tev_pre_expr.h"

namespace {

constexpr int kMaxIncludeDepth = 64;
constexpr int kMaxExpansionDepth = 64;

bool is_ident_start(char c) { return isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_ident_char(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool read_whole(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return !in.bad();
}

bool is_file(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  fclose(f);
  return true;
}

std::string dir_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// One conditional group (#if ... #endif).
struct Conditional {
  bool parent_active;
  bool active;     // this branch is being read
  bool taken;      // some branch of the group was taken
  bool else_seen;
  int line;
};

class Preprocessor {
 public:
  Preprocessor(tev_macro_table& macros, const tev_pp_options& options, tev_pp_result& result)
      : macros_(macros), options_(options), result_(result) {}

  bool run(const std::string& path) {
    uint32_t before = tc_diag_errors();
    file(path, 0, false);
    tc_diag_at(nullptr, 0);
    return tc_diag_errors() == before;
  }

 private:
  tev_macro_table& macros_;
  const tev_pp_options& options_;
  tev_pp_result& result_;
  std::set<std::string> seen_headers_;
  // The file being read and its line, for messages.
  std::string file_;
  int line_ = 0;

  void error_here(tev_msg number, const std::string& text) {
    tc_diag_at(file_.c_str(), line_);
    tev_error(number, text.c_str());
  }

  void marker(int line, const std::string& path) {
    if (options_.line_markers) result_.text += "# " + std::to_string(line) + " \"" + path + "\"\n";
  }

  // Removes comments from one logical line; in_comment carries a block
  // comment over to the next line.
  std::string strip_comments(const std::string& line, bool& in_comment) {
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (in_comment) {
        if (c == '*' && i + 1 < line.size() && line[i + 1] == '/') {
          in_comment = false;
          if (options_.keep_comments) out += "*/";
          ++i;
          if (!options_.keep_comments) out += ' ';
        } else if (options_.keep_comments) {
          out += c;
        }
        continue;
      }
      if (quote) {
        out += c;
        if (c == '\\' && i + 1 < line.size()) out += line[++i];
        else if (c == quote) quote = 0;
        continue;
      }
      if (c == '"' || c == '\'') {
        quote = c;
        out += c;
      } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
        in_comment = true;
        if (options_.keep_comments) out += "/*";
        ++i;
      } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
        if (options_.keep_comments) out += line.substr(i);
        break;
      } else {
        out += c;
      }
    }
    return out;
  }

  // Object-like macros replaced, strings and character constants left alone.
  std::string expand(const std::string& text, std::set<std::string>& active, int depth) {
    std::string out;
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
      char c = text[i];
      if (quote) {
        out += c;
        if (c == '\\' && i + 1 < text.size()) out += text[++i];
        else if (c == quote) quote = 0;
        ++i;
        continue;
      }
      if (c == '"' || c == '\'') {
        quote = c;
        out += c;
        ++i;
        continue;
      }
      if (isdigit(static_cast<unsigned char>(c))) {
        while (i < text.size() && (is_ident_char(text[i]) || text[i] == '.')) out += text[i++];
        continue;
      }
      if (!is_ident_start(c)) {
        out += c;
        ++i;
        continue;
      }
      size_t start = i;
      while (i < text.size() && is_ident_char(text[i])) ++i;
      std::string name = text.substr(start, i - start);
      auto found = macros_.find(name);
      if (found == macros_.end() || !found->second.params.empty() || active.count(name) || depth > kMaxExpansionDepth) {
        out += name;
        continue;
      }
      active.insert(name);
      out += expand(found->second.value, active, depth + 1);
      active.erase(name);
    }
    return out;
  }

  std::string expand(const std::string& text) {
    std::set<std::string> active;
    return expand(text, active, 0);
  }

  // ---- #if expressions ----

  // "defined NAME" and "defined(NAME)" become 1 or 0 before expansion.
  std::string replace_defined(const std::string& text, bool& bad) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      if (!is_ident_start(text[i])) {
        out += text[i++];
        continue;
      }
      size_t start = i;
      while (i < text.size() && is_ident_char(text[i])) ++i;
      std::string word = text.substr(start, i - start);
      if (word != "defined") {
        out += word;
        continue;
      }
      while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      bool paren = i < text.size() && text[i] == '(';
      if (paren) ++i;
      while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      size_t name_start = i;
      while (i < text.size() && is_ident_char(text[i])) ++i;
      std::string name = text.substr(name_start, i - name_start);
      while (paren && i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      if (name.empty() || (paren && (i >= text.size() || text[i++] != ')'))) bad = true;
      out += macros_.count(name) ? " 1 " : " 0 ";
    }
    return out;
  }

  // Identifiers left after expansion count as 0.
  static std::string zero_identifiers(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      if (isdigit(static_cast<unsigned char>(text[i]))) {
        while (i < text.size() && is_ident_char(text[i])) out += text[i++];
      } else if (is_ident_start(text[i])) {
        while (i < text.size() && is_ident_char(text[i])) ++i;
        out += " 0 ";
      } else {
        out += text[i++];
      }
    }
    return out;
  }

  bool evaluate(const std::string& text) {
    bool bad = false;
    std::string prepared = zero_identifiers(expand(replace_defined(text, bad)));
    long long v = 0;
    if (bad || !tev_pp_evaluate(prepared, v) || trim(text).empty()) {
      error_here(TEV_PP_EXPRESSION, trim(text));
      return false;
    }
    return v != 0;
  }

  // ---- Directives ----

  static std::string first_word(const std::string& text, size_t& rest) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) {
      rest = text.size();
      return "";
    }
    size_t e = i;
    while (e < text.size() && is_ident_char(text[e])) ++e;
    rest = e;
    return text.substr(i, e - i);
  }

  void define(const std::string& body) {
    size_t rest = 0;
    std::string name = first_word(body, rest);
    if (!is_ident_start(name.empty() ? '0' : name[0])) {
      error_here(TEV_PP_BAD_DIRECTIVE, "#define" + body);
      return;
    }
    tev_macro macro;
    if (rest < body.size() && body[rest] == '(') {
      size_t close = body.find(')', rest);
      if (close == std::string::npos) {
        error_here(TEV_PP_BAD_DIRECTIVE, "#define" + body);
        return;
      }
      macro.params = body.substr(rest, close - rest + 1);
      rest = close + 1;
    }
    macro.value = trim(body.substr(rest));
    auto old = macros_.find(name);
    if (old != macros_.end() && (old->second.value != macro.value || old->second.params != macro.params)) {
      tc_diag_at(file_.c_str(), line_);
      tev_warning(TEV_MACRO_REDEFINED, name.c_str());
    }
    macros_[name] = macro;
  }

  std::string find_include(const std::string& name, bool quoted, const std::string& current, bool& system) {
    system = false;
    if (!name.empty() && name[0] == '/') return is_file(name) ? name : "";
    if (quoted) {
      std::string candidate = dir_of(current) + "/" + name;
      if (is_file(candidate)) return candidate;
    }
    for (const std::string& dir : options_.include_dirs)
      if (is_file(dir + "/" + name)) return dir + "/" + name;
    if (!options_.system_dir.empty() && is_file(options_.system_dir + "/" + name)) {
      system = true;
      return options_.system_dir + "/" + name;
    }
    return "";
  }

  void include(const std::string& body, const std::string& current, int depth) {
    std::string spec = trim(body);
    if (spec.empty() || (spec[0] != '"' && spec[0] != '<')) spec = trim(expand(spec));
    char close = spec.empty() ? 0 : spec[0] == '"' ? '"' : spec[0] == '<' ? '>' : 0;
    size_t end = close ? spec.find(close, 1) : std::string::npos;
    if (end == std::string::npos || end == 1 || !trim(spec.substr(end + 1)).empty()) {
      error_here(TEV_PP_BAD_DIRECTIVE, "#include " + trim(body));
      return;
    }
    std::string name = spec.substr(1, end - 1);
    bool system = false;
    std::string found = find_include(name, close == '"', current, system);
    if (found.empty()) {
      error_here(TEV_INCLUDE_NOT_FOUND, name);
      return;
    }
    if (depth + 1 > kMaxIncludeDepth) {
      error_here(TEV_PP_INCLUDE_DEPTH, name);
      return;
    }
    if (seen_headers_.insert(found).second)
      (system ? result_.system_headers : result_.user_headers).push_back(found);
    if (options_.list_headers) fprintf(stderr, "%s %s\n", std::string(static_cast<size_t>(depth + 1), '.').c_str(), found.c_str());
    std::string saved_file = file_;
    int saved_line = line_;
    file(found, depth + 1, system);
    file_ = saved_file;
    line_ = saved_line;
    marker(line_ + 1, file_);
  }

  bool active(const std::vector<Conditional>& stack) const { return stack.empty() || stack.back().active; }

  // A conditional directive; false when `word` is none.
  bool conditional(const std::string& word, const std::string& body, std::vector<Conditional>& stack) {
    bool outer = active(stack);
    if (word == "ifdef" || word == "ifndef") {
      size_t rest = 0;
      std::string name = first_word(body, rest);
      if (outer && (name.empty() || !trim(body.substr(rest)).empty())) error_here(TEV_PP_BAD_DIRECTIVE, "#" + word + body);
      bool v = outer && (macros_.count(name) != 0) == (word == "ifdef");
      stack.push_back({outer, v, v, false, line_});
    } else if (word == "if") {
      bool v = outer && evaluate(body);
      stack.push_back({outer, v, v, false, line_});
    } else if (word == "elif") {
      if (stack.empty() || stack.back().else_seen) {
        error_here(TEV_PP_CONDITIONAL, "#elif without #if");
        return true;
      }
      Conditional& c = stack.back();
      bool v = c.parent_active && !c.taken && evaluate(body);
      c.active = v;
      c.taken = c.taken || v;
    } else if (word == "else") {
      if (stack.empty() || stack.back().else_seen) {
        error_here(TEV_PP_CONDITIONAL, "#else without #if");
        return true;
      }
      Conditional& c = stack.back();
      c.active = c.parent_active && !c.taken;
      c.taken = true;
      c.else_seen = true;
    } else if (word == "endif") {
      if (stack.empty())
        error_here(TEV_PP_CONDITIONAL, "#endif without #if");
      else
        stack.pop_back();
    } else {
      return false;
    }
    return true;
  }

  void directive(const std::string& text, const std::string& current, int depth, std::vector<Conditional>& stack) {
    size_t rest = 0;
    std::string word = first_word(text, rest);
    std::string body = text.substr(rest);
    if (conditional(word, body, stack) || !active(stack)) return;
    if (word.empty() && trim(body).empty()) return;  // the null directive
    if (word == "include") {
      include(body, current, depth);
    } else if (word == "define") {
      define(body);
    } else if (word == "undef") {
      size_t r = 0;
      std::string name = first_word(body, r);
      if (name.empty() || !trim(body.substr(r)).empty()) error_here(TEV_PP_BAD_DIRECTIVE, "#undef" + body);
      macros_.erase(name);
    } else if (word == "error") {
      error_here(TEV_PP_ERROR_DIRECTIVE, trim(body));
    } else if (word == "warning") {
      tc_diag_at(file_.c_str(), line_);
      tev_warning(TEV_PP_WARNING_DIRECTIVE, trim(body).c_str());
    } else if (word == "pragma") {
      result_.text += "#pragma " + trim(body) + "\n";
      return;
    } else if (word == "line") {
      // Accepted; the markers this preprocessor writes follow the real lines.
    } else {
      error_here(TEV_PP_BAD_DIRECTIVE, "#" + trim(text));
    }
  }

  void file(const std::string& path, int depth, bool system) {
    (void)system;
    file_ = path;
    line_ = 0;
    std::string text;
    if (!read_whole(path, text)) {
      tc_diag_at(nullptr, 0);
      tev_error(TEV_CANNOT_OPEN, path.c_str());
      return;
    }
    marker(1, path);
    std::vector<Conditional> stack;
    bool in_comment = false;
    int comment_line = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      // One logical line: physical lines joined at a backslash before the newline.
      std::string logical;
      int first_line = line_ + 1;
      int physical = 0;
      for (;;) {
        size_t nl = text.find('\n', pos);
        std::string piece = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        ++physical;
        if (!piece.empty() && piece.back() == '\r') piece.pop_back();
        if (!piece.empty() && piece.back() == '\\' && pos < text.size()) {
          piece.pop_back();
          logical += piece;
          continue;
        }
        logical += piece;
        break;
      }
      line_ = first_line;
      bool started_in_comment = in_comment;
      std::string stripped = strip_comments(logical, in_comment);
      if (in_comment && !started_in_comment) comment_line = line_;
      std::string head = trim(stripped);
      if (!started_in_comment && !head.empty() && head[0] == '#') {
        directive(head.substr(1), path, depth, stack);
        file_ = path;
        result_.text += "\n";
      } else if (active(stack)) {
        result_.text += expand(stripped) + "\n";
      } else {
        result_.text += "\n";
      }
      line_ = first_line + physical - 1;
      for (int i = 1; i < physical; ++i) result_.text += "\n";
    }
    if (in_comment) {
      line_ = comment_line;
      error_here(TEV_UNTERMINATED, "comment");
    }
    if (!stack.empty()) {
      line_ = stack.back().line;
      error_here(TEV_PP_CONDITIONAL, "unterminated conditional directive");
    }
  }
};

}  // namespace

bool tev_preprocess(const std::string& path, tev_macro_table& macros, const tev_pp_options& options,
                    tev_pp_result& result) {
  Preprocessor pp(macros, options, result);
  return pp.run(path);
}

void tev_define(tev_macro_table& macros, const std::string& definition) {
  size_t equals = definition.find('=');
  if (equals == std::string::npos)
    macros[definition] = {"", "1"};
  else
    macros[definition.substr(0, equals)] = {"", definition.substr(equals + 1)};
}

std::string tev_macro_listing(const tev_macro_table& macros) {
  std::string out;
  for (const auto& [name, macro] : macros) {
    out += "#define " + name + macro.params;
    if (!macro.value.empty()) out += " " + macro.value;
    out += "\n";
  }
  return out;
}
