// zircc and zircc18: the device listings of the ZIR compilers. In this
// installation they compile nothing; lumo8-cc asks them for the devices of
// their series with "--chipinforaw" when the device support file is absent.
// zircc lists the devices of series 10 to 16, zircc18 those of series 18,
// chosen when the program is built (ZIRCC_SERIES18).
#include <cstdio>
#include <cstring>

#include "common/msgnum.h"
#include "common/vector.h"
#include "toolchain/support/tc_devices.h"
#include "toolchain/support/tc_diag.h"

namespace {

#ifdef ZIRCC_SERIES18
constexpr const char* kProgram = "zircc18";
constexpr bool kSeries18 = true;
#else
constexpr const char* kProgram = "zircc";
constexpr bool kSeries18 = false;
#endif

constexpr const char* kDeviceFile = "zirchips.txt";

// The values of a device line, in file order. A listing line holds one
// colon only, after the name: its readers take the text before the last
// colon as the device name.
constexpr const char* kFieldNames[] = {"series", "program", "data", "eeprom"};
constexpr uint32_t kFieldCount = 4;

int usage(const char* given) {
  tc_raise(kMsgZirccUsage, kProgram,
           given);
  return 1;
}

void print_help() {
  printf("Usage: %s --chipinforaw\n"
         "Lists the ZIR devices of series %s this installation supports, one per line as\n"
         "\"NAME:series S, program P, data D, eeprom E\" (program words, data and EEPROM\n"
         "bytes). This program is a listing tool only: it does\n"
         "not compile; use lumo8-cc to build code.\n"
         "  --chipinforaw  list the devices\n"
         "  --help         show this text\n",
         kProgram, kSeries18 ? "18" : "10 to 16");
}

int list_devices() {
  const char* path = tc_datafile(kDeviceFile);
  uint32_t bad_line = 0;
  vector* devices = path ? tc_devices_read(path, &bad_line) : nullptr;
  if (!devices) {
    if (bad_line)
      tc_raise(kMsgZirccBadDeviceLine, kProgram, bad_line, path);
    else
      tc_raise(kMsgZirccNoDeviceFile, kProgram, path ? path : kDeviceFile);
    return 1;
  }
  for (const tc_device* d : VecItems<const tc_device*>(devices)) {
    if (d->count == 0 || (d->values[0] == 18) != kSeries18) continue;
    printf("%s:series %u", d->name, d->values[0]);
    for (uint32_t i = 1; i < d->count && i < kFieldCount; ++i) printf(", %s %u", kFieldNames[i], d->values[i]);
    fputc('\n', stdout);
  }
  tc_devices_free(devices);
  return fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  tc_diag_init();
  if (argc != 2) return usage(argc > 2 ? argv[2] : "(none)");
  if (strcmp(argv[1], "--chipinforaw") == 0) return list_devices();
  if (strcmp(argv[1], "--help") == 0) {
    print_help();
    return 0;
  }
  return usage(argv[1]);
}
