// GNU dependency files from the legacy driver's rules (see depfile.h).
#include "driver/depfile.h"

#include <cstddef>

#include "debug/lumodebug.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

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

bool depfile_parse(const std::string& text, std::vector<depfile_rule>* rules) {
  DB_ENTER("%zu bytes", text.size());
  const bool ok = parse_rules(text, rules);
  DB_EXIT("%s, %zu rules", ok ? "whole" : "damaged", rules->size());
  return ok;
}

std::vector<depfile_output> depfile_outputs(const gnudeps_request& request, const std::vector<depfile_rule>& rules) {
  DB_ENTER("%zu rules", rules.size());
  std::vector<depfile_output> outputs;
  for (const depfile_rule& rule : rules) {
    const std::string& source = rule.prerequisites.front();
    const std::string path = gnudeps_destination(request, source);
    // Standard input is no file that make could look at.
    std::vector<std::string> names = rule.prerequisites;
    if (source == kGnuDepsStdin) names.erase(names.begin());
    const std::string text = gnudeps_rule(request, source, names);
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
