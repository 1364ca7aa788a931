// The integrity tests and the manifest command.
#include "selftests/stIntegrity.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/lumoinstdir.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"
#include "selftests/shahash.h"
#include "selftests/stUtil.h"
#include "selftests/tsuite.h"

namespace {

constexpr const char* kManifestName = "manifest";
// What a version directory may hold besides uninstall and rollback data.
constexpr const char* kExpectedEntries[] = {"tev", "bin", "dfp", "docs", "etc", "manifest", "zir", "zir-as"};

const char* version_dir() { return lumoinstdir(LUMOINSTDIR_VER); }
const char* manifest_path() { return sc_pathJoin(version_dir(), kManifestName); }

void fail(tsuite_test* test, const char* message, const char* details) {
  tsuite_addTestFail(test, "integrity test", message, details);
}

int Manifest(tsuite_test* test) {
  const char* path = manifest_path();
  if (!path_exists(path)) {
    fail(test, "manifest check", "The manifest file could not be found");
    return 0;
  }
  FILE* f = osd_fopen_regular(path, "r");
  if (!f) {
    fail(test, "manifest check", "The manifest file could not be opened");
    return 0;
  }
  fclose(f);
  vector* records = shahash_readManifest(path, version_dir());
  if (!records) fail(test, "manifest check", "The manifest file is corrupted");
  shahash_freeManifest(records);
  return 0;
}

int QuickIntegrityTest(tsuite_test* test) {
  const char* tool = sc_pathJoin(lumoinstdir(LUMOINSTDIR_BIN), sc_concat("instaudit", osd_exe_suffix()));
  DB_NOTE("Test integrity of installation: \"%s\"", version_dir());
  if (!path_exists(tool)) {
    DB_NOTE("Could not find instaudit");
    fail(test, "failed verification", "The instaudit utility could not be found");
  }
  vector* command = vecCommand(tool, "-v", "-c", sc_printf("--instdir=%s", version_dir()),
                               sc_printf("--manifest=%s", manifest_path()), static_cast<const char*>(nullptr));
  DB_NOTE("opening pipe");
  FILE* pipe = osd_popen_vec(command);
  if (!pipe) {
    DB_NOTE("Could not execute instaudit");
    fail(test, "failed verification", "Could not execute the instaudit utility");
    return 0;
  }
  const char* output = fpString(pipe, false);
  DB_NOTE("closing pipe");
  if (osd_pclose(pipe) != 0) fail(test, "failed verification", output);
  return 0;
}

int DetailedIntegrityTest(tsuite_test* test) {
  const auto* record = static_cast<const manifest_record*>(test->data);
  if (!record) {
    fail(test, "failed verification", "The integrity test did not successfully validate");
    return 0;
  }
  if (!shahash_checkFile(record->hash, record->path))
    fail(test, "failed verification", sc_printf("Hash did not match file for file: %s", record->path));
  return 0;
}

bool expected_entry(const char* name) {
  const char* lower = sc_lower(name);
  if (strstr(lower, "uninstall") || strstr(lower, "rollback")) return true;
  for (const char* e : kExpectedEntries)
    if (strcmp(name, e) == 0) return true;
  return false;
}

int ExtraFiles(tsuite_test* test) {
  PathListing names(version_dir());
  for (uint32_t i = 0; i < names.size(); ++i)
    if (!expected_entry(names[i]))
      fail(test, "extraneous files", sc_printf("found unexpected file \"%s\"", names[i]));
  return 0;
}

vector* one(const char* name, tsuite_run_fn run) {
  vector* tests = vec_new();
  vec_push(tests, tsuite_newtest("integrity", name, run, nullptr));
  return tests;
}

void append(vector* all, vector* part) {
  vec_append(all, part);
  vec_free(part);
}

}  // namespace

vector* stIntegrityManifest_tests() {
  DB_ENTER();
  return one("manifest file exists and can be read", Manifest);
}

vector* stIntegritySHA_tests() {
  DB_ENTER();
  return one("SHA256 check", QuickIntegrityTest);
}

vector* stIntegrityExtra_tests() {
  DB_ENTER();
  return one("extraneous installation files", ExtraFiles);
}

vector* stIntegritySHAdetailed_tests() {
  DB_ENTER();
  vector* tests = vec_new();
  vector* records = shahash_readManifest(manifest_path(), version_dir());
  for (uint32_t i = 0; records && i < vec_size(records); ++i) {
    auto* record = vec_get_as<manifest_record*>(records, i);
    vec_push(tests, tsuite_newtest("integrity", sc_printf("SHA256 check %s", path_basename_ptr(record->path)),
                                   DetailedIntegrityTest, record));
  }
  if (records) vec_free(records);
  return tests;
}

vector* stIntegrity_tests() {
  DB_ENTER();
  vector* tests = stIntegrityManifest_tests();
  append(tests, stIntegritySHA_tests());
  append(tests, stIntegrityExtra_tests());
  return tests;
}

int selfinit(const char* path) {
  DB_ENTER("%s", path ? path : "(null)");
  st_verbose_add();
  const char* shown = path && *path ? path : "(the installation of this program)";
  if (path && *path && lumoinstdir_set(path) != 0) {
    st_print(stderr, "A valid compiler installation could not be found at: %s\n", path);
    return 1;
  }
  const char* ver = version_dir();
  st_print(stdout, "Compiler installation found at: %s\n", ver ? ver : "");
  const char* bin = lumoinstdir(LUMOINSTDIR_BIN);
  PathStyle style = kNativePathStyle;
  if (bin && path_exists(sc_pathJoin(bin, "lumo8-cc.exe"))) {
    st_print(stdout, "Compiler installation identified as %swindows OS\n", "");
    style = PathStyle::windows;
  } else if (bin && path_exists(sc_pathJoin(bin, "lumo8-cc"))) {
    st_print(stdout, "Compiler installation identified as %swindows OS\n", "non-");
  } else {
    st_print(stderr, "A valid compiler installation could not be found at: %s\n", shown);
    return 1;
  }
  st_print(stdout, "Generating installation integrity hashes...");
  char* previous = osd_getcwd();
  if (!ver || osd_chdir(ver) != 0) {
    st_print(stderr, "Could not change to directory: \"%s\"\n", ver ? ver : "");
    free(previous);
    return 1;
  }
  const char* manifest = manifest_path();
  shahash_generate(style, ".", manifest);
  if (previous && osd_chdir(previous) != 0) DB_NOTE("could not change back to \"%s\"", previous);
  free(previous);
  st_print(stdout, "done\n");
  st_print(stdout, "Compiler integrity hash file saved to: %s\n", manifest);
  DB_EXIT("0");
  return 0;
}
