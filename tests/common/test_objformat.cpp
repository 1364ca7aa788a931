// The tool chain's binary formats: the exact bytes the writers produce, what
// they refuse to write, and the name reader's stops.
#include "common/objformat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// What write put on a fresh stream, and whether it reported success.
struct Written {
  bool ok;
  std::string bytes;
};

Written written(const std::function<bool(FILE*)>& write) {
  FILE* f = tmpfile();
  Written w{write(f), {}};
  rewind(f);
  for (int c; (c = fgetc(f)) != EOF;) w.bytes.push_back(static_cast<char>(c));
  fclose(f);
  return w;
}

// A stream holding bytes, positioned at the start.
FILE* stream_of(const std::string& bytes) {
  FILE* f = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  return f;
}

const obj_lib_symbol kSymbols[] = {{1, "_main"}, {0x80, "s"}};

TEST(ObjFormat, WritersProduceLittleEndianLayouts) {
  obj_lib_module entry{"mod", kSymbols, 2, nullptr, 0x10203, 5, 0x0A0B0C0D};
  struct Case {
    const char* what;
    std::function<bool(FILE*)> write;
    std::string bytes;
  } cases[] = {
      {"u8", [](FILE* f) { return obj_write_u8(f, 0xA5); }, "\xA5"},
      {"u16", [](FILE* f) { return obj_write_u16(f, 0x1234); }, "\x34\x12"},
      {"u32", [](FILE* f) { return obj_write_u32(f, 0x12345678); }, "\x78\x56\x34\x12"},
      {"name", [](FILE* f) { return obj_write_name(f, "x1"); }, "x1\0"s},
      {"library header", [](FILE* f) { return obj_write_lib_header(f, {7, 0x0102}); }, "\x07\x00\x02\x01"s},
      {"directory entry", [&](FILE* f) { return obj_write_lib_entry(f, entry); },
       "\x05\x00\x02\x00\x03\x02\x01\x00\x0D\x0C\x0B\x0A" "mod\0\x01_main\0\x80s\0"s},
  };
  for (const Case& c : cases) {
    Written w = written(c.write);
    EXPECT_TRUE(w.ok) << c.what;
    EXPECT_EQ(w.bytes, c.bytes) << c.what;
  }
}

TEST(ObjFormat, WritersRefuseWhatWouldNotReadBackAndWriteNothing) {
  const std::string too_long(kObjMaxNameLength + 1, 'n');
  const obj_lib_symbol empty_symbol[] = {{0, "ok"}, {0, ""}};
  const char data[kObjMaxRecordLength + 1] = {};
  const obj_lib_module fine{"m", nullptr, 0, data, 1};
  struct Case {
    const char* what;
    std::function<bool(FILE*)> write;
  } cases[] = {
      {"empty name", [](FILE* f) { return obj_write_name(f, ""); }},
      {"null name", [](FILE* f) { return obj_write_name(f, nullptr); }},
      {"name too long", [&](FILE* f) { return obj_write_name(f, too_long.c_str()); }},
      {"empty module name",
       [&](FILE* f) { return obj_write_lib_entry(f, obj_lib_module{"", nullptr, 0, data, 1}); }},
      {"empty symbol name",
       [&](FILE* f) { return obj_write_lib_entry(f, obj_lib_module{"m", empty_symbol, 2, data, 1}); }},
      {"symbols missing",
       [&](FILE* f) { return obj_write_lib_entry(f, obj_lib_module{"m", nullptr, 1, data, 1}); }},
      {"library with a bad second module",
       [&](FILE* f) {
         const obj_lib_module m[] = {fine, {"m2", empty_symbol, 2, data, 1}};
         return obj_write_library(f, m, 2);
       }},
      {"module data missing",
       [&](FILE* f) {
         const obj_lib_module m[] = {fine, {"m2", nullptr, 0, nullptr, 4}};
         return obj_write_library(f, m, 2);
       }},
      {"65536 modules",
       [&](FILE* f) {
         std::vector<obj_lib_module> m(65536, fine);
         return obj_write_library(f, m.data(), m.size());
       }},
  };
  for (const Case& c : cases) {
    Written w = written(c.write);
    EXPECT_FALSE(w.ok) << c.what;
    EXPECT_EQ(w.bytes, "") << c.what;
  }
  // The limit itself is accepted.
  EXPECT_TRUE(written([&](FILE* f) { return obj_write_name(f, too_long.c_str() + 1); }).ok);
}

TEST(ObjFormat, NamesStopAtTheNulTheEndOrTheLimit) {
  struct Case {
    std::string bytes;
    size_t limit;
    obj_name_status status;
    std::string name;     // what was read before the stop
    int next;             // the byte the stream is left at
  } cases[] = {
      {"abc\0d"s, 10, obj_name_status::complete, "abc", 'd'},
      {"\0d"s, 10, obj_name_status::complete, "", 'd'},
      {"abc", 10, obj_name_status::at_end, "abc", EOF},
      {"", 10, obj_name_status::at_end, "", EOF},
      {"abcd\0"s, 4, obj_name_status::complete, "abcd", EOF},
      {"abcde\0"s, 4, obj_name_status::too_long, "abcd", '\0'},
  };
  for (const Case& c : cases) {
    FILE* f = stream_of(c.bytes);
    std::string name = "stale";
    EXPECT_EQ(obj_read_name(f, &name, c.limit), c.status) << c.bytes;
    EXPECT_EQ(name, c.name) << c.bytes;
    EXPECT_EQ(fgetc(f), c.next) << c.bytes;
    fclose(f);
  }
}

}  // namespace
