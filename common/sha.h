// SHA-256 (FIPS 180-4): the digests of the installation manifest.
// A running context takes bytes in pieces of any size; the file form reads
// the file untranslated in blocks of kSha256FileChunk bytes. Only the file
// form is traced; the rest is arithmetic over bytes, block by block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr size_t kSha256DigestSize = 32;
inline constexpr size_t kSha256HexSize = 2 * kSha256DigestSize;
inline constexpr size_t kSha256FileChunk = 16384;

struct sha256_ctx {
  uint32_t state[8];
  uint64_t length;  // bytes taken so far
  unsigned char block[64];
  size_t used;  // bytes of block filled
};

void sha256_init(sha256_ctx* ctx);
void sha256_update(sha256_ctx* ctx, const void* data, size_t size);
void sha256_final(sha256_ctx* ctx, unsigned char digest[kSha256DigestSize]);

// 64 lower-case hexadecimal digits, high nibble first.
std::string sha256_hex(const unsigned char digest[kSha256DigestSize]);
// The digest of a whole file; false (out untouched) when it cannot be opened
// or read.
bool sha256_file_hex(const char* path, std::string* out);
