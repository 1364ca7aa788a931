// Hashing and the installation's hash manifest: SHA-256 over files, and the
// manifest that lists every installed file with its SHA-256
// digest, one "<64 hex digits> *<name relative to the version directory>"
// line each, in the order the directory walk met the files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "common/pathstyle.h"
#include "common/vector.h"

struct manifest_record {
  const char* hash;
  const char* path;
};

// The digest of a file read untranslated; a file that cannot be opened
// ends the program with status 1.
const char* shahash_fileSha256(const char* path);
// Whether the file exists and its digest is exactly expected.
bool shahash_checkFile(const char* expected, const char* path);
// The records of a manifest (paths joined to base when given), or null when
// it cannot be opened, holds no line, or a line has no blank.
vector* shahash_readManifest(const char* path, const char* base);
// Frees records of shahash_readManifest or shahash_collect, and the vector.
void shahash_freeManifest(vector* records);
// Appends a record for every file under directory, names made from prefix.
void shahash_collect(PathStyle style, vector* records, const char* directory, const char* prefix);
// Writes the manifest of the tree under directory; whether it was written.
bool shahash_generate(PathStyle style, const char* directory, const char* manifest);
// Whether an entry of directory contains fragment, in any letter case.
bool findFileLike(const char* fragment, const char* directory);
