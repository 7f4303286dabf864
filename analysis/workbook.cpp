#include "analysis/workbook.hpp"

#include <xlsxwriter.h>

#include <cmath>
#include <map>
#include <stdexcept>

#include "analysis/dataset.hpp"

namespace analysis {

std::string column_name(std::size_t col) {
  std::string name;
  for (std::size_t c = col + 1; c > 0; c = (c - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (c - 1) % 26));
  return name;
}

std::string cell_name(std::size_t row, std::size_t col, bool absolute) {
  const std::string d = absolute ? "$" : "";
  return d + column_name(col) + d + std::to_string(row + 1);
}

std::string data_cell(std::size_t record, std::size_t cell) { return "Data!" + cell_name(record, cell, true); }

std::string data_range(std::size_t first_record, std::size_t last_record, std::size_t cell) {
  return "Data!" + cell_name(first_record, cell, true) + ":" + cell_name(last_record, cell, true);
}

std::string on_solution(std::string_view range) { return "Solution!" + std::string(range); }

namespace {

// Layout of the Solution sheet: a title, the results table from row 4 in
// columns A to I, the intermediate values and notes under it, and the
// columns of workings from column K on, each cell on its data record's row.
constexpr std::size_t kHeadingRow = 2;
constexpr std::size_t kFirstResultRow = 3;
constexpr std::size_t kFirstWorkingsCol = 10;

enum ResultCol : lxw_col_t { kName, kKey, kFormula, kUnit, kExpected, kUncertainty, kTolerance, kTrue, kMethod };

std::string with_unit(std::string_view text, std::string_view unit) {
  std::string s(text);
  if (!unit.empty()) s += " (" + std::string(unit) + ")";
  return s;
}

class XlsxSolution final : public SolutionSheet {
 public:
  XlsxSolution(lxw_workbook* wb, lxw_worksheet* ws, const AnswerSheet& sheet) : wb_(wb), ws_(ws), sheet_(sheet) {
    bold_ = workbook_add_format(wb_);
    format_set_bold(bold_);
    worksheet_write_string(ws_, 0, 0,
                           ("Solution: " + sheet.program + ", seeds " + std::to_string(sheet.seed1) + " " +
                            std::to_string(sheet.seed2) + (sheet.student.empty() ? "" : ", " + sheet.student))
                               .c_str(),
                           bold_);
    const char* headings[] = {"result",      "key",       "from the data", "unit", "answer sheet",
                              "uncertainty", "tolerance", "true value",    "method"};
    for (lxw_col_t c = 0; c < 9; ++c) worksheet_write_string(ws_, kHeadingRow, c, headings[c], bold_);
    std::size_t row = kFirstResultRow;
    for (const Result& r : sheet.results) {
      rows_[r.key] = row;
      worksheet_write_string(ws_, row, kName, r.name.c_str(), nullptr);
      worksheet_write_string(ws_, row, kKey, r.key.c_str(), nullptr);
      if (!r.unit.empty()) worksheet_write_string(ws_, row, kUnit, r.unit.c_str(), nullptr);
      number(row, kExpected, r.value);
      number(row, kUncertainty, r.uncertainty);
      number(row, kTolerance, r.tolerance);
      number(row, kTrue, r.true_value);
      const std::string method = r.graded() ? r.method : r.method + " (not graded for this data set: " + r.not_graded + ")";
      worksheet_write_string(ws_, row, kMethod, method.c_str(), nullptr);
      ++row;
    }
    next_value_row_ = row + 1;
    worksheet_set_column(ws_, 0, 0, 34, nullptr);
    worksheet_set_column(ws_, 1, 7, 14, nullptr);
  }

  ColumnRef column(std::string_view heading, std::string_view unit, const std::vector<std::size_t>& records,
                   const std::vector<std::string>& formulas, const std::vector<double>& values) override {
    if (records.empty() || formulas.size() != records.size() || values.size() != records.size())
      throw std::invalid_argument("a column of workings needs one formula and one value per record");
    const std::size_t col = next_col_++;
    if (records.front() > 0)
      worksheet_write_string(ws_, records.front() - 1, col, with_unit(heading, unit).c_str(), bold_);
    ColumnRef ref;
    for (std::size_t i = 0; i < records.size(); ++i) {
      formula(records[i], col, formulas[i], values[i]);
      ref.cells.push_back(cell_name(records[i], col, true));
    }
    ref.range = ref.cells.front() + ":" + ref.cells.back();
    worksheet_set_column(ws_, col, col, 14, nullptr);
    return ref;
  }

  std::string value(std::string_view label, std::string_view unit, std::string_view f, double v) override {
    const std::size_t row = next_value_row_++;
    worksheet_write_string(ws_, row, kName, std::string(label).c_str(), nullptr);
    formula(row, kFormula, f, v);
    if (!unit.empty()) worksheet_write_string(ws_, row, kUnit, std::string(unit).c_str(), nullptr);
    return cell_name(row, kFormula, true);
  }

  std::string result(std::string_view key, std::string_view f) override {
    const auto it = rows_.find(std::string(key));
    if (it == rows_.end()) throw std::invalid_argument("the answer sheet has no result " + std::string(key));
    double v = not_a_number;
    for (const Result& r : sheet_.results)
      if (r.key == key) v = r.value;
    formula(it->second, kFormula, f, v, true);
    return cell_name(it->second, kFormula, true);
  }

  void note(std::string_view text) override { notes_.emplace_back(text); }
  std::size_t charts() const { return charts_.size(); }

  void chart(std::string_view title, std::string_view x_title, std::string_view y_title,
             const std::vector<Series>& series) override {
    // Colours that stay apart in print: a series and its fitted line can
    // share one by naming the same index.
    static constexpr lxw_color_t palette[] = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E,
                                              0x9467BD, 0x8C564B, 0x17BECF, 0xE377C2};
    constexpr std::size_t colours = sizeof palette / sizeof palette[0];
    lxw_chart* chart = workbook_add_chart(wb_, LXW_CHART_SCATTER);
    for (std::size_t i = 0; i < series.size(); ++i) {
      const Series& s = series[i];
      const lxw_color_t colour = palette[(s.colour >= 0 ? static_cast<std::size_t>(s.colour) : i) % colours];
      lxw_chart_series* cs = chart_add_series(chart, s.x_range.c_str(), s.y_range.c_str());
      chart_series_set_name(cs, s.name.c_str());
      if (!s.markers) {
        chart_series_set_marker_type(cs, LXW_CHART_MARKER_NONE);
      } else {
        chart_series_set_marker_type(cs, LXW_CHART_MARKER_CIRCLE);
        chart_series_set_marker_size(cs, 5);
        lxw_chart_fill fill{};
        fill.color = colour;
        chart_series_set_marker_fill(cs, &fill);
        lxw_chart_line border{};
        border.color = colour;
        chart_series_set_marker_line(cs, &border);
      }
      if (s.line) {
        lxw_chart_line line{};
        line.width = 1.5;
        line.color = colour;
        chart_series_set_line(cs, &line);
      } else {
        lxw_chart_line none{};
        none.none = LXW_TRUE;
        chart_series_set_line(cs, &none);
      }
      if (s.trendline) {
        chart_series_set_trendline(cs, LXW_CHART_TRENDLINE_TYPE_LINEAR, 0);
        lxw_chart_line trend{};
        trend.color = colour;
        chart_series_set_trendline_line(cs, &trend);
      }
    }
    chart_title_set_name(chart, std::string(title).c_str());
    chart_axis_set_name(chart->x_axis, std::string(x_title).c_str());
    chart_axis_set_name(chart->y_axis, std::string(y_title).c_str());
    charts_.push_back(chart);
  }

  // Notes under the values, and one sheet per chart after the Solution.
  void finish() {
    std::size_t row = next_value_row_ + 1;
    for (const std::string& n : sheet_.notes) worksheet_write_string(ws_, row++, kName, n.c_str(), nullptr);
    for (const std::string& n : notes_) worksheet_write_string(ws_, row++, kName, n.c_str(), nullptr);
    for (std::size_t i = 0; i < charts_.size(); ++i) {
      lxw_chartsheet* cs = workbook_add_chartsheet(wb_, ("Chart " + std::to_string(i + 1)).c_str());
      chartsheet_set_chart(cs, charts_[i]);
    }
  }

  // The plain results and workings, for a program without a description
  // of its solution.
  void plain() {
    for (const Result& r : sheet_.results) number(rows_[r.key], kFormula, r.value);
    std::size_t col = next_col_;
    for (const Workings& w : sheet_.workings) {
      worksheet_write_string(ws_, 0, col, w.title.c_str(), bold_);
      for (const Column& c : w.columns) {
        worksheet_write_string(ws_, 1, col, with_unit(c.heading, c.unit).c_str(), bold_);
        for (std::size_t i = 0; i < c.values.size(); ++i) number(2 + i, col, c.values[i]);
        ++col;
      }
      ++col;
    }
  }

 private:
  void number(std::size_t row, std::size_t col, double v) {
    if (std::isfinite(v)) worksheet_write_number(ws_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), v, nullptr);
  }
  void formula(std::size_t row, std::size_t col, std::string_view f, double v, bool result = false) {
    formulas_.push_back({row, col, v, result});
    const std::string text = "=" + std::string(f);
    const auto r = static_cast<lxw_row_t>(row);
    const auto c = static_cast<lxw_col_t>(col);
    if (std::isfinite(v))
      worksheet_write_formula_num(ws_, r, c, text.c_str(), nullptr, v);
    else
      worksheet_write_formula(ws_, r, c, text.c_str(), nullptr);
  }

  lxw_workbook* wb_;
  lxw_worksheet* ws_;
  const AnswerSheet& sheet_;
  lxw_format* bold_ = nullptr;
  std::map<std::string, std::size_t> rows_;
  std::size_t next_value_row_ = 0;
  std::size_t next_col_ = kFirstWorkingsCol;
  std::vector<std::string> notes_;
  std::vector<lxw_chart*> charts_;

 public:
  std::vector<FormulaCell> formulas_;
};

// The Data sheet: every record in the cells a spreadsheet makes of the CSV,
// numbers as numbers, everything else as text.
void write_data_sheet(lxw_worksheet* ws, const DataSet& data) {
  for (std::size_t r = 0; r < data.size(); ++r) {
    const auto& cells = data.cells(r);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const auto row = static_cast<lxw_row_t>(r);
      const auto col = static_cast<lxw_col_t>(c);
      if (const auto v = data.number(r, c))
        worksheet_write_number(ws, row, col, *v, nullptr);
      else if (!cells[c].empty())
        worksheet_write_string(ws, row, col, cells[c].c_str(), nullptr);
    }
  }
}

}  // namespace

WorkbookContents write_workbook(const std::filesystem::path& file, const Analysis& analysis,
                                std::string_view data_set_text, std::span<const labcore::HiddenValue> hidden,
                    const AnswerSheet& sheet) {
  const DataSet data = DataSet::parse(data_set_text);
  lxw_workbook* wb = workbook_new(file.c_str());
  if (wb == nullptr) throw std::runtime_error("cannot create the workbook " + file.string());
  write_data_sheet(workbook_add_worksheet(wb, "Data"), data);
  XlsxSolution solution(wb, workbook_add_worksheet(wb, "Solution"), sheet);
  if (analysis.workbook != nullptr) {
    const Case c(data, hidden);
    try {
      analysis.workbook(c, sheet, solution);
    } catch (...) {
      workbook_close(wb);
      std::filesystem::remove(file);
      throw;
    }
  } else {
    solution.plain();
  }
  solution.finish();
  const lxw_error e = workbook_close(wb);
  if (e != LXW_NO_ERROR) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    throw std::runtime_error("cannot write the workbook " + file.string() + ": " + lxw_strerror(e));
  }
  return {std::move(solution.formulas_), solution.charts()};
}

}  // namespace analysis
