// A SolutionSheet that keeps what an analysis writes on it, for tests of a
// workbook's description without a spreadsheet: its columns, values,
// results and charts, with cells named as the real sheet names them.
#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/workbook.hpp"

namespace labtest {

class RecordingSheet final : public analysis::SolutionSheet {
 public:
  struct Column {
    std::string heading;
    std::vector<std::size_t> records;
    std::vector<std::string> formulas;
    std::vector<double> values;  // NaN where a row shows no number
    analysis::ColumnRef ref;
    std::vector<analysis::Shown> shown;
  };
  struct Value {
    std::string label, formula, cell;
    double value;
  };
  struct Chart {
    std::string title;
    std::vector<Series> series;
  };

  std::vector<Column> columns;
  std::vector<Value> values;
  std::map<std::string, std::string> results;  // key → formula
  std::vector<Chart> charts;
  std::vector<std::string> steps;
  std::map<std::string, double> choices;  // symbol → value

  void step(std::string_view title) override { steps.emplace_back(title); }
  std::string choice(std::string_view symbol, std::string_view, double value, std::string_view) override {
    choices[std::string(symbol)] = value;
    return std::string(symbol);
  }

  analysis::ColumnRef column(std::string_view heading, std::string_view, const std::vector<std::size_t>& records,
                             const std::vector<std::string>& formulas, const analysis::ShownColumn& v) override {
    if (records.empty() || formulas.size() != records.size() || v.size() != records.size())
      throw std::invalid_argument("a column needs one formula and one value per record");
    Column c{std::string(heading), records, formulas, v.numbers(), {}, std::vector<analysis::Shown>(v.begin(), v.end())};
    const std::size_t col = 10 + columns.size();
    for (std::size_t r : records) c.ref.cells.push_back(analysis::cell_name(r, col, true));
    c.ref.range = c.ref.cells.front() + ":" + c.ref.cells.back();
    columns.push_back(c);
    return c.ref;
  }
  std::string value(std::string_view label, std::string_view, std::string_view formula, analysis::Shown v) override {
    const std::string cell = analysis::cell_name(100 + values.size(), 2, true);
    values.push_back({std::string(label), std::string(formula), cell, v.number()});
    return cell;
  }
  std::string result(std::string_view key, std::string_view formula) override {
    results[std::string(key)] = std::string(formula);
    return analysis::cell_name(3 + results.size(), 2, true);
  }
  void note(std::string_view) override {}
  void chart(std::string_view title, std::string_view, std::string_view, const std::vector<Series>& s) override {
    charts.push_back({std::string(title), s});
  }

  // The column headed exactly `heading`, else the first whose heading
  // begins with it; nullptr when there is none.
  const Column* find(std::string_view heading) const {
    for (const Column& c : columns)
      if (c.heading == heading) return &c;
    for (const Column& c : columns)
      if (c.heading.starts_with(heading)) return &c;
    return nullptr;
  }
  // The first column whose heading begins with `start` (throws when none).
  const Column& column_named(std::string_view start) const {
    for (const Column& c : columns)
      if (c.heading.starts_with(start)) return c;
    throw std::out_of_range("no column " + std::string(start));
  }
  // The values whose label begins with `start`, in the order written.
  std::vector<double> values_named(std::string_view start) const {
    std::vector<double> v;
    for (const Value& x : values)
      if (x.label.starts_with(start)) v.push_back(x.value);
    return v;
  }
};

}  // namespace labtest
