// Grading a class: answers.csv and results.csv read, every report scored
// and flagged, grades.csv rows, feedback texts, the summary and the
// instructor's report made, for classes of 100 and 1,000 students with
// eight results each. Numbers are
// made up (grading knows no chemistry); one value in eight is a
// classmate's, so the search for shared values has work to do.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "analysis/grading.hpp"

namespace {

using namespace analysis::grading;

constexpr int results_per_student = 8;

std::string answers_text(int students) {
  std::string s = "name,id,seed1,seed2";
  for (int r = 0; r < results_per_student; ++r)
    s += ",r" + std::to_string(r) + " (J/mol),r" + std::to_string(r) + " tolerance (J/mol)";
  for (int r = 0; r < results_per_student; ++r) s += ",r" + std::to_string(r) + " true,r" + std::to_string(r) + " u";
  s += '\n';
  for (int i = 0; i < students; ++i) {
    s += "Student " + std::to_string(i) + ",id" + std::to_string(i) + "," + std::to_string(i + 1) + ",7";
    for (int r = 0; r < results_per_student; ++r) s += "," + std::to_string(40000 + 37 * i + r) + ".5,800";
    for (int r = 0; r < results_per_student; ++r) s += "," + std::to_string(40000 + 37 * i + r) + ",10";
    s += '\n';
  }
  return s;
}

std::string results_text(int students) {
  std::string s = "id,seed1,seed2";
  for (int r = 0; r < results_per_student; ++r) s += ",r" + std::to_string(r) + " (J/mol)";
  s += '\n';
  for (int i = 0; i < students; ++i) {
    s += "id" + std::to_string(i) + "," + std::to_string(i + 1) + ",7";
    for (int r = 0; r < results_per_student; ++r) {
      const int whose = r == 7 ? (i + 1) % students : i;
      s += "," + std::to_string(40000 + 37 * whose + r + (r == 3 ? 1000 : 0)) + ".5";
    }
    s += '\n';
  }
  return s;
}

void bm_grade_class(benchmark::State& state) {
  const int students = static_cast<int>(state.range(0));
  const std::string answers = answers_text(students);
  const std::string results = results_text(students);
  for (auto _ : state) {
    const Answers a = read_answers(answers, "answers.csv");
    const auto rows = read_results(results, "results.csv", a);
    const std::vector<double> w = default_weights(a);
    const auto grades = grade(a, rows, w);
    std::size_t bytes = grades_csv_heading(a).size();
    for (const Grade& g : grades) bytes += grades_csv_row(a, g).size() + feedback_text(a, g, w).size();
    bytes += summary_csv(summarise(a, grades, w)).size() + report_csv(a, rows, grades).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["students/s"] =
      benchmark::Counter(static_cast<double>(students) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

BENCHMARK(bm_grade_class)->Name("grade/class")->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
