// Dependency rules: their targets, prerequisites, layout and destination.
#include "toolchain/tev-gcc/tev_deps.h"

#include <set>
#include <utility>

#include "toolchain/tev-gcc/tev_output.h"

namespace {

// GNU compilers continue a line before a name would take it past this.
constexpr size_t kRuleColumns = 72;

// A rule's names joined with blanks, continued with " \" as GNU compilers do.
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

// gcc hands its preprocessor every -MQ before every -MT, and the
// preprocessor keeps the unquoted targets in front by swapping each with
// the first quoted one; the same order here keeps the rules gcc's.
std::vector<std::string> given_targets(const tev_request& r) {
  std::vector<std::string> targets;
  for (const std::string& t : r.deps_quoted_targets) targets.push_back(tev_make_quote(t));
  size_t quoted_from = 0;
  for (const std::string& t : r.deps_targets) {
    targets.push_back(t);
    std::swap(targets[quoted_from++], targets.back());
  }
  return targets;
}

// Without -MT or -MQ: the output of a compile that writes its rule on the
// side (not of -E, whose output is no target), else the object the input
// would give.
std::vector<std::string> targets(const tev_request& r, const std::string& input) {
  if (!r.deps_targets.empty() || !r.deps_quoted_targets.empty()) return given_targets(r);
  if (r.deps_write && !r.deps_only && r.stage != tev_stage::preprocess && !r.output.empty())
    return {tev_make_quote(r.output)};
  if (input == kTcStdin) return {kTcStdin};
  return {tev_make_quote(tev_stem(input) + ".o")};
}

// The main source first, then each header once; -MM and -MMD leave out the
// headers of the system directories.
std::vector<std::string> prerequisites(const tev_request& r, const std::string& input,
                                       const std::vector<tc_pre_header>& headers) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  if (input != kTcStdin) {
    names.push_back(input);
    seen.insert(input);
  }
  for (const tc_pre_header& h : headers)
    if (!(h.system && r.deps_user_only) && seen.insert(h.path).second) names.push_back(h.path);
  return names;
}

}  // namespace

std::string tev_make_quote(const std::string& name) {
  std::string quoted;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == ' ' || c == '\t') {
      // make reads "\\" before a blank as one backslash: each doubled.
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

std::string tev_deps_rule(const tev_request& request, const std::string& input,
                          const std::vector<tc_pre_header>& headers) {
  RuleText rule;
  for (const std::string& target : targets(request, input)) rule.name(target);
  rule.colon();
  const std::vector<std::string> names = prerequisites(request, input, headers);
  for (const std::string& name : names) rule.name(tev_make_quote(name));
  rule.text() += '\n';
  if (request.deps_phony)
    for (size_t i = input == kTcStdin ? 0 : 1; i < names.size(); ++i) rule.text() += tev_make_quote(names[i]) + ":\n";
  return std::move(rule.text());
}

std::string tev_deps_destination(const tev_request& request, const std::string& input) {
  if (!request.deps_file.empty()) return request.deps_file;
  if (request.deps_only) return request.output.empty() ? kTevStdout : request.output;
  if (!request.output.empty()) return tev_without_extension(request.output) + ".d";
  // gcc 12 names what a link's compiles write on the side after the
  // output "a.out": "a-<input>".
  return (request.stage == tev_stage::link ? "a-" : "") + tev_stem(input) + ".d";
}
