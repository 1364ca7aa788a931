#include "common/stringcache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/testutil.h"

namespace {

TEST(StringCache, EqualTextsShareOneCopy) {
  std::string a = "lumo8", b = "lumo8";
  const char* s = sc_intern(a.c_str());
  EXPECT_NE(s, a.c_str());
  EXPECT_EQ(sc_intern(b.c_str()), s);
  EXPECT_EQ(sc_printf("%s", s), s);
  EXPECT_EQ(sc_printf("lumo%d", 8), s);
  EXPECT_EQ(sc_concat("lu", "mo8"), s);
  EXPECT_EQ(sc_lower("LUMO8"), s);
  EXPECT_EQ(sc_intern(nullptr), nullptr);
  const char* raw = "not interned";
  EXPECT_EQ(sc_concat(nullptr, raw), raw);
  EXPECT_EQ(sc_concat(raw, nullptr), raw);

  // Adopting: an equal cached text wins (the caller's block is freed), else
  // the caller's block is kept.
  EXPECT_EQ(sc_adopt(strdup("lumo8")), s);
  char* fresh = strdup("adopted-text-never-seen");
  EXPECT_EQ(sc_adopt(fresh), fresh);
  EXPECT_EQ(sc_intern("adopted-text-never-seen"), fresh);
}

// Far more texts than the cache has buckets, interned and adopted in turns
// across the point where the cache starts its second index: every text has
// one copy from first to last, and the count is the number of texts.
TEST(StringCache, ManyTextsKeepOneCopyEach) {
  const uint32_t before = sc_count();
  constexpr int kTexts = 6 * static_cast<int>(kStringCacheBuckets);
  std::vector<const char*> first(kTexts);
  for (int i = 0; i < kTexts; ++i) {
    std::string text = "many-" + std::to_string(i) + ".c";
    if (i % 3 == 0) {
      char* block = strdup(text.c_str());
      first[i] = sc_adopt(block);
      EXPECT_EQ(first[i], block);
    } else {
      first[i] = sc_intern(text.c_str());
    }
    // A text interned a while ago is still found, whichever way it came in.
    if (i >= 1000) {
      std::string earlier = "many-" + std::to_string(i - 1000) + ".c";
      ASSERT_EQ(sc_intern(earlier.c_str()), first[i - 1000]) << i;
    }
  }
  EXPECT_EQ(sc_count() - before, static_cast<uint32_t>(kTexts));
  for (int i = 0; i < kTexts; i += 7) {
    std::string text = "many-" + std::to_string(i) + ".c";
    EXPECT_EQ(sc_adopt(strdup(text.c_str())), first[i]) << i;
    EXPECT_EQ(sc_intern(text.c_str()), first[i]) << i;
  }
  EXPECT_EQ(sc_count() - before, static_cast<uint32_t>(kTexts));
}

TEST(StringCache, PathJoin) {
  struct Case {
    PathStyle style;
    const char* dir;
    const char* name;
    const char* joined;
  };
  const Case cases[] = {
      {PathStyle::windows, "C:\\lumo", "bin", "C:\\lumo\\bin"},
      {PathStyle::windows, "C:\\lumo\\", "\\bin", "C:\\lumo\\bin"},
      {PathStyle::windows, "a/b", "c", "a/b\\c"},  // "/" is an ordinary character there
      {PathStyle::posix, "/opt/lumo", "bin", "/opt/lumo/bin"},
      {PathStyle::posix, "/opt/lumo/", "/bin", "/opt/lumo/bin"},
      {PathStyle::posix, "/", "bin", "/bin"},
  };
  for (const Case& c : cases) EXPECT_STREQ(sc_pathJoin(c.dir, c.name, c.style), c.joined) << c.dir;
  const char* name = "x.c";
  EXPECT_EQ(sc_pathJoin("", name), name);
  EXPECT_EQ(sc_pathJoin(nullptr, name), name);
  EXPECT_EQ(sc_pathJoin(name, ""), name);
  EXPECT_EQ(std::string(sc_pathJoin("dir", "x.c")), std::string("dir") + path_separator() + "x.c");  // native
}

TEST(StringCache, TextOperations) {
  EXPECT_STREQ(sc_expandTabs("a\t\tb"), "a        b");
  EXPECT_STREQ(sc_expandTabs("\t"), "    ");
  const char* plain = sc_intern("no tabs");
  EXPECT_EQ(sc_expandTabs("no tabs"), plain);
  EXPECT_STREQ(sc_substr("lumo8", 4), "lumo");
  EXPECT_STREQ(sc_substr("lumo8", 40), "lumo8");
  EXPECT_EQ(sc_substr(nullptr, 1), nullptr);
  EXPECT_STREQ(sc_upper("zir18f"), "ZIR18F");
  EXPECT_STREQ(sc_translate("a\\b\\c", "\\", "/"), "a/b/c");
  EXPECT_STREQ(sc_translate("abc", "aab", "xyz"), "yzc");  // a later pair for a character wins
  EXPECT_STREQ(sc_translate("abc", "abc", "x"), "xbc");     // pairs end with the shorter text
  std::string big(100000, 'x');
  EXPECT_EQ(std::string(sc_printf("<%s>", big.c_str())), "<" + big + ">");
  EXPECT_STREQ(sc_printf("%s", ""), "");
  EXPECT_TRUE(sc_startsWith("-mcpu=zir18", "-mcpu"));
  EXPECT_FALSE(sc_startsWith("-mcpu", "-mcpu=zir18"));
  EXPECT_FALSE(sc_startsWith(nullptr, "-"));
  EXPECT_TRUE(sc_startsWithNoCase("-MCPU=x", "-mcpu"));
  EXPECT_STREQ(sc_afterPrefixNoCase("--CHIP=x", "--chip="), "x");
  EXPECT_EQ(sc_afterPrefixNoCase("-O2", "--chip="), nullptr);
}

TEST(StringCache, PathPieces) {
  struct Case {
    const char* path;
    const char* base;
    const char* stripped_windows;
    const char* stripped_posix;
  };
  const Case cases[] = {
      {"C:\\src\\main.c", "main.c", "C:\\src\\main", "C:\\src\\main"},
      {"src/main.c", "main.c", "src/main", "src/main"},
      {"dir.d/file", "file", "dir", "dir.d/file"},
      {"dir.d\\file", "file", "dir.d\\file", "dir.d\\file"},
      {"A:x.c", "x.c", "A:x", "A:x"},
      {"noext", "noext", "noext", "noext"},
      {"a/b\\c", "c", "a/b\\c", "a/b\\c"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(sc_basename(c.path), c.base) << c.path;
    EXPECT_STREQ(sc_stripExt(c.path, PathStyle::windows), c.stripped_windows) << c.path;
    EXPECT_STREQ(sc_stripExt(c.path, PathStyle::posix), c.stripped_posix) << c.path;
  }
  EXPECT_EQ(sc_basename(nullptr), nullptr);
}

TEST(StringCache, ReadLineOfAnyLength) {
  testutil::TempDir dir;
  std::string long_line(3000, 'q');
  std::string edge1(1022, 'a'), edge2(1023, 'b'), edge3(1024, 'c');
  std::string split_crlf(1022, 'd');  // its carriage return ends the first chunk
  std::string tail(2500, 't');  // the last line, over three chunks and without a line end
  std::string text = long_line + "\n" + "short\r\n" + "\n" + edge1 + "\n" + edge2 + "\n" + edge3 + "\n" +
                     split_crlf + "\r\n" + "lone\rcr\n" + long_line + "\r\n" + tail;
  std::string path = dir.file("lines.txt");
  testutil::write_file(path, text);
  FILE* f = fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  // Read as text on every host: CR LF is a line feed, a lone CR stays.
  std::vector<std::string> expected = {long_line + "\n", "short\n", "\n", edge1 + "\n", edge2 + "\n",
                                       edge3 + "\n", split_crlf + "\n", "lone\rcr\n", long_line + "\n", tail};
  const uint32_t before = sc_count();
  std::string line;
  for (const std::string& e : expected) {
    ASSERT_TRUE(sc_readLine(f, line));
    EXPECT_EQ(line, e);
  }
  EXPECT_FALSE(sc_readLine(f, line));
  fclose(f);
  // Lines read are the caller's: none of them is kept in the cache.
  EXPECT_EQ(sc_count(), before);
}

}  // namespace
