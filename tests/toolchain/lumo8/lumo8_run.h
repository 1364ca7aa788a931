// Running the staged lumo8 (and lumo8-cc) the way lumo8-cc's runs do, with
// the error format lumo8-cc sets.
#pragma once

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace l8test {

inline const char* kErrFormat = "%f:%l:%c: error: (%n) %s";
inline const char* kWarnFormat = "%f:%l:%c: warning: (%n) %s";

inline std::string stage() {
  const char* s = getenv("LUMO_STAGE");
  return s ? s : "";
}
inline std::string lumo8() { return stage() + "/zir/bin/lumo8"; }

inline std::vector<std::string> formats() {
  return {std::string("ZOT_ERR_FORMAT=") + kErrFormat, std::string("ZOT_WARN_FORMAT=") + kWarnFormat};
}

// lumo8 with the options, in dir.
inline testutil::RunResult run(const std::string& dir, const std::vector<std::string>& options) {
  std::vector<std::string> argv{lumo8()};
  argv.insert(argv.end(), options.begin(), options.end());
  return testutil::run(argv, dir, formats());
}

// The line an error of lumo8 about no file gives in the format above.
inline std::string error_line(unsigned number, const std::string& text) {
  return "error: (" + std::to_string(number) + ") " + text + "\n";
}

// What editors' problem matchers rely on: each line of the messages names
// file, line and column, or no place at all, never an empty field.
inline bool well_formed(const std::string& err) {
  static const std::regex placed("[^:]+:[0-9]+:[0-9]+: (error|warning): .*");
  static const std::regex unplaced("(error|warning): .*");
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);)
    if (!std::regex_match(line, placed) && !std::regex_match(line, unplaced)) return false;
  return true;
}

// "#include <lumo.h>" and a function, as a build system's smallest source.
inline const char* kSource = "#include <lumo.h>\n#include <stdio.h>\nint\nmain(void) {\n}\n\n";

}  // namespace l8test
