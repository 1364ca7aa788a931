// Evaluating #if expressions by recursive descent.
#include "toolchain/tev-gcc/tev_pre_expr.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxExpressionDepth = 256;

struct Expression {
  const std::string& text;
  size_t pos = 0;
  bool bad = false;
  int depth = 0;  // of parentheses and unary operators, bounded to keep the stack

  void skip() {
    while (pos < text.size() && isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  }
  bool take(const char* op) {
    skip();
    size_t n = strlen(op);
    if (text.compare(pos, n, op) != 0) return false;
    // "<" must not take the first half of "<<" or "<=", and so on.
    if (n == 1 && pos + 1 < text.size() && strchr("<>&|=", op[0]) && text[pos + 1] == op[0]) return false;
    if (n == 1 && pos + 1 < text.size() && strchr("<>!=", op[0]) && text[pos + 1] == '=') return false;
    pos += n;
    return true;
  }
  long long primary() {
    skip();
    struct Leave {
      int& d;
      ~Leave() { --d; }
    } leave{++depth};
    if (depth > kMaxExpressionDepth) bad = true;
    if (bad) return 0;
    if (take("(")) {
      long long v = conditional();
      if (!take(")")) bad = true;
      return v;
    }
    if (take("!")) return !primary();
    if (take("~")) return ~primary();
    if (take("-")) return -primary();
    if (take("+")) return primary();
    if (pos < text.size() && isdigit(static_cast<unsigned char>(text[pos]))) {
      char* end = nullptr;
      long long v = strtoll(text.c_str() + pos, &end, 0);
      pos = static_cast<size_t>(end - text.c_str());
      while (pos < text.size() && strchr("uUlL", text[pos])) ++pos;
      return v;
    }
    if (pos + 2 < text.size() && text[pos] == '\'' && text[pos + 2] == '\'') {
      long long v = static_cast<unsigned char>(text[pos + 1]);
      pos += 3;
      return v;
    }
    bad = true;
    return 0;
  }
  long long binary(int level) {
    // Levels from the loosest: || && | ^ & equality relational shift additive multiplicative.
    static const std::vector<std::vector<const char*>> kOps = {
        {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<=", ">=", "<", ">"}, {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};
    if (level == static_cast<int>(kOps.size())) return primary();
    long long left = binary(level + 1);
    for (;;) {
      const char* op = nullptr;
      for (const char* candidate : kOps[level])
        if (take(candidate)) {
          op = candidate;
          break;
        }
      if (!op || bad) return left;
      long long right = binary(level + 1);
      std::string o = op;
      if ((o == "/" || o == "%") && right == 0) {
        bad = true;
        return 0;
      }
      if (o == "||") left = left || right;
      else if (o == "&&") left = left && right;
      else if (o == "|") left |= right;
      else if (o == "^") left ^= right;
      else if (o == "&") left &= right;
      else if (o == "==") left = left == right;
      else if (o == "!=") left = left != right;
      else if (o == "<=") left = left <= right;
      else if (o == ">=") left = left >= right;
      else if (o == "<") left = left < right;
      else if (o == ">") left = left > right;
      else if (o == "<<") left = right >= 0 && right < 63 ? left << right : 0;
      else if (o == ">>") left = right >= 0 && right < 63 ? left >> right : 0;
      else if (o == "+") left += right;
      else if (o == "-") left -= right;
      else if (o == "*") left *= right;
      else if (o == "/") left /= right;
      else left %= right;
    }
  }
  long long conditional() {
    long long c = binary(0);
    if (!take("?")) return c;
    long long a = conditional();
    if (!take(":")) bad = true;
    long long b = conditional();
    return c ? a : b;
  }
};


}  // namespace

bool tev_pp_evaluate(const std::string& text, long long& value) {
  Expression e{text};
  value = e.conditional();
  e.skip();
  return !e.bad && e.pos == text.size();
}
