// lumo8-ar as the build tests and users run it: libraries that lumo8-cc
// identifies, modules extracted byte for byte, and every bad input refused
// with the library left exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/support/testutil.h"

namespace {

testutil::RunResult ar(const std::vector<std::string>& args, const std::string& cwd) {
  std::vector<std::string> argv = {testutil::stage() + "/bin/lumo8-ar"};
  argv.insert(argv.end(), args.begin(), args.end());
  return testutil::run(argv, cwd);
}

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string le32(unsigned v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A library written by hand, so that malformed ones can be made too.
struct RawModule {
  std::string name;
  std::string data;
  unsigned size_field;  // normally data.size()
};
std::string raw_library(const std::vector<RawModule>& modules, unsigned count_field) {
  std::string out = le16(0) + le16(count_field);
  for (const RawModule& m : modules) out += le16(0) + le16(0) + le32(m.size_field) + le32(0) + m.name + '\0';
  for (const RawModule& m : modules) out += m.data;
  return out;
}

// Object records: each (type, data) as length, type and data, closed by an
// END record.
std::string object_bytes(std::vector<std::pair<int, std::string>> records) {
  std::string out;
  records.push_back({6, ""});
  for (const auto& [type, data] : records)
    out += le16(static_cast<unsigned>(data.size())) + static_cast<char>(type) + data;
  return out;
}

// A p1 intermediate file whose body mentions tag.
std::string p1_bytes(const std::string& tag) {
  return "Version 2.50    HALDRIN Software Intermediate Code\n[v _" + tag + " `(v ~T0 @X0 1 ef ]\n";
}

// What a run left in dir besides the files named.
std::vector<std::string> others_in(const std::string& dir, const std::vector<std::string>& expected) {
  std::vector<std::string> out;
  for (const std::string& n : testutil::list_dir(dir))
    if (std::find(expected.begin(), expected.end(), n) == expected.end()) out.push_back(n);
  return out;
}

const std::string kObjA = object_bytes({{7, std::string("a.s\0", 4)}, {1, le32(0) + "\x01\x02"}});
const std::string kObjB = object_bytes({{4, std::string("\x81", 1) + le32(4) + std::string("entry\0", 6)}});

// A library of both kinds of module, known as such, that gives its modules
// back byte for byte; a replaced module keeps its place.
TEST(Lumo8Ar, ReplaceKeepsPlaceDeleteAndExtract) {
  testutil::TempDir tmp;
  testutil::write_file(tmp.file("a.p1"), p1_bytes("a"));
  testutil::write_file(tmp.file("b.o"), kObjB);
  ASSERT_EQ(ar({"-r", "l.a", "a.p1", "b.o"}, tmp.path()).status, 0);
  EXPECT_EQ(fileid_is_library(tmp.file("l.a").c_str()), FILEID_LIB_OBJ | FILEID_LIB_P1);
  ASSERT_EQ(testutil::run({"/bin/mkdir", tmp.file("out")}).status, 0);
  ASSERT_EQ(ar({"-x", "../l.a"}, tmp.file("out")).status, 0);
  EXPECT_EQ(testutil::read_file(tmp.file("out/a.p1")), p1_bytes("a"));
  EXPECT_EQ(testutil::read_file(tmp.file("out/b.o")), kObjB);
  EXPECT_EQ(testutil::list_dir(tmp.file("out")).size(), 2u) << "nothing else is written";
  const std::string changed = p1_bytes("a changed, and longer than before");
  testutil::write_file(tmp.file("a.p1"), changed);
  testutil::RunResult verbose = ar({"-v", "-r", "l.a", "a.p1"}, tmp.path());
  ASSERT_EQ(verbose.status, 0);
  EXPECT_EQ(verbose.out, "r - a.p1\n");
  EXPECT_EQ(ar({"-t", "l.a"}, tmp.path()).out, "a.p1\nb.o\n");
  // The defining symbols of object modules go into the directory.
  EXPECT_NE(testutil::read_file(tmp.file("l.a")).find(std::string("entry\0", 6)), std::string::npos);

  testutil::write_file(tmp.file("a.p1"), "overwritten by the extraction");
  ASSERT_EQ(ar({"-x", "l.a", "a.p1"}, tmp.path()).status, 0);
  EXPECT_EQ(testutil::read_file(tmp.file("a.p1")), changed);

  ASSERT_EQ(ar({"-d", "l.a", "a.p1"}, tmp.path()).status, 0);
  EXPECT_EQ(ar({"-t", "l.a"}, tmp.path()).out, "b.o\n");
  EXPECT_EQ(fileid_is_library(tmp.file("l.a").c_str()), FILEID_LIB_OBJ);
}

struct Refusal {
  const char* label;
  std::string library;  // contents of l.a before the run; empty for none
  std::vector<std::string> args;
  const char* number;
};

TEST(Lumo8Ar, BadInputIsRefusedAndTheLibraryKept) {
  const std::string good = raw_library({{"a.o", kObjA, static_cast<unsigned>(kObjA.size())}}, 1);
  const std::string two = raw_library({{"a.o", kObjA, static_cast<unsigned>(kObjA.size())},
                                       {"b.o", kObjB, static_cast<unsigned>(kObjB.size())}},
                                      2);
  const Refusal cases[] = {
      {"no arguments", good, {}, "(1214)"},
      {"unknown option", good, {"-q", "l.a"}, "(1223)"},
      {"library without operation", good, {"l.a"}, "(1223)"},
      {"two operations", good, {"-t", "l.a", "-x"}, "(1228)"},
      {"operation without library", good, {"-x"}, "(1221)"},
      {"replace without modules", good, {"-r", "l.a"}, "(1205)"},
      {"missing library", "", {"-x", "l.a"}, "(1226)"},
      {"missing module file", good, {"-r", "l.a", "absent.o"}, "(1230)"},
      {"text as module", good, {"-r", "l.a", "notes.o"}, "(1240)"},
      {"short header", good.substr(0, 3), {"-t", "l.a"}, "(1238)"},
      {"cut directory", good.substr(0, 10), {"-t", "l.a"}, "(1238)"},
      {"module data short", good.substr(0, good.size() - 1), {"-t", "l.a"}, "(1238)"},
      {"trailing bytes", good + "x", {"-t", "l.a"}, "(1238)"},
      {"count beyond directory", raw_library({{"a.o", kObjA, static_cast<unsigned>(kObjA.size())}}, 2),
       {"-x", "l.a"}, "(1238)"},
      {"empty module name", raw_library({{"", kObjA, static_cast<unsigned>(kObjA.size())}}, 1), {"-t", "l.a"},
       "(1238)"},
      {"directory in name", raw_library({{"../a.o", kObjA, static_cast<unsigned>(kObjA.size())}}, 1),
       {"-x", "l.a"}, "(1238)"},
      {"name twice",
       raw_library({{"a.o", kObjA, static_cast<unsigned>(kObjA.size())},
                    {"a.o", kObjA, static_cast<unsigned>(kObjA.size())}},
                   2),
       {"-t", "l.a"}, "(1238)"},
      {"huge size", raw_library({{"a.o", kObjA, 0xFFFFFFF0u}}, 1), {"-x", "l.a"}, "(1238)"},
      {"extract absent module", two, {"-x", "l.a", "a.o", "c.o"}, "(1208)"},
      {"list with modules", good, {"-t", "l.a", "a.o"}, "(1251)"},
      {"path as module name", good, {"-x", "l.a", "../a.o"}, "(1245)"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.label);
    testutil::TempDir tmp;
    testutil::write_file(tmp.file("b.o"), kObjB);
    testutil::write_file(tmp.file("notes.o"), "just some notes\n");
    if (!c.library.empty()) testutil::write_file(tmp.file("l.a"), c.library);
    testutil::RunResult r = ar(c.args, tmp.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.number), std::string::npos) << r.err;
    if (!c.library.empty()) {
      EXPECT_EQ(testutil::read_file(tmp.file("l.a")), c.library) << "library changed";
    }
    EXPECT_EQ(others_in(tmp.path(), {"b.o", "notes.o", "l.a"}), std::vector<std::string>{})
        << "files left behind";
  }
}

TEST(Lumo8Ar, FailedWriteLeavesTheLibraryAndNoTemporary) {
  testutil::TempDir tmp;
  testutil::write_file(tmp.file("a.p1"), p1_bytes("a"));
  testutil::write_file(tmp.file("b.o"), kObjB);
  ASSERT_EQ(ar({"-r", "l.a", "b.o"}, tmp.path()).status, 0);
  const std::string before = testutil::read_file(tmp.file("l.a"));
  // No file may grow: every write of the new library fails.
  const std::string cmd = "trap '' XFSZ; ulimit -f 0; exec \"" + testutil::stage() + "/bin/lumo8-ar\" -r l.a a.p1";
  testutil::RunResult r = testutil::run({"/bin/sh", "-c", cmd}, tmp.path());
  // (The message cannot be seen: the captured error stream is a file too.)
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(testutil::read_file(tmp.file("l.a")), before);
  EXPECT_EQ(others_in(tmp.path(), {"a.p1", "b.o", "l.a"}), std::vector<std::string>{});
}

}  // namespace
