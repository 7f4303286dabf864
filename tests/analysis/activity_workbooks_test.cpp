// Solution workbooks of vapor_activity_gen, emf_activity_gen and
// molar_volume_gen, without a spreadsheet: where the workbook puts the
// quartic's LINEST, whether the second approximation's iteration written
// out in a fixed number of columns reaches its limit for every solubility
// product the generator draws, and the charts each workbook draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "analysis/dataset.hpp"
#include "analysis/workbook.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

struct Written {
  analysis::AnswerSheet sheet;
  analysis::WorkbookContents contents;
};

// The workbook of the data set of seeds 12345 67890.
Written workbook_of(const char* name, const labtest::DataSet& d, const labtest::TempDir& dir) {
  const labcore::Program& p = *labcore::find_program(name);
  Written w{analysis::answer_sheet(p, d.text, d.key, "Jane Doe", 12345, 67890), {}};
  w.contents = analysis::write_workbook(dir.path() / (std::string(name) + ".xlsx"), *analysis::find_analysis(name),
                                        d.text, d.key, w.sheet);
  return w;
}

TEST(ActivityWorkbooks, EachDrawsThePlotsOfItsAnalysis) {
  const struct {
    const char* program;
    std::size_t charts;
  } expected[] = {
      {"vapor_activity_gen", 2},  // (phi-1)/m^0.5 with the quartic; g with the three estimates
      {"emf_activity_gen", 3},    // E0' against root(I), E0'' against I, g against root(I)
      {"molar_volume_gen", 3},    // the densities as written; phiv with Masson's weighted line; VE with Redlich-Kister
  };
  labtest::TempDir dir;
  for (const auto& e : expected) {
    SCOPED_TRACE(e.program);
    const Written w = workbook_of(e.program, labtest::data_set(*labcore::find_program(e.program), 12345, 67890), dir);
    EXPECT_EQ(w.contents.charts, e.charts);
    std::size_t results = 0;
    for (const analysis::FormulaCell& f : w.contents.formulas) results += f.result ? 1 : 0;
    EXPECT_EQ(results, w.sheet.results.size());
  }
}

// The data set leaves a block headed m^2, m^1.5, m, m^0.5, const for the
// student's LINEST: the workbook fills in the same five columns, the
// coefficients on one row, their standard errors on the next. Numbers from
// numpy (lstsq of (phi-1)/m^0.5 on the Vandermonde matrix of m^0.5, errors
// from the residual variance over 10 - 5).
TEST(ActivityWorkbooks, TheQuarticFillsTheDataSetsOwnLinestBlock) {
  labtest::TempDir dir;
  const labtest::DataSet d = labtest::data_set(*labcore::find_program("vapor_activity_gen"), 12345, 67890);
  const Written w = workbook_of("vapor_activity_gen", d, dir);
  const analysis::DataSet data = analysis::DataSet::parse(d.text);
  ASSERT_EQ(data.find("linest") + 1, data.find("m^2,m^1.5,m,m^0.5,const"));

  std::map<std::size_t, std::vector<analysis::FormulaCell>> on_row;
  for (const analysis::FormulaCell& f : w.contents.formulas) on_row[f.row].push_back(f);
  const double coefficient[] = {-0.025416273859, 0.145539711737, -0.299977266616, 0.394838836726, -0.351705636028};
  const double error[] = {0.005916973424, 0.02720630148, 0.043153708526, 0.027456695889, 0.005782744351};
  // Five adjacent cells of a row holding `want`, from the column returned.
  const auto find_run = [&](std::size_t row, const double (&want)[5]) -> std::ptrdiff_t {
    std::vector<analysis::FormulaCell> cells = on_row[row];
    std::sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.col < b.col; });
    for (std::size_t s = 0; s + 5 <= cells.size(); ++s) {
      bool all = cells[s + 4].col - cells[s].col == 4;
      for (std::size_t k = 0; k < 5 && all; ++k)
        all = std::fabs(cells[s + k].shown.number() - want[k]) <= 1e-10 + 1e-9 * std::fabs(want[k]);
      if (all) return static_cast<std::ptrdiff_t>(cells[s].col);
    }
    return -1;
  };
  std::size_t found = 0;
  for (const auto& [row, cells] : on_row) {
    const std::ptrdiff_t col = find_run(row, coefficient);
    if (col < 0) continue;
    ++found;
    EXPECT_EQ(find_run(row + 1, error), col) << "the standard errors under the coefficients";
  }
  EXPECT_EQ(found, 1u) << "one row of the quartic's coefficients";
}

// The second approximation: m(Pb) = 2q/(m + sqrt(m^2 + 4q)), q = Ksp/g0^2,
// log10 g0 = -4A sqrt(4(m + m(Pb))), from the first approximation's m(Pb)
// (g0 = 1). The workbook writes ten steps; over the seed sweep they reach
// the converged m(Pb) to within 1e-12, each step shrinking the error by at
// most 0.06, and the g0 they give is the answer sheet's.
TEST(ActivityWorkbooks, TenStepsOfTheLeadIterationReachItsLimitOverTheSweep) {
  constexpr int steps = 10;
  const labcore::Program& p = *labcore::find_program("emf_activity_gen");
  const auto pairs = labtest::sweep_seeds();
  ASSERT_GT(pairs.size(), 1000u);
  double worst_ratio = 0.0, worst_error = 0.0;
  std::size_t sheets = 0;
  for (std::size_t s = 0; s < pairs.size(); ++s) {
    labtest::DataSet d;
    try {
      d = labtest::data_set(p, pairs[s].first, pairs[s].second);
    } catch (const std::exception&) {
      continue;
    }
    const analysis::DataSet data = analysis::DataSet::parse(d.text);
    const double a = data.value(data.find("Debye-Hueckel Coeff:"), 1);
    const double ksp = data.value(data.find("Ksp ="), 1);
    const auto rows = data.numeric_rows(data.find("m,E(volt),m(Pb)") + 1);
    const auto lead = [&](double m, double g2) {
      const double q = ksp / g2;
      return 2.0 * q / (m + std::sqrt(m * m + 4.0 * q));
    };
    const auto next = [&](double m, double pb) {
      return lead(m, std::pow(10.0, -8.0 * a * std::sqrt(4.0 * (m + pb))));
    };
    // Every tenth data set is graded too: the ten steps' g0 against the sheet.
    const bool grade = s % 10 == 0;
    analysis::AnswerSheet sheet;
    if (grade) {
      sheet = analysis::answer_sheet(p, d.text, d.key, "", pairs[s].first, pairs[s].second);
      ++sheets;
    }
    for (const std::size_t r : rows) {
      const double m = data.value(r, 0);
      double limit = lead(m, 1.0);
      for (int k = 0; k < 200; ++k) limit = next(m, limit);
      double pb = lead(m, 1.0), error = std::fabs(pb - limit);
      for (int k = 1; k <= steps; ++k) {
        pb = next(m, pb);
        const double e = std::fabs(pb - limit);
        if (error > 1e-9 * limit) worst_ratio = std::max(worst_ratio, e / error);
        error = e;
      }
      worst_error = std::max(worst_error, error / limit);
      if (grade) {
        std::string label = std::to_string(m);
        while (label.back() == '0') label.pop_back();
        const analysis::Result* g0 = sheet.find("g0,2(" + label + ")");
        ASSERT_NE(g0, nullptr) << label;
        const double mine = std::pow(10.0, -4.0 * a * std::sqrt(4.0 * (m + pb)));
        EXPECT_NEAR(mine, g0->value, 1e-12 * g0->value) << pairs[s].first << " " << pairs[s].second << " m = " << m;
      }
    }
  }
  EXPECT_GT(sheets, 100u);
  EXPECT_LT(worst_ratio, 0.06);
  EXPECT_LT(worst_error, 1e-12);
}

}  // namespace
