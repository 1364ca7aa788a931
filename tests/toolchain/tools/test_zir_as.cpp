// zir-as: the object file it writes, and the numbered, located errors of
// bad sources and options (the self test assembles for every device as the
// build tests do).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

testutil::RunResult as(const std::vector<std::string>& args, const std::string& cwd) {
  std::vector<std::string> argv = {testutil::stage() + "/zir-as/bin/zir-as"};
  argv.insert(argv.end(), args.begin(), args.end());
  return testutil::run(argv, cwd);
}

struct Record {
  int type;
  std::string data;
};

std::vector<Record> records_of(const std::string& bytes) {
  std::vector<Record> out;
  size_t at = 0;
  while (at + 3 <= bytes.size()) {
    size_t length = static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
    out.push_back({static_cast<unsigned char>(bytes[at + 2]), bytes.substr(at + 3, length)});
    at += 3 + length;
  }
  EXPECT_EQ(at, bytes.size());
  return out;
}

TEST(ZirAs, ObjectHoldsCodeSymbolsAndStart) {
  testutil::TempDir tmp;
  testutil::write_file(tmp.file("m.s"),
                       "; a small program\n"
                       "LIMIT   equ 0x20\n"
                       "        global main\n"
                       "        psect code\n"
                       "main:   movlw LIMIT     ; load\n"
                       "        movwf PORT\n"
                       "loop:   goto loop\n"
                       "table:  db 1, \"ab\", 'c'\n"
                       "        dw 0x1234\n"
                       "PORT    equ 6\n"
                       "        end main\n"
                       "this line follows END and is not read\n");
  testutil::RunResult r = as({"-mcpu=zir12a210", "m.s"}, tmp.path());
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<Record> recs = records_of(testutil::read_file(tmp.file("m.o")));
  ASSERT_GE(recs.size(), 4u);
  EXPECT_EQ(recs.front().type, 7);  // IDENT
  EXPECT_NE(recs.front().data.find("ZIR12A210"), std::string::npos);
  EXPECT_EQ(recs.back().type, 6);  // END
  std::string code, symbols, start;
  for (const Record& rec : recs) {
    if (rec.type == 1) code += rec.data.substr(4);
    if (rec.type == 4) symbols += rec.data.substr(5);
    if (rec.type == 5) start = rec.data;
  }
  // movlw 0x20, movwf 6, goto loop (address 4 -> word 2), then the data.
  EXPECT_EQ(code, std::string("\x20\x30\x86\x00\x02\x28\x01\x61\x62\x63\x34\x12", 12));
  for (const char* name : {"main", "loop", "table", "LIMIT", "PORT"})
    EXPECT_NE(symbols.find(std::string(name) + '\0'), std::string::npos) << name;
  EXPECT_EQ(start, std::string(4, '\0'));
}

struct BadSource {
  const char* label;
  const char* text;
  const char* number;
  int line;
  const char* file = "bad.s";  // where the error is
};

TEST(ZirAs, BadSourcesGiveNumberedLocatedErrors) {
  const BadSource cases[] = {
      {"unknown operation", "\tnop\n\tfrob 1\n", "(815)", 2},
      {"literal out of range", "\tmovlw 256\n", "(826)", 1},
      {"bit out of range", "\tbsf 3,8\n", "(826)", 1},
      {"missing operand", "\tmovwf\n", "(816)", 1},
      {"undefined symbol", "\tgoto nowhere\n", "(800)", 1},
      {"label twice", "a:\tnop\na:\tnop\n", "(801)", 2},
      {"forward ORG", "\torg later\nlater:\tnop\n", "(921)", 1},
      {"malformed number", "\tmovlw 12z\n", "(817)", 1},
      {"division by zero", "\tmovlw 1/0\n", "(819)", 1},
      {"unterminated string", "\tdb \"abc\n", "(866)", 1},
      {"EQU without name", "\tequ 3\n", "(899)", 1},
      {"unknown directive", "#define X 1\n", "(809)", 1},
      {"missing include", "#include <nothere.inc>\n", "(806)", 1},
      {"undefined start label", "\tnop\n\tend start\n", "(839)", 2},
      {"garbage line", "\t+++\n", "(813)", 1},
      {"in an included file", "#include \"defs.inc\"\n\tnop\n\tend\n", "(815)", 2, "defs.inc"},
      {"included from itself", "#include \"loop.inc\"\n", "(807)", 1, "loop.inc"},
  };
  for (const BadSource& c : cases) {
    SCOPED_TRACE(c.label);
    testutil::TempDir tmp;
    testutil::write_file(tmp.file("bad.s"), c.text);
    testutil::write_file(tmp.file("defs.inc"), "OK equ 1\n\tbogus\n");
    testutil::write_file(tmp.file("loop.inc"), "#include \"loop.inc\"\n");
    testutil::RunResult r = as({"-mcpu=zir16c401", "-obad.o", "bad.s"}, tmp.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(std::string(c.file) + ": " + std::to_string(c.line) + ": " + c.number), std::string::npos)
        << r.err;
    EXPECT_EQ(testutil::list_dir(tmp.path()), (std::vector<std::string>{"bad.s", "defs.inc", "loop.inc"}))
        << "no object is left";
  }
}

TEST(ZirAs, BadOptionsAreRefused) {
  struct Case {
    std::vector<std::string> args;
    const char* number;
  };
  const Case cases[] = {
      {{"-mcpu=zir16c401", "-q", "ok.s"}, "(904)"},
      {{"-mcpu=zir16c401", "ok.s", "-o"}, "(906)"},
      {{"-mcpu=zir16c401"}, "(911)"},
      {{"-mcpu=zir16c401", "ok.s", "ok.s"}, "(909)"},
      {{"ok.s"}, "(913)"},
      {{"-mcpu=kx8m1", "ok.s"}, "(919)"},
      {{"-mcpu=zir18f545", "-mrom=0-", "ok.s"}, "(927)"},
      {{"-mcpu=zir16c401", "absent.s"}, "(805)"},
  };
  testutil::TempDir tmp;
  testutil::write_file(tmp.file("ok.s"), "\tnop\n\tend\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    testutil::RunResult r = as(c.args, tmp.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.number), std::string::npos) << r.err;
  }
  EXPECT_EQ(testutil::list_dir(tmp.path()), std::vector<std::string>{"ok.s"});
  testutil::write_file(tmp.file("noend.s"), "\tnop\n");
  testutil::RunResult no_end = as({"-mcpu=zir16c401", "-c", "noend.s"}, tmp.path());
  EXPECT_EQ(no_end.status, 0) << "a missing END is only a warning";
  EXPECT_NE(no_end.err.find("(933)"), std::string::npos) << no_end.err;
}

}  // namespace
