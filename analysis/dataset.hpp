// A data set read back as the student sees it: its records split into the
// cells a spreadsheet makes of them, numbers exactly as written (rounded).
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

// A data set that does not hold what its analysis expects (a heading
// missing, a table cut short): the message names the record.
class AnalysisError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A data set that holds no answer at all: the generator's draws left
// nothing to analyse (every reading the same, say), as a student would
// find too. The message says what is missing.
class NoAnswer : public AnalysisError {
 public:
  using AnalysisError::AnalysisError;
};

class DataSet {
 public:
  // Splits the text into records (LF or CRLF line ends) and each record
  // into cells at the commas outside double quotes; a quoted cell loses its
  // quotes. Cells keep their blanks; number() ignores them.
  static DataSet parse(std::string_view text);

  std::size_t size() const { return records_.size(); }
  // Record r (0-based; spreadsheet row r + 1) as written, and its cells.
  const std::string& line(std::size_t r) const { return records_.at(r); }
  const std::vector<std::string>& cells(std::size_t r) const { return cells_.at(r); }
  // Cell c of record r with surrounding blanks removed; empty when the
  // record has fewer cells.
  std::string text(std::size_t r, std::size_t c) const;

  // The cell as a number, as a spreadsheet reads it: "12953.", ".313636E+05",
  // "0.5000E-04", " -0.00". Nothing when the cell is empty, missing or text.
  std::optional<double> number(std::size_t r, std::size_t c) const;
  // The same, throwing AnalysisError that names the record and cell.
  double value(std::size_t r, std::size_t c) const;

  // The first record at or after `from` whose line, blanks at both ends
  // removed, begins with `start` (compared exactly). Throws AnalysisError
  // naming `start` when there is none.
  std::size_t find(std::string_view start, std::size_t from = 0) const;
  std::optional<std::size_t> find_optional(std::string_view start, std::size_t from = 0) const;

  // The rows of a numeric table: the records from `first` on, as long as
  // cell `key_cell` holds a number. Returns their record indices.
  std::vector<std::size_t> numeric_rows(std::size_t first, std::size_t key_cell = 0) const;
  // Column c of the given records as numbers (AnalysisError on a gap).
  std::vector<double> column(const std::vector<std::size_t>& rows, std::size_t c) const;

 private:
  std::vector<std::string> records_;
  std::vector<std::vector<std::string>> cells_;
};

}  // namespace analysis
