// Partial outputs of the tool-chain programs (see tc_partial.h). The handler
// reads only fixed slots that are changed with the end signals held back,
// and calls only remove() and raise().
#include "toolchain/support/tc_partial.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/osdep_path.h"
#include "toolchain/support/tc_host.h"

namespace {

constexpr size_t kSlots = 8;
constexpr size_t kPathBytes = 4096;

char g_slots[kSlots][kPathBytes];

void remove_all() {
  for (char* slot : g_slots)
    if (slot[0]) remove(slot);
}

extern "C" void end_by_signal(int sig) {
  remove_all();
  signal(sig, SIG_DFL);
  raise(sig);
}

extern "C" void end_by_exit() { remove_all(); }

void install_once() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  tc_on_end_signals(end_by_signal);
  atexit(end_by_exit);
}

}  // namespace

void tc_partial_add(const std::string& path) {
  install_once();
  if (path.empty() || path.size() >= kPathBytes) return;
  tc_hold_end_signals(true);
  for (char* slot : g_slots)
    if (!slot[0]) {
      memcpy(slot, path.c_str(), path.size() + 1);
      break;
    }
  tc_hold_end_signals(false);
}

void tc_partial_done(const std::string& path) {
  tc_hold_end_signals(true);
  for (char* slot : g_slots)
    if (slot[0] && path == slot) slot[0] = '\0';
  tc_hold_end_signals(false);
}

namespace {

bool write_whole(const std::string& path, const std::string& contents) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(contents.data(), 1, contents.size(), f) == contents.size();
  return fclose(f) == 0 && ok;
}

}  // namespace

bool tc_write_output(const std::string& path, const std::string& contents, const std::string& temp_suffix) {
  if (path_is_special(path.c_str())) return write_whole(path, contents);
  const std::string temporary = path + temp_suffix;
  tc_partial_add(temporary);
  bool ok = write_whole(temporary, contents) && tc_replace(temporary.c_str(), path.c_str());
  if (!ok) remove(temporary.c_str());
  tc_partial_done(temporary);
  return ok;
}
