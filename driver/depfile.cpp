// GNU dependency files from the legacy driver's rules (see depfile.h).
#include "driver/depfile.h"

#include <cstddef>

#include "debug/lumodebug.h"

namespace {

// Lines are broken before a name that would pass this column, as the GNU
// driver breaks them.
constexpr size_t kMaxColumn = 72;

bool blank(char c) { return c == ' ' || c == '\t'; }

// Appends one name to a rule in progress, breaking the line before it when
// it would pass the last column.
void write_name(std::string& out, size_t& column, const std::string& name) {
  if (column) {
    if (column + name.size() > kMaxColumn) {
      out += " \\\n";
      column = 0;
    }
    out += ' ';
    ++column;
  }
  out += name;
  column += name.size();
}

// The text after the directory part of a path (both separators, as the
// legacy driver's names may use either).
std::string base_name(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path without the extension of its last component.
std::string without_extension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  // A leading dot names a hidden file, not an extension.
  if (dot == (slash == std::string::npos ? 0 : slash + 1)) return path;
  return path.substr(0, dot);
}

std::vector<std::string> targets_of(const depfile_request& r, const std::string& source) {
  if (!r.targets.empty()) return r.targets;
  const bool output_is_target = !r.output.empty() && !r.deps_only && r.stage != depfile_stage::preprocess;
  return {depfile_quote(output_is_target ? r.output : without_extension(base_name(source)) + ".o")};
}

// "" is standard output.
std::string path_of(const depfile_request& r, const std::string& source) {
  if (!r.file.empty()) return r.file;
  if (r.deps_only) return r.output;
  if (!r.output.empty()) return without_extension(r.output) + ".d";
  const std::string stem = without_extension(base_name(source));
  // A link names its dependency files after the image it would write.
  return (r.stage == depfile_stage::link ? "a-" + stem : stem) + ".d";
}

std::string rule_text(const depfile_request& r, const depfile_rule& rule) {
  std::string out;
  size_t column = 0;
  for (const std::string& target : targets_of(r, rule.prerequisites.front())) write_name(out, column, target);
  out += ':';
  ++column;
  for (const std::string& name : rule.prerequisites) write_name(out, column, depfile_quote(name));
  out += '\n';
  if (r.phony)
    for (size_t i = 1; i < rule.prerequisites.size(); ++i) out += depfile_quote(rule.prerequisites[i]) + ":\n";
  return out;
}

// Joins the continuation lines, then reads one rule per logical line.
bool parse_rules(const std::string& text, std::vector<depfile_rule>* rules) {
  rules->clear();
  if (text.empty()) return true;  // no source that has rules
  if (text.back() != '\n') return false;
  std::string line;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string piece = text.substr(pos, end - pos);
    pos = end + 1;
    if (!piece.empty() && piece.back() == '\r') piece.pop_back();
    if (!piece.empty() && piece.back() == '\\' && (piece.size() < 2 || piece[piece.size() - 2] != '\\')) {
      if (pos >= text.size()) return false;  // the file ends inside a rule
      piece.back() = ' ';
      line += piece;
      continue;
    }
    line += piece;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
      line.clear();
      continue;
    }
    // The target ends at the first ": " (a drive letter's colon has none).
    size_t colon = line.find(": ");
    if (colon == std::string::npos && line.back() == ':') colon = line.size() - 1;
    if (colon == std::string::npos) return false;
    depfile_rule rule;
    std::string name;
    for (size_t i = colon + 1; i <= line.size(); ++i) {
      const char c = i < line.size() ? line[i] : ' ';
      if (c == '\\' && i + 1 < line.size() && (blank(line[i + 1]) || line[i + 1] == '#')) {
        name += line[++i];
      } else if (c == '$' && i + 1 < line.size() && line[i + 1] == '$') {
        name += line[++i];
      } else if (blank(c)) {
        if (!name.empty()) rule.prerequisites.push_back(name);
        name.clear();
      } else {
        name += c;
      }
    }
    line.clear();
    // A phony rule of the driver's own names no prerequisite; a real one
    // names its source first.
    if (!rule.prerequisites.empty()) rules->push_back(rule);
  }
  return true;
}


}  // namespace

std::string depfile_quote(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (blank(c)) {
      // The backslashes before a blank are doubled, so that make reads
      // them as themselves and the blank as part of the name.
      for (size_t j = i; j > 0 && name[j - 1] == '\\'; --j) out += '\\';
      out += '\\';
    } else if (c == '$') {
      out += '$';
    } else if (c == '#') {
      out += '\\';
    }
    out += c;
  }
  return out;
}

bool depfile_parse(const std::string& text, std::vector<depfile_rule>* rules) {
  DB_ENTER("%zu bytes", text.size());
  const bool ok = parse_rules(text, rules);
  DB_EXIT("%s, %zu rules", ok ? "whole" : "damaged", rules->size());
  return ok;
}

std::vector<depfile_output> depfile_outputs(const depfile_request& request, const std::vector<depfile_rule>& rules) {
  DB_ENTER("%zu rules", rules.size());
  std::vector<depfile_output> outputs;
  for (const depfile_rule& rule : rules) {
    const std::string path = path_of(request, rule.prerequisites.front());
    const std::string text = rule_text(request, rule);
    bool merged = false;
    for (depfile_output& out : outputs)
      if (out.path == path) {
        out.text = path.empty() ? out.text + text : text;
        merged = true;
      }
    if (!merged) outputs.push_back({path, text});
  }
  DB_EXIT("%zu files", outputs.size());
  return outputs;
}
