// Dependency rules as the GNU compiler driver writes them (see gnudeps.h).
#include "common/gnudeps.h"

#include <utility>

#include "common/pathstyle.h"
#include "debug/lumodebug_trace.h"

namespace {

// The GNU driver breaks a line before a name would take it past this.
constexpr size_t kRuleColumns = 72;

// A rule's names joined with blanks and broken as the GNU driver breaks them.
class RuleText {
 public:
  void name(const std::string& text) {
    if (column_ > 0) {
      if (column_ + text.size() > kRuleColumns) {
        text_ += " \\\n";
        column_ = 0;
      }
      text_ += ' ';
      ++column_;
    }
    text_ += text;
    column_ += text.size();
  }
  void colon() {
    text_ += ':';
    ++column_;
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
  size_t column_ = 0;
};

// Where the last component of a path starts (both separators on Windows,
// where "/" separates too).
size_t base_start(const std::string& path) {
  const size_t slash = path.find_last_of(kNativePathStyle == PathStyle::windows ? "\\/" : "/");
  return slash == std::string::npos ? 0 : slash + 1;
}

// Where the extension of the last component starts; npos for none (a
// leading dot names a hidden file, not an extension).
size_t extension_start(const std::string& path) {
  const size_t dot = path.rfind('.');
  return dot == std::string::npos || dot <= base_start(path) ? std::string::npos : dot;
}

std::string stem(const std::string& path) {
  const size_t base = base_start(path);
  const size_t dot = extension_start(path);
  return path.substr(base, dot == std::string::npos ? std::string::npos : dot - base);
}

// The GNU driver hands its preprocessor every "-MQ" before every "-MT", and
// the preprocessor keeps the unquoted targets in front by swapping each with
// the first quoted one; the same order keeps the rules the GNU driver's.
std::vector<std::string> given_targets(const gnudeps_request& r) {
  std::vector<std::string> targets;
  for (const std::string& t : r.quoted_targets) targets.push_back(gnudeps_quote(t));
  size_t quoted_from = 0;
  for (const std::string& t : r.targets) {
    targets.push_back(t);
    std::swap(targets[quoted_from++], targets.back());
  }
  return targets;
}

// Without "-MT" or "-MQ": the output of a compile that writes its rule on
// the side (not of "-E", whose output is no target), else the object the
// input would give.
std::vector<std::string> targets(const gnudeps_request& r, const std::string& input) {
  if (!r.targets.empty() || !r.quoted_targets.empty()) return given_targets(r);
  if (!r.deps_only && r.stage != gnudeps_stage::preprocess && !r.output.empty()) return {gnudeps_quote(r.output)};
  if (input == kGnuDepsStdin) return {kGnuDepsStdin};
  return {gnudeps_quote(stem(input) + ".o")};
}

}  // namespace

std::string gnudeps_quote(const std::string& name) {
  std::string quoted;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == ' ' || c == '\t') {
      // make reads "\\" before a blank as one backslash: each is doubled.
      for (size_t j = i; j > 0 && name[j - 1] == '\\'; --j) quoted += '\\';
      quoted += '\\';
    } else if (c == '$') {
      quoted += '$';
    } else if (c == '#') {
      quoted += '\\';
    }
    quoted += c;
  }
  return quoted;
}

std::string gnudeps_rule(const gnudeps_request& request, const std::string& input,
                         const std::vector<std::string>& prerequisites) {
  DB_ENTER("%s, %zu prerequisites", input.c_str(), prerequisites.size());
  RuleText rule;
  for (const std::string& target : targets(request, input)) rule.name(target);
  rule.colon();
  for (const std::string& name : prerequisites) rule.name(gnudeps_quote(name));
  rule.text() += '\n';
  if (request.phony)
    for (const std::string& name : prerequisites)
      if (name != input) rule.text() += gnudeps_quote(name) + ":\n";
  DB_EXIT("%zu bytes", rule.text().size());
  return std::move(rule.text());
}

std::string gnudeps_destination(const gnudeps_request& request, const std::string& input) {
  DB_ENTER("%s", input.c_str());
  std::string path;
  if (!request.file.empty())
    path = request.file;
  else if (request.deps_only)
    path = request.output;
  else if (!request.output.empty())
    path = request.output.substr(0, extension_start(request.output)) + ".d";
  else  // the GNU driver names what a link's compiles write after "a.out"
    path = (request.stage == gnudeps_stage::link ? "a-" : "") + stem(input) + ".d";
  DB_EXIT("%s", path.empty() ? "standard output" : path.c_str());
  return path;
}
