// The value checks of the option tables.
#include "toolchain/tev-gcc/tev_values.h"

#include <strings.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// clang-format off
constexpr const char* kStandards[] = {
    "c89", "c90", "c99", "c9x", "c11", "c1x", "c17", "c18",
    "gnu89", "gnu90", "gnu99", "gnu9x", "gnu11", "gnu1x", "gnu17", "gnu18",
    "iso9899:1990", "iso9899:199409", "iso9899:1999", "iso9899:199x",
    "iso9899:2011", "iso9899:2017", "iso9899:2018",
};

// The warnings "-W<name>", "-Wno-<name>" and "-Werror=<name>" may name.
constexpr const char* kWarnings[] = {
    "all", "extra", "pedantic", "error", "conversion", "sign-conversion", "shadow",
    "unused", "unused-variable", "unused-function", "unused-parameter", "unused-label",
    "unused-value", "unused-but-set-variable", "sign-compare", "format", "format-security",
    "implicit", "implicit-function-declaration", "implicit-int", "return-type",
    "uninitialized", "maybe-uninitialized", "missing-prototypes", "missing-declarations",
    "strict-prototypes", "old-style-definition", "cast-align", "cast-qual", "type-limits",
    "overflow", "parentheses", "switch", "switch-default", "char-subscripts",
    "pointer-arith", "undef", "write-strings", "comment", "unknown-pragmas", "main",
    "address", "float-equal", "redundant-decls", "nested-externs", "inline",
    "declaration-after-statement", "missing-braces", "missing-field-initializers",
    "sequence-point", "div-by-zero", "deprecated", "int-conversion",
    "incompatible-pointer-types", "int-to-pointer-cast", "pointer-to-int-cast",
    "double-promotion", "volatile-register-var", "array-bounds", "stack-usage",
};

constexpr const char* kHelpClasses[] = {"common", "optimizers", "target", "warnings"};
// clang-format on

bool one_of(const std::string& v, const auto& names) {
  for (const char* name : names)
    if (v == name) return true;
  return false;
}

bool is_identifier(std::string_view v) {
  if (v.empty() || !(isalpha(static_cast<unsigned char>(v[0])) || v[0] == '_')) return false;
  for (char c : v)
    if (!(isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

bool is_decimal(std::string_view v) {
  if (v.empty() || v.size() > 9) return false;
  for (char c : v)
    if (!isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool is_number(std::string_view v) {
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
    if (v.size() > 10) return false;
    for (char c : v.substr(2))
      if (!isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
  }
  return is_decimal(v);
}

unsigned long number_value(std::string_view v) { return strtoul(std::string(v).c_str(), nullptr, 0); }

// "START:END" with START not above END.
bool is_range(std::string_view v) {
  size_t colon = v.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view start = v.substr(0, colon), end = v.substr(colon + 1);
  return is_number(start) && is_number(end) && number_value(start) <= number_value(end);
}

bool is_reserve(std::string_view v) {
  return (v.starts_with("ram@") || v.starts_with("rom@")) && is_range(v.substr(4));
}

bool is_fill(std::string_view v) {
  size_t at = v.find('@');
  if (at == std::string_view::npos) return is_number(v);
  return is_number(v.substr(0, at)) && is_range(v.substr(at + 1));
}

bool is_smart_io(std::string_view v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  if (v.empty()) return false;
  for (char c : v)
    if (!strchr("cdiouxXeEfgGaAsp", c)) return false;
  return true;
}

bool is_listing(std::string_view v) {
  size_t equals = v.find('=');
  std::string_view letters = v.substr(0, equals);
  for (char c : letters)
    if (!strchr("cdghlmns", c)) return false;
  return equals == std::string_view::npos || equals + 1 < v.size();
}

bool is_device_name(std::string_view v) {
  if (v.empty()) return false;
  for (char c : v)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

}  // namespace

bool tev_value_ok(tev_value kind, const std::string& v) {
  using enum tev_value;
  switch (kind) {
    case none:
      return v.empty();
    case text:
      return !v.empty();
    case macro: {
      size_t equals = v.find('=');
      return is_identifier(std::string_view(v).substr(0, equals));
    }
    case identifier:
      return is_identifier(v);
    case number:
      return is_number(v);
    case decimal:
      return is_decimal(v);
    case standard:
      return one_of(v, kStandards);
    case language:
      return v == "c" || v == "cpp-output" || v == "assembler" || v == "assembler-with-cpp" || v == "none";
    case warning:
      return one_of(v, kWarnings);
    case device:
      return is_device_name(v);
    case extension:
      return strcasecmp(v.c_str(), "cci") == 0;
    case coverage:
      return v == "ram" || v == "none";
    case smart_io:
      return is_smart_io(v);
    case reserve:
      return is_reserve(v);
    case fill:
      return is_fill(v);
    case help_class:
      return one_of(v, kHelpClasses);
    case listing:
      return is_listing(v);
    case library:
      return !v.empty() && v.find('/') == std::string::npos && v.find('\\') == std::string::npos;
  }
  return false;
}

