// SHA-256 and SHA-1 as the secure hash standard defines them, and the hash
// manifest of an installation.
#include "selftests/shahash.h"

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/fileutils.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "debug/lumodebug.h"

namespace {

constexpr uint32_t kSha256K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};
constexpr uint32_t kSha256Initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
constexpr uint32_t kSha1Initial[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};

constexpr uint32_t rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
constexpr uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t big_endian(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void sha256_block(uint32_t h[8], const unsigned char* block) {
  uint32_t w[64];
  for (int t = 0; t < 16; ++t) w[t] = big_endian(block + 4 * t);
  for (int t = 16; t < 64; ++t) {
    uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
    uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
    w[t] = w[t - 16] + s0 + w[t - 7] + s1;
  }
  uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
  for (int t = 0; t < 64; ++t) {
    uint32_t t1 = k + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kSha256K[t] + w[t];
    uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    k = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += k;
}

void sha1_block(uint32_t h[5], const unsigned char* block) {
  uint32_t w[80];
  for (int t = 0; t < 16; ++t) w[t] = big_endian(block + 4 * t);
  for (int t = 16; t < 80; ++t) w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
  uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d), k = 0x5a827999;
    } else if (t < 40) {
      f = b ^ c ^ d, k = 0x6ed9eba1;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d), k = 0x8f1bbcdc;
    } else {
      f = b ^ c ^ d, k = 0xca62c1d6;
    }
    uint32_t temp = rotl(a, 5) + f + e + k + w[t];
    e = d;
    d = c;
    c = rotl(b, 30);
    b = a;
    a = temp;
  }
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

// The message padding both hashes share: 0x80, zeros, the bit length.
template <typename State, typename Block>
void pad(State* s, Block block_fn, uint32_t* h) {
  const uint64_t bits = s->length * 8;
  const unsigned char one = 0x80, zero = 0;
  auto feed = [&](const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      s->block[s->used++] = p[i];
      if (s->used == 64) {
        block_fn(h, s->block);
        s->used = 0;
      }
    }
  };
  feed(&one, 1);
  while (s->used != 56) feed(&zero, 1);
  unsigned char length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
  feed(length, 8);
}

template <typename State, typename Block>
void update(State* s, const void* data, size_t n, Block block_fn, uint32_t* h) {
  const auto* p = static_cast<const unsigned char*>(data);
  s->length += n;
  while (n) {
    size_t take = std::min(n, sizeof s->block - s->used);
    memcpy(s->block + s->used, p, take);
    s->used += take;
    p += take;
    n -= take;
    if (s->used == 64) {
      block_fn(h, s->block);
      s->used = 0;
    }
  }
}

void to_hex(const uint32_t* h, int words, char* hex) {
  static const char digits[] = "0123456789abcdef";
  for (int i = 0; i < words; ++i)
    for (int j = 0; j < 8; ++j) hex[8 * i + j] = digits[(h[i] >> (28 - 4 * j)) & 0xf];
  hex[8 * words] = '\0';
}

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

[[noreturn]] void cannot_open(const char* path) {
  fprintf(stderr, "!! Cannot open file \"%s\"\n", path);
  cleanup(1);
}

// Reads the file in chunks into the hash.
template <typename Feed>
void read_file(const char* path, Feed feed) {
  File f(fopen(path, "rb"));
  if (!f) cannot_open(path);
  unsigned char chunk[kShaChunk];
  while (size_t n = fread(chunk, 1, sizeof chunk, f.get())) feed(chunk, n);
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

}  // namespace

void sha256_init(sha256_state* s) {
  memcpy(s->h, kSha256Initial, sizeof s->h);
  s->length = 0;
  s->used = 0;
}
void sha256_update(sha256_state* s, const void* data, size_t n) { update(s, data, n, sha256_block, s->h); }
void sha256_final(sha256_state* s, char hex[65]) {
  pad(s, sha256_block, s->h);
  to_hex(s->h, 8, hex);
}
void sha1_init(sha1_state* s) {
  memcpy(s->h, kSha1Initial, sizeof s->h);
  s->length = 0;
  s->used = 0;
}
void sha1_update(sha1_state* s, const void* data, size_t n) { update(s, data, n, sha1_block, s->h); }
void sha1_final(sha1_state* s, char hex[41]) {
  pad(s, sha1_block, s->h);
  to_hex(s->h, 5, hex);
}

const char* shahash_fileSha256(const char* path) {
  sha256_state s;
  sha256_init(&s);
  read_file(path, [&](const unsigned char* p, size_t n) { sha256_update(&s, p, n); });
  char hex[65];
  sha256_final(&s, hex);
  return sc_intern(hex);
}

const char* shahash_fileSha1(const char* path) {
  sha1_state s;
  sha1_init(&s);
  read_file(path, [&](const unsigned char* p, size_t n) { sha1_update(&s, p, n); });
  char hex[41];
  sha1_final(&s, hex);
  return sc_intern(hex);
}

bool shahash_checkFile(const char* expected, const char* path) {
  if (!expected || !path || !path_exists(path) || path_is_dir(path)) return false;
  return strcmp(shahash_fileSha256(path), expected) == 0;
}

vector* shahash_readManifest(const char* path, const char* base) {
  DB_ENTER("%s, %s", path ? path : "(null)", base ? base : "(null)");
  File f(path ? fopen(path, "r") : nullptr);
  if (!f) {
    DB_EXIT("cannot open the manifest");
    return nullptr;
  }
  vector* records = vec_new();
  while (const char* line = sc_readLine(f.get())) {
    const char* blank = strchr(line, ' ');
    if (!blank) {
      for (uint32_t i = 0; i < vec_size(records); ++i) delete vec_get_as<manifest_record*>(records, i);
      vec_free(records);
      DB_EXIT("a line without a blank");
      return nullptr;
    }
    std::string name = trim(blank + 1);
    if (!name.empty() && name[0] == '*') name.erase(0, 1);
    auto* record = new manifest_record{sc_substr(line, static_cast<size_t>(blank - line)),
                                       base ? sc_pathJoin(base, name.c_str()) : sc_intern(name.c_str())};
    vec_push(records, record);
  }
  if (vec_size(records) == 0) {
    vec_free(records);
    DB_EXIT("no line");
    return nullptr;
  }
  DB_EXIT("%u records", vec_size(records));
  return records;
}

void shahash_collect(PathStyle style, vector* records, const char* directory, const char* prefix) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(directory));
  if (!dir) return;
  while (const dirent* entry = readdir(dir.get())) {
    if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
    char* full = path_join(directory, entry->d_name, style);
    char* relative = path_join(prefix, entry->d_name, style);
    if (path_is_dir(full))
      shahash_collect(style, records, full, relative);
    else
      vec_push(records, new manifest_record{shahash_fileSha256(full), sc_intern(relative)});
    free(full);
    free(relative);
  }
}

bool shahash_generate(PathStyle style, const char* directory, const char* manifest) {
  DB_ENTER("%s, %s", directory, manifest);
  const char* temporary = osd_tmpname(nullptr);
  File out(temporary ? fopen(temporary, "w") : nullptr);
  if (!out) {
    DB_EXIT("cannot write the temporary manifest");
    return false;
  }
  vector* records = vec_new();
  shahash_collect(style, records, directory, directory);
  for (uint32_t i = 0; i < vec_size(records); ++i) {
    auto* r = vec_get_as<manifest_record*>(records, i);
    fprintf(out.get(), "%s *%s\n", r->hash, r->path);
    delete r;
  }
  vec_free(records);
  if (fclose(out.release()) != 0) return false;
  bool copied = copyfile(temporary, manifest);
  DB_EXIT("%d", copied);
  return copied;
}

bool findFileLike(const char* fragment, const char* directory) {
  DB_NOTE("Looking for files like: \"%s\" in directory: \"%s\"", fragment, directory);
  std::unique_ptr<DIR, DirCloser> dir(directory ? opendir(directory) : nullptr);
  if (!dir) return false;
  const std::string wanted = sc_lower(fragment);
  while (const dirent* entry = readdir(dir.get())) {
    if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
    if (std::string(sc_lower(entry->d_name)).find(wanted) != std::string::npos) {
      DB_NOTE("Found");
      return true;
    }
  }
  DB_NOTE("Not found");
  return false;
}
