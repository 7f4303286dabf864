// Speed of the instructor's side, over a class:
//
//   answers/<program>   a class of 200 students: each data set generated
//                       in-process with its hidden values and its answer
//                       sheet worked out from its records; time per class.
//   workbooks/<program> a class of 200 solution workbooks written to a
//                       scratch folder (data sets and sheets made
//                       beforehand); time per class, and the largest
//                       workbook's size in bytes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/workbook.hpp"
#include "labcore/records.hpp"
#include "labcore/registry.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kClass = 200;

struct Student {
  std::int32_t seed1, seed2;
  std::string text;
  std::vector<labcore::HiddenValue> key;
};

// The class's seeds: scattered over the range, the same in every run.
std::vector<Student> make_class(const labcore::Program& program) {
  std::vector<Student> students;
  std::uint32_t x = 2463534242u;
  while (students.size() < kClass) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    const auto s1 = static_cast<std::int32_t>(x);
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    const auto s2 = static_cast<std::int32_t>(x);
    labcore::StringSink sink;
    Student s{s1, s2, {}, {}};
    try {
      labcore::write_data_set(program, "Jane Doe", s1, s2, sink, &s.key);
    } catch (const labcore::Failure&) {
      continue;
    }
    s.text = std::move(sink.text);
    students.push_back(std::move(s));
  }
  return students;
}

void answers(benchmark::State& state, const labcore::Program* program, const analysis::Analysis* an) {
  std::uint32_t x = 2463534242u;
  for (auto _ : state) {
    for (int i = 0; i < kClass; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      std::vector<labcore::HiddenValue> key;
      labcore::StringSink sink;
      try {
        labcore::write_data_set(*program, "Jane Doe", static_cast<std::int32_t>(x), static_cast<std::int32_t>(x >> 7),
                                sink, &key);
        benchmark::DoNotOptimize(analysis::answer_sheet(*an, sink.text, key, "Jane Doe", 1, 2));
      } catch (const std::exception&) {
        // a model that fails, or a degenerate data set with no answer
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kClass);
}

void workbooks(benchmark::State& state, const labcore::Program* program, const analysis::Analysis* an) {
  const std::vector<Student> students = make_class(*program);
  std::vector<analysis::AnswerSheet> sheets;
  for (const Student& s : students)
    sheets.push_back(analysis::answer_sheet(*an, s.text, s.key, "Jane Doe", s.seed1, s.seed2));
  const fs::path dir = fs::temp_directory_path() / ("lab_bench_workbooks_" + std::string(program->name));
  fs::create_directories(dir);
  std::uintmax_t largest = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < students.size(); ++i) {
      const fs::path file = dir / (std::to_string(i) + ".xlsx");
      analysis::write_workbook(file, *an, students[i].text, students[i].key, sheets[i]);
      largest = std::max(largest, fs::file_size(file));
      fs::remove(file);
    }
  }
  fs::remove_all(dir);
  state.SetItemsProcessed(state.iterations() * kClass);
  state.counters["largest_bytes"] = static_cast<double>(largest);
}

// Registered from main: the programs are objects of other files, ready
// only once static initialisation is over.
void register_benchmarks() {
  for (const analysis::Analysis* an : analysis::all_analyses()) {
    const labcore::Program* program = labcore::find_program(an->program);
    benchmark::RegisterBenchmark(("answers/" + std::string(an->program)).c_str(), answers, program, an)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("workbooks/" + std::string(an->program)).c_str(), workbooks, program, an)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_benchmarks();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
