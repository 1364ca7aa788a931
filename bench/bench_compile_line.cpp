// Whole-process cost of a typical compile line: lumo8-cc with 20 options
// against a driver that does nothing, side by side with a program that only
// starts the same driver. Each iteration is one real process; the counters
// give the wall time per run and the peak resident set of the process tree.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// A throw-away installation: lumo8-cc and the do-nothing driver for both
// families, with its temporary base inside it, under LUMO_BENCH_ROOT (by
// default /tmp): the command file's creation and removal cost what the file
// system there makes them cost.
class Installation {
 public:
  explicit Installation(const char* lumo8cc = LUMO8CC_PATH) {
    const char* base = getenv("LUMO_BENCH_ROOT");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumo8-bench-XXXXXX";
    root_ = mkdtemp(pattern.data());
    ver_ = root_ + "/lumo8/v2.50";
    put(lumo8cc, ver_ + "/bin/lumo8-cc");
    put(NOOP_DRIVER_PATH, ver_ + "/zir/bin/lumo8");
    put(NOOP_DRIVER_PATH, ver_ + "/tev/bin/tev-gcc");
    fs::create_directories(root_ + "/tmp");
    setenv("TEMP", (root_ + "/tmp").c_str(), 1);
    std::ofstream(root_ + "/cmdfile") << "--lumo8cc\n-q\n--opt=none\n--chip=16c401\nmain.c\n";
  }
  ~Installation() { fs::remove_all(root_); }
  std::string lumo8cc() const { return ver_ + "/bin/lumo8-cc"; }
  std::string driver() const { return ver_ + "/zir/bin/lumo8"; }
  std::string cmdfile() const { return root_ + "/cmdfile"; }
  const std::string& dir() const { return root_; }

 private:
  static void put(const char* from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  }
  std::string root_, ver_;
};

const Installation& installation() {
  static Installation inst;
  return inst;
}

// Runs argv in the installation's directory and waits for it.
void run(const std::vector<std::string>& args, benchmark::State& state) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, installation().dir().c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    state.SkipWithError("cannot start the program");
    return;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the run failed");
}

// The peak resident set in KiB of one run, through the small static
// starter (a process started from this one would report this one's size).
double peak_rss(const std::vector<std::string>& args) {
  std::string command = std::string("cd ") + installation().dir() + " && " PEAK_RSS_PATH;
  for (const std::string& a : args) command += " '" + a + "'";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  long kib = 0;
  if (fscanf(out, "%ld", &kib) != 1) kib = 0;
  pclose(out);
  return static_cast<double>(kib);
}

void measure(benchmark::State& state, const std::vector<std::string>& args) {
  for (auto _ : state) run(args, state);
  state.counters["peak_rss_KiB"] = peak_rss(args);
}

const std::vector<std::string> kZirLine = {
    "-mcpu=zir16c401", "-O2", "-Wall", "-Wno-2044", "-std=c99", "-DNDEBUG", "-DBOARD=3", "-Iinclude", "-Isrc",
    "-funsigned-char", "-mstack=compiled", "-mno-plib", "-mwarn=0", "-Wl,-Map=out.map", "-Wl,--data-init",
    "-Wa,-a", "-o", "build/out.hex", "-c", "main.c"};
const std::vector<std::string> kTevLine = {
    "-mcpu=kx32m2", "-O2", "-Wall", "-Wextra", "-std=c99", "-DNDEBUG", "-DBOARD=3", "-Iinclude", "-Isrc",
    "-funsigned-char", "-ffunction-sections", "-g", "-mconst-data-in-progmem", "-Wl,-Map=out.map",
    "-Wl,--gc-sections", "-Wa,-a", "-o", "build/out.o", "-c", "main.c"};

std::vector<std::string> with_program(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  return all;
}

void BM_Lumo8ccZirLine(benchmark::State& state) { measure(state, with_program(installation().lumo8cc(), kZirLine)); }
void BM_Lumo8ccTevLine(benchmark::State& state) { measure(state, with_program(installation().lumo8cc(), kTevLine)); }
void BM_SpawnOnly(benchmark::State& state) {
  measure(state, {SPAWN_ONLY_PATH, installation().driver(), "@" + installation().cmdfile()});
}

}  // namespace

// The wall time of one run, in seconds.
double seconds_of(const std::vector<std::string>& args, benchmark::State& state) {
  auto start = std::chrono::steady_clock::now();
  run(args, state);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs the programs in turn, one round of all of them per iteration, so
// that each round sees the same machine: the median time of each, and the
// median ratio of the first to each of the others within a round.
struct InTurn {
  std::vector<double> ms;     // per program
  std::vector<double> ratio;  // first over each program, ratio[0] == 1
};
InTurn in_turn(benchmark::State& state, const std::vector<std::vector<std::string>>& programs) {
  std::vector<std::vector<double>> times(programs.size()), ratios(programs.size());
  for (auto _ : state) {
    for (size_t i = 0; i < programs.size(); ++i) times[i].push_back(seconds_of(programs[i], state));
    for (size_t i = 0; i < programs.size(); ++i) ratios[i].push_back(times[0].back() / times[i].back());
  }
  InTurn r;
  for (size_t i = 0; i < programs.size(); ++i) {
    r.ms.push_back(median(times[i]) * 1e3);
    r.ratio.push_back(median(ratios[i]));
  }
  return r;
}

// A, B and B' in turn, one triple per iteration; B' is B with the command
// file in a fresh directory of the temporary base, made and removed as
// lumo8-cc does. The medians of all three and of the ratios A/B and A/B'.
void pairs(benchmark::State& state, const std::vector<std::string>& line) {
  const InTurn m = in_turn(state, {with_program(installation().lumo8cc(), line),
                                   {SPAWN_ONLY_PATH, installation().driver(), "@" + installation().cmdfile()},
                                   {SPAWN_ONLY_PATH, "--in", installation().dir() + "/tmp", installation().driver(),
                                    "@" + installation().cmdfile()}});
  state.counters["A_ms"] = m.ms[0];
  state.counters["B_ms"] = m.ms[1];
  state.counters["Bfile_ms"] = m.ms[2];
  state.counters["A_over_B"] = m.ratio[1];
  state.counters["A_over_Bfile"] = m.ratio[2];
}

// The cost of the trace calls when tracing is off: this build's lumo8-cc
// (trace calls compiled in, debugging off) and one built with
// -DLUMO_TRACE=OFF (trace calls compiled out), named by LUMO_BENCH_UNTRACED,
// in turn on the same compile line. bench/trace_cost.sh builds the second.
void BM_TraceCost(benchmark::State& state) {
  const char* untraced = getenv("LUMO_BENCH_UNTRACED");
  if (!untraced || !*untraced) {
    state.SkipWithError("LUMO_BENCH_UNTRACED names no lumo8-cc built with -DLUMO_TRACE=OFF");
    return;
  }
  static const Installation second(untraced);
  const InTurn m = in_turn(state, {with_program(installation().lumo8cc(), kZirLine),
                                   with_program(second.lumo8cc(), kZirLine)});
  state.counters["in_ms"] = m.ms[0];
  state.counters["out_ms"] = m.ms[1];
  state.counters["in_over_out"] = m.ratio[1];
}

void BM_PairsZir(benchmark::State& state) { pairs(state, kZirLine); }
void BM_PairsTev(benchmark::State& state) { pairs(state, kTevLine); }

// The GNU driver's own option handling, which starts no child at all.
void BM_GccShowCommands(benchmark::State& state) {
  measure(state, {"/usr/bin/gcc", "-###", "-c", "main.c"});
}

// A command file of n arguments, options and input files mixed, one per
// line or all on one line (as build tools write response files), and on the
// command line one "-Wl," argument of 10,000 pieces (a command file holds
// no argument longer than 2047 characters); the time per argument must
// stay flat.
const std::string& argument_file(int n, bool one_line) {
  static std::map<std::pair<int, bool>, std::string> files;
  std::string& path = files[{n, one_line}];
  if (!path.empty()) return path;
  path = installation().dir() + "/args" + std::to_string(n) + (one_line ? "-line" : "");
  std::ofstream out(path);
  const char end = one_line ? ' ' : '\n';
  out << "-mcpu=zir16c401" << end;
  const char* options[] = {"-O2", "-Wall", "-DX=1", "-Iinc", "-funsigned-char", "-mno-plib", "-Wno-2044"};
  for (int i = 2; i < n; ++i)
    out << (i % 2 ? std::string(options[i % 7]) : "src" + std::to_string(i) + ".c") << end;
  out << "\n";
  return path;
}

void arguments(benchmark::State& state, bool one_line) {
  const int n = static_cast<int>(state.range(0));
  static const std::string pieces = [] {
    std::string wl = "-Wl";
    for (int i = 0; i < 10000; ++i) wl += ",-Lp" + std::to_string(i);
    return wl;
  }();
  measure(state, {installation().lumo8cc(), "@" + argument_file(n, one_line), pieces});
  state.counters["us_per_argument"] = benchmark::Counter(
      static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert,
      benchmark::Counter::kIs1000);
}

void BM_ArgumentsInACommandFile(benchmark::State& state) { arguments(state, false); }
void BM_ArgumentsOnOneLine(benchmark::State& state) { arguments(state, true); }

BENCHMARK(BM_Lumo8ccZirLine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Lumo8ccTevLine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpawnOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PairsZir)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PairsTev)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TraceCost)->Iterations(300)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GccShowCommands)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArgumentsInACommandFile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArgumentsOnOneLine)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
