// The preprocessor of tev-gcc: #include with the "..." and <...> search,
// object-like #define and #undef, the conditionals (#if with defined() and
// integer expressions, #ifdef, #ifndef, #elif, #else, #endif), #error,
// #warning and #pragma; comments removed unless asked to keep them.
//
// Function-like macros are recorded (and listed by -dM) but their uses are
// left as written.
#pragma once

#include <map>
#include <string>
#include <vector>

struct tev_macro {
  std::string params;  // "(a,b)" for a function-like macro, else empty
  std::string value;
};

using tev_macro_table = std::map<std::string, tev_macro>;

struct tev_pp_options {
  std::vector<std::string> include_dirs;  // -I, in order
  std::string system_dir;                 // empty with -nostdinc or when it does not exist
  bool keep_comments = false;
  bool list_headers = false;
  bool line_markers = true;
};

struct tev_pp_result {
  std::string text;
  std::vector<std::string> user_headers;    // every included file, first inclusion order
  std::vector<std::string> system_headers;  // those found in the system directory
};

// Preprocesses `path` with `macros` (updated by its directives). False when
// an error was reported.
bool tev_preprocess(const std::string& path, tev_macro_table& macros, const tev_pp_options& options,
                    tev_pp_result& result);

// Defines NAME (value "1") or NAME=VALUE as -D does.
void tev_define(tev_macro_table& macros, const std::string& definition);

// "#define NAME VALUE" lines, by name.
std::string tev_macro_listing(const tev_macro_table& macros);
