// The tool chain's binary formats: the exact bytes the writers produce, the
// name reader's stops, and a library written with the writers, read back
// field by field and identified.
#include "common/objformat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/fileutils.h"
#include "tests/support/testutil.h"

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

// An object module as an assembler writes it: records of a 16-bit length,
// a type and the data.
std::string object_module(const char* ident) {
  auto record = [](obj_rectype type, const std::string& data) {
    return std::string{static_cast<char>(data.size()), '\0', static_cast<char>(type)} + data;
  };
  return record(obj_rectype::IDENT, ident) + record(obj_rectype::PSECT, "text\0"s) + record(obj_rectype::END, "");
}

TEST(ObjFormat, LibraryRoundTrip) {
  const std::string obj1 = object_module("first"), obj2 = object_module("second");
  const std::string p1 = "Version 2.50 HALDRIN Software Intermediate Code\n[v _f `(v ~T0 @X0 1 e ]\n";
  const obj_lib_symbol syms1[] = {{1, "_f"}, {0, "_g"}};
  const obj_lib_symbol syms3[] = {{2, "_h"}};
  const obj_lib_module modules[] = {
      {"first.o", syms1, 2, obj1.data(), static_cast<uint32_t>(obj1.size())},
      {"f.p1", nullptr, 0, p1.data(), static_cast<uint32_t>(p1.size()), 9, 77},
      {"second.o", syms3, 1, obj2.data(), static_cast<uint32_t>(obj2.size())},
  };
  testutil::TempDir dir;
  const std::string path = dir.file("mixed.a");
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(obj_write_library(f, modules, 3, 0x4C55));
  fclose(f);

  // Read back as the librarian lists and extracts: directory, then the data.
  f = fopen(path.c_str(), "rb");
  obj_lib_header h{};
  ASSERT_TRUE(obj_read_lib_header(f, &h));
  EXPECT_EQ(h.reserved, 0x4C55);
  ASSERT_EQ(h.module_count, 3);
  std::vector<obj_lib_entry_fixed> entries;
  for (const obj_lib_module& m : modules) {
    obj_lib_entry_fixed e{};
    std::string name;
    ASSERT_TRUE(obj_read_lib_entry_fixed(f, &e));
    ASSERT_EQ(obj_read_name(f, &name), obj_name_status::complete);
    EXPECT_EQ(name, m.name);
    EXPECT_EQ(e.size, m.size);
    EXPECT_EQ(e.reserved16, m.reserved16);
    EXPECT_EQ(e.reserved32, m.reserved32);
    ASSERT_EQ(e.symbol_count, m.symbol_count);
    for (uint16_t i = 0; i < e.symbol_count; ++i) {
      uint8_t flags = 0;
      ASSERT_TRUE(obj_read_u8(f, &flags));
      ASSERT_EQ(obj_read_name(f, &name), obj_name_status::complete);
      EXPECT_EQ(flags, m.symbols[i].flags);
      EXPECT_EQ(name, m.symbols[i].name);
    }
  }
  for (const obj_lib_module& m : modules) {
    std::string data(m.size, '\0');
    ASSERT_EQ(fread(data.data(), 1, data.size(), f), data.size());
    EXPECT_EQ(data, std::string(static_cast<const char*>(m.data), m.size)) << m.name;
  }
  EXPECT_EQ(fgetc(f), EOF);
  fclose(f);

  EXPECT_EQ(fileid_is_library(path.c_str()), FILEID_LIB_OBJ | FILEID_LIB_P1);
  EXPECT_EQ(fileid(path.c_str()), FID_LIB_MIXED);
}

}  // namespace
