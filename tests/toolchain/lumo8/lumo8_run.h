// Running the staged lumo8 (and lumo8-cc) the way lumo8-cc's runs do, with
// the error format lumo8-cc sets.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace l8test {

inline const char* kErrFormat = "%f:%l:%c: error: (%n) %s";
inline const char* kWarnFormat = "%f:%l:%c: warning: (%n) %s";

inline std::string lumo8() { return testutil::stage() + "/zir/bin/lumo8"; }

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

struct HexRecord {
  unsigned count, address, type;
  std::vector<unsigned> data;
};

// The records of a HEX image; fails the test on a line that is not a record
// with the right length and checksum.
inline std::vector<HexRecord> hex_records(const std::string& text) {
  std::vector<HexRecord> records;
  for (const std::string& line : testutil::lines_of(text)) {
    EXPECT_TRUE(line.size() >= 11 && line[0] == ':' && line.size() % 2 == 1) << line;
    if (line.size() < 11) break;
    std::vector<unsigned> bytes;
    unsigned sum = 0;
    for (size_t i = 1; i + 1 < line.size(); i += 2) {
      bytes.push_back(std::stoul(line.substr(i, 2), nullptr, 16));
      sum += bytes.back();
    }
    EXPECT_EQ(bytes.size(), bytes[0] + 5u) << line;
    EXPECT_EQ(sum % 256, 0u) << "checksum: " << line;
    records.push_back({bytes[0], bytes[1] << 8 | bytes[2], bytes[3], {bytes.begin() + 4, bytes.end() - 1}});
  }
  return records;
}

}  // namespace l8test
