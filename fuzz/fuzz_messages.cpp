// The message-file reader over arbitrary bytes. The module is compiled into
// this target so that its row parser and the check of replacement texts
// can be driven directly: every row read from the input is offered as the
// replacement of rows with known arguments, and a replacement that is
// accepted is then printed with exactly those arguments, as the program
// would (the sanitizers see any read beyond them).
#include "common/messages.cpp"

#include "fuzz/fuzz_support.h"

namespace {

// Embedded texts and how the program would pass their arguments.
struct Row {
  const char* text;
  int (*print)(char* out, size_t n, const char* format);
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
const Row kRows[] = {
    {"plain", [](char* o, size_t n, const char* f) { return snprintf(o, n, f); }},
    {"\"%s\"", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, "arg"); }},
    {"%d", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, -7); }},
    {"(%u)", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, 7u); }},
    {"%s: %s", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, "a", "b"); }},
    {"%s %d", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, "a", 3); }},
    {"%c", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, 'c'); }},
    {"%lX", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, 0xABCDUL); }},
    {"%0*lX", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, 8, 0xABCDUL); }},
    {"%s (%s:%d) ", [](char* o, size_t n, const char* f) { return snprintf(o, n, f, "x", "f.c", 9); }},
};
#pragma GCC diagnostic pop

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), true);
  (void)ready;
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size ? size : 1, "r");
  if (!in) return 0;
  if (size == 0) fgetc(in);
  FileTable table = read_file_table(in, "fuzz.msgs");
  fclose(in);
  char out[4096];
  for (FileRow& row : table) {
    if (!row.record) continue;
    if (row.record->number > kMsgNumberMax) abort();
    for (const Row& r : kRows) {
      msg embedded = {MSG_ERROR, row.record->number, r.text, 0};
      if (replacement_fits(row.record, &embedded)) r.print(out, sizeof out, row.record->text);
    }
    free(row.record);
  }
  return 0;
}
