// An answer sheet: for each result a student is to find, the true value of
// the hidden model, the value a careful analysis of this very data set
// gives, its standard uncertainty and the grading tolerance; and the
// workings, the columns the student fills in, row by row.
#pragma once

#include <iosfwd>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/dataset.hpp"
#include "analysis/safe_text.hpp"
#include "labcore/program.hpp"

namespace analysis {

inline constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// Another value a student may report for a result, computed from the same
// data set: a valid route a careful student may take (another fit window,
// the Masson line, the constant at the run's own temperature), or a null
// answer, what a student reports who left out the point of the experiment
// (no fugacity correction, as = 1, the pure component's value). The method
// study checks that routes grade as right and null answers as wrong.
struct Alternative {
  std::string name;             // "Masson line, weighted"; the same name in every data set
  double value = not_a_number;  // NaN when the route does not apply to this data set
};

struct Result {
  std::string key;     // short name for CSV headings: "dHvap", "Tb", "k(3)"
  std::string name;    // "enthalpy of vaporization"
  std::string unit;    // "J/mol"; empty for a pure number
  double true_value = not_a_number;   // from the hidden model; NaN when it has none
  double value = not_a_number;        // the analysis of this data set
  double uncertainty = not_a_number;  // standard uncertainty, from the fit
  std::string method;  // "slope of ln P against 1/T, least squares over 12 points"
  std::string bias;    // why the value cannot land on the true one, when the model prevents it
  double tolerance = not_a_number;    // set by the sheet's policy
  // A floor under the policy's relative part for this result alone, when a
  // convention of the model moves the careful analysis off the true value
  // by a known amount (say why in `bias`); 0 leaves the policy as it is.
  double least_relative = 0;
  // A floor in the result's own unit (volts for an EMF, an order near
  // zero): the tolerance is never smaller; 0 sets none.
  double absolute = 0;
  // False leaves the relative part out: a quantity graded on its own scale
  // (an E0 in volts), where a percentage of its value means nothing.
  bool relative = true;
  // Values also given full credit within the tolerance, besides the
  // expected one: the law's integer order where the data give 1.08.
  std::vector<double> accepted;
  // Why this result is not graded for this data set (an expected value the
  // data lead to that is physically impossible, a result left to the
  // workings); shown on the sheet and in the feedback. Empty: graded.
  std::string not_graded;
  // The valid routes and the null answers of this result, for the study.
  std::vector<Alternative> routes;
  std::vector<Alternative> nulls;
  bool graded() const { return not_graded.empty(); }
};

// Whether a reported value earns full credit: within the tolerance of the
// expected value or of an accepted one. False for a NaN value and for a
// result not graded.
bool full_credit(const Result& r, double reported);

// A table of workings: the student's columns, filled in row by row.
struct Column {
  std::string heading;  // as the data set's heading names it, when it does
  std::string unit;
  std::vector<double> values;  // not_a_number leaves a cell empty
};
struct Workings {
  std::string title;
  std::vector<Column> columns;
};

// Tolerance = max(max(relative, r.least_relative)·|value|, sigmas·uncertainty,
// r.absolute), the first term only when r.relative; NaN when the value is
// or the result is not graded; a NaN uncertainty leaves the rest alone.
struct TolerancePolicy {
  double relative = 0.02;
  double sigmas = 3.0;
  double of(const Result& r) const;
};

struct AnswerSheet {
  std::string program;
  std::string student;
  int seed1 = 0, seed2 = 0;
  TolerancePolicy policy;
  std::vector<Result> results;
  std::vector<Workings> workings;
  std::vector<std::string> notes;  // the method in words, biases, choices made

  Result& add(Result r) { results.push_back(std::move(r)); return results.back(); }
  // The result of that key, or nullptr.
  const Result* find(std::string_view key) const;
  Workings& add(Workings w) { workings.push_back(std::move(w)); return workings.back(); }
};

// What a program's analysis is given: the data set as written and the
// hidden values its generator named through the run context.
class Case {
 public:
  Case(const DataSet& data, std::span<const labcore::HiddenValue> hidden) : data_(data), hidden_(hidden) {}
  const DataSet& data() const { return data_; }
  std::span<const labcore::HiddenValue> hidden() const { return hidden_; }
  // A hidden value by its name ("tc", "keq(2)"); throws AnalysisError when absent.
  double hidden(std::string_view name) const;
  double hidden(std::string_view name, int index) const;

 private:
  const DataSet& data_;
  std::span<const labcore::HiddenValue> hidden_;
};

class SolutionSheet;

// What the student is given beside the data set, for `lab_instructor
// handout` (Markdown): the assignment as the student needs it. Every
// constant the analysis uses is either in the data set or here.
struct HandoutConstant {
  std::string name;   // "ε·l, molar absorptivity of bromine times the path length"
  double value = not_a_number;
  std::string unit;   // "L/mol"
  std::string use;    // "turns an absorbance into a bromine concentration"
  // The defined name of its labelled cell in the workbooks ("eps_l",
  // "R_gas"; see valid_defined_name in analysis/workbook.hpp), by which
  // the solution's formulas and the student's refer to it.
  std::string symbol;
};
// One result of the catalogue: every result any data set of the program can
// have, in the order of the results template and answers.csv.
struct HandoutResult {
  std::string key;   // as on the sheet: "rate(3)", "Pvap(2)"
  std::string name;
  std::string unit;
  // The method the student is to follow, where the result depends on it;
  // empty where any valid route will do.
  std::string method;
  // Empty: reported and graded. Otherwise the result is left to the
  // workings, with this reason; it is not in the results template.
  std::string not_graded;
};
struct Handout {
  std::string task;  // the experiment and what is asked, a paragraph
  std::string data;  // what the data set holds: its records, columns and units (Markdown)
  std::vector<HandoutConstant> constants;
  std::vector<std::string> conventions;  // "T(K) = t(°C) + 273.15", "pressures in atm"
  std::vector<HandoutResult> results;
  // The catalogue entry of a key, or nullptr.
  const HandoutResult* find(std::string_view key) const;
};

// A program's analysis: fills the results and workings of the sheet, and
// describes the same analysis as spreadsheet formulas for its workbook.
struct Analysis {
  std::string_view program;  // "vapor_pressure_gen"
  void (*analyse)(const Case&, AnswerSheet&) = nullptr;
  void (*workbook)(const Case&, const AnswerSheet&, SolutionSheet&) = nullptr;
  // The student's handout with the catalogue of results; nullptr while the
  // program has none.
  const Handout& (*handout)() = nullptr;
};

// The analysis of a program, or nullptr. Defined by the registry of
// analyses (library lab_answers_registry), generated from the files named
// <subsystem>/*_answers.cpp: a file <stem>_answers.cpp defines
//   extern const analysis::Analysis <stem>_gen_answers{...};
// for the program <stem>_gen.
const Analysis* find_analysis(std::string_view program);
// Every analysis, in program-name order (also in lab_answers_registry).
std::span<const Analysis* const> all_analyses();

// The whole sheet for a data set's text and its hidden values: runs the
// program's analysis and sets every tolerance from the policy. Throws
// AnalysisError when the data set does not hold what the analysis reads,
// or (the overload by program, in lab_answers_registry) when the program
// has no analysis.
AnswerSheet answer_sheet(const Analysis& analysis, std::string_view data_set_text,
                         std::span<const labcore::HiddenValue> hidden, std::string_view student, int seed1,
                         int seed2, TolerancePolicy policy = {});
AnswerSheet answer_sheet(const labcore::Program& program, std::string_view data_set_text,
                         std::span<const labcore::HiddenValue> hidden, std::string_view student, int seed1,
                         int seed2, TolerancePolicy policy = {});

// The sheet as an aligned table for a person, and as CSV (results, then
// each table of workings).
void print_sheet(std::ostream& out, const AnswerSheet& sheet);
void print_sheet_csv(std::ostream& out, const AnswerSheet& sheet);

// The handout as Markdown for the student: the title of the program, the
// task, what the data set holds, the constants and conventions, the
// results to report (key, name, unit, method) in the results template's
// order, and the results left to the workings.
void print_handout(std::ostream& out, const labcore::Program& program, const Handout& handout);

// One row per student of a batch's answers.csv, with the sheet's own
// results as its columns: analysis::grading's layout (answers_csv_heading
// there) without an identifier column. Both strings come without a line end.
std::string answers_csv_heading(const AnswerSheet& sheet);
std::string answers_csv_row(const AnswerSheet& sheet);

// A number in its shortest round-trip form; empty for NaN.
std::string csv_number(double v);

}  // namespace analysis
