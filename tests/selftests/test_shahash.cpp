// File digests against the system's own tools, and the hash manifest
// written, read back and checked.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "selftests/shahash.h"
#include "tests/support/testutil.h"

namespace {

namespace fs = std::filesystem;

std::string system_digest(const char* tool, const std::string& path) {
  testutil::RunResult r = testutil::run({std::string("/usr/bin/") + tool, path});
  return r.out.substr(0, r.out.find(' '));
}

TEST(Sha, FilesAgreeWithTheSystemTools) {
#ifdef _WIN32
  GTEST_SKIP() << "the digest tool sha256sum is a program of the POSIX host";
#endif
  testutil::TempDir dir;
  for (size_t size : {0, 1, 55, 56, 63, 64, 65, 128, 16383, 16384, 16385, 32768, 100001}) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + 7) % 256);
    const std::string path = dir.file("f" + std::to_string(size));
    testutil::write_file(path, data);
    EXPECT_EQ(shahash_fileSha256(path.c_str()), system_digest("sha256sum", path)) << size;
  }
}

TEST(Sha, AFileThatCannotBeOpenedEndsTheProgram) {
  testutil::RunResult r = testutil::in_child([] {
    shahash_fileSha256("/no/such/file");
    return 0;
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "!! Cannot open file \"/no/such/file\"\n");
}

std::string records(vector* list) {
  if (!list) return "null";
  std::string s;
  for (uint32_t i = 0; i < vec_size(list); ++i) {
    auto* r = vec_get_as<manifest_record*>(list, i);
    s += std::string(i ? "|" : "") + r->hash + " " + r->path;
  }
  shahash_freeManifest(list);
  return s;
}

TEST(Manifest, Reading) {
  testutil::TempDir dir;
  struct Case {
    const char* text;
    const char* base;
    const char* records;
  };
  const Case cases[] = {
      {"abc *./bin/x\n", nullptr, "abc ./bin/x"},
      // the base joined with the host's separator ("%" here)
      {"abc *./bin/x\r\ndef  name \n", "/v", "abc /v%./bin/x|def /v%name"},
      {"abc *./a\nno-blank-here\n", nullptr, "null"},
      {"", nullptr, "null"},
      {"abc **x\n", nullptr, "abc *x"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = dir.file("m" + std::to_string(n++));
    testutil::write_file(path, c.text);
    std::string expected = c.records;
    std::replace(expected.begin(), expected.end(), '%', testutil::kSep);
    EXPECT_EQ(records(shahash_readManifest(path.c_str(), c.base)), expected) << c.text;
  }
  EXPECT_EQ(records(shahash_readManifest(dir.file("absent").c_str(), nullptr)), "null");
}

TEST(Manifest, GeneratedFromATreeAndCheckedBack) {
  testutil::TempDir tree, out;
  fs::create_directories(tree.path() + "/bin");
  fs::create_directories(tree.path() + "/docs/deep");
  testutil::write_file(tree.file("bin/tool"), "tool bytes");
  testutil::write_file(tree.file("docs/deep/guide.md"), "guide");
  testutil::write_file(tree.file("top"), "");
  testutil::RunResult r = testutil::in_child([&] {
    if (chdir(tree.path().c_str()) != 0) return 9;
    return shahash_generate(PathStyle::posix, ".", out.file("manifest").c_str()) ? 0 : 1;
  });
  ASSERT_EQ(r.status, 0) << r.err;
  // A text file: CR LF line ends on Windows.
  EXPECT_EQ(testutil::read_file(out.file("manifest")), testutil::text_bytes(testutil::read_text(out.file("manifest"))));
  const std::string text = testutil::read_text(out.file("manifest"));
  EXPECT_NE(text.find(shahash_fileSha256(tree.file("bin/tool").c_str()) + std::string(" *./bin/tool\n")), std::string::npos)
      << text;
  EXPECT_NE(text.find(" *./docs/deep/guide.md\n"), std::string::npos);
  EXPECT_NE(text.find("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 *./top\n"), std::string::npos);
  vector* list = shahash_readManifest(out.file("manifest").c_str(), tree.path().c_str());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(vec_size(list), 3u);
  for (uint32_t i = 0; i < vec_size(list); ++i) {
    auto* rec = vec_get_as<manifest_record*>(list, i);
    EXPECT_TRUE(shahash_checkFile(rec->hash, rec->path)) << rec->path;
    std::string upper = rec->hash;
    for (char& c : upper) c = static_cast<char>(toupper(c));
    EXPECT_FALSE(shahash_checkFile(upper.c_str(), rec->path));  // digests compare exactly
  }
  shahash_freeManifest(list);
  EXPECT_FALSE(shahash_checkFile(nullptr, tree.file("top").c_str()));
  EXPECT_FALSE(shahash_checkFile("e3b0", tree.file("gone").c_str()));
}

TEST(Manifest, FilesLike) {
  testutil::TempDir dir;
  testutil::write_file(dir.file("README.txt"), "");
  testutil::write_file(dir.file("MyUser_Guide.pdf"), "");
  EXPECT_TRUE(findFileLike("readme", dir.path().c_str()));
  EXPECT_TRUE(findFileLike("user_guide", dir.path().c_str()));
  EXPECT_FALSE(findFileLike("manual", dir.path().c_str()));
  EXPECT_FALSE(findFileLike("readme", dir.file("nowhere").c_str()));
}

}  // namespace
