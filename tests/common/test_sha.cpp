// The digest against the FIPS 180-4 test vectors, fed in pieces of every
// awkward size, and the file form against the buffer form.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/testutil.h"
#include "common/sha.h"

namespace {

struct Vector {
  std::string message;
  const char* digest;
};

const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, StandardVectorsWhateverThePieces) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.message.substr(0, 20));
    EXPECT_EQ(sha256_hex_of(v.message.data(), v.message.size()), v.digest);
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 1000u}) {
      sha256_ctx ctx;
      sha256_init(&ctx);
      for (size_t at = 0; at < v.message.size(); at += piece)
        sha256_update(&ctx, v.message.data() + at, std::min(piece, v.message.size() - at));
      unsigned char digest[kSha256DigestSize];
      sha256_final(&ctx, digest);
      EXPECT_EQ(sha256_hex(digest), v.digest) << "pieces of " << piece;
    }
  }
}

TEST(Sha1, StandardVectors) {
  EXPECT_EQ(sha1_hex_of("", 0), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(sha1_hex_of("abc", 3), "a9993e364706816aba3e25717850c26c9cd0d89d");
  const std::string m448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(sha1_hex_of(m448.data(), m448.size()), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  const std::string million(1000000, 'a');
  EXPECT_EQ(sha1_hex_of(million.data(), million.size()), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha256, FileDigestEqualsBufferDigestAtPaddingAndChunkEdges) {
  testutil::TempDir tmp;
  for (size_t size : {55u, 56u, 63u, 64u, 119u, 120u, 16384u, 16385u, 40000u}) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>((i * 131 + 7) & 0xFF);
    bytes[size / 2] = '\r';  // read untranslated
    testutil::write_file(tmp.file("f"), bytes);
    std::string digest;
    ASSERT_TRUE(sha256_file_hex(tmp.file("f").c_str(), &digest));
    EXPECT_EQ(digest, sha256_hex_of(bytes.data(), bytes.size())) << size;
  }
  std::string untouched = "x";
  EXPECT_FALSE(sha256_file_hex(tmp.file("missing").c_str(), &untouched));
  EXPECT_EQ(untouched, "x");
}

}  // namespace
