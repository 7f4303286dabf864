// Grading a class: what each student reported, scored against that
// student's own answer sheet (the expected value of this very data set and
// its tolerance), with flags for the instructor where a report looks odd.
// No chemistry here: results are keys, units, numbers and tolerances.
//
// The files, all CSV with a heading row (a byte-order mark and CRLF line
// ends accepted, quoted cells may hold commas and doubled quotes):
//
//   answers.csv   name,<identifier>,seed1,seed2, then per result
//                 "<key> (<unit>)" and "<key> tolerance (<unit>)", then per
//                 result "<key> true" and "<key> u", then per result
//                 "<key> accepted (<unit>)" and "<key> not graded"
//                 (answers_csv_heading). The identifier column is optional;
//                 its heading is any of is_identifier_heading's ("id",
//                 "student number", "email"...). The accepted and not-graded
//                 columns are optional too (answers of an earlier version).
//                 A result whose expected value or tolerance is empty is not
//                 graded for that student.
//   results.csv   name and/or the identifier, optionally seed1,seed2, and
//                 one column per result headed "<key> (<unit>)" or "<key>":
//                 what each student reported. Every column must be known;
//                 every result of the answers must have its column.
//   weights.csv   rows "result,weight" by result key (a heading row
//                 "result,weight" is skipped); results not listed weigh 1,
//                 a weight 0 leaves a result out of the total; none above
//                 1000000.
//
// Credit of one result, d = reported − expected, t = the tolerance:
//   |d| ≤ t: 1;  |d| ≤ 2t: 2/3;  |d| ≤ 3t: 1/3;  beyond: 0;
//   within t of an accepted value (the law's integer order, say): 1;
//   an empty or unreadable cell: 0, named in the feedback;
//   a result not graded for the student's data set: no credit either way,
//   left out of the total and named in the feedback with its reason.
// A value a factor 1000 off (kJ given where J is expected, or the reverse)
// or 273.15 off a temperature (°C given where K is expected, or the
// reverse) that lands within the tolerance once converted is scored as
// converted (full credit) and flagged.
//
// Flags never change the credit; they point the instructor at:
//   unit     the conversion above;
//   shared   a value outside the student's own tolerance that is a
//            classmate's expected value, to every digit reported (within
//            half a unit in the last digit written) and within a tenth of
//            the classmate's tolerance (results passed around);
//   leaked   a value nearer the hidden true value than a tenth of the
//            standard uncertainty while this data set's expected value lies
//            more than one uncertainty from it (the key got out);
//   seeds    a row whose seeds are not those of the student in the answers
//            (named when they are a classmate's).
#pragma once

#include <cmath>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/answer_sheet.hpp"

namespace analysis::grading {

// Input that cannot be graded: the message names the file, line and column.
class GradingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A heading naming a student identifier: "id", "identifier", "student id",
// "student number", "student no", "email", "e-mail", "email address",
// "username" (any case, blanks and underscores alike).
bool is_identifier_heading(std::string_view heading);

// The records of a CSV text: a byte-order mark dropped, LF or CRLF line
// ends, quoted cells (which may span lines) unquoted. Records whose cells
// are all blank are left out. Throws GradingError on an unclosed quote.
struct CsvRecord {
  int line = 0;  // line of the file the record starts on, from 1
  std::vector<std::string> cells;
};
std::vector<CsvRecord> read_csv(std::string_view text, std::string_view file_name);

// A number as a spreadsheet reads it ("12953.", ".5E-04", "+3"); nothing
// for an empty cell or text.
std::optional<double> parse_number(std::string_view cell);

struct ResultColumn {
  std::string key;
  std::string unit;  // empty for a pure number
  bool operator==(const ResultColumn&) const = default;
};

// The results of a class's answers.csv and results template: for a
// program with a handout, the graded results of its catalogue in the
// catalogue's order (every result any data set of the program can have);
// otherwise the results of one sheet.
std::vector<ResultColumn> result_columns(const Handout& handout);
std::vector<ResultColumn> result_columns(const AnswerSheet& sheet);

// answers.csv: the heading, and the row of one student's sheet, whose
// results are found by key. A result the sheet does not hold, or holds as
// not graded, leaves its numbers empty (the sheet's reason in "<key> not
// graded"); a result of the sheet that is no column is left out. The
// accepted values of a result share one cell, separated by blanks. An
// empty id_heading leaves the identifier column out.
std::string answers_csv_heading(std::span<const ResultColumn> results, std::string_view id_heading);
std::string answers_csv_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                            std::string_view id_heading, std::string_view id);
// The same with the sheet's own results as the columns.
std::string answers_csv_heading(const AnswerSheet& sheet, std::string_view id_heading);
std::string answers_csv_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id);

// results_template.csv, for the instructor (or a form of the course site)
// to fill in: name, the identifier when the roster has one, the seeds and
// one empty column per result headed "<key> (<unit>)". An empty id_heading
// leaves the identifier column out.
std::string results_template_heading(std::span<const ResultColumn> results, std::string_view id_heading);
std::string results_template_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                                 std::string_view id_heading, std::string_view id);
std::string results_template_heading(const AnswerSheet& sheet, std::string_view id_heading);
std::string results_template_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id);

struct Expected {
  double value = not_a_number;
  double tolerance = not_a_number;
  double true_value = not_a_number;
  double uncertainty = not_a_number;
  std::vector<double> accepted;  // also full credit within the tolerance
  std::string not_graded;        // why not, when the sheet says
  bool gradable() const { return !std::isnan(value) && !std::isnan(tolerance); }
};

struct StudentAnswers {
  int line = 0;
  std::string id;  // empty without an identifier column
  std::string name;
  std::int32_t seed1 = 0, seed2 = 0;
  std::vector<Expected> results;  // in the order of Answers::results
};

struct Answers {
  std::string file;
  std::string id_heading;  // as written; empty when there is no identifier column
  std::vector<ResultColumn> results;
  std::vector<StudentAnswers> students;
};
Answers read_answers(std::string_view text, std::string_view file_name);

// One row of results.csv matched to its student.
struct Submission {
  int line = 0;
  std::size_t student = 0;          // index into Answers::students
  bool seeds_given = false;         // both seed cells hold whole numbers
  std::string seeds_cell;           // the seed cells as written, when not
  std::int32_t seed1 = 0, seed2 = 0;
  std::vector<std::string> cells;   // per result of the answers, trimmed
};
// Throws GradingError on an unknown or missing column, a row naming no
// student of the answers, a student twice, or a decimal comma.
std::vector<Submission> read_results(std::string_view text, std::string_view file_name, const Answers& answers);

// Per result of the answers, its weight (1 unless weights.csv says).
std::vector<double> default_weights(const Answers& answers);
std::vector<double> read_weights(std::string_view text, std::string_view file_name, const Answers& answers);

// Credit for a deviation d at tolerance t on the sliding scale above.
double credit(double deviation, double tolerance);

enum class FlagKind { unit, shared, leaked, seeds };
std::string_view flag_name(FlagKind kind);
struct Flag {
  FlagKind kind;
  std::string detail;  // a sentence for the instructor
};

enum class Cell { scored, empty, unreadable, not_gradable /* no expected value */ };

struct Mark {
  Cell cell = Cell::empty;
  std::string text;              // the cell as reported
  double reported = not_a_number;
  double scored = not_a_number;  // the value scored: reported, or converted
  double credit = 0;
  double accepted = not_a_number;  // the accepted value it lies on, when that earned the credit
  std::vector<Flag> flags;
};

struct Grade {
  std::size_t student = 0;    // index into Answers::students
  int line = 0;               // of results.csv; 0 when the student has no row
  double total = not_a_number;  // percent; NaN when the student has no row
  std::vector<Mark> marks;    // per result
  std::vector<Flag> flags;    // of the row (seeds)
  bool flagged() const;
};

// One grade per student of the answers, in their order.
std::vector<Grade> grade(const Answers& answers, std::span<const Submission> results,
                         std::span<const double> weights);

// grades.csv: the identifier first (heading as in the answers, "id" when
// they have none), then name, "total (%)" and per result its credit; the
// identifier and name as text_cell()s. read_answers() and read_results()
// read such cells back as the text typed (text_of_cell()).
std::string grades_csv_heading(const Answers& answers);
std::string grades_csv_row(const Answers& answers, const Grade& grade);

// Short feedback for one student (names, identifiers and cells shown()
// with control bytes escaped), and a file name for it (file_stem() of the
// identifier, or of the name when there is none, "student" when nothing is
// left; unique across the class by unique_stems()).
std::string feedback_text(const Answers& answers, const Grade& grade, std::span<const double> weights);
std::vector<std::string> feedback_file_names(const Answers& answers);

// The class per result: how many reported a number, the share within the
// tolerance, the median deviation relative to the expected value (signed,
// and of its size), empty or unreadable cells and flags.
struct ResultSummary {
  std::string key, unit;
  double weight = 1;
  int rows = 0;        // students with a row in the results
  int numbers = 0;     // of them, a number reported
  int within = 0;      // within the tolerance, as scored
  int missing = 0;     // empty or unreadable
  int unit_flags = 0, shared_flags = 0, leaked_flags = 0;
  double median_deviation = not_a_number;      // relative, signed
  double median_abs_deviation = not_a_number;  // relative
};
struct ClassSummary {
  int students = 0, graded = 0, flagged = 0, seed_flags = 0;
  double mean_total = not_a_number, median_total = not_a_number;
  std::vector<ResultSummary> results;
};
ClassSummary summarise(const Answers& answers, std::span<const Grade> grades, std::span<const double> weights);
std::string summary_csv(const ClassSummary& summary);
// The same for a person, then one line per flag and per empty cell (the
// cells, names and identifiers shown()).
void print_summary(std::ostream& out, const Answers& answers, std::span<const Grade> grades,
                   const ClassSummary& summary);

}  // namespace analysis::grading
