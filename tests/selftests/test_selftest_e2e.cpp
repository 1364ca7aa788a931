// The self test of a real installation: a copy of the staged one, so that
// faults can be put into it. Each fault must make exactly the self tests
// fail that look at it, with their own texts, and a fresh manifest must
// leave only the detailed check of the manifest failing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
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
  std::multiset<std::string> tests;  // by their lines: a test may be selected twice
  Failures failed;
};

// The text report: one line per test, a failed one followed by its failure
// block up to the next empty line.
Report read_report(const std::string& text) {
  static const std::regex line(R"(^\S+ +(.+?) +(pass|fail) +\(\d+\.\d\d\)$)");
  Report report;
  std::smatch m;
  std::string failing;  // the test whose block the lines are
  for (const std::string& l : testutil::lines_of(text)) {
    if (std::regex_match(l, m, line)) {
      report.tests.insert(m[1]);
      failing = m[2] == "fail" ? m[1].str() : "";
      if (!failing.empty()) report.failed[failing];
    } else if (!failing.empty()) {
      report.failed[failing] += l + "\n";
      if (l.empty()) failing.clear();
    }
  }
  return report;
}

class SelfTest : public ::testing::Test {
 protected:
  SelfTest() : ver_(root_.path() + "/lumo8/v2.50") { fresh(); }
  // The version directory a copy of the staged installation again.
  void fresh() {
    fs::remove_all(ver_);
    fs::create_directories(root_.path() + "/lumo8");
    fs::copy(testutil::stage(), ver_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }
  RunResult run(const std::vector<std::string>& args, std::chrono::seconds limit = testutil::kRunLimit) {
    std::vector<std::string> argv{ver_ + "/bin/lumo8-cc"};
    argv.insert(argv.end(), args.begin(), args.end());
    return testutil::run(argv, work_.path(), {"TEMP=" + temp_.path()}, limit);
  }
  std::string report_text() { return testutil::read_file(work_.file("test_report.txt")); }
  Report report() { return read_report(report_text()); }
  std::vector<std::string> outputs() { return testutil::list_dir(work_.path()); }
  std::string ver(const std::string& rel) const { return ver_ + "/" + rel; }

  TempDir root_, work_, temp_;
  std::string ver_;
};

TEST_F(SelfTest, AllPassesOnAFreshInstallation) {
  RunResult r = run({"--selftest=all"});
  EXPECT_EQ(r.status, 0);
  Report rep = report();
  EXPECT_TRUE(rep.failed.empty()) << report_text();
  EXPECT_GT(rep.tests.size(), 150u);
  for (const char* name : {"check if readme file exists", "SHA256 check", "extraneous installation files",
                           "assemble for device zir18f545", "C90 compile for device zir10a110",
                           "Check macros & C90 search paths for zir18f545",
                           "Ensure objects can be added to/removed from libraries for zir16c401",
                           "compile for device kx128q16", "SHA256 check lumo8-cc"})
    EXPECT_EQ(rep.tests.count(name), 1u) << name;
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

// What each selection runs, shows and leaves in the working directory. A
// bare --selftest runs the default selection (without the detailed checks)
// with the display and the text report; the help runs nothing.
TEST_F(SelfTest, Selections) {
  const std::string readme = "check if readme file exists", guide = "check if user guide exists";
  const struct {
    std::string list;
    bool report;      // whether the text report is written
    std::string out;  // "" for no output at all; else a text it holds
    std::multiset<std::string> tests = {};  // of the text report; "*" for any but the detailed checks
  } cases[] = {
      {"--selftest=docs_readme", false, ""},
      {"--selftest=,", false, ""},
      {"--selftest=none,xmlreport", false, ""},
      {"--selftest=verbose,docs_readme,docs_readme,txtreport", true, "Complete. Total tests: 2; 0 failed",
       {readme, readme}},
      {"--selftest=DOCS_README,txtreport", true, "", {readme}},
      // A group row stays when one of its members is taken out.
      {"--selftest=txtreport,docs,-docs_userguide", true, "", {readme, guide}},
      {"--selftest=txtreport,integrity_manifest,integrity_sha,integrity_extra,-integrity", true, "", {}},
      {"--selftest=+docs,default,-build,-integrity,-verbose", true, "", {readme, guide, readme, guide}},
      {"--selftest", true, "[      integrity] ", {"*"}},
      // The help: each row, the default ones marked, "all" after an empty row.
      {"--selftest=help,docs", false,
       "     Option                    Description\n\n"
       "     help                      Display a list of available options\n"
       "  *  verbose                   Display self test progress and information\n"},
      {"--selftest=help", false, "\n     integrity_detailedsha     SHA check installed files and note failed files\n"},
      {"--selftest=help", false,
       "\n" + std::string(31, ' ') +
           "\n     all                       All of the above\n"
           "     none                      None of the above\n"
           "     default                   Default values (*)\n\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    for (const std::string& f : outputs()) fs::remove(work_.file(f));
    RunResult r = run({c.list});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(outputs(), c.report ? std::vector<std::string>{"test_report.txt"} : std::vector<std::string>{});
    if (c.out.empty())
      EXPECT_EQ(r.out, "");
    else
      EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    if (!c.report) continue;
    const Report rep = report();
    EXPECT_TRUE(rep.failed.empty()) << report_text();
    if (c.tests.count("*"))
      EXPECT_EQ(rep.tests.count("SHA256 check lumo8-cc"), 0u);
    else
      EXPECT_EQ(rep.tests, c.tests) << report_text();
  }
}

// Each fault makes exactly the self tests fail that look at it, each with
// the texts given. A manifest that is not a regular file fails its check at
// once: a FIFO without a writer is never opened so that it could block.
TEST_F(SelfTest, Faults) {
  const std::string integrity = "--selftest=txtreport,docs,integrity,integrity_detailedsha";
  const std::string docs = "--selftest=txtreport,integrity_extra,docs";
  const std::string chips = ver("zir/dat/zirchips.txt");
  const std::string c99 = "C99 compile for device zir16c412";
  const std::string manifest = "--selftest=txtreport,integrity_manifest";
  const std::vector<std::pair<std::string, std::string>> unopened = {
      {"manifest file exists and can be read", "The manifest file could not be opened"}};
  const struct {
    const char* what;
    std::function<void()> put;
    std::string selection;
    std::vector<std::pair<std::string, std::string>> failures;  // test name, a text of its block
  } cases[] = {
      {"a changed file", [&] { testutil::write_file(ver("docs/lumo8-cc_readme.md"), "changed\n"); }, integrity,
       {{"SHA256 check", "==> type: integrity test\n==> message: failed verification\n"},
        {"SHA256 check", "lumo8-cc_readme.md"},
        {"SHA256 check lumo8-cc_readme.md",
         "Hash did not match file for file: " + ver_ + "/./docs/lumo8-cc_readme.md"}}},
      {"no audit tool", [&] { fs::remove(ver("bin/instaudit")); }, integrity,
       {{"SHA256 check", "Could not execute the instaudit utility"},
        {"SHA256 check instaudit", "Hash did not match file for file:"}}},
      {"an extra file",
       [&] {
         testutil::write_file(ver("notes.txt"), "");
         testutil::write_file(ver("Uninstall-data.dat"), "");
       },
       docs, {{"extraneous installation files", "found unexpected file \"notes.txt\""}}},
      {"no docs", [&] { fs::remove_all(ver("docs")); }, docs,
       {{"check if readme file exists",
         "==> type: documentation test\n==> message: failed README check\n<------Output-Start------>\n"
         "Could not find and README documentation\n"},
        {"check if user guide exists", "Could not find and user guide documentation"}}},
      // The ZIR driver checks chips against its own device file: without the
      // line, the device support file lists a chip the driver refuses.
      {"a chip the driver rejects",
       [&] {
         std::string text = testutil::read_file(chips);
         const size_t at = text.find("ZIR16C412:");
         ASSERT_NE(at, std::string::npos);
         testutil::write_file(chips, text.erase(at, text.find('\n', at) - at + 1));
       },
       "--selftest=txtreport,build_C90ZIR,build_C99ZIR,build_assembleZIR",
       {{"C90 compile for device zir16c412", ""},
        {"assemble for device zir16c412", ""},
        {c99, "==> message: failed C99 compile for zir16c412\n"},
        {c99, "command line: "},
        {c99, "1: #include <lumo.h>\n"}}},
      {"a FIFO for the manifest", [&] { ASSERT_EQ(mkfifo(ver("manifest").c_str(), 0600), 0); }, manifest, unopened},
      {"a directory for the manifest", [&] { fs::create_directory(ver("manifest")); }, manifest, unopened},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fresh();
    if (std::string(c.what).ends_with("manifest")) fs::remove(ver("manifest"));
    c.put();
    EXPECT_EQ(run({c.selection}, std::chrono::seconds(120)).status, 0);  // not killed at the limit
    Failures f = report().failed;
    std::set<std::string> names, expected;
    for (const auto& [name, details] : f) names.insert(name);
    for (const auto& [name, text] : c.failures) {
      expected.insert(name);
      EXPECT_NE(f[name].find(text), std::string::npos) << name << ":\n" << f[name];
    }
    EXPECT_EQ(names, expected) << report_text();
    EXPECT_EQ(testutil::list_dir(temp_.path()), std::vector<std::string>{});
  }
}

// A new manifest lists the old one, which it replaced: only the detailed
// check of the manifest itself can tell. A path that is no installation is
// refused.
TEST_F(SelfTest, Selfinit) {
  testutil::write_file(ver("docs/lumo8-cc_readme.md"), "changed\n");
  RunResult r = run({"--selfinit"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Compiler integrity hash file saved to: " + ver_ + "/manifest"), std::string::npos) << r.out;
  run({"--selftest=txtreport,docs,integrity,integrity_detailedsha"});
  Failures after = report().failed;
  ASSERT_EQ(after.size(), 1u) << report_text();
  EXPECT_EQ(after.count("SHA256 check manifest"), 1u);
  r = run({"--selfinit=/no/such/installation"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "A valid compiler installation could not be found at: /no/such/installation\n");
}

}  // namespace
