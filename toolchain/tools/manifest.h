// The installation manifest: one line per installed file, "%s *%s\n" with
// the file's SHA-256 digest (64 lower-case hexadecimal digits) and its name
// relative to the version directory, which begins with "." and the host's
// separator (".\bin\x.exe" on Windows hosts, "./bin/x" elsewhere).
//
// Reading follows the rules lumo8-cc reads by (the digest is the text
// before the first blank, the name the rest with white space trimmed and one
// leading '*' removed) and is stricter besides: every digest must be 64
// lower-case hexadecimal digits and every name non-empty.
#pragma once

#include <string>
#include <vector>

struct manifest_entry {
  std::string hash;
  std::string name;  // as written in the manifest
  int line;
};

enum class manifest_status { ok, cannot_open, empty, garbled };

struct manifest_read_result {
  manifest_status status = manifest_status::ok;
  int line = 0;        // the offending line when garbled
  std::string detail;  // why
};

manifest_read_result manifest_read(const char* path, std::vector<manifest_entry>* entries);

// The file name a manifest name stands for under dir: names written on a
// Windows host use backslashes, which a POSIX host reads as separators.
std::string manifest_path(const std::string& dir, const std::string& name);

// The entries for every regular file under dir, in name order, with names
// "." + separator + relative path; the file `skip` names (the manifest
// itself, or empty for none) is left out. False when a file cannot be read (*bad names it).
bool manifest_collect(const std::string& dir, const std::string& skip, std::vector<manifest_entry>* entries,
                      std::string* bad);

// Writes the entries through a temporary file beside path, renamed into
// place only when complete; a manifest that already holds exactly these
// entries is not rewritten.
bool manifest_write(const char* path, const std::vector<manifest_entry>& entries);
