#include "study/study.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "labcore/records.hpp"

namespace labtest {

namespace {

double nearest_rank(std::vector<double> v, double q) {
  if (v.empty()) return analysis::not_a_number;
  std::sort(v.begin(), v.end());
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(v.size())));
  return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

std::string percent(double share) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f %%", 100.0 * share);
  return buf;
}

std::string sci(double v) {
  if (std::isnan(v)) return "–";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2g", v);
  return buf;
}

}  // namespace

double ResultStudy::median() const { return nearest_rank(deviations, 0.5); }
double ResultStudy::p99() const { return nearest_rank(deviations, 0.99); }

ProgramStudy study(const labcore::Program& program, const analysis::Analysis& an,
                   const std::vector<std::pair<std::int32_t, std::int32_t>>& pairs) {
  ProgramStudy s;
  s.program = std::string(program.name);
  std::vector<labcore::HiddenValue> key;
  labcore::StringSink sink;
  for (const auto& [seed1, seed2] : pairs) {
    ++s.pairs;
    key.clear();
    sink.text.clear();
    try {
      labcore::write_data_set(program, "Jane Doe", seed1, seed2, sink, &key);
    } catch (const labcore::Failure&) {
      ++s.model_failed;
      continue;
    }
    analysis::AnswerSheet sheet;
    try {
      sheet = analysis::answer_sheet(an, sink.text, key, "Jane Doe", seed1, seed2);
    } catch (const analysis::NoAnswer& e) {
      if (s.no_answer++ == 0) s.first_no_answer = "seeds " + std::to_string(seed1) + " " + std::to_string(seed2) + ": " + e.what();
      continue;
    } catch (const std::exception& e) {
      if (s.analysis_failed++ == 0)
        s.first_failure = "seeds " + std::to_string(seed1) + " " + std::to_string(seed2) + ": " + e.what();
      continue;
    }
    for (const auto& r : sheet.results) {
      auto it = std::find_if(s.results.begin(), s.results.end(), [&](const ResultStudy& x) { return x.key == r.key; });
      if (it == s.results.end()) {
        s.results.push_back(ResultStudy{.key = r.key, .name = r.name, .unit = r.unit, .bias = r.bias});
        it = s.results.end() - 1;
      }
      // A result left to the workings for this data set has no tolerance.
      if (std::isnan(r.true_value) || !r.graded()) continue;
      ++it->sheets;
      it->deviations.push_back(std::fabs(r.value - r.true_value) / std::fabs(r.true_value));
      if (std::fabs(r.value - r.true_value) <= r.tolerance) ++it->within;
    }
  }
  return s;
}

std::vector<std::pair<std::int32_t, std::int32_t>> spread(
    const std::vector<std::pair<std::int32_t, std::int32_t>>& pairs, std::size_t count) {
  if (count >= pairs.size()) return pairs;
  std::vector<std::pair<std::int32_t, std::int32_t>> out;
  for (std::size_t k = 0; k < count; ++k) out.push_back(pairs[k * pairs.size() / count]);
  return out;
}

void print_markdown(std::ostream& out, const std::vector<ProgramStudy>& studies, std::size_t pairs) {
  out << "# How well the answer sheets recover the hidden values\n\n"
      << "Made by `make answers-study`, which builds `answer_study` and writes this page; do not edit\n"
      << "it by hand. `build/default/tests/answer_study [--pairs N] [PROGRAM...]` prints the same for\n"
      << "some programs or fewer pairs.\n\n"
      << "Each program with an analysis (a file `<subsystem>/*_answers.cpp`) is run over the seed\n"
      << "sweep's " << pairs << " seed pairs (`labtest::sweep_seeds()`: special seeds, ladders across the\n"
      << "32-bit range, scattered and equal pairs). Every data set is analysed as the student receives\n"
      << "it, and each result compared with the true value of the hidden model:\n\n"
      << "- *median* and *99th percentile*: of the relative deviation |value − true| / |true|\n"
      << "  (nearest rank);\n"
      << "- *within tolerance*: the share of data sets whose analysed value lies within the grading\n"
      << "  tolerance (the larger of 2 % of the value and three standard uncertainties) of the true\n"
      << "  value; a data set the analysis cannot read counts as outside;\n"
      << "- *data sets*: the data sets whose sheet holds the result: a model that fails for some seeds\n"
      << "  writes no data set to grade, degenerate draws can leave a data set with no answer at all\n"
      << "  (say, every reading the same), and a tie line that only some data sets show is graded on those.\n";
  for (const auto& s : studies) {
    out << "\n## " << s.program << "\n\n";
    out << "| result | key | unit | median | 99th percentile | within tolerance | data sets |\n"
        << "|---|---|---|---:|---:|---:|---:|\n";
    for (const auto& r : s.results) {
      const int n = s.base(r);
      out << "| " << r.name << " | `" << r.key << "` | " << r.unit << " | " << sci(r.median()) << " | "
          << sci(r.p99()) << " | " << (n > 0 ? percent(static_cast<double>(r.within) / n) : "–") << " | " << n
          << " |\n";
    }
    if (s.model_failed > 0)
      out << "\nThe generator stopped for " << s.model_failed << " of " << s.pairs << " pairs.\n";
    if (s.no_answer > 0)
      out << "\n" << s.no_answer << " data sets hold no answer and are left out; the first: " << s.first_no_answer
          << "\n";
    if (s.analysis_failed > 0)
      out << "\nThe analysis failed for " << s.analysis_failed << " data sets; the first: " << s.first_failure
          << "\n";
    bool any_bias = false;
    for (const auto& r : s.results) any_bias = any_bias || !r.bias.empty();
    if (any_bias) {
      out << "\nBiases the model imposes:\n\n";
      for (const auto& r : s.results)
        if (!r.bias.empty()) out << "- `" << r.key << "`: " << r.bias << "\n";
    }
  }
}

}  // namespace labtest
