// Reading a device support file of 5,000 devices: the micro XML reader and
// the device list built from it, beside reading the same bytes with fread.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/uxml2.h"
#include "devices/devices.h"

namespace {

constexpr int kDevices = 5000;

// The file, written once: three families, each device one element with a
// name attribute, as the installation's file is laid out.
const std::string& support_file() {
  static const std::string path = [] {
    char name[] = "/tmp/lumo8-bench-devices-XXXXXX";
    int fd = mkstemp(name);
    FILE* f = fdopen(fd, "w");
    fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<deviceSupport>\n", f);
    const char* families[] = {"zir16c", "zir18e", "kx"};
    for (int family = 0; family < 3; ++family) {
      fprintf(f, "  <family name=\"%d\">\n", family);
      for (int i = family; i < kDevices; i += 3) fprintf(f, "    <device name=\"%s%04d\"/>\n", families[family], i);
      fputs("  </family>\n", f);
    }
    fputs("</deviceSupport>\n", f);
    fclose(f);
    return std::string(name);
  }();
  return path;
}

void BM_FreadSameBytes(benchmark::State& state) {
  char buffer[65536];
  size_t total = 0;
  for (auto _ : state) {
    FILE* f = fopen(support_file().c_str(), "r");
    total = 0;
    while (size_t n = fread(buffer, 1, sizeof buffer, f)) total += n;
    fclose(f);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(total));
}

void BM_UxmlRead(benchmark::State& state) {
  for (auto _ : state) {
    FILE* f = fopen(support_file().c_str(), "r");
    uxml_element* root = uxml_read(f);
    fclose(f);
    if (!root) state.SkipWithError("the file did not read");
    uxml_freeElement(root);
  }
}

void BM_DeviceListFromXML(benchmark::State& state) {
  for (auto _ : state) {
    vector* list = getDeviceListFromXML(DEVICES_ALL, support_file().c_str());
    if (!list || vec_size(list) != kDevices) state.SkipWithError("wrong device count");
    vec_free(list);
  }
}

}  // namespace

BENCHMARK(BM_FreadSameBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UxmlRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeviceListFromXML)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  unlink(support_file().c_str());
  return 0;
}
