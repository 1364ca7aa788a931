// The build tests.
#include "selftests/stBuild.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/alert.h"
#include "common/fileutils.h"
#include "common/lumoinstdir.h"
#include "common/msgnum.h"
#include "common/osdep.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"
#include "devices/devices.h"
#include "devices/family.h"
#include "selftests/shahash.h"
#include "selftests/stUtil.h"
#include "selftests/tsuite.h"

namespace {

constexpr const char* kType = "build test";

// TEV devices announced for later releases: their packs are not part of
// this one, so an installation that lists them has no build test for them.
constexpr const char* kSkipChips[] = {"kx256q32", "kx512q32", "tev8x64"};

// The fixed devices of the preprocessor and library tests: three of the
// series 10 to 16, one of series 18 and one TEV device.
constexpr const char* kDeviceA = "zir16c401";
constexpr const char* kDeviceB = "zir12a210";
constexpr const char* kDeviceC = "zir16d457";
constexpr const char* kDeviceD = "zir18f545";
constexpr const char* kDeviceE = "kx32m2";

constexpr char kAsmSource[] = "#include <lumo.inc>\n\tpsect foo\n\tbar:\n\t\tnop\n\tend bar\n";
constexpr char kCSource[] = "#include <lumo.h>\n#include <stdio.h>\nint\nmain(void) {\n}\n\n";

enum Standard { kC90 = 1, kC99 = 2 };
enum ArgumentMode { kAsBuilt = 0, kExtra = 2 };

struct BuildTest;
using check_fn = int (*)(tsuite_test* test, const char* output, const char* captured);

struct BuildTest {
  DeviceType family;
  const char* device;
  int standard;
  int mode;
  vector* extra;
  check_fn check;
};

const char* g_asm_file = nullptr;
const char* g_c_file = nullptr;

const char* data_to_file(const char* directory, const char* extension, const char* text, size_t length) {
  const char* name = osd_tmpname(extension);
  if (!name) alert_raise(kMsgNoTempFile);
  if (directory) name = sc_pathJoin(directory, path_basename_ptr(name));
  FILE* f = fopen(name, "w");
  if (!f) return nullptr;
  bool written = fwrite(text, 1, length, f) == length;
  if (fclose(f) != 0 || !written) return nullptr;
  return name;
}

// The test sources, written once and written again when they have gone.
const char* source(const char*& file, const char* extension, const char* text, size_t length) {
  if (!file || !path_exists(file)) file = data_to_file(nullptr, extension, text, length);
  return file;
}
const char* assemble_test_file() { return source(g_asm_file, ".sx", kAsmSource, sizeof kAsmSource - 1); }
const char* compile_test_file() { return source(g_c_file, ".c", kCSource, sizeof kCSource - 1); }

const char* temp_dir() {
  if (!osd_tmproot() && !osd_tmpname(nullptr)) alert_raise(kMsgNoTempFile);
  return osd_tmproot();
}

void fail(tsuite_test* test, const char* message, const char* details) {
  tsuite_addTestFail(test, kType, message, details);
}

bool skipped(const char* device) {
  for (const char* s : kSkipChips)
    if (strcasecmp(s, device) == 0) return true;
  return false;
}

// The command as built, or (mode 2) without its closing null and followed
// by the extra arguments and theirs.
vector* with_arguments(vector* command, const BuildTest& data) {
  if (data.mode != kExtra || !data.extra) return command;
  vec_pop(command);
  vec_append(command, data.extra);
  return command;
}

void record_command(tsuite_test* test, const vector* command, const char* source_file) {
  tsuite_addTestDetail(test, sc_printf("\ncommand line: %s\n-> test file (%s) contents:\n%s\n", vecString(command),
                                       path_basename_ptr(source_file), fileString(source_file, true)));
}

struct ToolRun {
  bool started = false;
  int status = -1;
  const char* output = "";
};

// A tool that did not start is started once more: on Windows a start can
// fail for a moment (under Wine about one self test in ten lost one build
// this way); a tool that cannot start fails twice.
ToolRun run_tool(vector* command) {
  ToolRun run;
  DB_NOTE("opening pipe to %s", vec_get_as<const char*>(command, 0));
  vector* again = vec_new();
  for (uint32_t i = 0; i < vec_size(command); ++i) vec_push(again, vec_get(command, i));
  FILE* pipe = osd_popen_vec(command);
  if (!pipe) {
    DB_NOTE("not started; once more");
    pipe = osd_popen_vec(again);
  } else {
    vec_free(again);
  }
  if (!pipe) return run;
  run.started = true;
  run.output = fpString(pipe, false);
  DB_NOTE("closing pipe");
  run.status = osd_pclose(pipe);
  return run;
}

// The command of a ZIR build test: the tool and its leading options, the
// range option for series 18, the output and the source, with the test's
// extra arguments applied.
vector* zir_command(std::initializer_list<const char*> leading, const BuildTest& data, const char* output,
                    const char* src) {
  vector* command = vec_new();
  for (const char* a : leading) vec_push(command, a);
  if (data.family != DEVICE_ZIR) vec_push(command, "-mrom=default,0-100");
  vec_push(command, sc_printf("-o%s", output));
  vec_push(command, src);
  vec_push(command, nullptr);
  return with_arguments(command, data);
}

// Records the command, runs it, calls the test's check and records a
// failure under message when the tool cannot run (cannot_run as details)
// or ends with a non-zero status (its output as details). The run's status,
// -1 when it did not start.
int run_build(tsuite_test* test, vector* command, const char* src, const char* output, const char* message,
              const char* cannot_run) {
  auto* data = static_cast<BuildTest*>(test->data);
  record_command(test, command, src);
  ToolRun run = run_tool(command);
  if (!run.started) {
    fail(test, message, cannot_run);
    return -1;
  }
  if (data->check) data->check(test, output, run.output);
  if (run.status != 0) fail(test, message, run.output);
  return run.status;
}

const char* zir_name(DeviceType family) { return family == DEVICE_ZIR ? "ZIR" : "ZIR18"; }

int ANYZIRassemble(tsuite_test* test) {
  auto* data = static_cast<BuildTest*>(test->data);
  const char* tool = getDriverPath(TOOL_ZIR_AS);
  if (!tool) {
    fail(test, sc_printf("%s assemble", zir_name(data->family)), "Could not find zir-as driver");
    return 0;
  }
  const char* src = assemble_test_file();
  const char* base = path_basename_ptr(src);
  const char* dot = strrchr(base, '.');
  const char* output = sc_pathJoin(temp_dir(), dot ? sc_substr(base, static_cast<size_t>(dot - base + 1)) : base);
  vector* command = zir_command({tool, "-v", "-v", sc_printf("-mcpu=%s", data->device)}, *data, output, src);
  int status = run_build(test, command, src, output, sc_printf("failed to assemble for %s", data->device),
                         "could not execute assembler");
  if (status > 0) DB_NOTE("failed to assemble");
  if (status == 0) DB_NOTE("assembly passed");
  return 0;
}

int ANYZIRcompile(tsuite_test* test) {
  auto* data = static_cast<BuildTest*>(test->data);
  const char* tool = getDriverPath(TOOL_LUMO8CC);
  if (!tool) {
    DB_NOTE("Could not find Lumo8-CC driver");
    fail(test, sc_printf("%s compile", zir_name(data->family)), "Could not find lumo8-cc driver");
    return 0;
  }
  const char* src = compile_test_file();
  const char* stem = path_basename_ptr(src);
  const char* dot = strrchr(stem, '.');
  const char* output = sc_pathJoin(temp_dir(), dot ? sc_substr(stem, static_cast<size_t>(dot - stem)) : stem);
  const char* standard = data->standard == kC90 ? "C90" : "C99";
  vector* command = zir_command({tool, "-v", "-v", data->standard == kC90 ? "-std=c90" : "-std=c99",
                                 sc_printf("-mcpu=%s", data->device)},
                                *data, output, src);
  run_build(test, command, src, output, sc_printf("failed %s compile for %s", standard, data->device),
            "could not execute compiler");
  return 0;
}

int TEVcompile(tsuite_test* test) {
  auto* data = static_cast<BuildTest*>(test->data);
  const char* tool = getDriverPath(TOOL_LUMO8CC);
  if (!tool) {
    DB_NOTE("Lumo8-CC driver not found");
    fail(test, "TEV compile", "Could not find lumo8-cc driver");
    return 0;
  }
  const char* src = compile_test_file();
  const char* name = osd_tmpname(nullptr);
  if (!name) alert_raise(kMsgNoTempFile);
  const char* output = sc_pathJoin(temp_dir(), path_basename_ptr(name));
  vector* command = vecCommand(tool, "-v", sc_printf("-mcpu=%s", data->device), src, sc_printf("-o%s", output),
                               static_cast<const char*>(nullptr));
  command = with_arguments(command, *data);
  run_build(test, command, src, output, sc_printf("failed to compile for %s", data->device),
            "could not execute compiler");
  return 0;
}

int check_cpp(tsuite_test* test, const char* output, const char* captured) {
  const char* device = static_cast<BuildTest*>(test->data)->device;
  if (!captured || !*captured) {
    fail(test, sc_printf("failed preprocess test for %s", device), "no compiler output found");
    return 0;
  }
  std::string text = captured;
  if (const char* file = fileString(output, false)) text += file;
  if (const char* file = fileString(sc_concat(output, ".i"), false)) text += file;
  for (const char* macro : {"__LUMO8__", "__LUMO"}) {
    if (text.find(std::string("#define ") + macro) == std::string::npos) {
      DB_NOTE("Could not find macro in output");
      fail(test, sc_printf("failed predefined macros for %s", device),
           sc_printf("%s not defined\n%s", macro, text.c_str()));
    } else {
      DB_NOTE("Macro found in output");
    }
  }
  const std::string start = "#include <...> search starts here:";
  size_t at = text.find(start);
  if (at == std::string::npos) {
    fail(test, sc_printf("failed include search path for %s", device),
         sc_printf("no include search path found\n%s", text.c_str()));
    return 0;
  }
  size_t pos = text.find_first_of("\r\n", at);
  while (pos != std::string::npos && pos < text.size()) {
    pos = text.find_first_not_of(" \t\r\n", pos);
    if (pos == std::string::npos) break;
    size_t end = text.find_first_of("\r\n", pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (line.find("End of search list") != std::string::npos) break;
    if (!path_exists(line.c_str())) {
      DB_NOTE("Include search path does not exists");
      fail(test, sc_printf("failed include search path for %s", device),
           sc_printf("include search path does not exists: %s", line.c_str()));
    } else {
      DB_NOTE("Include search path exists");
    }
    pos = end;
  }
  return 0;
}

int check_lib(tsuite_test* test, const char* output, const char* captured) {
  (void)captured;
  const char* device = static_cast<BuildTest*>(test->data)->device;
  const char* p1 = sc_concat(output, ".p1");
  if (!path_exists(p1)) return 0;
  DB_NOTE("p1 file exists");
  const char* librarian = sc_pathJoin(lumoinstdir(LUMOINSTDIR_BIN), sc_concat("lumo8-ar", osd_exe_suffix()));
  if (!path_exists(librarian)) {
    fail(test, sc_printf("%s library test", device), "Could not find lumo8-ar");
    return 0;
  }
  const char* name = osd_tmpname(".a");
  if (!name) alert_raise(kMsgNoTempFile);
  remove(name);
  char* p1_dir = path_dirname(p1);
  const char* library = sc_pathJoin(p1_dir, path_basename_ptr(name));
  remove(library);
  vector* create = vecCommand(librarian, "-r", library, p1, static_cast<const char*>(nullptr));
  tsuite_addTestDetail(test, sc_printf("\ncommand line: %s\n", vecString(create)));
  ToolRun made = run_tool(create);
  if (!made.started) {
    free(p1_dir);
    fail(test, sc_printf("failed to create library for %s", device), "could not execute librarian");
    return 0;
  }
  if (made.status != 0 || fileid_is_library(library) != FILEID_LIB_P1) {
    DB_NOTE("Invalid/bad library created");
    free(p1_dir);
    fail(test, sc_printf("failed library creation for %s", device), made.output);
    return 0;
  }
  DB_NOTE("Valid library was created");
  const char* original = sc_concat(output, "_orig.p1");
  if (rename(p1, original) != 0 || path_exists(p1)) {
    free(p1_dir);
    fail(test, sc_printf("failed library creation for %s", device), made.output);
    return 0;
  }
  char* previous = osd_getcwd();
  if (osd_chdir(p1_dir) == 0) {
    ToolRun extracted = run_tool(vecCommand(librarian, "-x", library, static_cast<const char*>(nullptr)));
    if (!extracted.started) {
      fail(test, sc_printf("failed to extract from library for %s", device), "could not execute librarian");
    } else if (extracted.status != 0 || !path_exists(p1) ||
               strcmp(shahash_fileSha256(p1), shahash_fileSha256(original)) != 0) {
      DB_NOTE("file differ");
      fail(test, sc_printf("failed library extraction for %s", device), made.output);
    } else {
      DB_NOTE("p1 files match");
      remove(p1);
      remove(original);
      remove(library);
    }
    if (previous && osd_chdir(previous) != 0) DB_NOTE("could not change back");
  }
  free(previous);
  free(p1_dir);
  return 0;
}

tsuite_test* build_test(const char* name, tsuite_run_fn run, DeviceType family, const char* device, int standard,
                        int mode = kAsBuilt, vector* extra = nullptr, check_fn check = nullptr) {
  auto* data = new BuildTest{family, sc_intern(device), standard, mode, extra, check};
  std::string title = name;
  title.replace(title.find("%s"), 2, device);
  return tsuite_newtest("build", title.c_str(), run, data);
}

int devicesupport(tsuite_test* test) {
  const char* bin = lumoinstdir(LUMOINSTDIR_BIN);
  vector* list = bin ? getDeviceListFromXML(DEVICES_ALL, sc_pathJoin(bin, kDeviceSupportFile)) : nullptr;
  if (!list)
    fail(test, "Could not process deviceSupport.xml", nullptr);
  else if (vec_size(list) == 0)
    fail(test, "Could not find any supported devices", nullptr);
  if (list) vec_free(list);
  return 0;
}

// The devices of the device support file in one or two families, without
// those on the skip list.
vector* per_device(const char* name, tsuite_run_fn run, bool zir, int standard) {
  vector* tests = vec_new();
  const char* bin = lumoinstdir(LUMOINSTDIR_BIN);
  vector* devices = bin ? getDeviceListFromXML(DEVICES_ALL, sc_pathJoin(bin, kDeviceSupportFile)) : nullptr;
  for (uint32_t i = 0; devices && i < vec_size(devices); ++i) {
    const char* device = vec_get_as<const char*>(devices, i);
    DeviceType family = option_DeviceType(device);
    const bool wanted = zir ? device_is_zir(family) : device_is_tev(family);
    if (wanted && !skipped(device)) vec_push(tests, build_test(name, run, family, device, standard));
  }
  if (devices) vec_free(devices);
  return tests;
}

void append(vector* all, vector* part) {
  vec_append(all, part);
  vec_free(part);
}

vector* cpp_arguments() { return vecCommand("-dM", "-Wp,-v", "-E", static_cast<const char*>(nullptr)); }

}  // namespace

vector* stBuildDeviceSupport_tests() {
  DB_ENTER();
  vector* tests = vec_new();
  vec_push(tests, tsuite_newtest("build", "deviceSupport.xml file exists and can be read", devicesupport, nullptr));
  return tests;
}

vector* stBuildAssemble_tests() {
  DB_ENTER();
  return per_device("assemble for device %s", ANYZIRassemble, true, kC99);
}

vector* stBuildC90_tests() {
  DB_ENTER();
  return per_device("C90 compile for device %s", ANYZIRcompile, true, kC90);
}

vector* stBuildC99_tests() {
  DB_ENTER();
  return per_device("C99 compile for device %s", ANYZIRcompile, true, kC99);
}

vector* stBuildTEV_tests() {
  DB_ENTER();
  return per_device("compile for device %s", TEVcompile, false, kC99);
}

vector* stBuildCPP_tests() {
  DB_ENTER();
  struct Row {
    const char* name;
    const char* device;
    DeviceType family;
    int standard;
    tsuite_run_fn run;
  };
  const Row rows[] = {
      {"Check macros & search paths for %s", kDeviceA, DEVICE_ZIR, kC99, ANYZIRcompile},
      {"Check macros & search paths for %s", kDeviceB, DEVICE_ZIR, kC99, ANYZIRcompile},
      {"Check macros & C99 search paths for %s", kDeviceC, DEVICE_ZIR, kC99, ANYZIRcompile},
      {"Check macros & C90 search paths for %s", kDeviceC, DEVICE_ZIR, kC90, ANYZIRcompile},
      {"Check macros & C99 search paths for %s", kDeviceD, DEVICE_ZIR, kC99, ANYZIRcompile},
      {"Check macros & C90 search paths for %s", kDeviceD, DEVICE_ZIR, kC90, ANYZIRcompile},
      {"Check macros & search paths for %s", kDeviceE, DEVICE_TEV, kC99, TEVcompile},
  };
  vector* tests = vec_new();
  for (const Row& r : rows) vec_push(tests, build_test(r.name, r.run, r.family, r.device, r.standard, kExtra, cpp_arguments(), check_cpp));
  return tests;
}

vector* stBuildLib_tests() {
  DB_ENTER();
  vector* tests = vec_new();
  for (const char* device : {kDeviceA, kDeviceB, kDeviceC, kDeviceD})
    vec_push(tests, build_test("Ensure objects can be added to/removed from libraries for %s", ANYZIRcompile, DEVICE_ZIR,
                               device, kC99, kExtra, vecCommand("-c", static_cast<const char*>(nullptr)), check_lib));
  return tests;
}

vector* stBuild_tests() {
  DB_ENTER();
  vector* tests = stBuildDeviceSupport_tests();
  append(tests, stBuildAssemble_tests());
  append(tests, stBuildC90_tests());
  append(tests, stBuildC99_tests());
  append(tests, stBuildCPP_tests());
  append(tests, stBuildLib_tests());
  append(tests, stBuildTEV_tests());
  return tests;
}
