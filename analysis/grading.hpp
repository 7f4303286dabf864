// Grading a class: what each student reported, scored against that
// student's own answer sheet (the expected value of this very data set
// and its tolerance), with the evidence an instructor may need where a
// report looks copied or leaked. No chemistry here: results are keys,
// units, numbers and tolerances.
//
// The concerns, one file each:
//   grading_input.cpp     answers.csv, results.csv and weights.csv read
//                         (every problem at once), answers.csv and the
//                         results template written
//   grading_units.cpp     a reported cell read (numbers as spreadsheets
//                         write them, a unit typed with the value) and the
//                         unit slips each result's unit allows
//   grading.cpp           credit and the scoring of a class
//   grading_evidence.cpp  the flags and their statistics
//   grading_feedback.cpp  the student's feedback
//   grading_report.cpp    the instructor's grades.csv, summary, report.csv
//                         and terminal summary
//
// The files, all CSV with a heading row (see analysis/table_text.hpp for
// encodings, separators and quoting):
//
//   answers.csv   name,<identifier>,seed1,seed2, then per result
//                 "<key> (<unit>)" and "<key> tolerance (<unit>)", then per
//                 result "<key> true" and "<key> u", then per result
//                 "<key> accepted (<unit>)" and "<key> not graded", then
//                 per result "<key> routes (<unit>)", then per result
//                 "<key> nulls (<unit>)" (answers_csv_heading).
//                 The identifier column is optional; its heading is any of
//                 is_identifier_heading's. The accepted, not-graded and
//                 routes columns are optional too (answers of earlier
//                 versions). A result whose expected value or tolerance is
//                 empty is not graded for that student.
//   results.csv   name and/or the identifier, optionally seed1,seed2, and
//                 one column per result headed "<key> (<unit>)" or "<key>":
//                 what each student reported.
//   weights.csv   rows "result,weight" by result key (a heading row
//                 "result,weight" is skipped); results not listed weigh 1,
//                 a weight 0 leaves a result out of the total; none above
//                 1000000.
//
// Credit of one result, d = value − expected, t = the tolerance:
//   |d| ≤ t: 1;  |d| ≤ 2t: 2/3;  |d| ≤ 3t: 1/3;  beyond: 0;
//   within t of an accepted value (the law's integer order, say): 1;
//   an empty or unreadable cell: 0, named in the feedback with the reason;
//   a result not graded for the student's data set: no credit either way,
//   left out of the total and named in the feedback with its reason.
// A value typed with a unit of the result's kind ("34.0 kJ/mol" for J/mol)
// is converted and scored. A value without a unit that lands within the
// tolerance once converted from another unit of the result's kind (J and
// kJ, K and °C, Pa, kPa and bar, mL and L) is a unit slip, where the value
// as written lies outside every expected value of the class widened by
// three tolerances (so that it cannot be a value of the result itself):
// scored as converted (UnitSlip::full), one step down the scale (partial),
// or as written (none), and flagged.
#pragma once

#include <cmath>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/table_text.hpp"

namespace analysis::grading {

// Input that cannot be graded: every problem with its file, line and column.
using GradingError = analysis::InputError;
using analysis::CsvRecord;
using analysis::parse_number;
using analysis::read_csv;

// ---------------------------------------------------------------------------
// Reading and writing the class's tables (grading_input.cpp)

// A heading naming a student identifier: "id", "identifier", "student id",
// "student number", "student no", "sis user id", "username", "user name",
// "sis login id", "email", "e-mail", "email address" (any case, blanks and
// underscores alike).
bool is_identifier_heading(std::string_view heading);
// Which of several identifier columns of one file is taken: the lowest
// rank, in the order above's groups: student numbers (0), plain ids (1),
// user names (2), e-mail addresses (3). -1 for a heading that is none.
int identifier_rank(std::string_view heading);

struct ResultColumn {
  std::string key;
  std::string unit;  // empty for a pure number
  bool operator==(const ResultColumn&) const = default;
};
// "<key> (<unit>)", or the key of a pure number.
std::string heading_of(const ResultColumn& result);

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
// accepted values of a result share one cell, separated by blanks, as do
// the values of its valid routes and those of its null answers (honest
// mistakes). An empty id_heading leaves the identifier column out; routes
// = false leaves the routes and nulls columns out (the layout of a class
// made before they existed).
std::string answers_csv_heading(std::span<const ResultColumn> results, std::string_view id_heading,
                                bool routes = true);
std::string answers_csv_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                            std::string_view id_heading, std::string_view id, bool routes = true);
// The same with the sheet's own results as the columns.
std::string answers_csv_heading(const AnswerSheet& sheet, std::string_view id_heading);
std::string answers_csv_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id);
// Whether an answers.csv heading (its first line) has the routes columns.
bool answers_have_routes(std::string_view heading_line);

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
  std::vector<double> routes;    // the values of the valid routes for this data set
  std::vector<double> nulls;     // the values of its null answers: honest mistakes, no credit
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
// "Name (id)", or the name alone.
std::string person(const StudentAnswers& student);

struct Answers {
  std::string file;
  std::string id_heading;  // as written; empty when there is no identifier column
  std::vector<ResultColumn> results;
  std::vector<StudentAnswers> students;
  bool routes = false;  // the routes and nulls columns are there (answers of earlier versions have none)
};
// Throws GradingError naming every problem: an unknown or repeated column,
// a cell that is not a number, a negative tolerance, an identifier twice.
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
// A row that is not graded, with the students it may belong to: none of
// them gets a grade from this file until it is mended.
struct HeldRow {
  Problem problem;
  std::vector<std::size_t> students;
};
struct Results {
  std::string file;
  bool decimal_comma = false;  // the file's numbers have decimal commas
  std::vector<Submission> rows;
  std::vector<HeldRow> held;
  // For the instructor: how the file was read (an encoding), names that
  // differ from the answers' where the identifier decided.
  std::vector<std::string> notes;
};
// Throws GradingError naming every problem of the heading (an unknown,
// repeated or missing column), an empty or heading-only file, or a file
// that is no text. Of several identifier columns the one with the
// answers' heading is taken (else the first kind, as identifier_rank
// orders them), the others left out with a note. Rows that cannot be graded (a student not in the
// answers, a student twice, an identifier and a name of two different
// students, more cells than the heading) are held, each named.
Results read_results(std::string_view text, std::string_view file_name, const Answers& answers);

// Per result of the answers, its weight (1 unless weights.csv says).
std::vector<double> default_weights(const Answers& answers);
// Throws GradingError naming every problem.
std::vector<double> read_weights(std::string_view text, std::string_view file_name, const Answers& answers);

// ---------------------------------------------------------------------------
// Reported cells and unit slips (grading_units.cpp)

// How a unit slip is credited.
enum class UnitSlip { full, partial, none };
// "full", "partial", "none"; nothing for another word.
std::optional<UnitSlip> unit_slip_of(std::string_view word);

// One of the units a result's unit may be mistaken for, and how a value
// in it converts: value in the result's unit = v·factor + offset.
struct UnitConversion {
  std::string unit;
  double factor = 1, offset = 0;
};
// The other units of the result's kind (K: °C; J/mol: kJ/mol; Pa: kPa and
// bar; mL/mol: L/mol; ...); none for a unit of no such kind (1/min, L/(mol·s)).
std::vector<UnitConversion> unit_slips(std::string_view unit);

// A cell as reported, read for a result in `unit`.
struct Reading {
  enum class Kind { empty, number, unreadable } kind = Kind::empty;
  double value = not_a_number;      // in the result's unit
  double half_unit = not_a_number;  // of the last digit written, in the result's unit
  int digits = 0;                   // significant digits written
  std::string unit_given;           // a unit typed with the value and converted from
  std::string why;                  // unreadable: why (quoted text shown())
};
Reading read_reported(std::string_view cell, std::string_view unit, bool decimal_comma);

// ---------------------------------------------------------------------------
// Scoring (grading.cpp)

// Credit for a deviation d at tolerance t on the sliding scale above.
double credit(double deviation, double tolerance);

struct GradeOptions {
  UnitSlip unit_slip = UnitSlip::full;
};

enum class Cell { scored, empty, unreadable, not_gradable /* no expected value */ };

struct Mark {
  Cell cell = Cell::empty;
  std::string text;                 // the cell as reported
  std::string why;                  // unreadable: why
  double reported = not_a_number;   // the number written, in the result's unit (a typed unit converted)
  double value = not_a_number;      // reported, or converted where a unit slip is recognised
  double half_unit = not_a_number;  // of value's last digit written
  int digits = 0;                   // significant digits written
  std::string unit_given;           // a unit typed with the value
  std::string slip_unit;            // the unit a slip was read in ("kJ/mol"), empty when none
  bool sign_slip = false;           // the opposite sign lies within the tolerance
  bool within = false;              // value lies within the tolerance (of the expected or an accepted value)
  double credit = 0;
  double accepted = not_a_number;   // the accepted value it lies on, when that earned the credit
};

enum class FlagKind { unit, shared, identical, leaked, seeds };
std::string_view flag_name(FlagKind kind);
struct Flag {
  FlagKind kind;
  std::vector<std::size_t> results;  // the results concerned (indices); empty for the row
  std::size_t other = static_cast<std::size_t>(-1);  // the classmate concerned, when one is
  double chance = not_a_number;  // how often an honest report shows this, where the flag rests on odds
  std::string detail;            // the evidence, for the instructor
};

struct Grade {
  std::size_t student = 0;      // index into Answers::students
  int line = 0;                 // of results.csv; 0 when the student has no row
  double total = not_a_number;  // percent; NaN when the student has no row
  std::vector<Mark> marks;      // per result
  std::vector<Flag> flags;      // for the instructor; never in the feedback
  std::string held;             // why a row of this student is not graded (the problem's text)
  bool flagged() const { return !flags.empty(); }
};

// One grade per student of the answers, in their order, with the flags of
// grading_evidence.cpp.
std::vector<Grade> grade(const Answers& answers, const Results& results, std::span<const double> weights,
                         GradeOptions options = {});

// ---------------------------------------------------------------------------
// Evidence (grading_evidence.cpp)

// The flags of a graded class, added to the grades:
//   seeds      a row whose seeds are not the student's (named when they are
//              a classmate's);
//   unit       a value read in another unit of the result's kind;
//   leaked     several results on the hidden true values to every digit
//              written (digits no coarser than the tolerance), where the
//              student's own data set does not lead there: the odds of an
//              honest report over the three strongest (honest_chance())
//              below one in 10^8, with at least two results each ten times
//              likelier leaked than honest; only where answers.csv has the
//              routes and null answers;
//   shared     values no honest work on the data set gives (beyond the
//              tolerance and the rounding of the digits written of the
//              expected value, the accepted values, the valid routes and
//              the null answers) that are a classmate's expected values to
//              the digits written, where such a match with any classmate
//              is improbable (below one in 10000 given the digits and the
//              spread of the class's values, correlated results judged on
//              what the others leave open);
//   identical  the same such values as a classmate reported, on the same
//              rule.
// A lone match counts only with four significant digits or more.
void add_evidence(const Answers& answers, const Results& results, std::vector<Grade>& grades);

// The chance that an honest report of a result, written with a last digit
// of half unit h, reads x: its expected value, a valid route or an accepted
// value (half the weight), honest work near them within the uncertainty
// (0.3), or anywhere within the tolerance (0.2); where the result has null
// answers, one report in twenty is an honest mistake (a null answer, or
// near one within the uncertainty).
double honest_chance(const Expected& expected, double x, double half_unit);

// The median of some numbers (the mean of the middle two of an even
// count); NaN for none.
double median(std::vector<double> values);

// ---------------------------------------------------------------------------
// The student's feedback (grading_feedback.cpp)

// For one student: the values reported, the credit of each with the
// tolerance in plain words, what the sliding scale means, and a hint where
// a slip is recognised (a unit, the sign). Never a flag, a true value or
// another student. Names and cells shown().
std::string feedback_text(const Answers& answers, const Grade& grade, std::span<const double> weights);
// A file name per student: file_stem() of the identifier, or of the name
// when there is none, "student" when nothing is left; unique across the
// class by unique_stems().
std::vector<std::string> feedback_file_names(const Answers& answers);

// ---------------------------------------------------------------------------
// The instructor's outputs (grading_report.cpp)

// How a student without a row of results is written into grades.csv.
enum class Missing { empty, zero };
std::optional<Missing> missing_of(std::string_view word);

// grades.csv, for a course site's import: the identifier first (heading as
// in the answers, "id" when they have none), then name, "total (%)" and per
// result its credit; the identifier and name as text_cell()s. A held
// student's cells are empty whatever `missing` says.
std::string grades_csv_heading(const Answers& answers);
std::string grades_csv_row(const Answers& answers, const Grade& grade, Missing missing = Missing::empty);

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
  int unit_flags = 0, shared_flags = 0, identical_flags = 0, leaked_flags = 0;
  double median_deviation = not_a_number;      // relative, signed
  double median_abs_deviation = not_a_number;  // relative
};
struct ClassSummary {
  int students = 0, graded = 0, flagged = 0, seed_flags = 0, held = 0;
  double mean_total = not_a_number, median_total = not_a_number;
  std::vector<ResultSummary> results;
};
ClassSummary summarise(const Answers& answers, std::span<const Grade> grades, std::span<const double> weights);
std::string summary_csv(const ClassSummary& summary);

// report.csv: one row per flag with its evidence, per cell that is not a
// number, per row not graded and per student without a row:
// "<identifier>,name,line,kind,results,reported,chance,evidence", chance
// the odds of an honest report showing this where a flag rests on odds.
std::string report_csv(const Answers& answers, const Results& results, std::span<const Grade> grades);

// The summary for a person, then the notes (the results' and `notes`),
// every flag with its evidence, the rows not graded, the cells that are
// empty or not a number and the students without a row (names,
// identifiers and cells shown()).
void print_summary(std::ostream& out, const Answers& answers, const Results& results, std::span<const Grade> grades,
                   const ClassSummary& summary, std::span<const std::string> notes = {});

}  // namespace analysis::grading
