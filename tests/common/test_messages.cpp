// The message catalogue: the embedded texts, the choice of message file, the
// merge of a message file with the embedded catalogue, malformed lines and
// the language table. Cases that load tables run in a child process.
#include "common/messages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <regex>

#include <filesystem>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/lumoinstdir.h"
#include "common/registry.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::in_child;
using testutil::write_file;

const std::vector<std::string> kCleanEnv = {"-ZOT_ERR_FORMAT", "-ZOT_WARN_FORMAT", "-ZOT_MSG_FORMAT"};

// An installation <tmp>/lumo8/v2.50 with zir/dat, and a separate working
// directory; the child points the facility at it before the first load.
struct Installation {
  testutil::TempDir tmp;
  std::string ver = tmp.file("lumo8/v2.50");
  std::string dat = ver + "/zir/dat";
  std::string cwd = tmp.file("work");
  Installation() {
    fs::create_directories(dat);
    fs::create_directories(ver + "/bin");
    fs::create_directories(cwd);
  }
  testutil::RunResult run(const std::function<int()>& body, std::chrono::seconds limit = testutil::kRunLimit) const {
    std::string v = ver;
    return in_child(
        [v, &body] {
          if (lumoinstdir_set(v.c_str()) != 0) return 90;
          return body();
        },
        cwd, kCleanEnv, limit);
  }
};

std::string base_name(const char* path) { return fs::path(path).filename().string(); }

// Every row of the embedded catalogue is there to look up, and its text
// holds only conversions the facility's printing can carry: flags, width,
// precision, a length and one of the conversions its callers pass.
TEST(Messages, EmbeddedTextsArePrintable) {
  static const std::regex conversion(R"(%(%|m|[-+ #0]*(\*|\d+)?(\.(\*|\d+))?(l|ll|h|z)?[diouxXcsp]))");
  uint32_t rows = 0;
  for (uint32_t n = 0; n < msg_table_size(); ++n) {
    const msg* m = msg_primary_record(n);
    if (!m) continue;
    ++rows;
    EXPECT_EQ(std::regex_replace(m->text, conversion, "").find('%'), std::string::npos) << n << ": " << m->text;
  }
  EXPECT_EQ(rows, 1367u);
}

TEST(Messages, ChoiceOfMessageFile) {
  struct Case {
    const char* name;
    std::vector<const char*> dat_files;
    std::vector<const char*> cwd_files;
    int lang;
    const char* chosen;  // base name
  };
  const std::vector<Case> cases = {
      {"nothing anywhere", {}, {}, kLangDefault, kEmbeddedCatalogueName},
      {"legacy file loses to the embedded catalogue", {"en_msgs.txt"}, {}, kLangDefault, kEmbeddedCatalogueName},
      {"older file loses", {"20200101000000_en.msgs"}, {}, kLangDefault, kEmbeddedCatalogueName},
      {"the installation wins a tie", {"20240725155939_en.msgs"}, {}, kLangDefault, "20240725155939_en.msgs"},
      {"newest of several", {"20250101000000_en.msgs", "20260101000000_en.msgs", "20251231000000_en.msgs"}, {},
       kLangDefault, "20260101000000_en.msgs"},
      {"dat stops the search", {"20250101000000_en.msgs"}, {"20260101000000_en.msgs"}, kLangDefault,
       "20250101000000_en.msgs"},
      {"working directory as the last resort", {}, {"20260101000000_en.msgs"}, kLangDefault, "20260101000000_en.msgs"},
      {"other languages are not English", {"20250101000000_fr.msgs", "20250101000000_de.msgs"}, {}, kLangEnglish,
       kEmbeddedCatalogueName},
      {"French", {"20250101000000_fr.msgs", "20260101000000_en.msgs"}, {}, kLangFrench, "20250101000000_fr.msgs"},
      {"a name that only contains the suffix", {"20250101000000_en.msgs.bak"}, {}, kLangDefault, kEmbeddedCatalogueName},
  };
  for (const Case& c : cases) {
    Installation inst;
    for (const char* f : c.dat_files) write_file(inst.dat + "/" + f, "2042\tF\treplaced\n");
    for (const char* f : c.cwd_files) write_file(inst.cwd + "/" + f, "2042\tF\treplaced\n");
    const Case* cp = &c;
    auto r = inst.run([cp] {
      alert_print("%s", base_name(msg_filename(cp->lang)).c_str());
      return 0;
    });
    EXPECT_EQ(r.err, std::string(c.chosen) + "\n") << c.name;
  }
}

TEST(Messages, MessageFileReplacesKindsAndTextsButAddsNothing) {
  Installation inst;
  write_file(inst.dat + "/20250101000000_en.msgs",
             "# a replacement file\n"
             "2042\t0\tno device given\r\n"
             "2045 \t E \tno program \"%s\" here   \n"
             "3000\tE\tnot in the catalogue\n");
  auto r = inst.run([] {
    alert_raise(2042);
    alert_raise(2045, "x");
    alert_raise(3000);
    return alert_has_errors();
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "(2042) no device given (warning)\n"
            "(2045) no program \"x\" here   \n"
            "(3000) An error, warning or message was generated, but no description is available\n");
}

TEST(Messages, MalformedLinesAreReportedAndSkipped) {
  Installation inst;
  std::string file = inst.dat + "/20250101000000_en.msgs";
  write_file(file,
             "# comment\n"                             // 1
             "abc\tE\ttext\n"                           // 2: not a number
             "20001\tE\ttext\n"                         // 3: out of range
             "2041\tE\n"                                // 4: no text
             "2044\tQ\tbad type %s\n"                   // 5: kind none, still stored
             "2048\t0\treplaced %s\n"                   // 6
             "#" + std::string(300, 'x') + "\n" +       // 7, and its rest as line 8
             "1428\t0\t%d is the wrong conversion\n"    // 9: does not fit the arguments
             "\n");                                     // 10: empty
  auto r = inst.run([] {
    alert_raise(2044, "a");
    alert_raise(2048, "b");
    alert_raise(1428, "c");
    return 0;
  });
  std::string expected;
  for (int line : {2, 3, 4, 5, 8, 10, 9})
    expected += "Malformed error information on line " + std::to_string(line) + ", in file " + file + "\n\n";
  expected +=
      "(2044) bad type a (warning)\n"
      "(2048) replaced b (warning)\n"
      "(1428) \"c\" is not supported; this feature will be ignored (warning)\n";
  EXPECT_EQ(r.err, expected);
}

// A replacement text is printed with the arguments the program passes for
// the embedded row: one that would read other arguments (or write through
// %n) is refused for that row, and the embedded text stays.
TEST(Messages, ReplacementTextsMustTakeTheEmbeddedArguments) {
  struct Case {
    const char* text;     // replacement for 2044, embedded "unrecognized option \"%s\""
    const char* printed;  // what the row then prints for "a"; null when refused
  };
  const Case cases[] = {
      {"option %s unknown", "option a unknown"},
      {"option %-4.3s|", "option a   |"},
      {"100%% sure: %s", "100% sure: a"},
      {"no argument at all", nullptr},
      {"%n", nullptr},
      {"%hhn%s", nullptr},
      {"%s %s", nullptr},
      {"%d", nullptr},
      {"%*s", nullptr},
      {"%1$s", nullptr},
      {"%ls", nullptr},
      {"%s %", nullptr},
      {"%I%s", nullptr},
  };
  for (const Case& c : cases) {
    Installation inst;
    std::string file = inst.dat + "/20250101000000_en.msgs";
    write_file(file, std::string("2044\t0\t") + c.text + "\n");
    auto r = inst.run([] {
      alert_raise(2044, "a");
      return 0;
    });
    std::string expected = c.printed ? std::string("(2044) ") + c.printed + " (warning)\n"
                                     : "Malformed error information on line 1, in file " + file +
                                           "\n\n(2044) unrecognized option \"a\" (warning)\n";
    EXPECT_EQ(r.status, 0) << c.text;
    EXPECT_EQ(r.err, expected) << c.text;
  }
}

TEST(Messages, LaterLoadsReplaceTextsOnly) {
  Installation inst;
  std::string older = inst.tmp.file("20200101000000_en.msgs");
  std::string newer = inst.tmp.file("20250101000000_en.msgs");
  write_file(older, "2044\t0\told text %s\n");
  write_file(newer, "2044\tE\tnew text %s\n2042\t0\tnot fatal now\n");
  std::string o = older, n = newer;
  auto r = inst.run([o, n] {
    alert_init();
    int results[] = {open_edf(o.c_str()), open_edf(n.c_str()), open_edf(n.c_str()),
                     open_edf((o + ".missing").c_str())};
    for (int v : results) alert_print("%d", v);
    alert_raise(2044, "x");  // the new text, the embedded kind
    alert_raise(2042);       // the new text, the embedded (fatal) kind
    return 0;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "1\n1\n1\n0\n"
            "(2044) new text x (warning)\n"
            "(2042) not fatal now\n");
}

// A message file that cannot be read, here a FIFO without a writer (which is
// never opened so that it could block), leaves the embedded catalogue in
// force.
TEST(Messages, UnreadableMessageFileEndsLoadLanguage) {
  Installation inst;
  std::string file = inst.dat + "/20250101000000_en.msgs";
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  auto r = inst.run(
      [] {
        alert_init();  // the unreadable choice leaves the embedded catalogue
        alert_raise(2044, "x");
        alert_load_language(kLangEnglish);
        return 0;
      },
      std::chrono::seconds(20));
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "(2044) unrecognized option \"x\" (warning)\nCould not open message file " + file + "\n\n");
}

// The version a file name gives, and the order of preference it makes.
TEST(Messages, FileVersionsAndOrdering) {
  const std::pair<const char*, unsigned long long> versions[] = {
      {"/a/b/20250101000000_fr.msgs", 20250101000000ULL},
      {"C:\\lumo8\\dat\\20250101000000_en.msgs", 20250101000000ULL},
      {"en_msgs.txt", 0},
      {"/dir/42", 42},
      {"", 0},
      {"99999999999999999999999_en.msgs", ~0ULL},
  };
  for (const auto& [name, version] : versions) EXPECT_EQ(getMsgFileVersion(name), version) << name;
  struct Case {
    const char* a;
    const char* b;
    int sign;  // of compare(a, b): negative when a is preferred
  };
  const Case cases[] = {
      {"/x/20250101000000_en.msgs", "/y/20240101000000_en.msgs", -1},
      {"/x/en_msgs.txt", kEmbeddedCatalogueName, 1},
      {"/y/20250101000000_en.msgs", "/x/20250101000000_en.msgs", -1},
      {"/x/20250101000000_en.msgs", "/x/20250101000000_en.msgs", 0},
  };
  for (const Case& c : cases) {
    int v = msgfile_compare(&c.a, &c.b);
    EXPECT_EQ((v > 0) - (v < 0), c.sign) << c.a << " vs " << c.b;
  }
}

}  // namespace
