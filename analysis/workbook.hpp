// Workbooks of a data set: the student's data set on a sheet "Data",
// exactly in the cells a spreadsheet makes of the CSV, and either
//   - the solution (write_workbook): the worked analysis on a sheet
//     "Solution" as live formulas over the Data sheet, with the answer
//     sheet's numbers beside the results and charts of what the student is
//     meant to plot; or
//   - the student's workbook (write_student_workbook): a sheet "Analysis"
//     laid out from the handout (the task, the constants as named input
//     cells, the results to report with an empty cell each) and charts of
//     the data alone. Nothing of the solution is in that file.
//
// A program's analysis describes its solution through a SolutionSheet, in
// the order of the analysis:
//
//   ws.step("Clausius-Clapeyron line: ln P against 1/T");
//   const ColumnRef t = ws.column("T", "K", rows, [&](std::size_t i) { return data_ref(rows[i], 0); }, t_values);
//   const ColumnRef x = ws.column("1/T", "1/K", rows, [&](std::size_t i) { return "1/" + t.cells[i]; }, x_values);
//   ...
//   const std::string slope = ws.value("slope of ln P against 1/T", "K", "SLOPE(" + y.range + "," + x.range + ")", s);
//   ws.result("dHvap", "-" + ws.constant("R_gas") + "*" + slope);
//   ws.chart("Clausius-Clapeyron line", "1/T (1/K)", "ln P (P in Pa)", {{.name = "measured", ...}});
//
// Layout (the writer's, not the program's): a step is a heading followed
// by its tables, values, results and notes in the order they are given.
// The columns of a step that share their rows stand side by side in one
// table (at most nine to a page's width; more continue in a table below,
// the first column repeated); a column with other rows starts a new table.
// A table's row i holds record i of its column: formulas that refer to
// the same row of another column or of the Data sheet use relative
// references (ColumnRef::cells, data_ref) and so fill down; single cells
// (values, results, constants) are absolute.
//
// Every formula is written with what the spreadsheet shows for it (a
// number, a text such as the "" of IF(…,…,""), or an error such as the
// #N/A of NA()), so the file reads right before a spreadsheet
// recalculates; tests have a real spreadsheet recalculate and compare
// every cell.
//
// Converting a program's workbook to this form (the checklist):
//   1. Begin each stage of the analysis with step(title), in the order of
//      the analysis (the results in the order they are found).
//   2. Give the handout's constants a `symbol` and refer to them by
//      constant(symbol); a choice of the analysis that is no constant of
//      the handout (a cut-off, a window) becomes choice(...). No number of
//      a model or a method is typed into a formula.
//   3. Per-row formulas refer to their own row by data_ref (the Data
//      sheet) and ColumnRef::cells (the Solution sheet); data_cell and
//      value cells are for single cells used by many rows.
//   4. A selection (rows in a fit, a flat run) is computed by formulas from
//      the data, so an edit moves a point in or out: a column of IF(...)
//      with Shown::blank() or Shown::na() for the rows left out.
//   5. Give every formula what it shows: a number, Shown::blank(),
//      Shown::na() (never a NaN: that is the old form, written without a
//      value). Formulas return numbers, texts or errors, not TRUE/FALSE.
//   6. Charts: at most eight series; titles and series names in words,
//      with no number taken from the data set; give the student a chart of
//      the data alone (every range on the Data sheet) where the data can
//      be plotted as they are.
//   7. Texts (notes, labels) quote no number of the data set: a number
//      that follows the data is a value() with a text formula.
//   8. A result that a column computes row by row (each solution's
//      molality) is result_in(key, cell), not a row of its own; points
//      only a chart needs go in chart_column(), outside the print area.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/answer_sheet.hpp"

namespace analysis {

// Spreadsheet cell names, rows and columns from 0: cell_name(12, 1) is "B13".
std::string column_name(std::size_t col);
std::string cell_name(std::size_t row, std::size_t col, bool absolute = false);

// Cell `cell` of data-set record `record` on the Data sheet: absolute,
// "Data!$B$13", for a single cell that many formulas use (a temperature
// stated once); relative, "Data!B13", for the record's own cell in a
// column formula (it fills down); and a column of records,
// "Data!$B$5:$B$16".
std::string data_cell(std::size_t record, std::size_t cell);
std::string data_ref(std::size_t record, std::size_t cell);
std::string data_range(std::size_t first_record, std::size_t last_record, std::size_t cell);

// Whether `name` can be a defined name of a workbook: letters, digits,
// underscores and periods, starting with a letter or underscore, and not
// readable as a cell reference ("LN10", "R1C1", "R", "C") or a truth value.
bool valid_defined_name(std::string_view name);

// What a formula shows once a spreadsheet has computed it.
class Shown {
 public:
  enum class Kind { number, text, error, unknown };
  // A number. A NaN or an infinity is "unknown": the old form of a
  // description, written without a value (a spreadsheet shows 0 until it
  // recalculates); a converted program never passes one.
  Shown(double number);  // NOLINT(google-explicit-constructor): a number is what most formulas show
  static Shown text(std::string text);
  // The empty text, as IF(…,…,"") shows for a row left out.
  static Shown blank() { return text(""); }
  // #N/A, as NA() shows (charts leave such a point out).
  static Shown na() { return error("#N/A"); }
  // An error value: "#N/A", "#DIV/0!", "#NUM!", "#VALUE!", "#REF!",
  // "#NAME?" or "#NULL!" (std::invalid_argument for any other).
  static Shown error(std::string_view code);

  Kind kind() const { return kind_; }
  // The number; NaN unless kind() is number.
  double number() const;
  // The text, or the error's code.
  const std::string& text() const { return text_; }
  bool operator==(const Shown&) const = default;

 private:
  Shown() = default;
  Kind kind_ = Kind::unknown;
  double number_ = 0;
  std::string text_;
};

// What each row of a column shows: from Shown values, or from numbers
// (the old form: NaN for a row without a value).
class ShownColumn {
 public:
  ShownColumn(std::vector<Shown> values) : values_(std::move(values)) {}  // NOLINT
  ShownColumn(const std::vector<double>& numbers);                        // NOLINT
  ShownColumn(std::initializer_list<Shown> values) : values_(values) {}
  std::size_t size() const { return values_.size(); }
  const Shown& operator[](std::size_t i) const { return values_[i]; }
  auto begin() const { return values_.begin(); }
  auto end() const { return values_.end(); }
  // The numbers, NaN where a row shows no number.
  std::vector<double> numbers() const;

 private:
  std::vector<Shown> values_;
};

// Cells of the Solution sheet that a formula can refer to.
struct ColumnRef {
  std::string range;               // "$B$14:$B$25": the column, for SLOPE, AVERAGE, charts
  std::vector<std::string> cells;  // one per row, relative: "B14", ...
};

class SolutionSheet {
 public:
  virtual ~SolutionSheet() = default;

  // Begins a step of the analysis: a heading, under which the step's
  // tables, values, results and notes follow in the order given.
  virtual void step(std::string_view title) { (void)title; }

  // A constant of the program's handout by its symbol (HandoutConstant::
  // symbol): the defined name of its labelled cell, for formulas.
  // Throws std::invalid_argument when the handout has no such constant.
  virtual std::string constant(std::string_view symbol) { return std::string(symbol); }

  // A choice of the analysis that the handout does not state as a
  // constant (a cut-off, the width of a window) as a labelled input cell
  // with the defined name `symbol` (valid_defined_name), placed where the
  // step uses it; returns the name, for formulas.
  virtual std::string choice(std::string_view symbol, std::string_view label, double value, std::string_view unit) {
    (void)label, (void)value, (void)unit;
    return std::string(symbol);
  }

  // A column of workings: its heading (with its unit) and, for each record
  // in `records`, the formula (without the leading "=") and what it shows.
  virtual ColumnRef column(std::string_view heading, std::string_view unit, const std::vector<std::size_t>& records,
                           const std::vector<std::string>& formulas, const ShownColumn& values) = 0;
  // The same with the formula of row i given by a function of i.
  ColumnRef column(std::string_view heading, std::string_view unit, const std::vector<std::size_t>& records,
                   const std::function<std::string(std::size_t)>& formula, const ShownColumn& values);

  // A named intermediate value (a slope, a sum, or a text that follows the
  // data) in the current step; returns its absolute cell, "$D$31".
  virtual std::string value(std::string_view label, std::string_view unit, std::string_view formula,
                            Shown shown) = 0;

  // A result of the answer sheet (matched by its key) computed by
  // `formula`, in the current step, with its method beside it; the
  // summary at the top of the sheet shows it with the answer sheet's
  // expected value, uncertainty, tolerance and true value. Returns the
  // formula's absolute cell.
  virtual std::string result(std::string_view key, std::string_view formula) = 0;

  // A result that a cell of a column already computes (a row's molality,
  // the last row's V2): that cell becomes the result, in bold and rounded
  // to its uncertainty, written with the answer sheet's value, and the
  // summary refers to it. It takes no row of its own: the column's heading
  // says what it is. `cell` is one of ColumnRef::cells; returns it
  // absolute. Throws std::invalid_argument for a cell no column wrote.
  virtual std::string result_in(std::string_view key, std::string_view cell) { return result(key, cell); }

  // A column of points that a chart draws and no step needs (a triangle's
  // corners, segments from points to where they meet, a curve from zero
  // through the rows): beside the printed columns, outside the print area.
  // Point i stands on the sheet's row 4 + rows[i], so columns given the
  // same `rows` stand side by side and a gap leaves a blank cell (which
  // breaks a chart's line). Formulas and values as column().
  virtual ColumnRef chart_column(std::string_view heading, std::string_view unit, const std::vector<std::size_t>& rows,
                                 const std::vector<std::string>& formulas, const ShownColumn& values) {
    return column(heading, unit, rows, formulas, values);
  }

  // A note in words in the current step.
  virtual void note(std::string_view text) = 0;

  // A scatter chart on a sheet of its own, after the Solution. Ranges are
  // absolute references with their sheet ("Data!$A$5:$A$16", or a
  // column's range through on_solution). At most eight series. A chart
  // whose every range is on the Data sheet is also the student's.
  struct Series {
    std::string name;
    std::string x_range;
    std::string y_range;
    bool markers = true;     // points
    bool line = false;       // joined by straight lines
    bool trendline = false;  // the spreadsheet's own least-squares line
    int colour = -1;         // index into the chart palette; -1: the series' own place in the list
  };
  virtual void chart(std::string_view title, std::string_view x_title, std::string_view y_title,
                     const std::vector<Series>& series) = 0;
};

// "Solution!" + a Solution-sheet range, for charts.
std::string on_solution(std::string_view range);

// A formula of the Solution sheet with what the analysis says it shows.
struct FormulaCell {
  std::size_t row = 0, col = 0;
  Shown shown = Shown::blank();
  bool result = false;  // a result of the answer sheet, in its step
};

struct WorkbookContents {
  std::vector<FormulaCell> formulas;
  std::size_t charts = 0;  // sheets of their own, after the Solution
  std::size_t steps = 0;   // headings of steps: 0 for a description in the old form
  std::vector<std::string> chart_titles;
};

// Writes the solution workbook of an answer sheet: the Data sheet from the
// data set's text, the Solution sheet from the analysis's description of
// its workbook (or only the results and workings when it has none), and
// returns the formulas and charts written. Throws std::runtime_error
// naming the file when it cannot be written, std::invalid_argument when
// the description breaks a rule above (and leaves no file either way).
WorkbookContents write_workbook(const std::filesystem::path& file, const Analysis& analysis,
                                std::string_view data_set_text, std::span<const labcore::HiddenValue> hidden,
                                const AnswerSheet& sheet);

// Writes the student's workbook of the same data set: the Data sheet, the
// Analysis sheet from the handout, and the description's charts of the
// data alone. The sheet gives the title (program, seeds, student) and is
// passed to the description, whose solution is not written. Returns the
// number of charts. Throws as write_workbook.
std::size_t write_student_workbook(const std::filesystem::path& file, const Analysis& analysis,
                                   std::string_view data_set_text, std::span<const labcore::HiddenValue> hidden,
                                   const AnswerSheet& sheet);

}  // namespace analysis
