#include "analysis/dataset.hpp"

#include "analysis/table_text.hpp"

#include <string>

namespace analysis {

namespace {

// Cells at the commas outside double quotes. Quotes open and close a
// quoted stretch anywhere in the cell and are dropped; a doubled quote
// inside a quoted stretch stands for one quote character. Blanks before the
// opening quote of a cell go with it, as a spreadsheet reads " \"seed1: \",".
std::vector<std::string> split_cells(std::string_view line) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (ch == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        cell.push_back('"');
        ++i;
      } else {
        if (!quoted && trim(cell).empty()) cell.clear();
        quoted = !quoted;
      }
    } else if (ch == ',' && !quoted) {
      cells.push_back(std::move(cell));
      cell.clear();
    } else {
      cell.push_back(ch);
    }
  }
  cells.push_back(std::move(cell));
  return cells;
}

std::string where(std::size_t r, std::size_t c) {
  return "record " + std::to_string(r + 1) + ", cell " + std::to_string(c + 1);
}

}  // namespace

DataSet DataSet::parse(std::string_view text) {
  DataSet ds;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ds.records_.emplace_back(line);
    ds.cells_.push_back(split_cells(line));
    start = next;
  }
  return ds;
}

std::string DataSet::text(std::size_t r, std::size_t c) const {
  const auto& row = cells_.at(r);
  if (c >= row.size()) return {};
  return std::string(trim(row[c]));
}

std::optional<double> DataSet::number(std::size_t r, std::size_t c) const {
  if (r >= cells_.size() || c >= cells_[r].size()) return std::nullopt;
  return parse_number(cells_[r][c]);
}

double DataSet::value(std::size_t r, std::size_t c) const {
  if (const auto v = number(r, c)) return *v;
  if (r >= records_.size()) throw AnalysisError(where(r, c) + ": the data set has only " +
                                                std::to_string(records_.size()) + " records");
  throw AnalysisError(where(r, c) + ": \"" + text(r, c) + "\" is not a number (record: \"" + records_[r] + "\")");
}

std::optional<std::size_t> DataSet::find_optional(std::string_view start, std::size_t from) const {
  for (std::size_t r = from; r < records_.size(); ++r)
    if (trim(records_[r]).starts_with(start)) return r;
  return std::nullopt;
}

std::size_t DataSet::find(std::string_view start, std::size_t from) const {
  if (const auto r = find_optional(start, from)) return *r;
  throw AnalysisError("no record beginning with " + std::string(start) + " from record " + std::to_string(from + 1) +
                      " on");
}

std::vector<std::size_t> DataSet::numeric_rows(std::size_t first, std::size_t key_cell) const {
  std::vector<std::size_t> rows;
  for (std::size_t r = first; r < records_.size() && number(r, key_cell); ++r) rows.push_back(r);
  return rows;
}

std::vector<double> DataSet::column(const std::vector<std::size_t>& rows, std::size_t c) const {
  std::vector<double> out;
  out.reserve(rows.size());
  for (std::size_t r : rows) out.push_back(value(r, c));
  return out;
}

}  // namespace analysis
