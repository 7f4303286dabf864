// Solution workbooks of the thermochemistry programs, without a
// spreadsheet: the values the workbook writes beside its formulas (which
// the spreadsheet test then recalculates) against numbers worked out
// separately (tests/data/answers/enthalpy_gen.py and third_law_gen.py),
// and the charts' fitted lines in the colour of their points.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"
#include "support/test_support.hpp"

extern const labcore::Program enthalpy_gen;
extern const labcore::Program third_law_gen;

namespace {

using analysis::SolutionSheet;

// Keeps what an analysis writes on its Solution sheet.
class RecordingSheet final : public SolutionSheet {
 public:
  struct Col {
    std::vector<std::size_t> records;
    std::vector<std::string> formulas;
    std::vector<double> values;
  };
  struct Chart {
    std::string title;
    std::vector<Series> series;
  };
  std::map<std::string, Col> columns;
  std::map<std::string, double> values;
  std::map<std::string, std::string> results;  // key -> formula
  std::vector<Chart> charts;

  analysis::ColumnRef column(std::string_view heading, std::string_view, const std::vector<std::size_t>& records,
                             const std::vector<std::string>& formulas, const analysis::ShownColumn& v) override {
    EXPECT_EQ(formulas.size(), records.size()) << heading;
    EXPECT_EQ(v.size(), records.size()) << heading;
    columns[std::string(heading)] = {records, formulas, v.numbers()};
    analysis::ColumnRef ref;
    const std::size_t col = 10 + columns.size();
    for (const std::size_t r : records) ref.cells.push_back(analysis::cell_name(r, col, true));
    ref.range = ref.cells.front() + ":" + ref.cells.back();
    return ref;
  }
  std::string value(std::string_view label, std::string_view, std::string_view, analysis::Shown v) override {
    values[std::string(label)] = v.number();
    return "$C$" + std::to_string(100 + values.size());
  }
  std::string result(std::string_view key, std::string_view formula) override {
    results[std::string(key)] = std::string(formula);
    return "$C$" + std::to_string(4 + results.size());
  }
  void note(std::string_view) override {}
  void chart(std::string_view title, std::string_view, std::string_view, const std::vector<Series>& s) override {
    charts.push_back({std::string(title), s});
  }

  const Col& col(const std::string& heading) const {
    const auto it = columns.find(heading);
    if (it == columns.end()) throw std::runtime_error("no column " + heading);
    return it->second;
  }
  double val(const std::string& label) const {
    const auto it = values.find(label);
    if (it == values.end()) throw std::runtime_error("no value " + label);
    return it->second;
  }
};

struct Described {
  analysis::AnswerSheet sheet;
  RecordingSheet ws;
};

Described describe(const labcore::Program& program, int seed1, int seed2) {
  const labtest::DataSet ds = labtest::data_set(program, seed1, seed2);
  Described d{analysis::answer_sheet(program, ds.text, ds.key, "Jane Doe", seed1, seed2), {}};
  const analysis::DataSet data = analysis::DataSet::parse(ds.text);
  const analysis::Analysis& a = *analysis::find_analysis(program.name);
  a.workbook(analysis::Case(data, ds.key), d.sheet, d.ws);
  return d;
}

// The palette index of the series `name` of chart `k`.
int colour_of(const RecordingSheet& ws, std::size_t k, const std::string& name) {
  for (const auto& series : ws.charts.at(k).series)
    if (series.name == name) return series.colour;
  throw std::runtime_error("no series " + name);
}

const analysis::Result& result(const analysis::AnswerSheet& sheet, const std::string& key) {
  const analysis::Result* r = sheet.find(key);
  if (r == nullptr) throw std::runtime_error("no result " + key);
  return *r;
}

TEST(EnthalpyWorkbook, WeightedSumsAndUncertaintiesMatchASeparateCalculation) {
  const Described d = describe(enthalpy_gen, 12345, 67890);
  const RecordingSheet& ws = d.ws;
  // tests/data/answers/enthalpy_gen.py, the line "sums:".
  const struct {
    const char* label;
    double value;
  } sums[] = {{"Σw", 2415307.49661},         {"Σw·(1/T)", 3047.58897779},
              {"Σw·fs", 434549.810727},      {"Σw·(1/T)²", 4.08157439649},
              {"Σw·(1/T)·fs", 553.156258491}, {"Δ = Σw·Σw(1/T)² − (Σw(1/T))²", 570458.660271}};
  for (const auto& s : sums) EXPECT_NEAR(ws.val(s.label), s.value, 1e-9 * s.value) << s.label;

  // The closed-form uncertainties against the same script's (AᵀWA)⁻¹, and
  // against the answer sheet's propagation by differences.
  const struct {
    const char* key;
    double u;
  } expected[] = {{"b", 0.00267486}, {"c", 182913},        {"a", 3.6262},
                  {"d", 1458.9},     {"Cp(500)", 0.380383}, {"Cp(1000)", 1.98687}};
  // Cp's uncertainties stand in a column beside Cp, a row per temperature.
  const auto& u_cp = ws.col("u(Cp)").values;
  ASSERT_EQ(u_cp.size(), 2u);
  for (const auto& e : expected) {
    const std::string key = e.key;
    const double u = key == "Cp(500)" ? u_cp[0] : key == "Cp(1000)" ? u_cp[1] : ws.val("u(" + key + ")");
    EXPECT_NEAR(u, e.u, 1e-4 * e.u) << e.key;
    EXPECT_NEAR(u, result(d.sheet, e.key).uncertainty, 1e-7 * e.u) << e.key;
  }
  // Every result is a formula.
  EXPECT_EQ(ws.results.size(), d.sheet.results.size());
}

TEST(EnthalpyWorkbook, TheLawStartsAtZeroAndTheChartsPairLinesWithPoints) {
  for (const auto& [s1, s2] : labtest::seed_pairs(6, 0x7e2a)) {
    SCOPED_TRACE(std::to_string(s1) + " " + std::to_string(s2));
    Described d;
    try {
      d = describe(enthalpy_gen, s1, s2);
    } catch (const analysis::NoAnswer&) {
      continue;
    }
    const RecordingSheet& ws = d.ws;
    const auto& law_t = ws.col("T for the law");
    const auto& law_h = ws.col("H(T)-H(298) on the law");
    // The law's first point is 298.15 K, where the increment is exactly 0,
    // on the record above the table; the rest repeat the calc column C.
    ASSERT_EQ(law_t.values.size(), ws.col("C: H(T)-H(298) calc").values.size() + 1);
    EXPECT_EQ(law_t.values.front(), 298.15);
    EXPECT_EQ(law_h.values.front(), 0.0);
    EXPECT_EQ(law_t.records.front() + 1, law_t.records[1]);
    const auto& calc = ws.col("C: H(T)-H(298) calc").values;
    for (std::size_t i = 0; i < calc.size(); ++i) EXPECT_NEAR(law_h.values[i + 1], calc[i], 1e-9 * std::fabs(calc[i]));
    // The weighted line at each 1/T is the fitted b + slope/T.
    const auto& line = ws.col("fs on the weighted line").values;
    const auto& inv_t = ws.col("1/T").values;
    const double b = result(d.sheet, "b").value, c = result(d.sheet, "c").value;
    for (std::size_t i = 0; i < line.size(); ++i)
      EXPECT_NEAR(line[i], b + c / (298.15 * 298.15) * inv_t[i], 1e-9 * std::fabs(line[i]));
    // Each fitted line in the colour of its points.
    ASSERT_EQ(ws.charts.size(), 2u);
    EXPECT_EQ(colour_of(ws, 0, "weighted line"), colour_of(ws, 0, "fs"));
    EXPECT_EQ(colour_of(ws, 1, "aT + bT² + c/T + d"), colour_of(ws, 1, "measured"));
  }
}

TEST(ThirdLawWorkbook, SumsAreaAndDebyeCurveMatchASeparateCalculation) {
  const Described d = describe(third_law_gen, 12345, 67890);
  const RecordingSheet& ws = d.ws;
  // tests/data/answers/third_law_gen.py: the solid's and the liquid's
  // trapezoid sums, from the widths and mean heights the workbook writes.
  const auto& width = ws.col("ΔT of the interval ending here").values;
  const auto& mean = ws.col("mean Cp/T over it").values;
  ASSERT_EQ(width.size(), 35u + 3u);  // 36 solid rows, 4 liquid rows
  double solid = 0, liquid = 0;
  for (std::size_t k = 0; k < width.size(); ++k) (k < 35 ? solid : liquid) += width[k] * mean[k];
  EXPECT_NEAR(solid, 97.8942408, 1e-7);
  EXPECT_NEAR(liquid, 12.8518467, 1e-7);
  // The entropy from 0 K: at the melting point's liquid row it holds the
  // Debye term, the solid's sum and fusion; at 298.15 K the liquid's S.
  const auto& s = ws.col("S(T) from 0 K").values;
  EXPECT_NEAR(s[36], 147.8773613, 1e-7);
  EXPECT_NEAR(s.back(), 160.729208, 1e-6);
  // The edge of the area under Cp/T encloses both sums; the Debye curve's
  // eleven points enclose Cp(T0)·0.335.
  const auto& edge_t = ws.col("T along the area's edge").values;
  const auto& edge_y = ws.col("Cp/T along the area's edge").values;
  EXPECT_EQ(edge_y.front(), 0.0);
  EXPECT_EQ(edge_y.back(), 0.0);
  EXPECT_NEAR(analysis::trapezoid(edge_t, edge_y), 110.7460875, 1e-7);
  EXPECT_NEAR(analysis::trapezoid(ws.col("T below T0").values, ws.col("Debye Cp/T below T0").values), 0.6298, 1e-9);
  EXPECT_NEAR(ws.col("Debye Cp below T0").values.back(), 1.88, 1e-12);
  EXPECT_EQ(ws.results.size(), d.sheet.results.size());
}

TEST(ThirdLawWorkbook, TheEdgeRunsForwardOverEveryGridAndTheChartsPairLinesWithPoints) {
  // The four temperature grids, a melting point on the grid among them.
  for (const auto& [s1, s2] : labtest::seed_pairs(12, 0x3a1d)) {
    SCOPED_TRACE(std::to_string(s1) + " " + std::to_string(s2));
    const Described d = describe(third_law_gen, s1, s2);
    const RecordingSheet& ws = d.ws;
    const auto& edge = ws.col("T along the area's edge");
    // On increasing records, at temperatures that never fall: a single
    // outline, not a scribble back across the plot.
    for (std::size_t i = 1; i < edge.values.size(); ++i) {
      EXPECT_LT(edge.records[i - 1], edge.records[i]);
      EXPECT_LE(edge.values[i - 1], edge.values[i]);
    }
    // The area it encloses is the two sums of the answer sheet.
    const double sums = result(d.sheet, "dS(solid)").value + result(d.sheet, "dS(liquid)").value;
    EXPECT_NEAR(analysis::trapezoid(edge.values, ws.col("Cp/T along the area's edge").values), sums, 1e-9 * sums);
    // The Debye rows lie below everything else the workbook writes.
    EXPECT_GT(ws.col("T below T0").records.front(), edge.records.back());
    // The Debye law continues the solid in its colour; the liquid and the
    // edge of the area each in a colour of their own.
    ASSERT_EQ(ws.charts.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(colour_of(ws, k, "Debye T³ below T0"), colour_of(ws, k, "solid"));
      EXPECT_NE(colour_of(ws, k, "liquid"), colour_of(ws, k, "solid"));
    }
    EXPECT_NE(colour_of(ws, 1, "trapezoids' edge"), colour_of(ws, 1, "solid"));
    EXPECT_NE(colour_of(ws, 1, "trapezoids' edge"), colour_of(ws, 1, "liquid"));
  }
}

}  // namespace
