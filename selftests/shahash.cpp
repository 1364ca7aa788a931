// File digests and the hash manifest of an installation.
#include "selftests/shahash.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/alert.h"
#include "common/cleanup.h"
#include "common/fileutils.h"
#include "common/sha.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

[[noreturn]] void cannot_open(const char* path) {
  fprintf(stderr, "!! Cannot open file \"%s\"\n", path);
  cleanup(1);
}

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

}  // namespace

const char* shahash_fileSha256(const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  std::string hex;
  if (!sha256_file_hex(path, &hex)) cannot_open(path);
  return sc_intern(hex.c_str());
}

bool shahash_checkFile(const char* expected, const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  if (!expected || !path || !path_exists(path) || path_is_dir(path)) return false;
  bool same = strcmp(shahash_fileSha256(path), expected) == 0;
  DB_EXIT("%d", same);
  return same;
}

vector* shahash_readManifest(const char* path, const char* base) {
  DB_ENTER("%s, %s", path ? path : "(null)", base ? base : "(null)");
  File f(path ? osd_fopen_regular(path, "r") : nullptr);
  if (!f) {
    DB_EXIT("cannot open the manifest");
    return nullptr;
  }
  vector* records = vec_new();
  std::string text;
  while (sc_readLine(f.get(), text)) {
    const char* line = text.c_str();
    const char* blank = strchr(line, ' ');
    if (!blank) {
      shahash_freeManifest(records);
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

void shahash_freeManifest(vector* records) {
  for (uint32_t i = 0; i < vec_size(records); ++i) delete vec_get_as<manifest_record*>(records, i);
  vec_free(records);
}

void shahash_collect(PathStyle style, vector* records, const char* directory, const char* prefix) {
  DB_ENTER("%s, %s", directory ? directory : "(null)", prefix ? prefix : "(null)");
  PathListing names(directory);
  for (uint32_t i = 0; i < names.size(); ++i) {
    char* full = path_join(directory, names[i], style);
    char* relative = path_join(prefix, names[i], style);
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
  DB_ENTER("%s, %s", fragment ? fragment : "(null)", directory ? directory : "(null)");
  DB_NOTE("Looking for files like: \"%s\" in directory: \"%s\"", fragment, directory);
  PathListing names(directory);
  if (!names.ok()) return false;
  const std::string wanted = sc_lower(fragment);
  for (uint32_t i = 0; i < names.size(); ++i) {
    if (std::string(sc_lower(names[i])).find(wanted) != std::string::npos) {
      DB_NOTE("Found");
      return true;
    }
  }
  DB_NOTE("Not found");
  return false;
}
