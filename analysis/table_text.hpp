// Tables of text as people hand them to the tool: rosters, results,
// weights and the class's own files, typed by hand, saved by a spreadsheet
// or exported by a course site. The bytes are decoded (UTF-8 with or
// without a byte-order mark, UTF-16 with one, Windows-1252 with a note),
// the separator is recognised (comma, semicolon, tab, or a first line
// "sep=;"), records are split with quoted cells (which may span lines),
// and numbers are read as spreadsheets write them. Every problem is named
// with its file, line and column.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

// A problem of an input file and its place.
struct Problem {
  std::string file;
  int line = 0;            // 0: the file as a whole
  std::size_t column = 0;  // from 1; 0: the row as a whole
  std::string heading;     // the column's heading as written, when there is one
  std::string what;        // a sentence whose quoted cells are shown() already
  // "results.csv, line 4, column 6 (dH (J/mol)): what", with the file name
  // and the heading shown().
  std::string text() const;
};

// Input that cannot be used: every problem found, each with its place;
// what() is their texts, one a line.
class InputError : public std::runtime_error {
 public:
  explicit InputError(std::vector<Problem> problems);
  InputError(std::string_view file, int line, std::string what);
  const std::vector<Problem>& problems() const { return problems_; }

 private:
  std::vector<Problem> problems_;
};

struct CsvRecord {
  int line = 0;  // line of the file the record starts on, from 1
  std::vector<std::string> cells;
};

struct Table {
  char separator = ',';
  // Numbers written with a decimal comma: what the file's numbers show
  // (a cell such as "41,25" or "0,5"), else what its separator suggests
  // (a semicolon, as a spreadsheet set to a decimal comma writes).
  bool decimal_comma = false;
  std::vector<CsvRecord> records;  // records whose cells are all blank are left out
  // How the text was read where it was not plain UTF-8: for the user.
  std::vector<std::string> notes;
};

struct TableOptions {
  bool comments = false;  // a line starting with '#' is no record (rosters)
};

// The records of a table file's bytes. Unquoted cells are trimmed of
// blanks. Throws InputError for a file that is no text (NUL bytes, a
// workbook, UTF-16 without a byte-order mark), UTF-8 mixed with other
// bytes, or a quoted cell left open.
Table read_table(std::string_view bytes, std::string_view file_name, TableOptions options = {});

// A cell without the blanks and tabs around it.
std::string_view trim(std::string_view s);
// ASCII letters in lower case (headings, identifiers): other bytes as they are.
std::string lower(std::string_view s);

// read_table's records alone.
std::vector<CsvRecord> read_csv(std::string_view text, std::string_view file_name);

// A plain number as the tool writes and spreadsheets read it ("12953.",
// ".5E-04", "+3"); nothing for an empty cell or text.
std::optional<double> parse_number(std::string_view cell);

// A number as a person or a spreadsheet wrote it in a cell: a decimal
// comma where the file has them (or where nothing else can be meant:
// "29889,5"), digits grouped by thousands ("36,798.5", "36.798,5",
// "36 798,5"), a minus sign (U+2212) or dash for the minus, an exponent
// ("4.1E+04", "4.1×10^4", "4.1·10⁴"), and whatever follows it (a unit,
// "%").
struct WrittenNumber {
  double value = 0;
  double half_unit = 0;  // half a unit in the last digit written ("41200": 50, "4.10e4": 50)
  int digits = 0;        // significant digits written ("0.0350": 3, "41200": 3, "0": 0)
  std::string rest;      // what follows the number, trimmed: a unit, "%", or empty
};
// Nothing when the cell does not start with a number; with `ambiguous`
// set (and nothing returned) when the grouping cannot be told from a
// decimal mark ("36,798" in a file of decimal points).
std::optional<WrittenNumber> read_written_number(std::string_view cell, bool decimal_comma,
                                                 std::string* ambiguous = nullptr);

}  // namespace analysis
