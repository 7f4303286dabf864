// Solution workbooks: the student's data set on a sheet "Data", exactly in
// the cells a spreadsheet makes of the CSV, and the worked analysis on a
// sheet "Solution" as live formulas that refer to it, with charts of what
// the student is meant to plot.
//
// A program's analysis describes its solution through a SolutionSheet:
// columns of workings (one formula per data row, each placed on the same
// row as its data record, so row 13 of the solution belongs to row 13 of
// the data), intermediate values (a slope, an intercept), the results
// beside the answer sheet's expected value, true value and tolerance, and
// scatter charts. Every formula is written with the value the analysis
// computed, so the workbook reads right before a spreadsheet recalculates;
// a test has a real spreadsheet recalculate and compares.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/answer_sheet.hpp"

namespace analysis {

// Spreadsheet cell names, rows and columns from 0: cell_name(12, 1) is "B13".
std::string column_name(std::size_t col);
std::string cell_name(std::size_t row, std::size_t col, bool absolute = false);

// A reference to cell `cell` of data-set record `record` on the Data sheet,
// "Data!$B$13", and to a column of records, "Data!$B$5:$B$16".
std::string data_cell(std::size_t record, std::size_t cell);
std::string data_range(std::size_t first_record, std::size_t last_record, std::size_t cell);

// Cells of the Solution sheet that a formula can refer to.
struct ColumnRef {
  std::string range;               // "$K$5:$K$16" (on the Solution sheet)
  std::vector<std::string> cells;  // one per row, "$K$5", ...
};

class SolutionSheet {
 public:
  virtual ~SolutionSheet() = default;

  // A column of workings: the heading (with its unit) above the first row,
  // and on the row of each data record its formula (without the leading
  // "=") with the value the analysis computed (not_a_number for none).
  virtual ColumnRef column(std::string_view heading, std::string_view unit,
                           const std::vector<std::size_t>& records, const std::vector<std::string>& formulas,
                           const std::vector<double>& values) = 0;

  // A named intermediate value (a slope, a sum) in the block under the
  // results; returns its cell, "$B$14".
  virtual std::string value(std::string_view label, std::string_view unit, std::string_view formula,
                            double value) = 0;

  // A result of the answer sheet (matched by its key) computed by
  // `formula`, beside its expected value, uncertainty, tolerance and true
  // value; returns the formula's cell.
  virtual std::string result(std::string_view key, std::string_view formula) = 0;

  // A note in words under the values.
  virtual void note(std::string_view text) = 0;

  // A scatter chart on a sheet of its own. Ranges are absolute references
  // with their sheet ("Data!$A$5:$A$16", or a column's range prefixed with
  // "Solution!").
  struct Series {
    std::string name;
    std::string x_range;
    std::string y_range;
    bool markers = true;   // points
    bool line = false;     // joined by straight lines
    bool trendline = false;  // the spreadsheet's own least-squares line
    int colour = -1;  // index into the chart palette; -1: the series' own place in the list
  };
  virtual void chart(std::string_view title, std::string_view x_title, std::string_view y_title,
                     const std::vector<Series>& series) = 0;
};

// "Solution!" + a Solution-sheet range, for charts.
std::string on_solution(std::string_view range);

// A formula of the Solution sheet with the value the analysis gives it.
struct FormulaCell {
  std::size_t row = 0, col = 0;
  double value = not_a_number;
  bool result = false;  // a result of the answer sheet
};

struct WorkbookContents {
  std::vector<FormulaCell> formulas;
  std::size_t charts = 0;  // sheets of their own, after the Solution
};

// Writes the workbook of an answer sheet: the Data sheet from the data
// set's text, the Solution sheet from the analysis's description of its
// workbook (or only the results and workings when it has none), and returns the
// formulas and charts written. Throws std::runtime_error naming the file
// when it cannot be written (and leaves no file).
WorkbookContents write_workbook(const std::filesystem::path& file, const Analysis& analysis,
                                std::string_view data_set_text, std::span<const labcore::HiddenValue> hidden,
                    const AnswerSheet& sheet);

}  // namespace analysis
