// Speed and allocation benchmarks of the generators.
//
//   generate/<program>  one data set written in-process into a string, the
//                       seeds changing from iteration to iteration;
//                       counters: records per data set, heap allocations
//                       per data set (all, and those made whatever the
//                       generator does: prologue and run setup)
//                       and how many of the generator's records were
//                       preceded by an allocation.
//   batch/<program>     a class of 200 students: 200 data sets, each with
//                       its key of hidden values, written in-process into a
//                       string, as an instructor's batch makes them; time
//                       per class, items_per_second data sets per second.
//   sweep/<program>     the program over a fixed sweep of 580 seed pairs
//                       (the degenerate seeds crossed with each other and a
//                       spread over the whole range); counter: the share
//                       of pairs whose computation failed.
//   record/<kind>       one formatted or list-directed record; counter:
//                       heap allocations per record.
//   process/<program>   the real binary started with a scripted dialog on a
//                       pipe, stdout to /dev/null, timed from start to exit;
//                       counters: the fastest, median and 90th-percentile
//                       runs. process/true, the system's do-nothing
//                       program, is the floor of starting a process.
//   grade/class/<n>     a class of n students graded from its answers.csv
//                       and results.csv to its outputs (grading_bench.cpp).
//
// The binaries are taken from the build's bin folder (LAB_BENCH_BIN
// overrides it); every *_gen found there is timed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "labcore/registry.hpp"

extern char** environ;

// Every heap allocation of the process is counted.
namespace {
std::atomic<std::uint64_t> allocations{0};

void* counted_malloc(std::size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n == 0 ? 1 : n);
}
void* counted_aligned(std::size_t n, std::align_val_t a) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  const auto align = static_cast<std::size_t>(a);
  return std::aligned_alloc(align, (n + align - 1) / align * align);
}
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = counted_malloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted_malloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted_malloc(n); }
void* operator new(std::size_t n, std::align_val_t a) {
  if (void* p = counted_aligned(n, a)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;

std::uint64_t allocation_count() { return allocations.load(std::memory_order_relaxed); }

// Seed pairs that change from iteration to iteration and stay in range.
struct Seeds {
  std::int32_t s1 = 12345;
  std::int32_t s2 = 67890;
  void next() {
    s1 = static_cast<std::int32_t>(1 + (static_cast<std::int64_t>(s1) * 48271) % 2147483646);
    s2 = static_cast<std::int32_t>(1 + (static_cast<std::int64_t>(s2) * 40692) % 2147483398);
  }
};

// Keeps the records and notes which of them were preceded by an allocation.
class ProbeSink final : public labcore::RecordSink {
 public:
  ProbeSink() { text.reserve(1 << 20); }
  void record(std::string_view line) override {
    text.append(line);
    text.push_back('\n');
    const std::uint64_t now = allocation_count();
    allocated_before.push_back(now != last_);
    last_ = allocation_count();
  }
  void reset() {
    text.clear();
    allocated_before.clear();
    last_ = allocation_count();
  }
  std::string text;
  std::vector<bool> allocated_before;

 private:
  std::uint64_t last_ = 0;
};

struct AllocationProfile {
  double records = 0;        // records of the whole data set
  double allocations = 0;    // heap allocations of the whole data set
  double fixed = 0;          // of these, made by the prologue and the run setup
  double per_record = 0;     // generator records (after its first) that followed an allocation
};

// One data set written twice more after a warm-up: once whole, once with a
// generator that writes nothing, to tell the fixed cost from the records.
AllocationProfile profile(const labcore::Program& program, Seeds seeds) {
  ProbeSink sink;
  sink.allocated_before.reserve(1 << 16);
  auto write = [&](const labcore::Program& p) {
    sink.reset();
    const std::uint64_t before = allocation_count();
    try {
      labcore::write_data_set(p, "Jane Doe", seeds.s1, seeds.s2, sink, nullptr);
    } catch (const labcore::Failure&) {
    }
    return static_cast<double>(allocation_count() - before);
  };
  labcore::Program empty = program;
  empty.generate = [](labcore::Run&) {};

  AllocationProfile out;
  write(program);
  out.allocations = write(program);
  const std::vector<bool> whole = sink.allocated_before;
  out.fixed = write(empty);
  const std::size_t prologue_records = sink.allocated_before.size();
  out.records = static_cast<double>(whole.size());
  for (std::size_t k = prologue_records + 1; k < whole.size(); ++k)
    if (whole[k]) out.per_record += 1;
  return out;
}

void bm_generate(benchmark::State& state, const labcore::Program* program) {
  labcore::StringSink sink;
  Seeds seeds;
  std::int64_t failed = 0;
  for (auto _ : state) {
    sink.text.clear();
    try {
      labcore::write_data_set(*program, "Jane Doe", seeds.s1, seeds.s2, sink, nullptr);
    } catch (const labcore::Failure&) {
      ++failed;
    }
    benchmark::DoNotOptimize(sink.text.data());
    benchmark::ClobberMemory();
    seeds.next();
  }
  state.SetItemsProcessed(state.iterations());
  const AllocationProfile p = profile(*program, Seeds{});
  state.counters["records"] = p.records;
  state.counters["allocs"] = p.allocations;
  state.counters["allocs_fixed"] = p.fixed;
  state.counters["alloc_records"] = p.per_record;
  state.counters["failed"] =
      benchmark::Counter(static_cast<double>(failed), benchmark::Counter::kAvgIterations);
}

// A class of 200 students with names and seeds of their own.
struct Student {
  std::string name;
  std::int32_t s1, s2;
};
const std::vector<Student>& class_of_200() {
  static const std::vector<Student> students = [] {
    std::vector<Student> out;
    Seeds seeds{271828, 314159};
    for (int k = 1; k <= 200; ++k) {
      out.push_back({"Student " + std::to_string(k), seeds.s1, seeds.s2});
      seeds.next();
    }
    return out;
  }();
  return students;
}

void bm_batch(benchmark::State& state, const labcore::Program* program) {
  const auto& students = class_of_200();
  labcore::StringSink sink;
  sink.text.reserve(1 << 16);
  std::vector<labcore::HiddenValue> key;
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const Student& st : students) {
      sink.text.clear();
      key.clear();
      try {
        labcore::write_data_set(*program, st.name, st.s1, st.s2, sink, &key);
      } catch (const labcore::Failure&) {
      }
      bytes += sink.text.size();
      benchmark::DoNotOptimize(sink.text.data());
      benchmark::DoNotOptimize(key.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(students.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

// The sweep's seed pairs: the seeds that are degenerate for the generator
// (0, the moduli and their negatives, the extremes of the range) crossed
// with each other, equal pairs on the diagonal, and a spread of ordinary
// pairs.
const std::vector<std::pair<std::int32_t, std::int32_t>>& sweep_pairs() {
  static const std::vector<std::pair<std::int32_t, std::int32_t>> pairs = [] {
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    const std::int32_t special[] = {0,          1,           -1,         2,          12345,      67890,
                                    lowest,     lowest + 1,  highest,    2147483562, 2147483563, -2147483563,
                                    2147483399, -2147483399, 2147483398, 53668,      52774,      40014};
    std::vector<std::pair<std::int32_t, std::int32_t>> out;
    for (std::int32_t a : special)
      for (std::int32_t b : special) out.emplace_back(a, b);
    Seeds seeds;
    while (out.size() < 580) {
      out.emplace_back(seeds.s1, seeds.s2);
      seeds.next();
    }
    return out;
  }();
  return pairs;
}

void bm_sweep(benchmark::State& state, const labcore::Program* program) {
  const auto& pairs = sweep_pairs();
  labcore::StringSink sink;
  sink.text.reserve(1 << 16);
  std::int64_t failed = 0;
  for (auto _ : state) {
    for (const auto& [s1, s2] : pairs) {
      sink.text.clear();
      try {
        labcore::write_data_set(*program, "Jane Doe", s1, s2, sink, nullptr);
      } catch (const labcore::Failure&) {
        ++failed;
      }
      benchmark::DoNotOptimize(sink.text.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(pairs.size()));
  state.counters["failed"] = benchmark::Counter(static_cast<double>(failed) /
                                                static_cast<double>(state.iterations() * pairs.size()));
}

// A sink that keeps nothing: the cost of rendering alone.
class NullSink final : public labcore::RecordSink {
 public:
  void record(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
};

template <class Write>
void bm_record(benchmark::State& state, Write write) {
  NullSink sink;
  labcore::Records records(sink);
  write(records);  // warm-up
  const std::uint64_t before = allocation_count();
  for (auto _ : state) write(records);
  const double made = static_cast<double>(allocation_count() - before);
  state.SetItemsProcessed(state.iterations());
  state.counters["allocs_per_record"] =
      benchmark::Counter(made, benchmark::Counter::kAvgIterations);
}

const std::array<float, 10> kTable{0.5f, 1.25f, 2.0f, 3.75f, 4.5f, 5.125f, 6.0f, 7.5f, 8.25f, 9.0f};

void register_records() {
  benchmark::RegisterBenchmark("record/formatted", [](benchmark::State& s) {
    bm_record(s, [](labcore::Records& r) {
      r.write(R"((f7.2,",",f8.0,",",e12.5,",",i6,",",a))", 298.15, 101325.0f, 6.02214076e23, 42,
              "mol");
    });
  });
  benchmark::RegisterBenchmark("record/table", [](benchmark::State& s) {
    bm_record(s, [](labcore::Records& r) { r.write(R"((10(f8.3,",")))", kTable); });
  });
  benchmark::RegisterBenchmark("record/list", [](benchmark::State& s) {
    bm_record(s, [](labcore::Records& r) { r.list("\"seed1: \",", 12345, 0.318309873f, 2.718281828459045); });
  });
}

fs::path bin_folder() {
  if (const char* dir = std::getenv("LAB_BENCH_BIN")) return dir;
  return LAB_BIN_DIR;
}

// Starts the program in `folder` with `input` as its whole standard input
// and its output discarded; returns the wait status.
int run_process(const std::string& path, const fs::path& folder, const std::string& input,
                double& seconds) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  // The dialog is far smaller than a pipe's buffer: written in full first.
  const bool written = ::write(fds[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
  ::close(fds[1]);
  if (!written) {
    ::close(fds[0]);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ) == 0)
    ::waitpid(pid, &status, 0);
  const auto stop = std::chrono::steady_clock::now();
  seconds = std::chrono::duration<double>(stop - start).count();
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[0]);
  return status;
}

void bm_process(benchmark::State& state, const std::string& path) {
  std::string dir_template = (fs::temp_directory_path() / "labbench-XXXXXX").string();
  if (::mkdtemp(dir_template.data()) == nullptr) {
    state.SkipWithError("cannot create a temporary folder");
    return;
  }
  const fs::path folder = dir_template;
  const fs::path file = folder / "bench.csv";
  Seeds seeds;
  std::vector<double> times;
  std::int64_t failed = 0;
  for (auto _ : state) {
    const std::string input = "bench.csv\nJane Doe\n" + std::to_string(seeds.s1) + "\n" +
                              std::to_string(seeds.s2) + "\nx\n";
    double seconds = 0;
    const int status = run_process(path, folder, input, seconds);
    state.SetIterationTime(seconds);
    times.push_back(seconds);
    std::error_code ec;
    fs::remove(file, ec);
    seeds.next();
    // A computation that fails for the seeds (status 3) is still a run.
    const int code = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 3) ++failed;
    if (code != 0 && code != 3) {
      state.SkipWithError(("the program ended with status " + std::to_string(code)).c_str());
      break;
    }
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  if (times.empty()) return;
  std::sort(times.begin(), times.end());
  state.counters["min_ms"] = times.front() * 1e3;
  state.counters["median_ms"] = times[times.size() / 2] * 1e3;
  state.counters["p90_ms"] = times[times.size() * 9 / 10] * 1e3;
  state.counters["failed"] = benchmark::Counter(static_cast<double>(failed) / static_cast<double>(times.size()));
}

void register_programs() {
  for (const labcore::Program* program : labcore::all_programs())
    benchmark::RegisterBenchmark(("generate/" + std::string(program->name)).c_str(), bm_generate, program)
        ->Unit(benchmark::kMicrosecond);
  for (const labcore::Program* program : labcore::all_programs())
    benchmark::RegisterBenchmark(("batch/" + std::string(program->name)).c_str(), bm_batch, program)
        ->Unit(benchmark::kMillisecond);
  for (const labcore::Program* program : labcore::all_programs())
    benchmark::RegisterBenchmark(("sweep/" + std::string(program->name)).c_str(), bm_sweep, program)
        ->Unit(benchmark::kMillisecond);

  std::vector<std::string> binaries;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(bin_folder(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.ends_with("_gen") && entry.is_regular_file() &&
        ::access(entry.path().c_str(), X_OK) == 0)
      binaries.push_back(entry.path().string());
  }
  std::sort(binaries.begin(), binaries.end());
  // The floor: the cost of starting any dynamically linked process here.
  if (::access("/bin/true", X_OK) == 0) binaries.insert(binaries.begin(), "/bin/true");
  for (const std::string& path : binaries)
    benchmark::RegisterBenchmark(("process/" + fs::path(path).filename().string()).c_str(), bm_process, path)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  register_records();
  register_programs();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
