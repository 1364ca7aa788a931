// lumo8's preprocessor: "#include" with the quote and angle searches,
// object-like and function-like "#define" (only object-like macros are
// replaced in the text), "#undef", the conditional directives with "#if"
// arithmetic, "#error" and "#warning". Lines it does not own are copied.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

struct l8_macro {
  std::string name;
  std::string params;  // "(a,b)" for a function-like macro, else empty
  std::string value;
};

struct l8_pre {
  std::vector<std::string> user_dirs;    // -I, searched first for both forms
  std::vector<std::string> system_dirs;  // the installation's, for both forms
  bool list_headers = false;             // -Z-H: each include on stderr
  bool line_markers = true;              // "# line "file"" lines in the output
  // State of a run, kept across the files of one translation unit.
  std::unordered_map<std::string, l8_macro> macros;
  std::vector<std::string> order;  // macro names in definition order
  struct Header {
    std::string path;
    bool system;
  };
  std::vector<Header> headers;  // every file included, for dependencies
};

// "NAME" or "NAME(params)" with its value; a later definition replaces an
// earlier one.
void l8_pre_define(l8_pre& pp, const std::string& name, const std::string& value);
void l8_pre_undefine(l8_pre& pp, const std::string& name);

// Preprocesses the file into *out. Problems are reported at their file and
// line; false when any error was.
bool l8_preprocess(l8_pre& pp, const std::string& path, std::string* out);

// "#define NAME VALUE" lines for every macro defined, in definition order.
std::string l8_pre_macro_lines(const l8_pre& pp);

// The value of an "#if" expression whose macros were already replaced and
// whose "defined" operators became 0 or 1. False when it is malformed.
bool l8_pre_evaluate(const std::string& text, long* result);
