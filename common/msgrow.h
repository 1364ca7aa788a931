// The rows of catalogue text: how a catalogue is cut into lines and a line
// into its fields. The embedded catalogue is read with it while the program
// is compiled, message files while it runs. Text alone and constexpr, so
// not traced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/messages.h"

namespace msgrow {

constexpr bool blank(char c) { return c == ' ' || c == '\t'; }
constexpr bool digit(char c) { return c >= '0' && c <= '9'; }
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A line without its line end (and a carriage return before that). A line
// longer than kMsgLineMax characters is cut there, and the rest of it is
// the next line.
struct Line {
  std::string_view text;
  bool cut = false;
};

// The next line of rest, which moves past it; rest must not be empty.
constexpr Line next_line(std::string_view& rest) {
  Line line;
  size_t n = 0;
  while (n < rest.size() && rest[n] != '\n' && n < kMsgLineMax) ++n;
  line.text = rest.substr(0, n);
  if (n < rest.size() && rest[n] == '\n') {
    rest.remove_prefix(n + 1);
  } else {
    rest.remove_prefix(n);
    line.cut = n == kMsgLineMax && !rest.empty();
  }
  if (!line.text.empty() && line.text.back() == '\r') line.text.remove_suffix(1);
  return line;
}

enum class Status {
  comment,    // a line starting with '#'
  ok,         // a row
  bad_type,   // a row whose type is not understood: reported, kept without a kind
  malformed,  // reported and dropped
};

struct Row {
  Status status = Status::malformed;
  uint32_t number = 0;
  uint32_t kind = MSG_NONE;
  int32_t level = 0;      // for warnings
  size_t text_at = 0;     // where the text starts in the line
};

// "<number> <type> <text>": the number in decimal (0 to kMsgNumberMax),
// the type F, E or M (any letter case and anything after it) or a warning
// level, blanks between them.
constexpr Row split_row(std::string_view line) {
  Row row;
  if (!line.empty() && line[0] == '#') {
    row.status = Status::comment;
    return row;
  }
  size_t p = 0;
  auto skip_blanks = [&] {
    while (p < line.size() && blank(line[p])) ++p;
  };
  skip_blanks();
  const size_t sign_at = p;
  if (p < line.size() && (line[p] == '+' || line[p] == '-')) ++p;
  if (p == line.size() || !digit(line[p])) return row;
  long long number = 0;
  for (; p < line.size() && digit(line[p]); ++p)
    if (number <= kMsgNumberMax) number = number * 10 + (line[p] - '0');
  if (p < line.size() && !blank(line[p])) return row;
  if (line[sign_at] == '-') number = -number;
  if (number < 0 || number > kMsgNumberMax) return row;
  row.number = static_cast<uint32_t>(number);
  skip_blanks();
  if (p == line.size()) return row;
  const size_t type_at = p;
  while (p < line.size() && !blank(line[p])) ++p;
  switch (lower(line[type_at])) {
    case 'f': row.kind = MSG_FATAL; break;
    case 'e': row.kind = MSG_ERROR; break;
    case 'm': row.kind = MSG_MESSAGE; break;
    default:
      if (digit(line[type_at]) || line[type_at] == '-') {
        // The level as atoi reads the type field, held within range.
        size_t q = type_at;
        const bool negative = line[q] == '-';
        if (negative) ++q;
        long long level = 0;
        for (; q < p && digit(line[q]); ++q)
          if (level <= INT32_MAX) level = level * 10 + (line[q] - '0');
        if (level > INT32_MAX) level = negative ? -static_cast<long long>(INT32_MAX) - 1 : INT32_MAX;
        else if (negative) level = -level;
        row.kind = MSG_WARNING;
        row.level = static_cast<int32_t>(level);
      }
  }
  skip_blanks();
  if (p == line.size()) return row;
  row.status = row.kind == MSG_NONE ? Status::bad_type : Status::ok;
  row.text_at = p;
  return row;
}

}  // namespace msgrow
