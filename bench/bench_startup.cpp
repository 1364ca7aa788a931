// The start-up path of lumo8-cc, piece by piece: merging a message file with
// the embedded catalogue and looking numbers up, building the option table,
// finding an argument's row, interning texts as the string cache fills, and
// the escaping of the command-file writer.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/messages_embedded.h"
#include "common/stringcache.h"
#include "driver/options.h"

namespace fs = std::filesystem;

namespace {

// Put in front of every replaced text: it holds no conversion, so the row
// still takes the arguments of the embedded one.
constexpr const char* kMarker = "(site) ";

// Removed with everything in it when the program ends.
struct ScratchDir {
  std::string path = [] {
    char name[] = "/tmp/lumo8-bench-startup-XXXXXX";
    return std::string(mkdtemp(name));
  }();
  ~ScratchDir() { fs::remove_all(path); }
};

std::string type_field(const msg& row) {
  return row.kind == MSG_FATAL ? "F" : row.kind == MSG_ERROR ? "E" : row.kind == MSG_MESSAGE ? "M"
                                                                                           : std::to_string(row.level);
}

// A message file replacing the first `rows` embedded texts that still fit
// on one catalogue line with the marker in front.
const std::string& message_file(int rows) {
  static std::vector<std::pair<int, std::string>> files;
  for (const auto& [n, path] : files)
    if (n == rows) return path;
  static const ScratchDir dir;
  std::string path = dir.path + "/2600_" + std::to_string(rows) + "_en.msgs";
  FILE* f = fopen(path.c_str(), "w");
  fputs("# site texts for the benchmark\n", f);
  int written = 0;
  for (const msg& row : embedded_rows()) {
    if (written == rows) break;
    std::string line = std::to_string(row.number) + "\t" + type_field(row) + "\t" + kMarker + row.text;
    if (line.size() > kMsgLineMax) continue;
    fprintf(f, "%s\n", line.c_str());
    ++written;
  }
  fclose(f);
  return files.emplace_back(rows, path).second;
}

// Every load keeps its merged table until the program ends, as the program's
// own one or two loads do: the iterations are capped to keep that bounded.
void BM_MessageFileLoad(benchmark::State& state) {
  alert_init();
  const int rows = static_cast<int>(state.range(0));
  const std::string& path = message_file(rows);
  for (auto _ : state)
    if (!alert_read_msgs(path.c_str())) state.SkipWithError("the message file did not load");
  int replaced = 0;
  for (const msg& row : embedded_rows())
    replaced += strncmp(alert_lookup(row.number).text, kMarker, strlen(kMarker)) == 0;
  if (replaced != rows) state.SkipWithError("not every row of the file replaced its embedded text");
  if (rows > 0) state.counters["rows_per_s"] = benchmark::Counter(rows, benchmark::Counter::kIsIterationInvariantRate);
}

// Every number of the catalogue in turn, a message file in force: msg_record
// answers from the primary table; alert_lookup also takes the latest text and
// applies the -Werror rules and message states.
template <class Lookup>
void lookups(benchmark::State& state, Lookup lookup) {
  alert_init();
  alert_read_msgs(message_file(400).c_str());
  std::vector<uint32_t> numbers;
  for (const msg& row : embedded_rows()) numbers.push_back(row.number);
  for (auto _ : state)
    for (uint32_t n : numbers) benchmark::DoNotOptimize(lookup(n));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * numbers.size()));
}

void BM_MsgRecord(benchmark::State& state) { lookups(state, msg_record); }
void BM_AlertLookup(benchmark::State& state) { lookups(state, alert_lookup); }

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Seconds from fork until the child that ran work has been reaped; negative
// when the child did not end with status 0.
template <class Work>
double child_seconds(Work work) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) _exit(work());
  int status = -1;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration is a pair: a child that only exits, then one that builds
// the option table; the time is the second's, the counters give the medians
// of both and of the pairs' differences. options_process registers the
// same mask whatever the family, ZIR or TEV.
void BM_OptionsInitializeInChild(benchmark::State& state, uint32_t mask) {
  std::vector<double> bare, built, cost;
  for (auto _ : state) {
    double b = child_seconds([] { return 0; });
    double t = child_seconds([=] {
      if (options_table()) return 2;  // built before the fork: nothing would be measured
      options_initialize(mask);
      return options_table() ? 0 : 3;
    });
    if (b < 0 || t < 0) {
      state.SkipWithError("a child failed (is the option table already built in this process?)");
      break;
    }
    state.SetIterationTime(t);
    bare.push_back(b);
    built.push_back(t);
    cost.push_back(t - b);
  }
  state.counters["fork_exit_us"] = median(bare) * 1e6;
  state.counters["with_table_us"] = median(built) * 1e6;
  state.counters["table_us"] = median(cost) * 1e6;
}

struct Key {
  const char* key;
  const char* group;  // sub-option group tag, or null
  const char* row;    // the row it must reach; null: no row
};

const std::vector<Key> kExact = {{"-c", nullptr, "-c"},          {"-O2", nullptr, "-O2"},
                                 {"-funsigned-char", nullptr, "-funsigned-char"},
                                 {"-mno-plib", nullptr, "-mno-plib"}, {"--version", nullptr, "--version"},
                                 {"-mconst-data-in-progmem", nullptr, "-mconst-data-in-progmem"}};
const std::vector<Key> kValues = {{"-mcpu=zir16c401", nullptr, "-mcpu"}, {"-std=c99", nullptr, "-std"},
                                  {"-mstack=compiled", nullptr, "-mstack"}, {"-Werror=1234", nullptr, "-Werror"},
                                  {"--fill=0xff", nullptr, "--fill"},     {"-mwarn=0", nullptr, "-mwarn"}};
const std::vector<Key> kSuboptions = {{"-Wl,-Map=out.map", nullptr, "-Wl"}, {"-Wl,--data-init", nullptr, "-Wl"},
                                      {"-Wa,-a", nullptr, "-Wa"},          {"-Map=out.map", "LKR", "-Map"},
                                      {"--data-init", "LKR", "--data-init"}, {"-adhln", "ASM", "-a"}};
const std::vector<Key> kCaseFolded = {{"-v", nullptr, "-v"}, {"-V", nullptr, "-v"}};
const std::vector<Key> kPrefixes = {{"-DNDEBUG", nullptr, "-D"},   {"-Iinclude", nullptr, "-I"},
                                    {"-Wall", nullptr, "-W"},      {"-Wno-2044", nullptr, "-Wno-"},
                                    {"-obuild/out.hex", nullptr, "-o"}, {"-lm", nullptr, "-l"}};
const std::vector<Key> kUnknown = {{"-misa=x", nullptr, nullptr},   {"-mfoo-bar", nullptr, nullptr},
                                   {"--bogus", nullptr, nullptr},   {"-O4", nullptr, nullptr},
                                   {"main.c", nullptr, nullptr},    {"src/board/uart_driver.c", nullptr, nullptr}};
const std::vector<Key> kMix = [] {
  std::vector<Key> all;
  for (const auto* part : {&kExact, &kValues, &kSuboptions, &kCaseFolded, &kPrefixes, &kUnknown})
    all.insert(all.end(), part->begin(), part->end());
  return all;
}();

void BM_OptionLookup(benchmark::State& state, const std::vector<Key>* keys) {
  options_initialize(OPT_ENABLED);
  hashtable* table = options_table();
  for (const Key& k : *keys) {
    const option_row* row = option_lookup(table, k.key, k.group);
    if (k.row ? !row || strcmp(row->name, k.row) != 0 : row != nullptr) {
      state.SkipWithError((std::string(k.key) + " does not reach its row").c_str());
      return;
    }
  }
  for (auto _ : state)
    for (const Key& k : *keys) benchmark::DoNotOptimize(option_lookup(table, k.key, k.group));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * keys->size()));
}

// The string cache only grows: the sizes run in ascending order, and each
// run fills the cache up to its size with include options.
std::vector<std::string> g_present;

bool fill_cache(benchmark::State& state) {
  const uint32_t size = static_cast<uint32_t>(state.range(0));
  while (sc_count() < size) {
    g_present.push_back("-I/home/dev/boards/rev" + std::to_string(g_present.size()) + "/include");
    sc_intern(g_present.back().c_str());
  }
  state.counters["texts"] = sc_count();
  if (sc_count() > size + size / 5) state.SkipWithError("the cache already holds more texts than this size");
  return sc_count() <= size + size / 5;
}

void BM_InternPresent(benchmark::State& state) {
  if (!fill_cache(state)) return;
  const uint32_t before = sc_count();
  const std::vector<std::string>& texts = g_present;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sc_intern(texts[i].c_str()));
    i = (i + 7919) % texts.size();  // a stride through the whole cache, not the last bucket filled
  }
  if (sc_count() != before) state.SkipWithError("a text was not in the cache");
  state.SetItemsProcessed(state.iterations());
}

// A fixed number of new texts, a tenth of the size, so that the cache grows
// by no more than that while it is measured.
void BM_InternNew(benchmark::State& state) {
  if (!fill_cache(state)) return;
  const uint32_t before = sc_count();
  std::vector<std::string> texts;
  for (int64_t i = 0; i < state.max_iterations; ++i)
    texts.push_back("-DBUILD_" + std::to_string(before) + "_" + std::to_string(i) + "=1");
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(sc_intern(texts[i++].c_str()));
  if (sc_count() != before + state.iterations()) state.SkipWithError("a new text was already in the cache");
  state.SetItemsProcessed(state.iterations());
}

// What the command-file writer escapes: a backslash before each of these.
constexpr const char* kCommandFileEscapes = "\\ '\"";

const std::vector<std::string> kZirOptions = {
    "--lumo8cc", "-q", "--opt=none", "--chip=16c401", "--opt=+2", "-DNDEBUG", "-DVERSION=\"2.1\"",
    "-I/home/dev/My Boards/include", "-Isrc", "--warn=0", "--stack=compiled", "--runtime=-plib",
    "-L-Map=out.map", "-L--data-init", "-obuild/out.hex", "-L--fixupoverflow=error", "--std=c99",
    "--errformat=%f:%l:%c: error: (%n) %s", "--warnformat=%f:%l:%c: warning: (%n) %s", "main.c"};

std::vector<std::string> long_list() {
  std::vector<std::string> args;
  for (int i = 0; i < 10000; ++i)
    args.push_back(i % 3 ? "src/module " + std::to_string(i) + ".c" : kZirOptions[static_cast<size_t>(i) % 20]);
  return args;
}

void BM_CommandFileEscape(benchmark::State& state, std::vector<std::string> options) {
  std::string file;
  for (auto _ : state) {
    file.clear();
    for (const std::string& option : options) {
      text_escape_into(file, option.c_str(), kCommandFileEscapes, 0);
      file += '\n';
    }
    benchmark::DoNotOptimize(file.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * options.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

}  // namespace

// First: before anything builds the option table in this process, and while
// the process is small, so that fork copies little.
BENCHMARK_CAPTURE(BM_OptionsInitializeInChild, zir_and_tev, OPT_ENABLED)
    ->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MessageFileLoad)->Arg(0)->Arg(100)->Arg(400)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MsgRecord);
BENCHMARK(BM_AlertLookup);
BENCHMARK_CAPTURE(BM_OptionLookup, exact, &kExact);
BENCHMARK_CAPTURE(BM_OptionLookup, values, &kValues);
BENCHMARK_CAPTURE(BM_OptionLookup, suboptions, &kSuboptions);
BENCHMARK_CAPTURE(BM_OptionLookup, case_folded, &kCaseFolded);
BENCHMARK_CAPTURE(BM_OptionLookup, prefixes, &kPrefixes);
BENCHMARK_CAPTURE(BM_OptionLookup, unknown, &kUnknown);
BENCHMARK_CAPTURE(BM_OptionLookup, mix, &kMix);
BENCHMARK(BM_InternPresent)->Arg(1000);
BENCHMARK(BM_InternNew)->Arg(1000)->Iterations(100);
BENCHMARK(BM_InternPresent)->Arg(10000);
BENCHMARK(BM_InternNew)->Arg(10000)->Iterations(1000);
BENCHMARK(BM_InternPresent)->Arg(100000);
BENCHMARK(BM_InternNew)->Arg(100000)->Iterations(10000);
BENCHMARK_CAPTURE(BM_CommandFileEscape, line_of_20, kZirOptions);
BENCHMARK_CAPTURE(BM_CommandFileEscape, list_of_10000, long_list())->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
