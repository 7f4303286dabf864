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

double AlternativeStudy::share(bool null) const {
  if (data_sets == 0) return analysis::not_a_number;
  return static_cast<double>(null ? data_sets - within : within) / data_sets;
}

bool AlternativeStudy::meets_rule(bool null) const {
  const int good = null ? data_sets - within : within;
  return good >= (null ? kNullShare : kRouteShare) * data_sets;
}

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
    const std::string seeds = "seeds " + std::to_string(seed1) + " " + std::to_string(seed2);
    for (const auto& r : sheet.results) {
      auto it = std::find_if(s.results.begin(), s.results.end(), [&](const ResultStudy& x) { return x.key == r.key; });
      if (it == s.results.end()) {
        s.results.push_back(ResultStudy{.key = r.key, .name = r.name, .unit = r.unit, .bias = r.bias});
        it = s.results.end() - 1;
      }
      if (!r.graded()) {
        if (it->not_graded++ == 0) it->first_not_graded = seeds + ": " + r.not_graded;
        continue;
      }
      const auto tally = [&](std::vector<AlternativeStudy>& into, const std::vector<analysis::Alternative>& list,
                             bool null) {
        for (const analysis::Alternative& a : list) {
          auto at = std::find_if(into.begin(), into.end(), [&](const AlternativeStudy& x) { return x.name == a.name; });
          if (at == into.end()) {
            into.push_back(AlternativeStudy{.name = a.name});
            at = into.end() - 1;
          }
          if (std::isnan(a.value)) continue;
          ++at->data_sets;
          const bool within = analysis::full_credit(r, a.value);
          at->within += within;
          if (within == null && at->first_miss.empty()) {
            char buf[160];
            std::snprintf(buf, sizeof buf, ": %.6g against %.6g ± %.3g", a.value, r.value, r.tolerance);
            at->first_miss = seeds + buf;
          }
        }
      };
      tally(it->routes, r.routes, false);
      tally(it->nulls, r.nulls, true);
      if (std::isnan(r.true_value)) continue;
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
      << "  tolerance (the larger of 2 % of the value and three standard uncertainties, unless the\n"
      << "  result sets its own floor or grades on its own scale) of the true value; a data set the\n"
      << "  analysis cannot read counts as outside;\n"
      << "- *data sets*: the data sets whose sheet grades the result: a model that fails for some seeds\n"
      << "  writes no data set to grade, degenerate draws can leave a data set with no answer at all\n"
      << "  (say, every reading the same), a tie line that only some data sets show is graded on those,\n"
      << "  and a result whose expected value would be physically impossible is not graded there.\n\n"
      << "Beside it, the method study: for every graded result, the valid routes a careful student may\n"
      << "take (another fit window, another unit, the nonlinear fit instead of the linearised one) and the\n"
      << "null answers, what a student reports who left out the point of the experiment. Each is worked\n"
      << "out from the same data set; its *share* is the share of the data sets where it applies whose\n"
      << "value earns full credit (a route: within the tolerance of the expected or an accepted value) or\n"
      << "does not (a null answer: outside it). The rule every graded result meets: each route within\n"
      << "tolerance in at least " << 100 * kRouteShare << " % of the data sets, each null answer outside it in at least "
      << 100 * kNullShare << " %;\n"
      << "a share that breaks it is marked ✗.\n";
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
    for (const auto& r : s.results)
      if (r.not_graded > 0)
        out << "\n`" << r.key << "` is not graded in " << r.not_graded << " data sets; the first: "
            << r.first_not_graded << "\n";
    bool any_other = false;
    for (const auto& r : s.results) any_other = any_other || !r.routes.empty() || !r.nulls.empty();
    if (any_other) {
      out << "\nValid routes (the share within tolerance) and null answers (the share outside it):\n\n"
          << "| result | | route or null answer | share | data sets |\n|---|---|---|---:|---:|\n";
      for (const auto& r : s.results)
        for (const bool null : {false, true})
          for (const auto& a : null ? r.nulls : r.routes)
            out << "| `" << r.key << "` | " << (null ? "null" : "route") << " | " << a.name << " | "
                << (a.data_sets > 0 ? percent(a.share(null)) : "–") << (a.meets_rule(null) ? "" : " ✗") << " | "
                << a.data_sets << " |\n";
    }
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
