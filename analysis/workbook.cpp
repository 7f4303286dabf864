#include "analysis/workbook.hpp"

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "analysis/dataset.hpp"
#include "analysis/workbook_format.hpp"
#include "analysis/workbook_print.hpp"
#include "analysis/xlsx_package.hpp"

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

std::string absolute_cell(std::string_view cell) {
  std::string plain;
  for (const char c : cell)
    if (c != '$') plain += c;
  const std::size_t digits = plain.find_first_of("0123456789");
  if (digits == 0 || digits == std::string::npos) throw std::invalid_argument("not a cell: " + std::string(cell));
  return "$" + plain.substr(0, digits) + "$" + plain.substr(digits);
}

std::string data_cell(std::size_t record, std::size_t cell) { return "Data!" + cell_name(record, cell, true); }
std::string data_ref(std::size_t record, std::size_t cell) { return "Data!" + cell_name(record, cell); }

std::string data_range(std::size_t first_record, std::size_t last_record, std::size_t cell) {
  return "Data!" + cell_name(first_record, cell, true) + ":" + cell_name(last_record, cell, true);
}

std::string on_solution(std::string_view range) { return "Solution!" + std::string(range); }

bool valid_defined_name(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!letter(name.front()) && name.front() != '_') return false;
  for (const char c : name)
    if (!letter(c) && !digit(c) && c != '_' && c != '.') return false;
  std::string upper;
  for (const char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (upper == "R" || upper == "C" || upper == "TRUE" || upper == "FALSE") return false;
  // A1 references: one to three letters and a row number.
  std::size_t letters = 0;
  while (letters < upper.size() && letter(upper[letters])) ++letters;
  if (letters >= 1 && letters <= 3 && letters < upper.size() &&
      std::all_of(upper.begin() + static_cast<std::ptrdiff_t>(letters), upper.end(), digit))
    return false;
  // R1C1 references: R, digits, C, digits (either part may stand alone).
  std::size_t i = 0;
  const auto digits = [&] {
    while (i < upper.size() && digit(upper[i])) ++i;
  };
  if (i < upper.size() && upper[i] == 'R') {
    ++i;
    digits();
  }
  if (i < upper.size() && upper[i] == 'C') {
    ++i;
    digits();
  }
  return !(i == upper.size() && i > 0);
}

// ---- what a formula shows ----

Shown::Shown(double number) {
  if (std::isfinite(number)) {
    kind_ = Kind::number;
    number_ = number;
  }
}

Shown Shown::text(std::string text) {
  Shown s;
  s.kind_ = Kind::text;
  s.text_ = std::move(text);
  return s;
}

Shown Shown::error(std::string_view code) {
  static constexpr std::string_view codes[] = {"#N/A", "#DIV/0!", "#NUM!", "#VALUE!", "#REF!", "#NAME?", "#NULL!"};
  if (std::find(std::begin(codes), std::end(codes), code) == std::end(codes))
    throw std::invalid_argument("not an error value of a spreadsheet: " + std::string(code));
  Shown s;
  s.kind_ = Kind::error;
  s.text_ = std::string(code);
  return s;
}

double Shown::number() const { return kind_ == Kind::number ? number_ : not_a_number; }

ShownColumn::ShownColumn(const std::vector<double>& numbers) {
  values_.reserve(numbers.size());
  for (const double v : numbers) values_.emplace_back(v);
}

std::vector<double> ShownColumn::numbers() const {
  std::vector<double> v;
  v.reserve(values_.size());
  for (const Shown& s : values_) v.push_back(s.number());
  return v;
}

ColumnRef SolutionSheet::column(std::string_view heading, std::string_view unit,
                                const std::vector<std::size_t>& records,
                                const std::function<std::string(std::size_t)>& formula, const ShownColumn& values) {
  std::vector<std::string> formulas;
  formulas.reserve(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) formulas.push_back(formula(i));
  return column(heading, unit, records, formulas, values);
}

ColumnRef SolutionSheet::column_aside(std::string_view heading, std::string_view unit,
                                      const std::vector<std::size_t>& records,
                                      const std::function<std::string(std::size_t)>& formula,
                                      const ShownColumn& values) {
  std::vector<std::string> formulas;
  formulas.reserve(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) formulas.push_back(formula(i));
  return column_aside(heading, unit, records, formulas, values);
}

namespace {

// ---- the file ----

// The page: A4, fitted to one page's width, with room at the edges.
constexpr std::uint8_t kA4 = 9;

// Formats by what they show, made once per workbook.
struct Style {
  std::string number = "General";
  bool bold = false, italic = false, wrap = false, input = false, heading = false, title = false;
  std::string key() const {
    return number + "|" + (bold ? "b" : "") + (italic ? "i" : "") + (wrap ? "w" : "") + (input ? "n" : "") +
           (heading ? "h" : "") + (title ? "t" : "");
  }
};

class Book {
 public:
  explicit Book(const std::filesystem::path& file) : file_(file) {
    wb_ = workbook_new(file.c_str());
    if (wb_ == nullptr) throw std::runtime_error("cannot create the workbook " + file.string());
  }
  ~Book() {
    if (wb_ != nullptr) {
      workbook_close(wb_);
      std::error_code ignored;
      std::filesystem::remove(file_, ignored);
    }
  }
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  lxw_workbook* get() const { return wb_; }

  lxw_format* format(const Style& s) {
    const std::string key = s.key();
    if (const auto it = formats_.find(key); it != formats_.end()) return it->second;
    lxw_format* f = workbook_add_format(wb_);
    // Top-aligned, so a number stands level with the first line of a
    // label or method wrapped beside it.
    format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
    if (s.number != "General") format_set_num_format(f, s.number.c_str());
    if (s.bold || s.heading || s.title) format_set_bold(f);
    if (s.italic) format_set_italic(f);
    if (s.wrap) format_set_text_wrap(f);
    if (s.input) {
      format_set_bg_color(f, 0xFFF2CC);
      format_set_border(f, LXW_BORDER_THIN);
      format_set_border_color(f, 0xBF9000);
    }
    if (s.heading) {
      format_set_bottom(f, LXW_BORDER_THIN);
      format_set_align(f, LXW_ALIGN_CENTER);
    }
    if (s.title) format_set_font_size(f, 13);
    formats_[key] = f;
    return f;
  }

  void define_name(const std::string& name, const std::string& sheet, std::size_t row, std::size_t col) {
    if (!valid_defined_name(name)) throw std::invalid_argument("not a defined name a spreadsheet accepts: " + name);
    if (!names_.insert(name).second) throw std::invalid_argument("the name " + name + " is defined twice");
    workbook_define_name(wb_, name.c_str(), ("=" + sheet + "!" + cell_name(row, col, true)).c_str());
  }
  bool defines(const std::string& name) const { return names_.count(name) > 0; }

  // Cells of worksheet `sheet` (1 for the first) whose formula shows an
  // error: the writer gives them the text type, corrected after closing.
  void error_cell(int sheet, std::size_t row, std::size_t col) {
    errors_[sheet][cell_name(row, col)] = "e";
  }

  void close() {
    lxw_workbook* wb = wb_;
    wb_ = nullptr;
    const lxw_error e = workbook_close(wb);
    try {
      if (e != LXW_NO_ERROR) throw std::runtime_error("cannot write the workbook " + file_.string() + ": " + lxw_strerror(e));
      if (!errors_.empty()) {
        std::vector<PackagePart> parts = read_package(file_);
        for (auto& [sheet, cells] : errors_) {
          const std::string name = "xl/worksheets/sheet" + std::to_string(sheet) + ".xml";
          const auto part = std::find_if(parts.begin(), parts.end(), [&](const PackagePart& p) { return p.name == name; });
          if (part == parts.end()) throw std::runtime_error("the workbook has no part " + name);
          set_cell_types(part->data, cells);
        }
        write_package(file_, parts);
      }
    } catch (...) {
      std::error_code ignored;
      std::filesystem::remove(file_, ignored);
      throw;
    }
  }

 private:
  std::filesystem::path file_;
  lxw_workbook* wb_ = nullptr;
  std::map<std::string, lxw_format*> formats_;
  std::set<std::string> names_;
  std::map<int, std::map<std::string, std::string>> errors_;
};

// Portrait A4, one page wide, laid out by its plan. `width` is the
// columns' width in characters; `repeated`, when given, is the row printed
// on top of every page.
void page_setup(lxw_worksheet* ws, std::size_t last_col, double width, const std::vector<PrintRow>& rows,
                std::optional<std::size_t> repeated) {
  worksheet_set_paper(ws, kA4);
  worksheet_set_portrait(ws);
  worksheet_set_margins(ws, 0.5, 0.5, 0.6, 0.6);
  const std::size_t last_row = rows.empty() ? 0 : rows.size() - 1;
  worksheet_print_area(ws, 0, 0, static_cast<lxw_row_t>(last_row), static_cast<lxw_col_t>(last_col));
  if (repeated) worksheet_repeat_rows(ws, static_cast<lxw_row_t>(*repeated), static_cast<lxw_row_t>(*repeated));
  // A character of width is 7 pixels (5.25 points) and each column 5
  // pixels more.
  const PagePlan plan = plan_pages(rows, width * 5.25 + 3.75 * static_cast<double>(last_col + 1), repeated);
  if (plan.break_before) {
    // Fitting to the width would override the page break: the zoom is
    // set instead.
    lxw_row_t breaks[] = {static_cast<lxw_row_t>(*plan.break_before), 0};
    worksheet_set_h_pagebreaks(ws, breaks);
    worksheet_set_print_scale(ws, static_cast<std::uint16_t>(plan.zoom));
  } else {
    worksheet_fit_to_pages(ws, 1, plan.fit_tall);
  }
}

// The advance of a character of the default font (11-point Calibri, whose
// metrics Carlito shares) in widths of its digits, the unit of a column's
// width: the wider of the regular and the bold face, for the printable
// ASCII characters from the blank on; any other code point is taken wider
// than most (Greek letters, accents, symbols).
double advance(char32_t c) {
  static constexpr double ascii[95] = {
      0.45, 0.65, 0.87, 0.99, 1.00, 1.44, 1.40, 0.47, 0.62, 0.62, 0.99, 0.99, 0.51, 0.61, 0.53, 0.85,
      1.00, 1.00, 1.00, 1.00, 1.00, 1.00, 1.00, 1.00, 1.00, 1.00, 0.55, 0.55, 0.99, 0.99, 0.99, 0.92,
      1.78, 1.20, 1.11, 1.06, 1.25, 0.97, 0.91, 1.26, 1.25, 0.53, 0.66, 1.08, 0.84, 1.73, 1.30, 1.34,
      1.06, 1.36, 1.12, 0.94, 0.98, 1.29, 1.17, 1.79, 1.09, 1.03, 0.95, 0.65, 0.85, 0.65, 0.99, 0.99,
      0.60, 0.98, 1.06, 0.84, 1.06, 1.00, 0.63, 0.94, 1.06, 0.49, 0.51, 0.95, 0.49, 1.61, 1.06, 1.07,
      1.06, 1.06, 0.71, 0.79, 0.69, 1.06, 0.94, 1.48, 0.91, 0.94, 0.79, 0.68, 0.94, 0.68, 0.99};
  return c >= 32 && c < 127 ? ascii[c - 32] : 1.3;
}

// The width of a text in digits (UTF-8, one advance per code point).
double text_width(std::string_view text) {
  double width = 0;
  for (std::size_t k = 0; k < text.size();) {
    const auto b = static_cast<unsigned char>(text[k]);
    const std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    width += advance(length == 1 ? b : 0x80);
    k += length;
  }
  return width;
}

// Lines a text takes wrapped at `width` digits, word by word as the
// spreadsheet breaks it at blanks.
int wrapped_lines(std::string_view text, double width) {
  const double blank = advance(U' ');
  int lines = 1;
  double used = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = text.find(' ', i);
    if (j == std::string_view::npos) j = text.size();
    const double word = text_width(text.substr(i, j - i));
    if (used > 0 && used + blank + word > width) {
      ++lines;
      used = 0;
    }
    if (word > width) {
      lines += static_cast<int>(std::ceil(word / width)) - 1;
      used = std::fmod(word, width);
    } else {
      used += (used > 0 ? blank : 0) + word;
    }
    i = j + 1;
  }
  return lines;
}

// ---- the Data sheet ----

// Every record in the cells a spreadsheet makes of the CSV: numbers as
// numbers, shown as the file writes them, everything else as text.
void write_data_sheet(Book& book, lxw_worksheet* ws, const DataSet& data) {
  std::vector<double> widths;
  std::size_t last_col = 0;
  std::vector<std::size_t> numeric_first;  // records where a table of numbers begins
  bool in_table = false;
  for (std::size_t r = 0; r < data.size(); ++r) {
    const auto& cells = data.cells(r);
    const bool numeric_row = !cells.empty() && data.number(r, 0).has_value();
    if (numeric_row && !in_table) numeric_first.push_back(r);
    in_table = numeric_row;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const auto row = static_cast<lxw_row_t>(r);
      const auto col = static_cast<lxw_col_t>(c);
      if (widths.size() <= c) widths.resize(c + 1, 0);
      std::string_view text = cells[c];
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
      while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
      if (const auto v = data.number(r, c)) {
        worksheet_write_number(ws, row, col, *v, book.format({.number = format_of_written(text)}));
        widths[c] = std::max(widths[c], static_cast<double>(text.size()) + 2);
        last_col = std::max(last_col, c);
      } else if (!cells[c].empty()) {
        worksheet_write_string(ws, row, col, cells[c].c_str(), nullptr);
        // A text runs on into empty cells; one with a neighbour must fit.
        const bool neighbour = c + 1 < cells.size() && !data.text(r, c + 1).empty();
        if (neighbour) widths[c] = std::max(widths[c], static_cast<double>(cells[c].size()) + 1);
        if (!text.empty()) last_col = std::max(last_col, c);
      }
    }
  }
  double total = 0;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    const double w = std::clamp(widths[c], 8.0, 40.0);
    worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), w, nullptr);
    if (c <= last_col) total += w;
  }
  std::vector<PrintRow> rows(data.size());
  for (std::size_t r = 0; r < data.size(); ++r)
    for (std::size_t c = 0; c < data.cells(r).size() && rows[r].lines == 0; ++c)
      if (data.number(r, c) || data.text(r, c).find_first_not_of(' ') != std::string::npos) rows[r].lines = 1;
  // A data set of one table repeats its heading on every page.
  std::optional<std::size_t> repeated;
  if (numeric_first.size() == 1 && numeric_first.front() > 0) repeated = numeric_first.front() - 1;
  page_setup(ws, last_col, total, rows, repeated);
}

// ---- charts ----

// A range of a chart ("Data!$A$5:$A$16", "Solution!B14:B25") as its
// sheet and corners.
struct Range {
  std::string sheet;
  std::size_t row0 = 0, col0 = 0, row1 = 0, col1 = 0;
};

std::optional<Range> parse_range(std::string_view text) {
  const std::size_t bang = text.find('!');
  if (bang == std::string_view::npos) return std::nullopt;
  Range r;
  r.sheet = std::string(text.substr(0, bang));
  const auto corner = [](std::string_view s, std::size_t& row, std::size_t& col) {
    std::size_t i = 0, c = 0, rr = 0;
    if (i < s.size() && s[i] == '$') ++i;
    const std::size_t letters = i;
    while (i < s.size() && s[i] >= 'A' && s[i] <= 'Z') c = c * 26 + static_cast<std::size_t>(s[i++] - 'A' + 1);
    if (i == letters) return false;
    if (i < s.size() && s[i] == '$') ++i;
    const std::size_t digits = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') rr = rr * 10 + static_cast<std::size_t>(s[i++] - '0');
    if (i == digits || i != s.size() || rr == 0) return false;
    row = rr - 1;
    col = c - 1;
    return true;
  };
  const std::string_view cells = text.substr(bang + 1);
  const std::size_t colon = cells.find(':');
  if (!corner(cells.substr(0, colon), r.row0, r.col0)) return std::nullopt;
  if (colon == std::string_view::npos) {
    r.row1 = r.row0;
    r.col1 = r.col0;
  } else if (!corner(cells.substr(colon + 1), r.row1, r.col1)) {
    return std::nullopt;
  }
  return r;
}

// The numbers the writer put in the cells a chart plots.
class CellValues {
 public:
  explicit CellValues(const DataSet& data) : data_(data) {}
  void set(std::size_t row, std::size_t col, double v) {
    if (std::isfinite(v)) solution_[{row, col}] = v;
  }
  std::vector<double> of(std::string_view range) const {
    const std::optional<Range> r = parse_range(range);
    if (!r || (r->sheet != "Data" && r->sheet != "Solution"))
      throw std::invalid_argument("a chart plots a range of the Data or Solution sheet, not " + std::string(range));
    std::vector<double> v;
    for (std::size_t row = r->row0; row <= r->row1; ++row)
      for (std::size_t col = r->col0; col <= r->col1; ++col) {
        if (r->sheet == "Data") {
          if (row < data_.size())
            if (const auto x = data_.number(row, col)) v.push_back(*x);
        } else if (const auto it = solution_.find({row, col}); it != solution_.end()) {
          v.push_back(it->second);
        }
      }
    return v;
  }

 private:
  const DataSet& data_;
  std::map<std::pair<std::size_t, std::size_t>, double> solution_;
};

struct ChartSpec {
  std::string title, x_title, y_title;
  std::vector<SolutionSheet::Series> series;
};

void scale_axis(lxw_chart_axis* axis, const std::vector<double>& values) {
  if (values.empty()) return;
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  const AxisScale s = axis_scale(*lo, *hi);
  if (s.major <= 0) return;
  chart_axis_set_min(axis, s.min);
  chart_axis_set_max(axis, s.max);
  chart_axis_set_major_unit(axis, s.major);
  chart_axis_set_num_format(axis, s.format.c_str());
  // The other axis crosses this one at its low end, so the tick labels
  // stay at the bottom and the left whatever the signs of the data.
  chart_axis_set_crossing_min(axis);
}

constexpr std::size_t kMaxSeries = 8;

// A scatter chart on a sheet of its own, its axes scaled to the data.
void add_chart(lxw_workbook* wb, const ChartSpec& chart_def, const CellValues& cells, std::size_t number) {
  // Colours that stay apart in print: a series and its fitted line can
  // share one by naming the same index.
  static constexpr lxw_color_t palette[kMaxSeries] = {0x1F77B4, 0xD62728, 0x2CA02C, 0xFF7F0E,
                                                      0x9467BD, 0x8C564B, 0x17BECF, 0xE377C2};
  lxw_chart* chart = workbook_add_chart(wb, LXW_CHART_SCATTER);
  std::vector<double> xs, ys;
  for (std::size_t i = 0; i < chart_def.series.size(); ++i) {
    const SolutionSheet::Series& s = chart_def.series[i];
    const std::vector<double> x = cells.of(s.x_range), y = cells.of(s.y_range);
    xs.insert(xs.end(), x.begin(), x.end());
    ys.insert(ys.end(), y.begin(), y.end());
    const lxw_color_t colour = palette[(s.colour >= 0 ? static_cast<std::size_t>(s.colour) : i) % kMaxSeries];
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
    lxw_chart_line line{};
    if (s.line) {
      line.width = 1.5;
      line.color = colour;
    } else {
      line.none = LXW_TRUE;
    }
    chart_series_set_line(cs, &line);
    if (s.trendline) {
      chart_series_set_trendline(cs, LXW_CHART_TRENDLINE_TYPE_LINEAR, 0);
      lxw_chart_line trend{};
      trend.color = colour;
      chart_series_set_trendline_line(cs, &trend);
    }
  }
  chart_title_set_name(chart, chart_def.title.c_str());
  chart_axis_set_name(chart->x_axis, chart_def.x_title.c_str());
  chart_axis_set_name(chart->y_axis, chart_def.y_title.c_str());
  scale_axis(chart->x_axis, xs);
  scale_axis(chart->y_axis, ys);
  chart_legend_set_position(chart, chart_def.series.size() == 1 ? LXW_CHART_LEGEND_NONE : LXW_CHART_LEGEND_BOTTOM);
  lxw_chartsheet* sheet = workbook_add_chartsheet(wb, ("Chart " + std::to_string(number)).c_str());
  chartsheet_set_paper(sheet, kA4);
  chartsheet_set_chart(sheet, chart);
}

bool of_data_alone(const SolutionSheet::Series& s) {
  return s.x_range.starts_with("Data!") && s.y_range.starts_with("Data!");
}

// ---- the Solution sheet ----

// Columns A to I, each wide enough for a number of six or seven figures:
// a label takes A to C, a value D, its unit E, a method F to I.
constexpr std::size_t kPageColumns = 9;
constexpr double kColumnWidth = 12;
// Columns aside of the printed ones (SolutionSheet::column_aside): wide
// enough for their headings in the height the printed ones take.
constexpr double kAsideWidth = 24;
constexpr std::size_t kValueCol = 3, kUnitCol = 4, kMethodCol = 5;

std::string with_unit(std::string_view text, std::string_view unit) {
  std::string s(text);
  if (!unit.empty()) s += " (" + std::string(unit) + ")";
  return s;
}

// The parts both workbooks' second sheet share: rows one after another,
// labels over merged cells that wrap, heights that fit them.
class Layout {
 public:
  Layout(Book& book, lxw_worksheet* ws, std::string sheet_name) : book_(book), ws_(ws), name_(std::move(sheet_name)) {
    worksheet_set_column(ws_, 0, static_cast<lxw_col_t>(kPageColumns - 1), kColumnWidth, nullptr);
  }

  std::size_t next_row() const { return row_; }
  void skip(std::size_t rows = 1) { row_ += rows; }

  // Text over columns [first, last] of a row, wrapped.
  void text(std::size_t row, std::size_t first, std::size_t last, std::string_view s, const Style& style) {
    Style st = style;
    st.wrap = true;
    if (first == last)
      worksheet_write_string(ws_, r(row), c(first), std::string(s).c_str(), book_.format(st));
    else
      worksheet_merge_range(ws_, r(row), c(first), r(row), c(last), std::string(s).c_str(), book_.format(st));
    // Columns 12 digits wide hold 12 digits alone, 37 merged by three, 50
    // by four (measured in the spreadsheet): 12.5 each less half a digit,
    // of which a quarter is kept spare. A title's font is larger.
    const double room = static_cast<double>(last - first + 1) * (kColumnWidth + 0.5) - 0.75;
    lines(row, wrapped_lines(s, style.title ? room * 11 / 13 : room));
  }
  // A table's heading over one column `width` characters wide; a printed
  // one sets the height of its row.
  void heading_cell(std::size_t row, std::size_t col, double width, std::string_view s, bool printed) {
    worksheet_write_string(ws_, r(row), c(col), std::string(s).c_str(),
                           book_.format({.wrap = true, .heading = true}));
    if (printed) lines(row, wrapped_lines(s, width - 0.25));
  }
  void title(std::string_view s) {
    text(row_, 0, kPageColumns - 1, s, {.title = true});
    row_ += 2;
  }
  void heading(std::string_view s) {
    if (row_ > 0 && row_ != spaced_) ++row_;
    Style st{.bold = true};
    text(row_++, 0, kPageColumns - 1, s, st);
  }
  void paragraph(std::string_view s, bool italic = false) { text(row_++, 0, kPageColumns - 1, s, {.italic = italic}); }
  // Row `row` carries n lines of text (its height for a wrapped text).
  void lines(std::size_t row, int n) { heights_[row] = std::max(heights_[row], n); }

  // A labelled input cell with a defined name: a constant or a choice.
  void input(const std::string& symbol, std::string_view label, double value, std::string_view unit,
             std::string_view use) {
    const std::size_t row = row_++;
    text(row, 0, 2, label, {});
    // Shown as given: the digits of its shortest form.
    worksheet_write_number(ws_, r(row), c(kValueCol), value,
                           book_.format({.number = format_of_written(csv_number(value)), .input = true}));
    if (!unit.empty()) worksheet_write_string(ws_, r(row), c(kUnitCol), std::string(unit).c_str(), book_.format({}));
    if (!use.empty()) text(row, kMethodCol, kPageColumns - 1, use, {.italic = true});
    if (!symbol.empty()) book_.define_name(symbol, name_, row, kValueCol);
  }

  // The handout's constants, named.
  void constants(const Handout* handout) {
    if (handout == nullptr || handout->constants.empty()) return;
    heading("Constants (from the handout; the formulas use them by their names)");
    for (const HandoutConstant& k : handout->constants)
      input(k.symbol, k.symbol.empty() ? k.name : k.name + "  [" + k.symbol + "]", k.value, k.unit, k.use);
  }

  // Row heights for the wrapped texts, and the page: portrait, one page
  // wide, the title row on every page.
  void finish() {
    std::vector<PrintRow> rows(std::max<std::size_t>(row_, 1));
    for (const auto& [row, n] : heights_) {
      if (n > 1) worksheet_set_row(ws_, r(row), kLinePoints * n, nullptr);
      if (row < rows.size()) rows[row] = {kLinePoints * std::max(n, 1), n};
    }
    // The print area ends with the last row that holds something.
    while (rows.size() > 1 && rows.back().lines == 0) rows.pop_back();
    page_setup(ws_, kPageColumns - 1, kPageColumns * kColumnWidth, rows, 0);
  }

  static lxw_row_t r(std::size_t row) { return static_cast<lxw_row_t>(row); }
  static lxw_col_t c(std::size_t col) { return static_cast<lxw_col_t>(col); }

 protected:
  Book& book_;
  lxw_worksheet* ws_;
  std::string name_;
  std::size_t row_ = 0;
  std::size_t spaced_ = 0;  // the row after a blank row that ends a table
  std::map<std::size_t, int> heights_;
};

const Handout* handout_of(const Analysis& analysis) { return analysis.handout ? &analysis.handout() : nullptr; }

std::string sheet_title(std::string_view kind, const AnswerSheet& sheet) {
  return std::string(kind) + ": " + sheet.program + ", seeds " + std::to_string(sheet.seed1) + " " +
         std::to_string(sheet.seed2) + (sheet.student.empty() ? "" : ", " + sheet.student);
}

class XlsxSolution final : public SolutionSheet, private Layout {
 public:
  XlsxSolution(Book& book, lxw_worksheet* ws, int sheet_number, const AnswerSheet& sheet, const Handout* handout,
               CellValues& cells)
      : Layout(book, ws, "Solution"), sheet_number_(sheet_number), sheet_(sheet), handout_(handout), cells_(cells) {
    title(sheet_title("Solution", sheet));
    summary();
    constants(handout);
  }

  void step(std::string_view t) override {
    table_.reset();
    heading(std::to_string(++steps_) + ". " + std::string(t));
  }

  std::string constant(std::string_view symbol) override {
    const std::string s(symbol);
    if (handout_ != nullptr)
      for (const HandoutConstant& k : handout_->constants)
        if (k.symbol == s) return s;
    throw std::invalid_argument("the handout has no constant named " + s);
  }

  std::string choice(std::string_view symbol, std::string_view label, double value, std::string_view unit) override {
    input(std::string(symbol), label, value, unit, "a choice: change it and the results follow");
    return std::string(symbol);
  }

  ColumnRef column(std::string_view heading_text, std::string_view unit, const std::vector<std::size_t>& records,
                   const std::vector<std::string>& formulas, const ShownColumn& values) override {
    if (records.empty() || formulas.size() != records.size() || values.size() != records.size())
      throw std::invalid_argument("a column of workings needs one formula and one value per record");
    if (steps_ == 0) {
      // The old form's columns and a chart's points would share column K.
      if (chart_col_ > kChartCol) throw std::invalid_argument("a column in the old form after points for a chart");
      return old_form_column(with_unit(heading_text, unit), records, formulas, values);
    }
    if (!table_ || !fits(records)) {
      new_table(records);
    } else if (table_->columns == kPageColumns) {
      // A page's width is full: the table goes on below, led by its first column.
      const Table full = *table_;
      new_table(full.records);
      // The repeated column refers to the cells it repeats.
      place(full.first_heading, full.first_records, full.first_cells, full.first_values);
    }
    return place(with_unit(heading_text, unit), records, formulas, values);
  }

  ColumnRef column_aside(std::string_view heading_text, std::string_view unit, const std::vector<std::size_t>& records,
                         const std::vector<std::string>& formulas, const ShownColumn& values) override {
    if (records.empty() || formulas.size() != records.size() || values.size() != records.size())
      throw std::invalid_argument("a column of workings needs one formula and one value per record");
    if (steps_ == 0 || !table_ || !fits(records))
      throw std::invalid_argument("the column " + std::string(heading_text) +
                                  " stands aside of a table of the same rows, and there is none");
    // One column's gap after the printed ones.
    const std::size_t col = kPageColumns + 1 + table_->aside++;
    worksheet_set_column(ws_, c(col), c(col), kAsideWidth, nullptr);
    return place_at(col, kAsideWidth, with_unit(heading_text, unit), records, formulas, values);
  }

  std::string result_with_method(std::string_view key, std::string_view f, std::string_view method) override {
    return result_in_words(key, f, &method);
  }

  std::string value(std::string_view label, std::string_view unit, std::string_view f, Shown v) override {
    const std::size_t row = row_++;
    text(row, 0, 2, label, {});
    formula(row, kValueCol, f, v, Style{.number = number_format(v)}, false);
    if (!unit.empty()) worksheet_write_string(ws_, r(row), c(kUnitCol), std::string(unit).c_str(), book_.format({}));
    return cell_name(row, kValueCol, true);
  }

  std::string result_in(std::string_view key, std::string_view cell) override {
    if (steps_ == 0) return result(key, cell);
    const Result* res = sheet_.find(key);
    if (res == nullptr) throw std::invalid_argument("the answer sheet has no result " + std::string(key));
    const std::optional<Range> at = parse_range("Solution!" + std::string(cell));
    const auto written = at ? column_formulas_.find({at->row0, at->col0}) : column_formulas_.end();
    if (!at || at->row0 != at->row1 || at->col0 != at->col1 || written == column_formulas_.end())
      throw std::invalid_argument("the result " + std::string(key) + " names " + std::string(cell) +
                                  ", which is no cell of a column");
    const std::size_t row = at->row0, col = at->col0;
    const Style style{.number = format_of_uncertainty(res->value, res->uncertainty), .bold = true};
    // The cell again, now the result: the answer sheet's value, flagged.
    for (FormulaCell& f : formulas)
      if (f.row == row && f.col == col) f = {row, col, res->value, true};
    write_formula(row, col, written->second, res->value, style);
    const std::string absolute = cell_name(row, col, true);
    formula(summary_rows_.at(res->key), kValueCol, absolute, res->value, style, false);
    return absolute;
  }

  ColumnRef chart_column(std::string_view heading_text, std::string_view unit, const std::vector<std::size_t>& rows,
                         const std::vector<std::string>& formulas_in, const ShownColumn& values) override {
    if (rows.empty() || formulas_in.size() != rows.size() || values.size() != rows.size())
      throw std::invalid_argument("a column of points needs one formula and one value per row");
    if (old_form_col_ > kChartCol) throw std::invalid_argument("points for a chart in a description in the old form");
    const std::size_t col = chart_col_++;
    if (col == kChartCol)
      worksheet_write_string(ws_, r(kChartTop - 2), c(col), "Points for the charts (outside the print area)",
                             book_.format({.italic = true}));
    const std::string h = with_unit(heading_text, unit);
    worksheet_write_string(ws_, r(kChartTop - 1), c(col), h.c_str(), book_.format({.bold = true}));
    worksheet_set_column(ws_, c(col), c(col), std::max(kColumnWidth, static_cast<double>(h.size()) * 0.8), nullptr);
    double scale = 0;
    for (const Shown& v : values)
      if (v.kind() == Shown::Kind::number) scale = std::max(scale, std::fabs(v.number()));
    ColumnRef ref;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      formula(kChartTop + rows[i], col, formulas_in[i], values[i], {.number = format_of_magnitude(scale)}, false);
      ref.cells.push_back(cell_name(kChartTop + rows[i], col));
    }
    ref.range = cell_name(kChartTop + rows.front(), col, true) + ":" + cell_name(kChartTop + rows.back(), col, true);
    return ref;
  }

  std::string result(std::string_view key, std::string_view f) override { return result_in_words(key, f, nullptr); }

 private:
  // A result in its step, with the answer sheet's method or `words`.
  std::string result_in_words(std::string_view key, std::string_view f, const std::string_view* words) {
    const Result* res = sheet_.find(key);
    if (res == nullptr) throw std::invalid_argument("the answer sheet has no result " + std::string(key));
    const std::size_t row = row_++;
    text(row, 0, 2, res->name + " (" + res->key + ")", {.bold = true});
    const Style style{.number = format_of_uncertainty(res->value, res->uncertainty), .bold = true};
    formula(row, kValueCol, f, res->value, style, true);
    if (!res->unit.empty()) worksheet_write_string(ws_, r(row), c(kUnitCol), res->unit.c_str(), book_.format({}));
    const std::string said = words != nullptr ? std::string(*words) : res->method;
    const std::string method = res->graded() ? said : said + " (not graded for this data set)";
    if (!method.empty()) text(row, kMethodCol, kPageColumns - 1, method, {.italic = true});
    const std::string cell = cell_name(row, kValueCol, true);
    // The summary shows it too.
    const std::size_t at = summary_rows_.at(res->key);
    formula(at, kValueCol, cell, res->value, style, false);
    return cell;
  }

 public:
  void note(std::string_view s) override { paragraph(s, true); }

  void chart(std::string_view t, std::string_view x, std::string_view y, const std::vector<Series>& series) override {
    if (series.empty()) throw std::invalid_argument("the chart \"" + std::string(t) + "\" has no series");
    charts_.push_back({std::string(t), std::string(x), std::string(y), series});
  }

  void student_chart(std::string_view t, std::string_view, std::string_view,
                     const std::vector<Series>& series) override {
    if (series.empty() || series.size() > kMaxSeries || !std::all_of(series.begin(), series.end(), of_data_alone))
      throw std::invalid_argument("the student's chart \"" + std::string(t) +
                                  "\" plots one to eight series of the Data sheet");
  }

  // The plain results and workings, for a program without a description
  // of its solution.
  void plain() {
    for (const Result& res : sheet_.results)
      if (std::isfinite(res.value))
        worksheet_write_number(ws_, r(summary_rows_.at(res.key)), c(kValueCol), res.value,
                               book_.format({.number = format_of_uncertainty(res.value, res.uncertainty)}));
    for (const Workings& w : sheet_.workings) {
      heading(w.title);
      // A page's width of columns at a time.
      for (std::size_t first = 0; first < w.columns.size(); first += kPageColumns) {
        const std::size_t top = row_;
        std::size_t longest = 0;
        for (std::size_t k = first; k < std::min(first + kPageColumns, w.columns.size()); ++k) {
          const Column& col = w.columns[k];
          text(top, k - first, k - first, with_unit(col.heading, col.unit), {.wrap = true, .heading = true});
          double scale = 0;
          for (const double v : col.values)
            if (std::isfinite(v)) scale = std::max(scale, std::fabs(v));
          for (std::size_t i = 0; i < col.values.size(); ++i)
            number(top + 1 + i, k - first, col.values[i], format_of_magnitude(scale));
          longest = std::max(longest, col.values.size());
        }
        row_ = top + longest + 2;
      }
    }
  }

  void finish(lxw_workbook* wb) {
    // A description in steps keeps its charts readable (the old form may
    // still crowd one).
    for (const ChartSpec& chart_def : charts_)
      if (steps_ > 0 && chart_def.series.size() > kMaxSeries)
        throw std::invalid_argument("the chart \"" + chart_def.title + "\" has " + std::to_string(chart_def.series.size()) +
                                    " series; a chart shows at most eight");
    Layout::finish();
    if (old_form_col_ > 10) {
      // The old form's columns beyond the page: printed as they stand.
      row_ = std::max(row_, last_old_form_row_ + 1);
      worksheet_print_area(ws_, 0, 0, r(row_ - 1), c(old_form_col_ - 1));
      worksheet_fit_to_pages(ws_, 0, 0);
      worksheet_set_landscape(ws_);
    }
    for (std::size_t i = 0; i < charts_.size(); ++i) add_chart(wb, charts_[i], cells_, i + 1);
  }

  std::vector<FormulaCell> formulas;
  std::size_t steps() const { return steps_; }
  const std::vector<ChartSpec>& charts() const { return charts_; }

 private:
  // A table: its heading row, one row per record, and its first column
  // (repeated when the table goes on below).
  struct Table {
    std::size_t heading_row = 0;
    std::vector<std::size_t> records;
    std::size_t columns = 0;
    std::size_t aside = 0;  // columns right of the printed ones
    std::string first_heading;
    std::vector<std::size_t> first_records;
    std::vector<std::string> first_cells;
    std::vector<Shown> first_values;
  };

  bool fits(const std::vector<std::size_t>& records) const {
    return std::all_of(records.begin(), records.end(), [&](std::size_t rec) {
      return std::find(table_->records.begin(), table_->records.end(), rec) != table_->records.end();
    });
  }

  void new_table(const std::vector<std::size_t>& records) {
    if (table_ && row_ != spaced_) ++row_;
    table_ = Table{};
    table_->heading_row = row_;
    table_->records = records;
    row_ += records.size() + 2;  // the heading, the rows, a blank row
    spaced_ = row_;
  }

  ColumnRef place(const std::string& heading_text, const std::vector<std::size_t>& records,
                  const std::vector<std::string>& formulas_in, const ShownColumn& values) {
    const std::size_t col = table_->columns++;
    const ColumnRef ref = place_at(col, kColumnWidth, heading_text, records, formulas_in, values);
    Table& t = *table_;
    if (t.columns == 1) {
      t.first_heading = heading_text;
      t.first_records = records;
      t.first_cells = ref.cells;
      t.first_values.assign(values.begin(), values.end());
    }
    return ref;
  }

  // A column of the current table in sheet column `col`, `width`
  // characters wide.
  ColumnRef place_at(std::size_t col, double width, const std::string& heading_text,
                     const std::vector<std::size_t>& records, const std::vector<std::string>& formulas_in,
                     const ShownColumn& values) {
    Table& t = *table_;
    heading_cell(t.heading_row, col, width, heading_text, col < kPageColumns);
    const Style style{.number = number_format(values)};
    ColumnRef ref;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const std::size_t at = static_cast<std::size_t>(
          std::find(t.records.begin(), t.records.end(), records[i]) - t.records.begin());
      const std::size_t row = t.heading_row + 1 + at;
      formula(row, col, formulas_in[i], values[i], style, false);
      column_formulas_[{row, col}] = formulas_in[i];
      ref.cells.push_back(cell_name(row, col));
    }
    ref.range = cell_name(t.heading_row + 1 + index_of(records.front()), col, true) + ":" +
                cell_name(t.heading_row + 1 + index_of(records.back()), col, true);
    return ref;
  }

  // The old form: each column in the next sheet column from K on, each
  // cell on its data record's row (descriptions in that form rely on
  // columns given one after another standing side by side).
  ColumnRef old_form_column(const std::string& heading_text, const std::vector<std::size_t>& records,
                            const std::vector<std::string>& formulas_in, const ShownColumn& values) {
    const std::size_t col = old_form_col_++;
    if (records.front() > 0)
      worksheet_write_string(ws_, r(records.front() - 1), c(col), heading_text.c_str(), book_.format({.bold = true}));
    worksheet_set_column(ws_, c(col), c(col), 14, nullptr);
    ColumnRef ref;
    for (std::size_t i = 0; i < records.size(); ++i) {
      formula(records[i], col, formulas_in[i], values[i], {}, false);
      ref.cells.push_back(cell_name(records[i], col));
      last_old_form_row_ = std::max(last_old_form_row_, records[i]);
    }
    ref.range = cell_name(records.front(), col, true) + ":" + cell_name(records.back(), col, true);
    return ref;
  }

  std::size_t index_of(std::size_t record) const {
    return static_cast<std::size_t>(std::find(table_->records.begin(), table_->records.end(), record) -
                                    table_->records.begin());
  }

  // Counts (every number whole) without decimals, other numbers to six
  // figures at the magnitude of the largest.
  static std::string number_format(const ShownColumn& values) {
    double scale = 0;
    bool whole = true, any = false;
    for (const Shown& v : values)
      if (v.kind() == Shown::Kind::number) {
        scale = std::max(scale, std::fabs(v.number()));
        whole = whole && v.number() == std::trunc(v.number());
        any = true;
      }
    return any && whole && scale < 1e15 ? "0" : format_of_magnitude(scale);
  }
  static std::string number_format(const Shown& v) {
    return v.kind() == Shown::Kind::number ? number_format(ShownColumn{v}) : "General";
  }

  void formula(std::size_t row, std::size_t col, std::string_view f, const Shown& v, const Style& style, bool result) {
    formulas.push_back({row, col, v, result});
    // A cell of the printed columns makes its row a line of text.
    if (col < kPageColumns) lines(row, 1);
    write_formula(row, col, f, v, style);
  }

  void write_formula(std::size_t row, std::size_t col, std::string_view f, const Shown& v, const Style& style) {
    const std::string text = "=" + std::string(f);
    lxw_format* fmt = book_.format(style);
    switch (v.kind()) {
      case Shown::Kind::number:
        worksheet_write_formula_num(ws_, r(row), c(col), text.c_str(), fmt, v.number());
        cells_.set(row, col, v.number());
        break;
      case Shown::Kind::text:
        worksheet_write_formula_str(ws_, r(row), c(col), text.c_str(), fmt, v.text().c_str());
        break;
      case Shown::Kind::error:
        worksheet_write_formula_str(ws_, r(row), c(col), text.c_str(), fmt, v.text().c_str());
        book_.error_cell(sheet_number_, row, col);
        break;
      case Shown::Kind::unknown:
        worksheet_write_formula(ws_, r(row), c(col), text.c_str(), fmt);
        break;
    }
  }

  // The results in the answer sheet's order: what the data give, beside
  // the answer sheet's numbers, then the sheet's own notes.
  void summary() {
    heading("Results: from the data (the steps below) and on the answer sheet (the data set as handed out)");
    const std::size_t head = row_++;
    const Style h{.wrap = true, .heading = true};
    text(head, 0, 2, "result (key)", h);
    const char* titles[] = {"from the data", "unit", "answer sheet", "uncertainty", "tolerance", "true value"};
    for (std::size_t k = 0; k < 6; ++k) text(head, kValueCol + k, kValueCol + k, titles[k], h);
    for (const Result& res : sheet_.results) {
      const std::size_t row = row_++;
      summary_rows_[res.key] = row;
      text(row, 0, 2, res.name + " (" + res.key + ")", {});
      if (!res.unit.empty()) worksheet_write_string(ws_, r(row), c(kUnitCol), res.unit.c_str(), book_.format({}));
      const std::string shown = format_of_uncertainty(res.value, res.uncertainty);
      number(row, kUnitCol + 1, res.value, shown);
      number(row, kUnitCol + 2, res.uncertainty, format_of_uncertainty(res.uncertainty, res.uncertainty));
      number(row, kUnitCol + 3, res.tolerance, shown);
      number(row, kUnitCol + 4, res.true_value, shown);
      if (!res.graded()) paragraph(res.key + " is not graded for this data set: " + res.not_graded, true);
    }
    for (const std::string& n : sheet_.notes) paragraph(n, true);
  }

  void number(std::size_t row, std::size_t col, double v, const std::string& format) {
    if (!std::isfinite(v)) return;
    worksheet_write_number(ws_, r(row), c(col), v, book_.format({.number = format}));
    lines(row, 1);
  }

  int sheet_number_;
  const AnswerSheet& sheet_;
  const Handout* handout_;
  CellValues& cells_;
  std::map<std::string, std::size_t> summary_rows_;
  std::optional<Table> table_;
  std::size_t steps_ = 0;
  std::size_t old_form_col_ = 10, last_old_form_row_ = 0;
  // The chart's points: from column K, their headings on row 3.
  static constexpr std::size_t kChartCol = kPageColumns + 1, kChartTop = 3;
  std::size_t chart_col_ = kChartCol;
  std::map<std::pair<std::size_t, std::size_t>, std::string> column_formulas_;  // a column's cells, for result_in
  std::vector<ChartSpec> charts_;
};

// The description run for the student's workbook: only its charts of the
// data alone are kept; the solution goes nowhere.
class StudentCharts final : public SolutionSheet {
 public:
  ColumnRef column(std::string_view, std::string_view, const std::vector<std::size_t>& records,
                   const std::vector<std::string>&, const ShownColumn&) override {
    ColumnRef ref;
    for (std::size_t i = 0; i < records.size(); ++i) ref.cells.push_back(cell_name(i, 0));
    ref.range = "$A$1:$A$1";
    return ref;
  }
  std::string value(std::string_view, std::string_view, std::string_view, Shown) override { return "$A$1"; }
  std::string result(std::string_view, std::string_view) override { return "$A$1"; }
  void note(std::string_view) override {}
  void chart(std::string_view t, std::string_view x, std::string_view y, const std::vector<Series>& series) override {
    ChartSpec chart_def{std::string(t), std::string(x), std::string(y), {}};
    for (const Series& s : series)
      if (of_data_alone(s)) chart_def.series.push_back(s);
    if (!chart_def.series.empty()) charts.push_back(std::move(chart_def));
  }
  void student_chart(std::string_view t, std::string_view x, std::string_view y,
                     const std::vector<Series>& series) override {
    chart(t, x, y, series);
  }
  std::vector<ChartSpec> charts;
};

// The student's second sheet: the handout as a form to fill in.
class AnalysisSheet final : private Layout {
 public:
  AnalysisSheet(Book& book, lxw_worksheet* ws, const AnswerSheet& sheet, const Handout* handout)
      : Layout(book, ws, "Analysis") {
    title(sheet_title("Analysis", sheet));
    if (handout != nullptr && !handout->task.empty()) paragraph(handout->task);
    paragraph("Your data set is on the sheet Data, record by record as in the file. Work here or on sheets of "
              "your own; the cells of the constants are named, so a formula can say =" +
              std::string(handout != nullptr && !handout->constants.empty() && !handout->constants.front().symbol.empty()
                              ? handout->constants.front().symbol
                              : "NAME") +
              ".", true);
    constants(handout);
    if (handout != nullptr && !handout->conventions.empty()) {
      heading("Conventions");
      for (const std::string& c : handout->conventions) paragraph("• " + c);
    }
    heading("Results to report (in the unit given; enter them in the results form as well)");
    const std::size_t head = row_++;
    const Style h{.wrap = true, .heading = true};
    text(head, 0, 2, "result", h);
    text(head, 3, 3, "key", h);
    text(head, 4, 4, "your value", h);
    text(head, 5, 5, "unit", h);
    text(head, 6, kPageColumns - 1, "method", h);
    const auto row_of = [&](const std::string& key, const std::string& name, const std::string& unit,
                            const std::string& method) {
      const std::size_t row = row_++;
      text(row, 0, 2, name, {});
      worksheet_write_string(ws_, r(row), 3, key.c_str(), nullptr);
      worksheet_write_blank(ws_, r(row), 4, book_.format({.input = true}));
      if (!unit.empty()) worksheet_write_string(ws_, r(row), 5, unit.c_str(), nullptr);
      text(row, 6, kPageColumns - 1, method.empty() ? "any sound method" : method, {.italic = true});
    };
    std::vector<const HandoutResult*> left;
    if (handout != nullptr) {
      for (const HandoutResult& res : handout->results) {
        if (!res.not_graded.empty()) {
          left.push_back(&res);
          continue;
        }
        // Only the results this data set has.
        if (sheet.find(res.key) != nullptr) row_of(res.key, res.name, res.unit, res.method);
      }
    } else {
      for (const Result& res : sheet.results) row_of(res.key, res.name, res.unit, {});
    }
    if (!left.empty()) {
      heading("Left to your workings (not graded)");
      for (const HandoutResult* res : left)
        paragraph(res->key + ", " + with_unit(res->name, res->unit) + ": " + res->not_graded);
    }
    finish();
  }
};

}  // namespace

WorkbookContents write_workbook(const std::filesystem::path& file, const Analysis& analysis,
                                std::string_view data_set_text, std::span<const labcore::HiddenValue> hidden,
                                const AnswerSheet& sheet) {
  const DataSet data = DataSet::parse(data_set_text);
  Book book(file);
  write_data_sheet(book, workbook_add_worksheet(book.get(), "Data"), data);
  CellValues cells(data);
  XlsxSolution solution(book, workbook_add_worksheet(book.get(), "Solution"), 2, sheet, handout_of(analysis), cells);
  if (analysis.workbook != nullptr) {
    const Case c(data, hidden);
    analysis.workbook(c, sheet, solution);
  } else {
    solution.plain();
  }
  solution.finish(book.get());
  book.close();
  WorkbookContents contents{std::move(solution.formulas), solution.charts().size(), solution.steps(), {}};
  for (const ChartSpec& c : solution.charts()) contents.chart_titles.push_back(c.title);
  return contents;
}

std::size_t write_student_workbook(const std::filesystem::path& file, const Analysis& analysis,
                                   std::string_view data_set_text, std::span<const labcore::HiddenValue> hidden,
                                   const AnswerSheet& sheet) {
  const DataSet data = DataSet::parse(data_set_text);
  StudentCharts charts;
  if (analysis.workbook != nullptr) {
    const Case c(data, hidden);
    analysis.workbook(c, sheet, charts);
  }
  Book book(file);
  write_data_sheet(book, workbook_add_worksheet(book.get(), "Data"), data);
  AnalysisSheet form(book, workbook_add_worksheet(book.get(), "Analysis"), sheet, handout_of(analysis));
  const CellValues values(data);
  for (std::size_t i = 0; i < charts.charts.size(); ++i) add_chart(book.get(), charts.charts[i], values, i + 1);
  book.close();
  return charts.charts.size();
}

}  // namespace analysis
