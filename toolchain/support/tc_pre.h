// The C preprocessor of the compiler drivers of an installation: logical
// lines, comments, "#include" with the "..." and <...> searches, object-like
// and function-like "#define" (only object-like macros are replaced in the
// text; function-like ones are recorded and listed), "#undef", the
// conditionals with "#if" arithmetic, "#error" and "#warning".
//
// What differs between the drivers is data of tc_pre_config: search
// directories, which other directives are copied or dropped, where an
// unclosed "#if" is reported, and how included headers are listed. The drivers' predefined macros go into the macro
// table before a run. Warnings go through tc_raise, so "-w", the message
// states and the warnings-as-errors rule of the message facility apply.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

struct tc_pre_macro {
  std::string params;  // "(a,b)" for a function-like macro, else empty
  std::string value;
};

// The macros of a translation unit, and the order they were defined in.
struct tc_pre_macros {
  std::unordered_map<std::string, tc_pre_macro> table;
  std::vector<std::string> order;
};

// "NAME" or "NAME(params)" with its value; a later definition replaces an
// earlier one and keeps its place in the definition order.
void tc_pre_define(tc_pre_macros& macros, const std::string& name, const std::string& value);
// "NAME" (value 1) or "NAME=VALUE", as -D gives it.
void tc_pre_define_option(tc_pre_macros& macros, const std::string& definition);
void tc_pre_undefine(tc_pre_macros& macros, const std::string& name);

enum class tc_pre_order { definition, name };
// "#define NAME VALUE" lines for every macro.
std::string tc_pre_listing(const tc_pre_macros& macros, tc_pre_order order);

struct tc_pre_config {
  std::vector<std::string> user_dirs;    // -I, searched for both forms
  std::vector<std::string> system_dirs;  // the installation's, searched last
  // The directory a quoted include is searched in when the including file's
  // name has none ("" leaves the name as written).
  std::string here;
  bool keep_comments = false;
  bool line_markers = true;  // "# N "file"" lines in the output
  // Other directives: copied to the output, or accepted and dropped;
  // "" stands for the null directive, "0" for line-number lines ("# 12 ...").
  // Any directive named in neither list is an error.
  std::vector<std::string> copied{"pragma"};
  std::vector<std::string> dropped;
  // An "#if" left open is reported at its own line, else at the file's end.
  bool unclosed_at_if = false;
  bool report_open_comment = false;  // a block comment still open at the end
  // Called for each header as it is included (depth 0 for the main file's).
  std::function<void(int depth, const std::string& path)> list_header;
};

struct tc_pre_header {
  std::string path;
  bool system;  // found in one of the system directories
};

struct tc_pre_result {
  std::string text;
  std::vector<tc_pre_header> headers;  // every inclusion, in order
};

// Where an include of `name` from the file `from` is found with the
// config's directories ("" when nowhere): beside `from` for the quoted form,
// then the user's directories, then the system's. *system is set for a
// header of the system directories, and for one found beside `from` when
// `from` is a system header itself.
std::string tc_pre_find_include(const tc_pre_config& config, const std::string& name, bool quoted,
                                const std::string& from, bool* system, bool from_system = false);

// The input name that stands for standard input, and the name messages,
// line markers and listings give it.
inline constexpr const char* kTcStdin = "-";
inline constexpr const char* kTcStdinName = "<stdin>";

// Reads standard input whole (once; later calls give the same text). False,
// without reading, when standard input is a terminal: a build would wait
// for a user who is not there.
bool tc_read_stdin(std::string* text);

// A line marker of preprocessed text, as the preprocessors write them
// ("# 12 \"file\" 1 3") or as "#line 12 \"file\"": its line number and,
// when named, its file. False for any other line.
bool tc_pre_marker(const std::string& line, int* number, std::string* file);

// Preprocesses the file with the macros (updated by its directives),
// appending to the result. Problems are reported at their file and line;
// false when any error was.
bool tc_preprocess(const tc_pre_config& config, tc_pre_macros& macros, const std::string& path,
                   tc_pre_result& result);
