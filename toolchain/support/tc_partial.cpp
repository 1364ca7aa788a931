// Partial outputs of the tool-chain programs (see tc_partial.h). The handler
// reads only fixed slots that are changed with the end signals held back,
// and calls only remove() and raise().
#include "toolchain/support/tc_partial.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
