// The self test of a real installation: a copy of the staged one, so that
// faults can be put into it. Each fault must make exactly the self tests
// fail that look at it, with their own texts, and a fresh manifest must make
// the integrity tests pass again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::RunResult;
using testutil::TempDir;

// Failing test name -> the report's text for it (type, message, details).
using Failures = std::map<std::string, std::string>;

struct Report {
  int tests = -1;
  std::set<std::string> passed;
  Failures failed;
};

// The text report: one line per test, failed ones followed by their
// failure block up to the next empty line.
Report read_report(const std::string& text) {
  Report report;
  static const std::regex heading(R"(Total tests: (\d+);)");
  static const std::regex line(R"(^(\S+) +(.+?) +(pass|fail) +\((\d+\.\d\d)\)$)");
  std::smatch m;
  if (std::regex_search(text, m, heading)) report.tests = std::stoi(m[1]);
  std::string current;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    std::string l = text.substr(pos, eol - pos);
    pos = eol == std::string::npos ? text.size() : eol + 1;
    if (std::regex_match(l, m, line)) {
      current = m[2];
      if (m[3] == "pass") {
        report.passed.insert(current);
        current.clear();
      } else {
        report.failed[current];
      }
    } else if (!current.empty()) {
      if (l.empty()) {
        current.clear();
      } else {
        report.failed[current] += l + "\n";
      }
    }
  }
  return report;
}

class SelfTest : public ::testing::Test {
 protected:
  SelfTest() : ver_(root_.path() + "/lumo8/v2.50") {
    const char* stage = getenv("LUMO_STAGE");
    fs::create_directories(root_.path() + "/lumo8");
    fs::copy(stage ? stage : "", ver_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
  RunResult run(const std::vector<std::string>& args, std::chrono::seconds limit = testutil::kRunLimit) {
    std::vector<std::string> argv{ver_ + "/bin/lumo8-cc"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testutil::run(argv, work_.path(), {"TEMP=" + temp_.path()}, limit);
  }
  Report report() { return read_report(testutil::read_file(work_.file("test_report.txt"))); }
  std::vector<std::string> outputs() { return testutil::list_dir(work_.path()); }
  std::string ver(const std::string& rel) const { return ver_ + "/" + rel; }

  TempDir root_, work_, temp_;
  std::string ver_;
};

TEST_F(SelfTest, AllPassesOnAFreshInstallation) {
  RunResult r = run({"--selftest=all"});
  EXPECT_EQ(r.status, 0);
  Report rep = report();
  EXPECT_TRUE(rep.failed.empty()) << testutil::read_file(work_.file("test_report.txt"));
  EXPECT_GT(rep.tests, 150);
  EXPECT_EQ(static_cast<int>(rep.passed.size()) + static_cast<int>(rep.failed.size()) <= rep.tests, true);
  for (const char* name : {"check if readme file exists", "SHA256 check", "extraneous installation files",
                           "assemble for device zir18f545", "C90 compile for device zir10a110",
                           "Check macros & C90 search paths for zir18f545",
                           "Ensure objects can be added to/removed from libraries for zir16c401",
                           "compile for device kx128q16", "SHA256 check lumo8-cc"})
    EXPECT_EQ(rep.passed.count(name), 1u) << name;
  // "all" holds both report options and the batch display: one line per
  // test, the group verdict on a line of its own.
  EXPECT_NE(r.out.find("[           docs] check if readme file exists\ncheck if user guide exists\npass\n"),
            std::string::npos)
      << r.out.substr(0, 400);
  EXPECT_NE(r.out.find("XML test report written to: test_report.xml\nTXT test report written to: test_report.txt\n"),
            std::string::npos);
  const std::string junit = testutil::read_file(work_.file("test_report.xml"));
  EXPECT_EQ(junit.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<testsuite name=\"Lumo8-CC self test\"", 0), 0u);
  EXPECT_NE(junit.find("failures=\"0\""), std::string::npos);
  EXPECT_EQ(testutil::list_dir(temp_.path()), std::vector<std::string>{});
}

TEST_F(SelfTest, Selections) {
  struct Case {
    std::string list;
    std::vector<std::string> files;  // what the run leaves in the working directory
    std::string out;                 // "" for no output at all; else a text it holds
    std::multiset<std::string> tests = {};  // the tests of the text report
  };
  const std::string readme = "check if readme file exists";
  const std::vector<Case> cases = {
      {"--selftest=docs_readme", {}, ""},
      {"--selftest=,", {}, ""},
      {"--selftest=none,xmlreport", {}, ""},
      {"--selftest=verbose,docs_readme,docs_readme,txtreport", {"test_report.txt"}, "Complete. Total tests: 2; 0 failed",
       {readme, readme}},
      {"--selftest=DOCS_README,txtreport", {"test_report.txt"}, "", {readme}},
      // A group row stays when one of its members is taken out.
      {"--selftest=txtreport,docs,-docs_userguide", {"test_report.txt"}, "", {readme, "check if user guide exists"}},
      {"--selftest=txtreport,integrity_manifest,integrity_sha,integrity_extra,-integrity", {"test_report.txt"}, "", {}},
      {"--selftest=+docs,default,-build,-integrity,-verbose", {"test_report.txt"}, "",
       {readme, "check if user guide exists", readme, "check if user guide exists"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    for (const std::string& f : outputs()) fs::remove(work_.file(f));
    RunResult r = run({c.list});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(outputs(), c.files);
    if (c.out.empty())
      EXPECT_EQ(r.out, "");
    else
      EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    if (c.files.empty()) continue;
    // Counted from the report's lines: a test may be selected twice.
    const std::string text = testutil::read_file(work_.file("test_report.txt"));
    std::multiset<std::string> tests;
    static const std::regex line(R"(\n\S+ +(.+?) +(pass|fail) +\()");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), line); it != std::sregex_iterator(); ++it)
      tests.insert((*it)[1]);
    EXPECT_EQ(tests, c.tests) << text;
  }
}

TEST_F(SelfTest, TheHelpAndTheDefaultSelection) {
  RunResult r = run({"--selftest=help,docs"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(outputs(), std::vector<std::string>{});
  EXPECT_EQ(r.out.rfind("     Option                    Description\n\n"
                        "     help                      Display a list of available options\n"
                        "  *  verbose                   Display self test progress and information\n",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\n     integrity_detailedsha     SHA check installed files and note failed files\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\n" + std::string(31, ' ') + "\n     all                       All of the above\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - 3), "\n\n\n");
  // A bare --selftest runs the default selection with the display and the
  // text report.
  for (const char* arg : {"--selftest"}) {
    for (const std::string& f : outputs()) fs::remove(work_.file(f));
    r = run({arg});
    EXPECT_EQ(outputs(), std::vector<std::string>{"test_report.txt"}) << arg;
    EXPECT_NE(r.out.find("[      integrity] "), std::string::npos);
    EXPECT_TRUE(report().failed.empty());
    EXPECT_EQ(report().passed.count("SHA256 check lumo8-cc"), 0u);  // the detailed checks are not default
  }
}

// The checks each fault concerns, with the failures it must give.
const std::string kIntegrity = "--selftest=txtreport,docs,integrity,integrity_detailedsha";

TEST_F(SelfTest, AChangedFileAndANewManifest) {
  testutil::write_file(ver("docs/lumo8-cc_readme.md"), "changed\n");
  RunResult r = run({kIntegrity});
  EXPECT_EQ(r.status, 0);
  Failures f = report().failed;
  ASSERT_EQ(f.size(), 2u) << testutil::read_file(work_.file("test_report.txt"));
  EXPECT_NE(f["SHA256 check"].find("==> type: integrity test\n==> message: failed verification\n"), std::string::npos);
  EXPECT_NE(f["SHA256 check"].find("lumo8-cc_readme.md"), std::string::npos) << f["SHA256 check"];
  EXPECT_NE(f["SHA256 check lumo8-cc_readme.md"].find("Hash did not match file for file: " + ver_ +
                                                      "/./docs/lumo8-cc_readme.md"),
            std::string::npos)
      << f["SHA256 check lumo8-cc_readme.md"];
  r = run({"--selfinit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Compiler integrity hash file saved to: " + ver_ + "/manifest"), std::string::npos) << r.out;
  // The new manifest lists the old one, which it replaced: only the
  // detailed check of the manifest itself can tell.
  run({kIntegrity});
  Failures after = report().failed;
  ASSERT_EQ(after.size(), 1u) << testutil::read_file(work_.file("test_report.txt"));
  EXPECT_EQ(after.count("SHA256 check manifest"), 1u);
  run({"--selftest=txtreport,docs,integrity"});
  EXPECT_TRUE(report().failed.empty()) << testutil::read_file(work_.file("test_report.txt"));
}

TEST_F(SelfTest, AMissingAuditTool) {
  fs::remove(ver("bin/instaudit"));
  run({kIntegrity});
  Failures f = report().failed;
  ASSERT_EQ(f.size(), 2u) << testutil::read_file(work_.file("test_report.txt"));
  EXPECT_NE(f["SHA256 check"].find("Could not execute the instaudit utility"), std::string::npos) << f["SHA256 check"];
  EXPECT_NE(f["SHA256 check instaudit"].find("Hash did not match file for file:"), std::string::npos);
}

TEST_F(SelfTest, AnExtraFileAndMissingDocs) {
  testutil::write_file(ver("notes.txt"), "");
  testutil::write_file(ver("Uninstall-data.dat"), "");
  run({"--selftest=txtreport,integrity_extra,docs"});
  Failures f = report().failed;
  ASSERT_EQ(f.size(), 1u);
  EXPECT_NE(f["extraneous installation files"].find("found unexpected file \"notes.txt\""), std::string::npos);

  fs::remove_all(ver("docs"));
  fs::remove(ver("notes.txt"));
  run({"--selftest=txtreport,integrity_extra,docs"});
  f = report().failed;
  ASSERT_EQ(f.size(), 2u);
  EXPECT_NE(f["check if readme file exists"].find(
                "==> type: documentation test\n==> message: failed README check\n<------Output-Start------>\n"
                "Could not find and README documentation\n"),
            std::string::npos)
      << f["check if readme file exists"];
  EXPECT_NE(f["check if user guide exists"].find("Could not find and user guide documentation"), std::string::npos);
}

TEST_F(SelfTest, ADriverThatRejectsAChip) {
  // The ZIR driver checks chips against its own device file: without the
  // line, the device support file lists a chip the driver refuses.
  const std::string chips = ver("zir/dat/zirchips.txt");
  std::string text = testutil::read_file(chips);
  const size_t at = text.find("ZIR16C412:");
  ASSERT_NE(at, std::string::npos);
  text.erase(at, text.find('\n', at) - at + 1);
  testutil::write_file(chips, text);
  run({"--selftest=txtreport,build_C90ZIR,build_C99ZIR,build_assembleZIR"});
  Failures f = report().failed;
  std::set<std::string> names;
  for (const auto& [name, details] : f) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{"C90 compile for device zir16c412", "C99 compile for device zir16c412",
                                          "assemble for device zir16c412"}));
  EXPECT_NE(f["C99 compile for device zir16c412"].find("==> message: failed C99 compile for zir16c412\n"),
            std::string::npos);
  EXPECT_NE(f["C99 compile for device zir16c412"].find("command line: "), std::string::npos);
  EXPECT_NE(f["C99 compile for device zir16c412"].find("1: #include <lumo.h>\n"), std::string::npos);
}

// A manifest that is not a regular file fails its check at once: a FIFO
// without a writer is never opened so that it could block.
TEST_F(SelfTest, AManifestThatIsNoFile) {
  for (const char* kind : {"FIFO", "directory"}) {
    SCOPED_TRACE(kind);
    fs::remove_all(ver("manifest"));
    if (std::string(kind) == "FIFO")
      ASSERT_EQ(mkfifo(ver("manifest").c_str(), 0600), 0);
    else
      fs::create_directory(ver("manifest"));
    RunResult r = run({"--selftest=txtreport,integrity_manifest"}, std::chrono::seconds(60));
    EXPECT_FALSE(r.timed_out);
    Failures f = report().failed;
    ASSERT_EQ(f.size(), 1u) << testutil::read_file(work_.file("test_report.txt"));
    EXPECT_NE(f["manifest file exists and can be read"].find("The manifest file could not be opened"),
              std::string::npos)
        << f["manifest file exists and can be read"];
    EXPECT_EQ(testutil::list_dir(temp_.path()), std::vector<std::string>{});
  }
}

TEST_F(SelfTest, SelfinitWithABadPath) {
  RunResult r = run({"--selfinit=/no/such/installation"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "A valid compiler installation could not be found at: /no/such/installation\n");
}

}  // namespace
