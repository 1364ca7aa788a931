// SHA-256 as FIPS 180-4 defines it, over big-endian 32-bit words.
#include "common/sha.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/osdep.h"
#include "debug/lumodebug_trace.h"

namespace {

constexpr uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

constexpr uint32_t rotr(uint32_t x, unsigned n) { return (x >> n) | (x << (32 - n)); }

uint32_t word_at(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) |
         p[3];
}

void sha256_compress(uint32_t state[8], const unsigned char block[64]) {
  uint32_t w[64];
  for (int i = 0; i < 16; ++i) w[i] = word_at(block + 4 * i);
  for (int i = 16; i < 64; ++i) {
    uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
    uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
  for (int i = 0; i < 64; ++i) {
    uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
    uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

// Bytes go into 64-byte blocks, each compressed when it is full.
template <typename Ctx, typename Compress>
void feed(Ctx* ctx, const void* data, size_t size, Compress compress_block) {
  const auto* p = static_cast<const unsigned char*>(data);
  ctx->length += size;
  while (size) {
    size_t take = sizeof ctx->block - ctx->used;
    if (take > size) take = size;
    memcpy(ctx->block + ctx->used, p, take);
    ctx->used += take;
    p += take;
    size -= take;
    if (ctx->used == sizeof ctx->block) {
      compress_block(ctx->state, ctx->block);
      ctx->used = 0;
    }
  }
}

// The padding: one 1 bit, zeros up to 56 bytes in the last block, then the
// message length in bits, big-endian; the state words out big-endian.
template <typename Ctx, typename Compress>
void finish(Ctx* ctx, unsigned char* digest, size_t words, Compress compress_block) {
  const uint64_t bits = ctx->length * 8;
  ctx->block[ctx->used++] = 0x80;
  if (ctx->used > 56) {
    memset(ctx->block + ctx->used, 0, sizeof ctx->block - ctx->used);
    compress_block(ctx->state, ctx->block);
    ctx->used = 0;
  }
  memset(ctx->block + ctx->used, 0, 56 - ctx->used);
  for (int i = 0; i < 8; ++i) ctx->block[56 + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
  compress_block(ctx->state, ctx->block);
  for (size_t i = 0; i < words; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<unsigned char>(ctx->state[i] >> (24 - 8 * j));
}

std::string hex_of(const unsigned char* digest, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * size);
  for (size_t i = 0; i < size; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0xF];
  }
  return hex;
}

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

// The file read untranslated in chunks into a running context.
template <typename Ctx, typename Update>
bool feed_file(const char* path, Ctx* ctx, Update update) {
  std::unique_ptr<FILE, FileCloser> file(osd_fopen_regular(path, "rb"));
  if (!file) return false;
  auto chunk = std::make_unique<unsigned char[]>(kSha256FileChunk);
  size_t n;
  while ((n = fread(chunk.get(), 1, kSha256FileChunk, file.get())) > 0) update(ctx, chunk.get(), n);
  return !ferror(file.get());
}

}  // namespace

void sha256_init(sha256_ctx* ctx) {
  memcpy(ctx->state, kInitial, sizeof kInitial);
  ctx->length = 0;
  ctx->used = 0;
}

void sha256_update(sha256_ctx* ctx, const void* data, size_t size) { feed(ctx, data, size, sha256_compress); }

void sha256_final(sha256_ctx* ctx, unsigned char digest[kSha256DigestSize]) { finish(ctx, digest, 8, sha256_compress); }

std::string sha256_hex(const unsigned char digest[kSha256DigestSize]) { return hex_of(digest, kSha256DigestSize); }

bool sha256_file_hex(const char* path, std::string* out) {
  DB_ENTER("%s", path ? path : "(null)");
  sha256_ctx ctx;
  sha256_init(&ctx);
  if (!feed_file(path, &ctx, sha256_update)) {
    DB_EXIT("cannot be read");
    return false;
  }
  unsigned char digest[kSha256DigestSize];
  sha256_final(&ctx, digest);
  *out = sha256_hex(digest);
  DB_EXIT("%s", out->c_str());
  return true;
}
