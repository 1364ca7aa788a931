// The debug option's sub-option parser over arbitrary text: the input is
// the text after "--lumodebug=". The parser keeps process-wide state and
// opens its debug-out file, so every input runs in the scratch directory
// from a fresh state, and inputs that could reach outside it (a separator)
// or make the debug-out file unopenable (an empty or overlong name, which
// ends the program by design) are skipped.
#include <strings.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "common/hash.h"
#include "common/vector.h"
#include "debug/lumodebug.h"
#include "debug/lumodebug_state.h"
#include "fuzz/fuzz_support.h"

namespace {

bool out_name_usable(const std::string& token) {
  if (strncasecmp(token.c_str(), "out", 3) != 0) return true;
  size_t colon = token.find(':');
  if (colon == std::string::npos) return true;
  std::string name = token.substr(colon + 1);
  if (!name.empty() && name[0] == '+') name.erase(0, 1);
  return !name.empty() && name.size() <= 200;
}

bool usable(const std::string& text) {
  if (text.find_first_of("/\\") != std::string::npos) return false;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    if (!out_name_usable(text.substr(start, comma - start))) return false;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

void reset() {
  if (g_lumodebug.out) fclose(g_lumodebug.out);
  hash_free(g_lumodebug.debug_set);
  hash_free(g_lumodebug.child_counts);
  vec_free(g_lumodebug.debug_names);
  g_lumodebug = LumodebugState{};
  lumodebug_flagword = 0;
  lumodebug_assertlevel = LDB_ASSERT_IGNORE;
  vec_track(false);
  hash_track(false);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(fuzz::scratch(), ec))
    std::filesystem::remove_all(entry.path(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (fuzz::init(), chdir(fuzz::scratch().c_str()) == 0) || (abort(), false);
  (void)ready;
  const std::string text = fuzz::as_text(data, size);
  if (!usable(text)) return 0;
  lumodebug_parse(("--lumodebug=" + text).c_str());
  (void)lumodebug_optionFor(DBC_LUMO8CC, "lumo8");
  (void)lumodebug_optionFor(DBC_DRIVER, "tev-gcc");
  reset();
  return 0;
}
