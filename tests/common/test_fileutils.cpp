// File identification and copying, on real files in a scratch directory:
// the kinds fileid gives by extension and by content, the content tests on
// well-formed and damaged files, and copying and appending.
#include "common/fileutils.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/objformat.h"
#include "common/osdep.h"
#include "tests/support/testutil.h"

namespace {

using namespace std::string_literals;

// ---- File contents ----

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A record header claiming length bytes, followed by data bytes.
std::string rec(unsigned type, unsigned length, size_t data) {
  return le16(length) + static_cast<char>(type) + std::string(data, 'r');
}
std::string rec(unsigned type, unsigned length) { return rec(type, length, length); }

constexpr unsigned kText = 1, kSym = 4, kEnd = 6, kIdent = 7, kPsectBound = 23;

const std::string kObject = rec(kIdent, 4) + rec(kSym, 10) + rec(kText, 512) + rec(kEnd, 0);
const std::string kP1 = "Version 2.50 HALDRIN Software Intermediate Code\n[v _x `i ~T0 @X0 1 e ]\n";
const std::string kJunk = "this is neither an object nor a p1 file, just text\n";

// A 32-bit (class 1) or other ELF header with the machine number, and a
// little more.
std::string elf(unsigned char cls, uint16_t machine) {
  std::string h = "\x7F" "ELF"s + static_cast<char>(cls) + "\x01\x01"s;
  h.resize(18, '\0');
  h += le16(machine);
  h.resize(52, '\0');
  return h + "program bits";
}

struct Module {
  const char* name;
  std::string data;
  std::vector<obj_lib_symbol> symbols = {{1, "_sym_one"}, {0, "_two"}};
};

// A library as the writer lays it out.
std::string library(const std::vector<Module>& modules) {
  std::vector<obj_lib_module> entries;
  for (const Module& m : modules)
    entries.push_back({m.name, m.symbols.data(), static_cast<uint16_t>(m.symbols.size()), m.data.data(),
                       static_cast<uint32_t>(m.data.size())});
  FILE* f = tmpfile();
  EXPECT_TRUE(obj_write_library(f, entries.data(), entries.size()));
  std::string bytes;
  rewind(f);
  for (int c; (c = fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(c));
  fclose(f);
  return bytes;
}

// Library bytes for the damaged cases the writer refuses to make.
std::string raw_entry(const std::string& name, uint32_t size, const std::string& symbols = "", unsigned count = 0) {
  return le16(0) + le16(count) + le32(size) + le32(0) + name + '\0' + symbols;
}
std::string raw_library(unsigned count, const std::string& directory, const std::string& data) {
  return le16(0) + le16(count) + directory + data;
}

// ---- Scratch files ----

// Each case gets a directory of its own, so names may repeat across cases.
class Scratch {
 public:
  std::string put(const char* name, const std::optional<std::string>& contents) {
    std::string dir = root_.file(std::to_string(n_++));
    mkdir_p(dir.c_str());
    std::string path = dir + "/" + name;
    if (contents) testutil::write_file(path, *contents);
    return path;
  }

 private:
  testutil::TempDir root_;
  int n_ = 0;
};

const std::nullopt_t kMissing = std::nullopt;

struct KindCase {
  const char* name;
  std::optional<std::string> contents;
  uint64_t kind;
};

void expect_kinds(const std::vector<KindCase>& cases, uint64_t (*identify)(const char*)) {
  Scratch scratch;
  for (const KindCase& c : cases) {
    std::string path = scratch.put(c.name, c.contents);
    EXPECT_EQ(identify(path.c_str()), c.kind)
        << c.name << (c.contents ? "" : " (missing)") << std::hex << " got 0x" << identify(path.c_str());
  }
}

TEST(FileId, KindsByExtensionAndContent) {
  expect_kinds(
      {
          {"x.asm", "", 0x400209},
          {"x.c", kMissing, 0x1203},  // the missing bit is part of the kind
          {"X.S", "", 0x400000020D},
          {"x.s", "", 0x800209},
          {"x.Sx", "", 0x400000020D},
          {"x.CfgData", "", 0x40000600},
          // content tests that look at nothing but their own extensions
          {"x.p1", kMissing, 0x1000},
          {"x.o", kMissing, 0x20020 | 0x1000},
          // not in the table: the content alone
          {"x.txt", kMissing, 0x1000},
          {"x.", "", 0},
          {"noext", "", 0},
          // by content
          {"x.o", kP1, 0x20060},
          {"x.o", kObject, 0x10020},
          {"x.o", kJunk, 0x20020},
          {"x.O", kObject, 0x20020},  // the object test wants "o" exactly
          {"x.obj", kObject, 0x10020},
          {"x.obj", kP1, 0x20020},
          {"x.p1", kP1, 0x40240},
          {"x.p1", kJunk, 0},
          {"x.P1", kP1, 0},
          {"data.bin", elf(1, 204), 0x400002000180},
          {"x.zip", kObject, 0},  // no extension of a content test: ELF only
      },
      fileid);
}

// A FIFO or a directory given as an input is identified without being
// opened: opening a FIFO that nobody writes would never return.
TEST(FileId, SpecialFilesAreNotOpened) {
  testutil::TempDir dir;
  struct Case {
    const char* name;
    uint64_t kind;
  };
  const Case cases[] = {
      {"x.o", 0x20020}, {"x.p1", 0}, {"x.lib", 0x4010}, {"x.a", 0x8010}, {"noext", 0},
  };
  for (const Case& c : cases) {
    std::string fifo = dir.file(std::string("fifo_") + c.name);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(fileid(fifo.c_str()), c.kind) << fifo;
    std::string sub = dir.file(std::string("dir_") + c.name);
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    EXPECT_EQ(fileid(sub.c_str()), c.kind) << sub;
  }
  std::string fifo = dir.file("fifo_x.o");
  EXPECT_FALSE(fileid_is_p1(fifo.c_str()));
  EXPECT_FALSE(fileid_is_obj(fifo.c_str()));
  EXPECT_EQ(which_elf(fifo.c_str()), 0u);
  EXPECT_EQ(copyfile(fifo.c_str(), dir.file("copy").c_str()), 0);
}

TEST(FileId, ElfHeaders) {
  const std::string zir = elf(1, 204);
  expect_kinds(
      {
          {"e", zir, 0x400002000180},
          {"e", elf(1, 83), 0x800002000180},
          {"e", elf(1, 40), 0x4000002000180},
          {"e", elf(1, 204 + 256), 0x2000180},  // the machine is a 16-bit field
          {"e", zir.substr(0, 52), 0x400002000180},
          {"e", zir.substr(0, 51), 0},
          {"e", elf(2, 204), 0},
          {"e", "\x7F" "ELG" + zir.substr(4), 0},
          {"e", "", 0},
          {"e", kMissing, 0},
      },
      which_elf);
}

TEST(FileId, ObjectRecords) {
  struct Case {
    const char* what;
    std::string contents;
    bool object;
  } cases[] = {
      {"records up to END", kObject, true},
      {"END alone", rec(kEnd, 0), true},
      {"END with data, junk after it", rec(kEnd, 3) + kJunk, true},
      {"highest type", rec(kPsectBound, 1) + rec(kEnd, 0), true},
      {"no END", rec(kIdent, 4) + rec(kSym, 10), false},
      {"second record of length 600", rec(kIdent, 4) + rec(kSym, 600) + rec(kEnd, 0), false},
      {"513 bytes", rec(kText, 513) + rec(kEnd, 0), false},
      {"type 0", rec(0, 1) + rec(kEnd, 0), false},
      {"RECRANGE", rec(24, 1) + rec(kEnd, 0), false},
      {"data cut short", rec(kIdent, 4) + rec(kText, 10, 9), false},
      {"header cut short", rec(kIdent, 4) + le16(0), false},
      {"empty", "", false},
  };
  Scratch scratch;
  for (const Case& c : cases) {
    std::string path = scratch.put("x.obj", c.contents);
    EXPECT_EQ(fileid_is_obj(path.c_str()), c.object) << c.what;
  }
  EXPECT_FALSE(fileid_is_obj(scratch.put("x.O", kObject).c_str()));
  EXPECT_FALSE(fileid_is_obj(scratch.put("x.p1", kObject).c_str()));
  EXPECT_FALSE(fileid_is_obj(scratch.put("x.obj", kMissing).c_str()));
}

TEST(FileId, P1Markers) {
  const std::string marker = "HALDRIN Software Intermediate Code";
  struct Case {
    const char* name;
    std::string contents;
    bool p1;
  } cases[] = {
      {"x.p1", kP1, true},
      {"x.p1", "Version\t1.0.3 -- " + marker + "\n", true},
      {"x.p1", "Version " + marker, true},   // 42 bytes: the least
      {"x.p1", "Version" + marker, false},   // 41 bytes
      {"x.p1", "Version" + marker + "\n", true},
      {"x.p1", "Version v2.50 " + marker + "\n", false},  // the version number holds a letter
      {"x.p1", "version 2.50 " + marker + "\n", false},
      {"x.p1", "Version 2.50 HALDRIN software Intermediate Code\n", false},
      {"x.p1", "Version" + std::string(20, ' ') + marker + "\n", false},  // beyond the first 60 bytes
      {"x.p1", "\n" + kP1, false},
      {"x.P1", kP1, false},
      {"x.obj", kP1, false},
  };
  Scratch scratch;
  for (const Case& c : cases) {
    std::string path = scratch.put(c.name, c.contents);
    EXPECT_EQ(fileid_is_p1(path.c_str()), c.p1) << c.name << ": " << c.contents;
  }
  EXPECT_FALSE(fileid_is_p1(scratch.put("x.p1", kMissing).c_str()));
}

TEST(FileId, Libraries) {
  const std::string obj_lib = library({{"a.o", kObject}, {"b.o", kObject, {}}});
  const std::string p1_lib = library({{"a.p1", kP1}, {"b.p1", kP1}});
  const std::string mixed = library({{"j.txt", kJunk}, {"a.p1", kP1}, {"b.o", kObject}});
  const std::string junk = library({{"j.txt", kJunk}});
  const std::string junk_then_obj = library({{"j.txt", kJunk}, {"b.o", kObject}});
  const std::string two_entries = raw_entry("a.o", static_cast<uint32_t>(kObject.size())) +
                                  raw_entry("b.o", static_cast<uint32_t>(kObject.size()));
  struct Case {
    const char* name;
    std::optional<std::string> contents;
    uint64_t kind;
    unsigned library;
  } cases[] = {
      {"x.lib", obj_lib, 0x4010, 1},
      {"x.lpp", p1_lib, 0x2010, 2},
      {"x.a", mixed, 0x6010, 3},
      {"x.a", junk, 0x8010, 0},
      {"x.a", junk_then_obj, 0x4010, 1},
      {"x.lib", p1_lib, 0x2010, 2},
      {"x.lib", mixed, 0x4010, 3},
      {"x.lpp", obj_lib, 0x4010, 1},
      {"x.lpp", mixed, 0x2010, 3},
      {"X.LPP", obj_lib, 0x2010, 0},  // the content test wants the extension in lower case
      {"x.lib", kMissing, 0x4010 | 0x1000, 0},
      // damaged or empty directories
      {"x.a", raw_library(0, "", kObject), 0x8010, 0},
      {"x.a", raw_library(2, two_entries, kObject + kObject), 0x4010, 1},
      {"x.a", raw_library(2, two_entries.substr(0, two_entries.size() - 5), ""), 0x8010, 0},
      {"x.a", obj_lib.substr(0, 3), 0x8010, 0},
      {"x.a", raw_library(1, raw_entry("", 1), kObject), 0x8010, 0},
      {"x.a", raw_library(1, raw_entry("a.o", 1, "\x01\0"s, 1), kObject), 0x8010, 0},
      {"x.a", raw_library(1, raw_entry(std::string(32001, 'n'), 1), kObject), 0x8010, 0},
      {"x.a", raw_library(1, raw_entry(std::string(32000, 'n'), 1), kObject), 0x4010, 1},
  };
  Scratch scratch;
  for (const Case& c : cases) {
    std::string path = scratch.put(c.name, c.contents);
    EXPECT_EQ(fileid(path.c_str()), c.kind) << &c - cases << ": " << c.name;
    EXPECT_EQ(fileid_is_library(path.c_str()), c.library) << &c - cases << ": " << c.name;
  }
}

// The content alone: a mixed library is an unrecognised one, as only the
// extension "a" promises both kinds.
TEST(FileId, ScanAlone) {
  expect_kinds({{"x.lib", library({{"a.o", kObject}}), 0x4010},
                {"x.lpp", library({{"a.p1", kP1}}), 0x2010},
                {"x.a", library({{"a.p1", kP1}, {"b.o", kObject}}), 0x8010}},
               scan);
}

// Copies over several 512-byte blocks, to a new file and over a longer one;
// the refusals write nothing.
TEST(CopyFile, CopiesAndRefusals) {
  std::string big;
  for (int i = 0; i < 300; ++i) big += "line " + std::to_string(i) + "\n";
  testutil::TempDir dir;
  std::string from = dir.file("from.txt"), to = dir.file("to.txt"), longer = dir.file("longer.txt");
  testutil::write_file(from, big);
  testutil::write_file(longer, big + big);
  for (const std::string& dst : {to, longer}) {
    EXPECT_TRUE(copyfile(from.c_str(), dst.c_str())) << dst;
    EXPECT_EQ(testutil::read_file(dst), big) << dst;
  }
  EXPECT_EQ(testutil::read_file(from), big);

  std::string missing = dir.file("missing.txt"), other = dir.file("other.txt");
  std::string no_dir = dir.file("no/such/dir.txt");
  struct Case {
    const char* what;
    const char* source;
    const char* destination;
  } cases[] = {
      {"same name", from.c_str(), from.c_str()},
      {"missing source", missing.c_str(), other.c_str()},
      {"destination directory missing", from.c_str(), no_dir.c_str()},
      {"null source", nullptr, other.c_str()},
      {"null destination", from.c_str(), nullptr},
  };
  for (const Case& c : cases) EXPECT_FALSE(copyfile(c.source, c.destination)) << c.what;
  EXPECT_EQ(testutil::read_file(from), big);
  EXPECT_EQ(testutil::list_dir(dir.path()), (std::vector<std::string>{"from.txt", "longer.txt", "to.txt"}));
}

}  // namespace
