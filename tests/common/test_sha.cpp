// The digest against the FIPS 180-4 test vectors, fed in pieces of every
// awkward size, and the file form against the buffer form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/testutil.h"
#include "common/sha.h"

namespace {

// The digest of bytes fed to a running context in pieces of piece bytes.
std::string digest_of(const std::string& bytes, size_t piece) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  for (size_t at = 0; at < bytes.size(); at += piece)
    sha256_update(&ctx, bytes.data() + at, std::min(piece, bytes.size() - at));
  unsigned char digest[kSha256DigestSize];
  sha256_final(&ctx, digest);
  return sha256_hex(digest);
}

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
    for (size_t piece : {1u, 3u, 63u, 64u, 65u, 1000u, 1000000u})
      EXPECT_EQ(digest_of(v.message, piece), v.digest) << "pieces of " << piece;
  }
}

// Files at the padding and read-chunk edges, read untranslated (a CR LF
// stays two bytes); a missing file leaves the digest alone.
TEST(Sha256, FileDigestEqualsBufferDigest) {
  testutil::TempDir tmp;
  for (size_t size : {55u, 56u, 64u, 120u, 16384u, 16385u}) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes += static_cast<char>((i * 131 + 7) & 0xFF);
    bytes.replace(size / 2, 2, "\r\n");
    testutil::write_file(tmp.file("f"), bytes);
    std::string digest;
    ASSERT_TRUE(sha256_file_hex(tmp.file("f").c_str(), &digest));
    EXPECT_EQ(digest, digest_of(bytes, bytes.size() + 1)) << size;
  }
  std::string untouched = "x";
  EXPECT_FALSE(sha256_file_hex(tmp.file("missing").c_str(), &untouched));
  EXPECT_EQ(untouched, "x");
}

}  // namespace
