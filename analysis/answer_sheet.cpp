#include "analysis/answer_sheet.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

#include "analysis/grading.hpp"

namespace analysis {

namespace {

// A number for a person: six significant digits; empty for NaN.
std::string display(double v) {
  if (std::isnan(v)) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// Width on the screen of UTF-8 text ("°C", "−"): its code points.
std::size_t width_of(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
  return n;
}

// Rows of cells written with each column padded to its widest cell; the
// columns listed in `right` are right-aligned (numbers), the last column is
// not padded.
void print_table(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                 const std::vector<bool>& right, const std::string& indent = "") {
  std::vector<std::size_t> width;
  for (const auto& row : rows) {
    if (width.size() < row.size()) width.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], width_of(row[c]));
  }
  for (const auto& row : rows) {
    std::string line = indent;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const bool last = c + 1 == row.size();
      const std::string pad(width[c] - width_of(row[c]), ' ');
      if (c < right.size() && right[c])
        line += pad + row[c];
      else
        line += last ? row[c] : row[c] + pad;
      if (!last) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

std::size_t rows_of(const Workings& w) {
  std::size_t n = 0;
  for (const auto& c : w.columns) n = std::max(n, c.values.size());
  return n;
}

double cell_of(const Column& c, std::size_t r) { return r < c.values.size() ? c.values[r] : not_a_number; }

}  // namespace

double TolerancePolicy::of(const Result& r) const {
  if (std::isnan(r.value) || !r.graded()) return not_a_number;
  // fmax ignores a NaN uncertainty: the other parts stand alone then.
  const double rel = r.relative ? std::fmax(relative, r.least_relative) * std::fabs(r.value) : 0.0;
  return std::fmax(std::fmax(rel, sigmas * r.uncertainty), r.absolute);
}

const Result* AnswerSheet::find(std::string_view key) const {
  for (const auto& r : results)
    if (r.key == key) return &r;
  return nullptr;
}

double Case::hidden(std::string_view name) const {
  for (const auto& h : hidden_)
    if (h.name == name)
      return h.kind == labcore::Value::Kind::integer ? static_cast<double>(h.integer) : h.real;
  throw AnalysisError("the generator names no hidden value " + std::string(name));
}

double Case::hidden(std::string_view name, int index) const {
  return hidden(std::string(name) + "(" + std::to_string(index) + ")");
}

AnswerSheet answer_sheet(const Analysis& analysis, std::string_view data_set_text,
                         std::span<const labcore::HiddenValue> hidden, std::string_view student, int seed1,
                         int seed2, TolerancePolicy policy) {
  AnswerSheet sheet;
  sheet.program = std::string(analysis.program);
  sheet.student = std::string(student);
  sheet.seed1 = seed1;
  sheet.seed2 = seed2;
  sheet.policy = policy;
  const DataSet data = DataSet::parse(data_set_text);
  const Case c(data, hidden);
  analysis.analyse(c, sheet);
  for (auto& r : sheet.results) r.tolerance = sheet.policy.of(r);
  return sheet;
}

void print_sheet(std::ostream& out, const AnswerSheet& sheet) {
  out << "Answer sheet of " << sheet.program << " for " << sheet.student << ", seeds " << sheet.seed1 << ' '
      << sheet.seed2 << '\n';
  out << "Tolerance: the larger of " << display(100.0 * sheet.policy.relative) << " % of the expected value and "
      << display(sheet.policy.sigmas) << " standard uncertainties, unless a result's own rule below says "
         "otherwise\n\n";

  std::vector<std::vector<std::string>> rows{
      {"result", "key", "unit", "expected", "uncertainty", "tolerance", "true value", "method"}};
  for (const auto& r : sheet.results)
    rows.push_back({r.name, r.key, r.unit, display(r.value), display(r.uncertainty), display(r.tolerance),
                    display(r.true_value), r.method});
  print_table(out, rows, {false, false, false, true, true, true, true, false});

  for (const auto& r : sheet.results) {
    if (!r.graded()) {
      out << "Not graded: " << r.key << ": " << r.not_graded << '\n';
      continue;
    }
    if (!r.relative || r.absolute > 0 || r.least_relative > 0) {
      std::vector<std::string> parts;
      if (r.relative)
        parts.push_back(display(100.0 * std::fmax(sheet.policy.relative, r.least_relative)) + " % of the expected value");
      parts.push_back(display(sheet.policy.sigmas) + " standard uncertainties");
      if (r.absolute > 0) parts.push_back(display(r.absolute) + (r.unit.empty() ? "" : " " + r.unit));
      out << "Tolerance of " << r.key << ": the larger of ";
      for (std::size_t i = 0; i < parts.size(); ++i)
        out << (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") << parts[i];
      out << '\n';
    }
    if (!r.accepted.empty()) {
      out << "Also full credit for " << r.key << ":";
      for (double a : r.accepted) out << ' ' << display(a);
      out << '\n';
    }
  }

  bool any_other = false;
  for (const auto& r : sheet.results) any_other = any_other || !r.routes.empty() || !r.nulls.empty();
  if (any_other) {
    out << "\nOther values of the results (valid routes, and null answers that must not pass)\n";
    std::vector<std::vector<std::string>> other{{"key", "", "value", "within tolerance", "route or null answer"}};
    const auto add_rows = [&](const Result& r, const std::vector<Alternative>& list, const char* what) {
      for (const auto& a : list) {
        other.push_back({r.key, what, display(a.value),
                         std::isnan(a.value) || !r.graded() ? "" : full_credit(r, a.value) ? "yes" : "no", a.name});
      }
    };
    for (const auto& r : sheet.results) {
      add_rows(r, r.routes, "route");
      add_rows(r, r.nulls, "null");
    }
    print_table(out, other, {false, false, true, false, false});
  }

  bool any_bias = false;
  for (const auto& r : sheet.results) any_bias = any_bias || !r.bias.empty();
  if (!sheet.notes.empty() || any_bias) {
    out << "\nNotes\n";
    for (const auto& n : sheet.notes) out << "- " << n << '\n';
    for (const auto& r : sheet.results)
      if (!r.bias.empty()) out << "- " << r.key << ": " << r.bias << '\n';
  }

  for (const auto& w : sheet.workings) {
    out << '\n' << w.title << '\n';
    std::vector<std::vector<std::string>> cells(2);
    for (const auto& c : w.columns) {
      cells[0].push_back(c.heading);
      cells[1].push_back(c.unit.empty() ? std::string() : "(" + c.unit + ")");
    }
    const std::size_t n = rows_of(w);
    for (std::size_t r = 0; r < n; ++r) {
      std::vector<std::string> row;
      for (const auto& c : w.columns) row.push_back(display(cell_of(c, r)));
      cells.push_back(std::move(row));
    }
    print_table(out, cells, std::vector<bool>(w.columns.size(), true), "  ");
  }
}

std::string csv_number(double v) {
  if (std::isnan(v)) return {};
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

void print_sheet_csv(std::ostream& out, const AnswerSheet& sheet) {
  out << "program," << csv_cell(sheet.program) << '\n';
  out << "student," << text_cell(sheet.student) << '\n';
  out << "seeds," << sheet.seed1 << ',' << sheet.seed2 << '\n';
  out << "relative tolerance," << csv_number(sheet.policy.relative) << '\n';
  out << "sigmas," << csv_number(sheet.policy.sigmas) << '\n';
  out << '\n';
  out << "key,result,unit,expected,uncertainty,tolerance,true value,method,bias\n";
  for (const auto& r : sheet.results)
    out << csv_cell(r.key) << ',' << csv_cell(r.name) << ',' << csv_cell(r.unit) << ',' << csv_number(r.value)
        << ',' << csv_number(r.uncertainty) << ',' << csv_number(r.tolerance) << ','
        << csv_number(r.true_value) << ',' << csv_cell(r.method) << ',' << csv_cell(r.bias) << '\n';
  bool any_other = false;
  for (const auto& r : sheet.results)
    any_other = any_other || !r.routes.empty() || !r.nulls.empty() || !r.graded() || !r.accepted.empty();
  if (any_other) {
    out << "\nkey,kind,name,value\n";
    for (const auto& r : sheet.results) {
      if (!r.graded()) out << csv_cell(r.key) << ",not graded," << csv_cell(r.not_graded) << ",\n";
      for (double a : r.accepted) out << csv_cell(r.key) << ",accepted,," << csv_number(a) << '\n';
      for (const auto& a : r.routes)
        out << csv_cell(r.key) << ",route," << csv_cell(a.name) << ',' << csv_number(a.value) << '\n';
      for (const auto& a : r.nulls)
        out << csv_cell(r.key) << ",null," << csv_cell(a.name) << ',' << csv_number(a.value) << '\n';
    }
  }
  if (!sheet.notes.empty()) {
    out << '\n';
    for (const auto& n : sheet.notes) out << "note," << csv_cell(n) << '\n';
  }
  for (const auto& w : sheet.workings) {
    out << "\nworkings," << csv_cell(w.title) << '\n';
    std::string heading, units;
    for (std::size_t c = 0; c < w.columns.size(); ++c) {
      heading += (c ? "," : "") + csv_cell(w.columns[c].heading);
      units += (c ? "," : "") + csv_cell(w.columns[c].unit);
    }
    out << heading << '\n' << units << '\n';
    const std::size_t n = rows_of(w);
    for (std::size_t r = 0; r < n; ++r) {
      std::string line;
      for (std::size_t c = 0; c < w.columns.size(); ++c)
        line += (c ? "," : "") + csv_number(cell_of(w.columns[c], r));
      out << line << '\n';
    }
  }
}

std::string answers_csv_heading(const AnswerSheet& sheet) { return grading::answers_csv_heading(sheet, {}); }

std::string answers_csv_row(const AnswerSheet& sheet) { return grading::answers_csv_row(sheet, {}, {}); }

bool full_credit(const Result& r, double reported) {
  if (std::isnan(reported) || !r.graded() || std::isnan(r.tolerance)) return false;
  if (std::fabs(reported - r.value) <= r.tolerance) return true;
  for (double a : r.accepted)
    if (std::fabs(reported - a) <= r.tolerance) return true;
  return false;
}

const HandoutResult* Handout::find(std::string_view key) const {
  for (const auto& r : results)
    if (r.key == key) return &r;
  return nullptr;
}

}  // namespace analysis
