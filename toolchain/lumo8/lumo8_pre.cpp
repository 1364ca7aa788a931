// The preprocessor of lumo8 (see lumo8_pre.h for what it handles).
#include "toolchain/lumo8/lumo8_pre.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include "common/osdep.h"
#include "common/stringcache.h"
#include "toolchain/lumo8/lumo8_messages.h"
#include "toolchain/support/tc_diag.h"

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

// The end of the string or character literal that starts at i.
size_t literal_end(const std::string& s, size_t i) {
  char quote = s[i];
  for (++i; i < s.size() && s[i] != quote; ++i)
    if (s[i] == '\\') ++i;
  return i < s.size() ? i + 1 : s.size();
}

// Comments become one blank; a block comment may run over several lines.
std::string strip_comments(const std::string& line, bool* in_block) {
  std::string out;
  for (size_t i = 0; i < line.size();) {
    if (*in_block) {
      size_t end = line.find("*/", i);
      if (end == std::string::npos) return out;
      *in_block = false;
      i = end + 2;
      out += ' ';
    } else if (line[i] == '"' || line[i] == '\'') {
      size_t end = literal_end(line, i);
      out.append(line, i, end - i);
      i = end;
    } else if (line.compare(i, 2, "/*") == 0) {
      *in_block = true;
      i += 2;
    } else if (line.compare(i, 2, "//") == 0) {
      return out;
    } else {
      out += line[i++];
    }
  }
  return out;
}

struct Conditional {
  bool parent_active;
  bool taken;  // a branch of this #if was already active
  bool active;
  bool else_seen;
};

class Run {
 public:
  explicit Run(l8_pre& pp) : pp_(pp) {}

  bool file(const std::string& path, int depth, std::string* out);

 private:
  l8_pre& pp_;
  bool ok_ = true;

  const l8_macro* find(const std::string& name) const {
    auto it = pp_.macros.find(name);
    return it == pp_.macros.end() ? nullptr : &it->second;
  }
  std::string expand(const std::string& text, std::set<std::string>& busy, int depth) const;
  std::string expand(const std::string& text) const {
    std::set<std::string> busy;
    return expand(text, busy, 0);
  }
  std::string replace_defined(const std::string& text, bool* ok) const;
  bool condition(const std::string& text, int line, const char* file);
  bool directive(const std::string& name, const std::string& rest, std::vector<Conditional>& conds,
                 const std::string& path, int line, int depth, std::string* out);
  bool include(const std::string& rest, const std::string& path, int line, int depth, std::string* out);
  std::string locate(const std::string& name, bool angle, const std::string& from, bool* system) const;
  template <const l8_message& M>
  void error(const char* file, int line, const char* arg) {
    tc_diag_at(file, line);
    tc_error(M.number, M.text, arg);
    ok_ = false;
  }
};

std::string Run::expand(const std::string& text, std::set<std::string>& busy, int depth) const {
  if (depth > kMaxExpansionDepth) return text;
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '"' || text[i] == '\'') {
      size_t end = literal_end(text, i);
      out.append(text, i, end - i);
      i = end;
    } else if (ident_start(text[i])) {
      size_t j = i;
      while (j < text.size() && ident_char(text[j])) ++j;
      std::string name = text.substr(i, j - i);
      const l8_macro* m = find(name);
      if (m && m->params.empty() && !busy.count(name)) {
        busy.insert(name);
        out += expand(m->value, busy, depth + 1);
        busy.erase(name);
      } else {
        out += name;
      }
      i = j;
    } else if (isdigit(static_cast<unsigned char>(text[i]))) {
      // A number's letters ("0x1F", "10UL") are no identifiers.
      size_t j = i;
      while (j < text.size() && (ident_char(text[j]) || text[j] == '.')) ++j;
      out.append(text, i, j - i);
      i = j;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// "defined NAME" and "defined(NAME)" become 1 or 0 before the macros of
// the expression are replaced.
std::string Run::replace_defined(const std::string& text, bool* ok) const {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (!ident_start(text[i])) {
      out += text[i++];
      continue;
    }
    size_t j = i;
    while (j < text.size() && ident_char(text[j])) ++j;
    std::string word = text.substr(i, j - i);
    i = j;
    if (word != "defined") {
      out += word;
      continue;
    }
    while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool paren = i < text.size() && text[i] == '(';
    if (paren) ++i;
    while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
    size_t k = i;
    while (k < text.size() && ident_char(text[k])) ++k;
    if (k == i) return *ok = false, out;
    std::string name = text.substr(i, k - i);
    i = k;
    if (paren) {
      while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
      if (i >= text.size() || text[i] != ')') return *ok = false, out;
      ++i;
    }
    out += find(name) ? " 1 " : " 0 ";
  }
  return out;
}

bool Run::condition(const std::string& text, int line, const char* file) {
  bool ok = true;
  std::string replaced = replace_defined(text, &ok);
  long value = 0;
  if (!ok || !l8_pre_evaluate(expand(replaced), &value)) {
    error<kL8Expression>(file, line, text.c_str());
    return false;
  }
  return value != 0;
}

std::string Run::locate(const std::string& name, bool angle, const std::string& from, bool* system) const {
  auto in = [&](const std::string& dir) { return dir.empty() ? name : std::string(sc_pathJoin(dir.c_str(), name.c_str())); };
  *system = false;
  if (path_is_absolute(name.c_str())) return path_exists(name.c_str()) ? name : "";
  if (!angle) {
    char* dir = path_dirname(from.c_str());
    std::string here = in(dir ? dir : "");
    free(dir);
    if (path_exists(here.c_str()) && !path_is_dir(here.c_str())) return here;
  }
  for (const std::string& dir : pp_.user_dirs) {
    std::string p = in(dir);
    if (path_exists(p.c_str()) && !path_is_dir(p.c_str())) return p;
  }
  *system = true;
  for (const std::string& dir : pp_.system_dirs) {
    std::string p = in(dir);
    if (path_exists(p.c_str()) && !path_is_dir(p.c_str())) return p;
  }
  return "";
}

bool Run::include(const std::string& rest, const std::string& path, int line, int depth, std::string* out) {
  const char* file = sc_intern(path.c_str());
  std::string spec = trim(rest);
  if (spec.empty() || (spec[0] != '"' && spec[0] != '<')) spec = trim(expand(spec));
  char close = spec.empty() ? 0 : spec[0] == '"' ? '"' : spec[0] == '<' ? '>' : 0;
  size_t end = close ? spec.find(close, 1) : std::string::npos;
  if (end == std::string::npos || end == 1 || !trim(spec.substr(end + 1)).empty()) {
    error<kL8Directive>(file, line, ("include " + rest).c_str());
    return false;
  }
  std::string name = spec.substr(1, end - 1);
  if (depth >= kMaxIncludeDepth) {
    error<kL8IncludeDepth>(file, line, name.c_str());
    return false;
  }
  bool system = false;
  std::string found = locate(name, close == '>', path, &system);
  if (found.empty()) {
    error<kL8IncludeMissing>(file, line, name.c_str());
    return false;
  }
  if (pp_.list_headers) fprintf(stderr, "%*s%s\n", depth + 1, "", found.c_str());
  pp_.headers.push_back({found, system});
  bool ok = this->file(found, depth + 1, out);
  if (pp_.line_markers) *out += "# " + std::to_string(line + 1) + " \"" + path + "\"\n";
  return ok;
}

bool Run::directive(const std::string& name, const std::string& rest, std::vector<Conditional>& conds,
                    const std::string& path, int line, int depth, std::string* out) {
  const char* file = sc_intern(path.c_str());
  const bool active = conds.empty() || conds.back().active;
  if (name == "if" || name == "ifdef" || name == "ifndef") {
    bool value = false;
    if (active) {
      std::string word = trim(rest);
      if (name == "if") {
        value = condition(word, line, file);
      } else if (word.empty() || !ident_start(word[0])) {
        error<kL8Directive>(file, line, (name + " " + rest).c_str());
      } else {
        size_t n = 0;
        while (n < word.size() && ident_char(word[n])) ++n;
        value = (find(word.substr(0, n)) != nullptr) == (name == "ifdef");
      }
    }
    conds.push_back({active, value, active && value, false});
    return true;
  }
  if (name == "elif" || name == "else" || name == "endif") {
    if (conds.empty() || (name != "endif" && conds.back().else_seen)) {
      error<kL8Unbalanced>(file, line, name.c_str());
      return true;
    }
    Conditional& c = conds.back();
    if (name == "endif") {
      conds.pop_back();
    } else if (name == "else") {
      c.else_seen = true;
      c.active = c.parent_active && !c.taken;
      c.taken = true;
    } else {
      c.active = c.parent_active && !c.taken && condition(rest, line, file);
      c.taken = c.taken || c.active;
    }
    return true;
  }
  if (!active) return true;
  if (name == "include") return include(rest, path, line, depth, out);
  if (name == "define" || name == "undef") {
    std::string text = trim(rest);
    size_t n = 0;
    while (n < text.size() && ident_char(text[n])) ++n;
    if (n == 0 || !ident_start(text[0]) || (name == "undef" && !trim(text.substr(n)).empty())) {
      error<kL8Directive>(file, line, (name + " " + rest).c_str());
      return true;
    }
    if (name == "undef") {
      l8_pre_undefine(pp_, text.substr(0, n));
      return true;
    }
    size_t value_at = n;
    if (n < text.size() && text[n] == '(') {
      size_t close = text.find(')', n);
      if (close == std::string::npos) {
        error<kL8Directive>(file, line, (name + " " + rest).c_str());
        return true;
      }
      value_at = close + 1;
    }
    const std::string value = trim(text.substr(value_at));
    if (const l8_macro* old = find(text.substr(0, n)); old && (old->value != value || old->params != text.substr(n, value_at - n))) {
      tc_diag_at(file, line);
      l8_warning<kL8Redefined>(text.substr(0, n).c_str());
    }
    l8_pre_define(pp_, text.substr(0, value_at), value);
    return true;
  }
  if (name == "error") {
    error<kL8UserError>(file, line, trim(rest).c_str());
    return true;
  }
  if (name == "warning") {
    tc_diag_at(file, line);
    l8_warning<kL8UserWarning>(trim(rest).c_str());
    return true;
  }
  // Directives for the passes after this one are kept in the output.
  if (name == "pragma" || name == "line" || name == "ident" || name.empty() ||
      isdigit(static_cast<unsigned char>(name[0]))) {
    *out += "#" + name + rest + "\n";
    return true;
  }
  error<kL8Directive>(file, line, name.c_str());
  return true;
}

bool Run::file(const std::string& path, int depth, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error<kL8ReadFailed>(nullptr, 0, path.c_str());
    return false;
  }
  if (pp_.line_markers) *out += "# 1 \"" + path + "\"\n";
  std::vector<Conditional> conds;
  bool in_comment = false;
  std::string physical;
  int number = 0;
  while (std::getline(in, physical)) {
    ++number;
    const int first = number;
    std::string line = physical;
    // A backslash at the end of a line joins the next one.
    while (!line.empty() && (line.back() == '\\' || (line.back() == '\r' && line.size() > 1 && line[line.size() - 2] == '\\'))) {
      line.erase(line.find_last_of('\\'));
      if (!std::getline(in, physical)) break;
      ++number;
      line += physical;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool was_comment = in_comment;
    std::string text = strip_comments(line, &in_comment);
    std::string head = trim(text);
    if (!was_comment && !head.empty() && head[0] == '#') {
      size_t i = 1;
      while (i < head.size() && isspace(static_cast<unsigned char>(head[i]))) ++i;
      size_t j = i;
      while (j < head.size() && ident_char(head[j])) ++j;
      directive(head.substr(i, j - i), head.substr(j), conds, path, first, depth, out);
      *out += std::string(static_cast<size_t>(number - first + 1), '\n');
      continue;
    }
    if (conds.empty() || conds.back().active) *out += expand(text);
    *out += std::string(static_cast<size_t>(number - first + 1), '\n');
  }
  if (!conds.empty()) error<kL8Unterminated>(sc_intern(path.c_str()), number, path.c_str());
  return ok_;
}

}  // namespace

void l8_pre_define(l8_pre& pp, const std::string& name, const std::string& value) {
  size_t paren = name.find('(');
  std::string key = name.substr(0, paren);
  if (!pp.macros.count(key)) pp.order.push_back(key);
  pp.macros[key] = {key, paren == std::string::npos ? "" : name.substr(paren), value};
}

void l8_pre_undefine(l8_pre& pp, const std::string& name) {
  if (!pp.macros.erase(name)) return;
  for (auto it = pp.order.begin(); it != pp.order.end(); ++it)
    if (*it == name) {
      pp.order.erase(it);
      break;
    }
}

bool l8_preprocess(l8_pre& pp, const std::string& path, std::string* out) {
  Run run(pp);
  bool ok = run.file(path, 0, out);
  tc_diag_at(nullptr, 0);
  return ok;
}

std::string l8_pre_macro_lines(const l8_pre& pp) {
  std::string out;
  for (const std::string& name : pp.order) {
    const l8_macro& m = pp.macros.at(name);
    out += "#define " + m.name + m.params + (m.value.empty() ? "" : " " + m.value) + "\n";
  }
  return out;
}
