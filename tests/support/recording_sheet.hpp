// A SolutionSheet that keeps what an analysis writes to it, for tests of a
// workbook's description without a spreadsheet: each column's records,
// formulas and values, each named value and each result's formula, by the
// cell names the real sheet would give them.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "analysis/workbook.hpp"

namespace labtest {

class RecordingSheet final : public analysis::SolutionSheet {
 public:
  struct RecordedColumn {
    std::string heading;
    std::vector<std::size_t> records;
    std::vector<std::string> formulas;
    std::vector<double> values;
    analysis::ColumnRef ref;
  };
  struct RecordedValue {
    std::string label, formula;
    double value;
  };

  analysis::ColumnRef column(std::string_view heading, std::string_view, const std::vector<std::size_t>& records,
                             const std::vector<std::string>& formulas, const std::vector<double>& values) override {
    RecordedColumn c{std::string(heading), records, formulas, values, {}};
    const std::size_t col = 10 + columns.size();
    for (const std::size_t r : records) c.ref.cells.push_back(analysis::cell_name(r, col, true));
    c.ref.range = c.ref.cells.front() + ":" + c.ref.cells.back();
    columns.push_back(c);
    return c.ref;
  }
  std::string value(std::string_view label, std::string_view, std::string_view formula, double v) override {
    values.push_back({std::string(label), std::string(formula), v});
    return "$C$" + std::to_string(100 + values.size());
  }
  std::string result(std::string_view key, std::string_view formula) override {
    results[std::string(key)] = std::string(formula);
    return "$C$" + std::to_string(results.size());
  }
  void note(std::string_view) override {}
  void chart(std::string_view title, std::string_view, std::string_view, const std::vector<Series>& s) override {
    charts.emplace_back(title);
    series += s.size();
  }

  // The column headed exactly `heading`, else the first whose heading
  // begins with it; nullptr when there is none.
  const RecordedColumn* find(std::string_view heading) const {
    for (const RecordedColumn& c : columns)
      if (c.heading == heading) return &c;
    for (const RecordedColumn& c : columns)
      if (c.heading.rfind(heading, 0) == 0) return &c;
    return nullptr;
  }

  std::vector<RecordedColumn> columns;
  std::vector<RecordedValue> values;
  std::map<std::string, std::string> results;
  std::vector<std::string> charts;
  std::size_t series = 0;
};

}  // namespace labtest
