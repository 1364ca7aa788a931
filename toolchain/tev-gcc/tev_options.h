// The option language of tev-gcc: exactly the GNU-style forms its front end
// writes for TEV devices, each with the values that mean something here.
//
// The accepted forms are rows of literal tables (the driver's options, and
// the sub-options that reach the linker, the assembler and the
// preprocessor); tev_parse_options reads the arguments against them into a
// tev_request and reports everything else as a numbered error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class tev_stage { link, compile, assembly, preprocess };
// none: known only by the file's contents (or, for standard input, by the stage).
// preprocessed: C already through the preprocessor (".i", "-x cpp-output").
enum class tev_lang { none, c, preprocessed, assembler, assembler_cpp, object };

struct tev_input {
  std::string path;  // kTcStdin ("-") for standard input
  tev_lang lang;
};

struct tev_macro_op {
  bool define;       // -D (true) or -U
  std::string text;  // "NAME" or "NAME=VALUE"
};

struct tev_request {
  tev_stage stage = tev_stage::link;
  std::string output;  // empty: the default names
  std::vector<tev_input> inputs;
  tev_lang forced_lang = tev_lang::none;  // "-x"

  // preprocessor
  std::vector<tev_macro_op> macros;
  std::vector<std::string> include_dirs;
  bool keep_comments = false;   // -C
  bool list_headers = false;    // -H
  bool dump_macros = false;     // -dM
  bool no_line_markers = false; // -P
  bool nostdinc = false;
  bool deps_only = false;       // -M, -MM
  bool deps_write = false;      // -MD, -MMD
  bool deps_user_only = false;  // -MM, -MMD
  std::string deps_file;        // -MF
  std::vector<std::string> deps_targets;         // -MT, as given
  std::vector<std::string> deps_quoted_targets;  // -MQ, quoted for make when written
  bool deps_phony = false;      // -MP

  // language and code
  std::string standard = "gnu99";
  char optimize = '0';  // '0'..'3', 's', 'g'
  bool debug_info = false;
  bool unsigned_char = false;
  bool const_in_progmem = true;

  // device
  std::string mcu;      // -mmcu
  std::string mdevice;  // -mdevice
  std::string pack;     // -mdfp

  // linking
  std::vector<std::string> library_dirs;
  std::vector<std::string> libraries;
  bool nostartfiles = false;
  bool nodefaultlibs = false;
  std::string map_file;
  std::string summary_file;
  bool gc_sections = false;

  // warnings and reporting
  bool no_warnings = false;
  bool warnings_are_errors = false;
  int verbose = 0;
  bool show_only = false;  // -###

  // listings that end the run
  bool help = false;
  std::string help_class;
  bool target_help = false;
  bool version = false;
};

// The expanded arguments (command files already read) into a request.
// Errors are reported as they are found; the result is false when there
// was any.
bool tev_parse_options(const std::vector<std::string>& args, tev_request& request);

// The language of an input file by its extension ("x.c", "x.S", "x.o");
// none for any other name.
tev_lang tev_lang_of(const std::string& path);
