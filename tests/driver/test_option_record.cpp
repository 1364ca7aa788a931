// Every option row in every value form, for each family, against a record
// of what the program did with it: the exact command file the driver got,
// the standard error, a digest of the standard output and the exit status.
// The record (data/option_record.txt) was taken from the program and is
// checked in, so any change of behaviour shows here case by case.
//
// One case per line, fields separated by tabs: the arguments, the status,
// the digest of standard output, standard error, the command file ("-" when
// the driver did not run). Inside a field "\n", "\t" and "\\" stand for a
// line end, a tab and a backslash. A line with the arguments alone is a
// case not yet recorded; LUMO_RECORD_OPTIONS=1 fills in every outcome
// from the program as it is (to be done only when a change is meant).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_install.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

const char* const kRecord = LUMO_SOURCE_DIR "/tests/driver/data/option_record.txt";

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
  return out;
}

std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

Texts split(const std::string& text, char separator) {
  Texts parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

// FNV-1a of the standard output: listings are long, and their own tests
// compare their text; here any change of them is enough.
std::string digest(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  char buffer[17];
  snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(h));
  return buffer;
}

struct Outcome {
  std::string status, out, err, cmdfile;
  bool operator==(const Outcome&) const = default;
};

class OptionRecord : public ::testing::Test {
 protected:
  // Libraries for "-l" and "-L" to find, and a device family pack of each
  // family ("-mdfp=p", "-mdfp=t"), in the directory the runs start in.
  void SetUp() override {
    for (const char* dir : {"lib", "p/zir", "t/tev"}) fs::create_directories(inst_.work_dir() + "/" + dir);
    for (const char* file : {"lib/libfoo.a", "lib/bar.lpp", "baz.lib", "lib/libq.x.lib", "lib/q.x"})
      std::ofstream(inst_.work_dir() + "/" + file);
  }

  // The run's own directories and temporary root stand as names.
  std::string normalised(std::string text) const {
    for (const auto& [path, name] : {std::pair{inst_.version_dir(), "<ver>"}, {inst_.temp_dir(), "<temp>"},
                                     {inst_.work_dir(), "<work>"}, {inst_.record_dir(), "<rec>"}})
      for (size_t at; (at = text.find(path)) != std::string::npos;) text.replace(at, path.size(), name);
    static const std::regex root(R"(<temp>/+lumo[A-Z][^/\s"]+)");
    return std::regex_replace(text, root, "<tmp>");
  }

  Outcome run(const Texts& args) {
    fs::remove(inst_.record_dir() + "/cmdfile");
    testutil::RunResult r = inst_.run(args);
    for (const auto& entry : fs::directory_iterator(inst_.temp_dir())) fs::remove_all(entry.path());
    std::string cmdfile = fs::exists(inst_.record_dir() + "/cmdfile") ? inst_.command_file() : "-";
    return {std::to_string(r.status), digest(normalised(r.out)), normalised(r.err), normalised(cmdfile)};
  }

  testutil::TestInstall inst_;
};

TEST_F(OptionRecord, EveryRowInEveryFormAsRecorded) {
  std::ifstream in(kRecord, std::ios::binary);
  ASSERT_TRUE(in) << kRecord;
  const bool record = getenv("LUMO_RECORD_OPTIONS") != nullptr;
  std::string rewritten;
  size_t cases = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') {
      rewritten += line + "\n";
      continue;
    }
    Texts fields = split(line, '\t');
    Texts args = split(unescape(fields[0]), '\n');
    Outcome got = run(args);
    ++cases;
    if (record) {
      rewritten += fields[0];
      for (const std::string* f : {&got.status, &got.out, &got.err, &got.cmdfile}) rewritten += "\t" + escape(*f);
      rewritten += "\n";
      continue;
    }
    ASSERT_EQ(fields.size(), 5u) << "not recorded: " << fields[0];
    Outcome want{fields[1], fields[2], unescape(fields[3]), unescape(fields[4])};
    EXPECT_TRUE(got == want) << fields[0] << "\nstatus " << got.status << " (recorded " << want.status
                             << ")\nstderr:\n" << got.err << "recorded:\n" << want.err << "command file:\n"
                             << got.cmdfile << "recorded:\n" << want.cmdfile;
  }
  if (record) std::ofstream(kRecord, std::ios::binary) << rewritten;
  EXPECT_GE(cases, 1000u);
}

}  // namespace
