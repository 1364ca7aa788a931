// The self-test command and its catalogue.
#include "selftests/selftests.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

#include "common/cleanup.h"
#include "common/osdep_path.h"
#include "common/stringcache.h"
#include "debug/lumodebug_trace.h"
#include "selftests/stBuild.h"
#include "selftests/stDocumentation.h"
#include "selftests/stIntegrity.h"
#include "selftests/stUtil.h"
#include "selftests/tsuite.h"

namespace {

using tests_fn = vector* (*)();
using setup_fn = void (*)();

struct CatalogueRow {
  const char* name;
  const char* description;
  bool group;
  bool by_default;
  tests_fn tests;
  setup_fn setup;
};

int g_batch = 0;
bool g_xml_report = false;
bool g_txt_report = false;

constexpr const char* kXmlReport = "test_report.xml";
constexpr const char* kTxtReport = "test_report.txt";

// clang-format off
const CatalogueRow kCatalogue[] = {
    {"help", "Display a list of available options", false, false, nullptr, nullptr},
    {"verbose", "Display self test progress and information", false, true, nullptr, st_verbose_add},
    {"batchverbose", "Display self test progress suitable for automated environments", false, false, nullptr,
     [] { ++g_batch; }},
    {"xmlreport", "Report results in a JUnit xml file", false, false, nullptr, [] { g_xml_report = true; }},
    {"txtreport", "Report results in a text file", false, true, nullptr, [] { g_txt_report = true; }},
    {"docs_readme", "Ensure readme files are present", false, true, stDocsReadme_tests, nullptr},
    {"docs_userguide", "Ensure user guide files are present", false, true, stDocsUG_tests, nullptr},
    {"docs", "All document related tests", true, true, stDocs_tests, nullptr},
    {"integrity_manifest", "Ensure manifest is present and valid", false, true, stIntegrityManifest_tests, nullptr},
    {"integrity_sha", "SHA check installed files", false, true, stIntegritySHA_tests, nullptr},
    {"integrity_detailedsha", "SHA check installed files and note failed files", false, false, stIntegritySHAdetailed_tests, nullptr},
    {"integrity_extra", "Check for extraneous files", false, true, stIntegrityExtra_tests, nullptr},
    {"integrity", "All integrity related tests", true, true, stIntegrity_tests, nullptr},
    {"build_devicesupport", "The device support file exists and is valid", false, true, stBuildDeviceSupport_tests, nullptr},
    {"build_assembleZIR", "Assemble a test file (zir-as) for all ZIR devices", false, true, stBuildAssemble_tests, nullptr},
    {"build_C90ZIR", "C90 compile a test file for all ZIR devices", false, true, stBuildC90_tests, nullptr},
    {"build_C99ZIR", "C99 compile a test file for all ZIR devices", false, true, stBuildC99_tests, nullptr},
    {"build_CPP", "Check for predefined macros and search paths", false, true, stBuildCPP_tests, nullptr},
    {"build_lib", "Ensure objects can be added to/removed from libraries", false, true, stBuildLib_tests, nullptr},
    {"build_TEV", "Compile a test file for all TEV devices", false, true, stBuildTEV_tests, nullptr},
    {"build", "All build related tests", true, true, stBuild_tests, nullptr},
    {"", "", false, false, nullptr, nullptr},
    {"all", "All of the above", false, false, nullptr, nullptr},
    {"none", "None of the above", false, false, nullptr, nullptr},
    {"default", "Default values (*)", false, false, nullptr, nullptr},
    {nullptr, nullptr, false, false, nullptr, nullptr},
};
// clang-format on

bool runnable(const CatalogueRow& row) { return (row.tests || row.setup) && !row.group; }

void print_help() {
  printf("     %-25s %s\n\n", "Option", "Description");
  for (const CatalogueRow* row = kCatalogue; row->name; ++row)
    printf("  %s  %-25s %s\n", row->by_default ? "*" : " ", row->name, row->description);
  printf("\n\n");
  fflush(stdout);
}

void append_rows(vector* selection, bool defaults_only) {
  for (const CatalogueRow* row = kCatalogue; row->name; ++row)
    if (runnable(*row) && (!defaults_only || row->by_default)) vec_push(selection, row);
}

const CatalogueRow* find_row(const char* name) {
  for (const CatalogueRow* row = kCatalogue; row->name; ++row)
    if (strcasecmp(row->name, name) == 0) return row;
  return nullptr;
}

// "-name": one occurrence of the row, and of every row a group covers.
void remove_rows(vector* selection, const char* name) {
  const CatalogueRow* row = find_row(name);
  if (!row) return;
  vec_remove(selection, row);
  if (!row->group) return;
  for (const CatalogueRow* r = kCatalogue; r->name; ++r)
    if (r != row && strncasecmp(r->name, name, strlen(name)) == 0) vec_remove(selection, r);
}

// False when a piece asks for the help, which ends the selection.
bool select_pieces(vector* selection, const char* list) {
  vector* pieces = sc_split(list, ",");
  bool help = false;
  for (const char* piece : VecItems<const char*>(pieces)) {
    if (strcmp(piece, "help") == 0) {
      help = true;
      break;
    }
    if (strcmp(piece, "all") == 0) {
      append_rows(selection, false);
    } else if (strcmp(piece, "default") == 0) {
      append_rows(selection, true);
    } else if (strcmp(piece, "none") == 0) {
      vec_clear(selection);
    } else if (piece[0] == '-') {
      remove_rows(selection, piece + 1);
    } else if (const CatalogueRow* row = find_row(piece[0] == '+' ? piece + 1 : piece)) {
      vec_push(selection, row);
    }
  }
  vec_free(pieces);
  return !help;
}

void console(const char* text) {
  if (st_verbose() == 0) return;
  printf("%s", text);
  fflush(stdout);
}

}  // namespace

int selftest(const char* list) {
  DB_ENTER("%s", list ? list : "(null)");
  vector* selection = vec_new();
  if (!list || !*list) {
    for (const CatalogueRow* row = kCatalogue; row->name; ++row)
      if (row->by_default && !row->group) vec_push(selection, row);
  } else if (!select_pieces(selection, list)) {
    vec_free(selection);
    st_verbose_add();
    print_help();
    cleanup(0);
  }
  tsuite* suite = tsuite_new("Lumo8-CC self test");
  for (uint32_t i = 0; i < vec_size(selection); ++i) {
    const auto* row = vec_get_as<const CatalogueRow*>(selection, i);
    if (row->setup) row->setup();
    if (!row->tests) continue;
    vector* tests = row->tests();
    for (uint32_t j = 0; j < vec_size(tests); ++j) tsuite_addtest(suite, vec_get_as<tsuite_test*>(tests, j));
    vec_free(tests);
  }
  vec_free(selection);
  tsuite_setOutputMode(g_batch ? TSUITE_LINES : st_verbose() ? TSUITE_PROGRESS : TSUITE_QUIET);
  tsuite_run(suite, console);
  if (g_xml_report) {
    tsuite_writeJUnit(suite, kXmlReport);
    if (path_exists(kXmlReport)) st_print(stdout, "XML test report written to: %s\n", kXmlReport);
  }
  if (g_txt_report) {
    tsuite_failDetails(suite, kTxtReport);
    st_print(stdout, "TXT test report written to: %s\n", kTxtReport);
  }
  DB_EXIT("0");
  return 0;
}
