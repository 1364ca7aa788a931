// instaudit: checks an installation against its hash manifest, and writes
// that manifest.
//
//   instaudit [-v] -c --instdir=<dir> [--manifest=<file>]
//       recomputes the SHA-256 digest of every file the manifest lists
//       (names relative to <dir>); -v prints a line per file.
//   instaudit [-v] --generate --instdir=<dir> [--manifest=<file>]
//       writes the manifest over every file under <dir> (the build's last
//       step); the manifest itself is not listed.
//
// The manifest defaults to <dir>/manifest. Exit status: 0 when every file
// matches (or the manifest was written), 1 when a file differs, is missing
// or cannot be read, 2 when the options or the manifest cannot be used.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/msgnum.h"
#include "toolchain/support/tc_diag.h"
#include "toolchain/tools/manifest.h"
#include "common/sha.h"

namespace {

constexpr const char* kProgram = "instaudit";
constexpr int kStatusMismatch = 1;
constexpr int kStatusUnusable = 2;

enum class Action { none, check, generate };

struct Options {
  bool verbose = false;
  Action action = Action::none;
  std::string instdir;
  std::string manifest;
};

bool set_action(Options* o, Action a, const char* arg) {
  if (o->action != Action::none && o->action != a) {
    tc_raise(kMsgAuditTwoActions, kProgram, arg);
    return false;
  }
  o->action = a;
  return true;
}

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (strcmp(a, "-v") == 0) {
      o->verbose = true;
    } else if (strcmp(a, "-c") == 0) {
      if (!set_action(o, Action::check, a)) return false;
    } else if (strcmp(a, "--generate") == 0) {
      if (!set_action(o, Action::generate, a)) return false;
    } else if (strncmp(a, "--instdir=", 10) == 0) {
      o->instdir = a + 10;
    } else if (strncmp(a, "--manifest=", 11) == 0) {
      o->manifest = a + 11;
    } else {
      tc_raise(kMsgAuditUnknownOption, kProgram, a);
      return false;
    }
  }
  if (o->action == Action::none) {
    tc_raise(kMsgAuditNothingToDo, kProgram);
    return false;
  }
  if (o->instdir.empty()) {
    tc_raise(kMsgAuditNoInstdir, kProgram);
    return false;
  }
  struct stat st;
  if (stat(o->instdir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    tc_raise(kMsgAuditNotADirectory, kProgram, o->instdir.c_str());
    return false;
  }
  if (o->manifest.empty()) o->manifest = manifest_path(o->instdir, "manifest");
  return true;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int check(const Options& o) {
  std::vector<manifest_entry> entries;
  manifest_read_result r = manifest_read(o.manifest.c_str(), &entries);
  switch (r.status) {
    case manifest_status::ok: break;
    case manifest_status::cannot_open:
      tc_raise(kMsgAuditCannotReadManifest, kProgram, o.manifest.c_str(),
               r.detail.c_str());
      return kStatusUnusable;
    case manifest_status::empty:
      tc_raise(kMsgAuditEmptyManifest, kProgram, o.manifest.c_str());
      return kStatusUnusable;
    case manifest_status::garbled:
      tc_raise(kMsgAuditBadManifestLine, kProgram, o.manifest.c_str(), r.line,
               r.detail.c_str());
      return kStatusUnusable;
  }
  int checked = 0, failed = 0;
  for (const manifest_entry& e : entries) {
    std::string path = manifest_path(o.instdir, e.name);
    // A manifest cannot hold its own digest; an entry for it is passed over.
    if (same_file(path, o.manifest)) {
      if (o.verbose) printf("SKIPPED   %s (the manifest itself)\n", e.name.c_str());
      continue;
    }
    ++checked;
    struct stat st;
    std::string digest;
    const char* verdict = "OK";
    if (stat(path.c_str(), &st) != 0)
      verdict = "MISSING";
    else if (!S_ISREG(st.st_mode) || !sha256_file_hex(path.c_str(), &digest))
      verdict = "UNREADABLE";
    else if (digest != e.hash)
      verdict = "MODIFIED";
    bool ok = strcmp(verdict, "OK") == 0;
    if (!ok) ++failed;
    if (!ok || o.verbose) printf("%-9s %s\n", verdict, e.name.c_str());
  }
  if (o.verbose || failed)
    printf("%s: %d files checked, %d failed: installation %s\n", kProgram, checked, failed,
           failed ? "does not match its manifest" : "verified");
  return failed ? kStatusMismatch : 0;
}

int generate(const Options& o) {
  std::vector<manifest_entry> entries;
  std::string bad;
  if (!manifest_collect(o.instdir, o.manifest, &entries, &bad)) {
    tc_raise(kMsgAuditCannotRead, kProgram, bad.c_str());
    return kStatusUnusable;
  }
  if (!manifest_write(o.manifest.c_str(), entries)) {
    tc_raise(kMsgAuditCannotWriteManifest, kProgram, o.manifest.c_str());
    return kStatusUnusable;
  }
  if (o.verbose) printf("%s: %zu files listed in %s\n", kProgram, entries.size(), o.manifest.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  tc_diag_init();
  if (argc == 2 && strcmp(argv[1], "--help") == 0) {
    printf("Usage: %s [-v] -c --instdir=<dir> [--manifest=<file>]\n"
           "       %s [-v] --generate --instdir=<dir> [--manifest=<file>]\n"
           "Checks the files of an installation against the SHA-256 digests of its\n"
           "manifest (-c), or writes the manifest (--generate). The manifest defaults to\n"
           "<dir>/manifest. Exit status 0: verified; 1: a file differs or is missing;\n"
           "2: the options or the manifest cannot be used.\n",
           kProgram, kProgram);
    return 0;
  }
  Options o;
  if (!parse(argc, argv, &o)) return kStatusUnusable;
  int status = o.action == Action::check ? check(o) : generate(o);
  if (fflush(stdout) != 0 && status == 0) status = kStatusUnusable;
  return status;
}
