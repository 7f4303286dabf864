// How well each program's analysis recovers the hidden values over many
// seed pairs: the recovery study behind docs/answers.md.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "labcore/program.hpp"

namespace labtest {

// The rule every graded result meets over the seed sweep: each valid route
// within the tolerance in at least this share of the data sets where it
// applies, each null answer outside it in at least that share.
inline constexpr double kRouteShare = 0.99;
inline constexpr double kNullShare = 0.95;

// One valid route or null answer of a result over the sweep.
struct AlternativeStudy {
  std::string name;
  int data_sets = 0;  // where it applies (not NaN) and the result is graded
  int within = 0;     // of them, full credit (within the tolerance of the expected or an accepted value)
  // The share that meets the rule: within for a route, outside for a null answer.
  double share(bool null) const;
  bool meets_rule(bool null) const;
  std::string first_miss;  // the seeds of the first data set that breaks the rule, and the values
};

struct ResultStudy {
  std::string key, name, unit;
  std::vector<double> deviations;  // |value − true|/|true| of every pair analysed
  int within = 0;                  // pairs whose value lies within tolerance of the true value
  int sheets = 0;                  // answer sheets that grade this result (some hold it only for some seeds)
  int not_graded = 0;              // answer sheets that hold it as not graded
  std::string first_not_graded;    // the seeds and the reason of the first
  std::string bias;                // the analysis's own words on a bias
  std::vector<AlternativeStudy> routes, nulls;
  double median() const;
  double p99() const;  // nearest rank: the ⌈0.99·n⌉-th smallest
};

struct ProgramStudy {
  std::string program;
  int pairs = 0;           // seed pairs tried
  int model_failed = 0;    // the generator stopped (no data set to grade)
  int analysis_failed = 0; // a data set the analysis could not read or fit
  int no_answer = 0;       // a data set that holds no answer (analysis::NoAnswer)
  std::string first_failure;
  std::string first_no_answer;
  std::vector<ResultStudy> results;
  // Data sets made that hold an answer.
  int data_sets() const { return pairs - model_failed - no_answer; }
  // The base of a result's share: the sheets that hold it, and every data
  // set the analysis could not read (which counts as outside).
  int base(const ResultStudy& r) const { return r.sheets + analysis_failed; }
};

// Runs the analysis over every pair's data set: the recovery of the true
// values, and the routes and null answers of every graded result.
ProgramStudy study(const labcore::Program& program, const analysis::Analysis& analysis,
                   const std::vector<std::pair<std::int32_t, std::int32_t>>& pairs);

// `count` pairs spread evenly over `pairs` (all of them when count is
// larger).
std::vector<std::pair<std::int32_t, std::int32_t>> spread(
    const std::vector<std::pair<std::int32_t, std::int32_t>>& pairs, std::size_t count);

// The study as the Markdown of docs/answers.md.
void print_markdown(std::ostream& out, const std::vector<ProgramStudy>& studies, std::size_t pairs);

}  // namespace labtest
