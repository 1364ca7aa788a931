// The arithmetic of "#if": integer constants, the unary, binary and
// conditional operators of C, parentheses. Identifiers left after macro
// replacement count as 0, as C says.
#include "toolchain/support/tc_pre_expr.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  bool evaluate(long long* result) {
    long long v = conditional();
    skip();
    if (!ok_ || pos_ != s_.size()) return false;
    *result = v;
    return true;
  }

 private:
  const std::string& s_;
  size_t pos_ = 0;
  bool ok_ = true;
  int depth_ = 0;

  static constexpr int kMaxDepth = 200;

  void skip() {
    while (pos_ < s_.size() && isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
  }
  bool take(const char* op) {
    skip();
    size_t n = std::char_traits<char>::length(op);
    if (s_.compare(pos_, n, op) != 0) return false;
    // "<" is not "<<" or "<=", "&" not "&&", and so on.
    if (n == 1 && pos_ + 1 < s_.size()) {
      char next = s_[pos_ + 1];
      if ((op[0] == '<' || op[0] == '>') && (next == op[0] || next == '=')) return false;
      if ((op[0] == '&' || op[0] == '|') && next == op[0]) return false;
      if ((op[0] == '!' || op[0] == '=') && next == '=') return false;
    }
    pos_ += n;
    return true;
  }
  long long fail() {
    ok_ = false;
    return 0;
  }

  long long conditional() {
    if (++depth_ > kMaxDepth) return fail();
    long long c = binary(0);
    if (take("?")) {
      long long a = conditional();
      if (!take(":")) return fail();
      long long b = conditional();
      c = c ? a : b;
    }
    --depth_;
    return c;
  }

  struct Op {
    const char* text;
    int level;
  };
  static constexpr Op kOps[] = {
      {"||", 1}, {"&&", 2}, {"|", 3},  {"^", 4},  {"&", 5},  {"==", 6}, {"!=", 6}, {"<=", 7}, {">=", 7},
      {"<<", 8}, {">>", 8}, {"<", 7},  {">", 7},  {"+", 9},  {"-", 9},  {"*", 10}, {"/", 10}, {"%", 10},
  };

  const Op* next_op(int min_level) {
    for (const Op& op : kOps)
      if (op.level >= min_level && take(op.text)) return &op;
    return nullptr;
  }

  static long long apply(const std::string& op, long long a, long long b, bool* ok) {
    if (op == "||") return a || b;
    if (op == "&&") return a && b;
    if (op == "|") return a | b;
    if (op == "^") return a ^ b;
    if (op == "&") return a & b;
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == "<=") return a <= b;
    if (op == ">=") return a >= b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    if (op == "<<") return (b < 0 || b > 62) ? 0 : static_cast<long long>(static_cast<unsigned long long>(a) << b);
    if (op == ">>") return (b < 0 || b > 62) ? 0 : a >> b;
    if (op == "+") return static_cast<long long>(static_cast<unsigned long long>(a) + static_cast<unsigned long long>(b));
    if (op == "-") return static_cast<long long>(static_cast<unsigned long long>(a) - static_cast<unsigned long long>(b));
    if (op == "*") return static_cast<long long>(static_cast<unsigned long long>(a) * static_cast<unsigned long long>(b));
    if (b == 0) return *ok = false, 0;  // "/" and "%"
    if (a == LLONG_MIN && b == -1) return 0;
    return op == "/" ? a / b : a % b;
  }

  long long binary(int min_level) {
    long long left = unary();
    while (ok_) {
      size_t at = pos_;
      const Op* op = next_op(min_level);
      if (!op) {
        pos_ = at;
        break;
      }
      long long right = binary(op->level + 1);
      left = apply(op->text, left, right, &ok_);
    }
    return left;
  }

  long long unary() {
    if (++depth_ > kMaxDepth) return fail();
    long long v;
    if (take("!"))
      v = !unary();
    else if (take("~"))
      v = ~unary();
    else if (take("-"))
      v = static_cast<long long>(0ULL - static_cast<unsigned long long>(unary()));
    else if (take("+"))
      v = unary();
    else
      v = primary();
    --depth_;
    return v;
  }

  long long primary() {
    skip();
    if (take("(")) {
      long long v = conditional();
      if (!take(")")) return fail();
      return v;
    }
    if (pos_ >= s_.size()) return fail();
    unsigned char c = static_cast<unsigned char>(s_[pos_]);
    if (isdigit(c)) return number();
    if (c == '\'') return character();
    if (isalpha(c) || c == '_') {
      while (pos_ < s_.size() && (isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) ++pos_;
      return 0;
    }
    return fail();
  }

  long long number() {
    const char* start = s_.c_str() + pos_;
    char* end = nullptr;
    unsigned long long v = strtoull(start, &end, 0);
    pos_ += static_cast<size_t>(end - start);
    while (pos_ < s_.size() && (s_[pos_] == 'u' || s_[pos_] == 'U' || s_[pos_] == 'l' || s_[pos_] == 'L')) ++pos_;
    if (pos_ < s_.size() && (isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_')) return fail();
    return static_cast<long long>(v);
  }

  long long character() {
    if (pos_ + 2 >= s_.size()) return fail();
    long long v = static_cast<unsigned char>(s_[pos_ + 1]);
    size_t close = pos_ + 2;
    if (s_[pos_ + 1] == '\\') {
      if (pos_ + 3 >= s_.size()) return fail();
      char e = s_[pos_ + 2];
      v = e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? 0 : static_cast<unsigned char>(e);
      close = pos_ + 3;
    }
    if (s_[close] != '\'') return fail();
    pos_ = close + 1;
    return v;
  }
};

}  // namespace

bool tc_pre_evaluate(const std::string& text, long long* result) { return Parser(text).evaluate(result); }
