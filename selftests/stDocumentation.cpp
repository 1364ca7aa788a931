// The documentation tests.
#include "selftests/stDocumentation.h"

#include <cstdint>

#include "common/lumoinstdir.h"
#include "debug/lumodebug_trace.h"
#include "selftests/shahash.h"
#include "selftests/tsuite.h"

namespace {

enum : uintptr_t { kReadme = 1, kUserGuide = 2 };

int DocTest(tsuite_test* test) {
  const auto flags = reinterpret_cast<uintptr_t>(test->data);
  const char* docs = lumoinstdir(LUMOINSTDIR_DOCS);
  if ((flags & kReadme) && !findFileLike("readme", docs))
    tsuite_addTestFail(test, "documentation test", "failed README check", "Could not find and README documentation");
  if ((flags & kUserGuide) && !findFileLike("user_guide", docs))
    tsuite_addTestFail(test, "documentation test", "failed user guide check",
                       "Could not find and user guide documentation");
  return 0;
}

tsuite_test* doc_test(const char* name, uintptr_t flags) {
  return tsuite_newtest("docs", name, DocTest, reinterpret_cast<void*>(flags));
}

}  // namespace

vector* stDocsReadme_tests() {
  DB_ENTER();
  vector* tests = vec_new();
  vec_push(tests, doc_test("check if readme file exists", kReadme));
  return tests;
}

vector* stDocsUG_tests() {
  DB_ENTER();
  vector* tests = vec_new();
  vec_push(tests, doc_test("check if user guide exists", kUserGuide));
  return tests;
}

vector* stDocs_tests() {
  DB_ENTER();
  vector* tests = stDocsReadme_tests();
  vector* guide = stDocsUG_tests();
  vec_append(tests, guide);
  vec_free(guide);
  return tests;
}
