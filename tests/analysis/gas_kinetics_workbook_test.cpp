// The workbooks of surface_tension_gen, corresponding_states_gen and
// bromination_gen as described, without a spreadsheet (the spreadsheet's
// recalculation of every formula is workbook_test.cpp's): the columns the
// data sets leave for the student, the extrapolated lines, the steps of the
// Guggenheim fit, and charts whose series pair their ranges and colours.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/recording_sheet.hpp"
#include "support/test_support.hpp"

namespace {

using labtest::RecordingSheet;

struct Described {
  analysis::AnswerSheet sheet;
  RecordingSheet ws;
};

Described describe(const std::string& program, int seed1 = 12345, int seed2 = 67890) {
  const labcore::Program& p = *labcore::find_program(program);
  const labtest::DataSet ds = labtest::data_set(p, seed1, seed2);
  Described d{analysis::answer_sheet(p, ds.text, ds.key, "Jane Doe", seed1, seed2), {}};
  const analysis::DataSet data = analysis::DataSet::parse(ds.text);
  const analysis::Case cs(data, ds.key);
  analysis::find_analysis(program)->workbook(cs, d.sheet, d.ws);
  return d;
}

// Cells in a range "Sheet!$C$28:$M$28" (or one cell), and whether it is one
// row or one column.
struct Extent {
  std::size_t cells = 0;
  bool straight = false;
};
Extent extent(const std::string& range) {
  // Each cell name after the sheet's "!": column letters then row digits,
  // "$" signs skipped.
  std::vector<std::pair<long, long>> ends;
  const std::size_t bang = range.find('!');
  for (std::size_t i = bang == std::string::npos ? 0 : bang + 1; i < range.size();) {
    long col = 0, row = 0;
    for (; i < range.size() && (range[i] == '$' || (range[i] >= 'A' && range[i] <= 'Z')); ++i)
      if (range[i] != '$') col = col * 26 + (range[i] - 'A' + 1);
    for (; i < range.size() && (range[i] == '$' || (range[i] >= '0' && range[i] <= '9')); ++i)
      if (range[i] != '$') row = row * 10 + (range[i] - '0');
    if (col > 0 && row > 0) ends.emplace_back(col, row);
    if (i < range.size()) ++i;  // the ":" between the two ends
  }
  if (ends.size() == 1) return {1, true};
  if (ends.size() != 2) return {};
  const long cols = ends[1].first - ends[0].first + 1, rows = ends[1].second - ends[0].second + 1;
  return {static_cast<std::size_t>(cols * rows), cols == 1 || rows == 1};
}

TEST(GasKineticsWorkbooks, EverySeriesPairsItsRangesAndEachLineTakesTheColourOfItsPoints) {
  for (const char* program : {"surface_tension_gen", "corresponding_states_gen", "bromination_gen"}) {
    for (const auto& [s1, s2] : {std::pair{12345, 67890}, std::pair{1, 2}, std::pair{987654, 321}}) {
      SCOPED_TRACE(std::string(program) + " " + std::to_string(s1) + " " + std::to_string(s2));
      const Described d = describe(program, s1, s2);
      EXPECT_EQ(d.ws.results.size(), d.sheet.results.size());
      ASSERT_EQ(d.ws.charts.size(), 3u);
      for (const RecordingSheet::Chart& c : d.ws.charts) {
        SCOPED_TRACE(c.title);
        std::vector<int> point_colours;
        for (std::size_t i = 0; i < c.series.size(); ++i) {
          const auto& s = c.series[i];
          const Extent x = extent(s.x_range), y = extent(s.y_range);
          EXPECT_TRUE(x.straight && y.straight) << s.name;
          EXPECT_EQ(x.cells, y.cells) << s.name << ": " << s.x_range << " against " << s.y_range;
          EXPECT_GE(x.cells, s.line ? 2u : 1u) << s.name;
          if (s.markers) point_colours.push_back(s.colour >= 0 ? s.colour : static_cast<int>(i));
        }
        for (const auto& s : c.series)
          if (s.line) {
            EXPECT_FALSE(s.markers) << s.name;
            EXPECT_NE(std::find(point_colours.begin(), point_colours.end(), s.colour), point_colours.end())
                << s.name << " is not in the colour of any points";
          }
      }
    }
  }
}

TEST(SurfaceTensionWorkbook, FillsEveryColumnOfTheHeadingAndDrawsTheLinesToTheirZeros) {
  const Described d = describe("surface_tension_gen");
  // The columns the heading T(C),gamma,dl,dv,... leaves for the student, on
  // the table's rows (records 12 to 30), as the answer sheet's workings.
  for (const char* heading : {"dl-dv", "(dl-dv)^10/3", "dl+dv", "d(ave)", "Eotvos", "Katayama", "Macleod"}) {
    SCOPED_TRACE(heading);
    const auto& c = d.ws.column_named(heading);
    ASSERT_EQ(c.records.size(), 19u);
    EXPECT_EQ(c.records.front(), 12u);
    const analysis::Column* w = nullptr;
    for (const auto& col : d.sheet.workings.at(0).columns)
      if (col.heading == heading) w = &col;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(c.values, w->values);
  }
  // First row by hand: γ = 48.926026, dl = 1.316803, dv = 0.005180, M = 56.14.
  EXPECT_NEAR(d.ws.column_named("Macleod").values[0], std::pow(48.926026, 0.25) / 1.311623, 1e-12);
  EXPECT_EQ(d.ws.column_named("Eotvos").formulas[0], "Data!$B$13*POWER(Data!$B$10/Data!$C$13,2/3)");

  // The extrapolated lines end on the record after the table: (Tc, 0), the
  // diameter at (Tc, dc), Eotvos at Tc(E) − 6 K, Katayama at Tc(K).
  const double tc = d.sheet.find("Tc")->value;
  const auto end = [&](const std::string& what) {
    const auto& x = d.ws.column_named("T for the line of " + what);
    const auto& y = d.ws.column_named("line of " + what);
    EXPECT_EQ(x.records.back(), 31u);
    return std::pair{x.values.back(), y.values.back()};
  };
  EXPECT_EQ(end("(dl-dv)^10/3"), std::pair(tc, 0.0));
  EXPECT_DOUBLE_EQ(end("d(ave)").first, tc);
  EXPECT_NEAR(end("d(ave)").second, d.sheet.find("dc")->value, 1e-15);
  EXPECT_NEAR(end("Eotvos").first, d.sheet.find("Tc(E)")->value - 6.0, 1e-9);
  EXPECT_EQ(end("Eotvos").second, 0.0);
  EXPECT_DOUBLE_EQ(end("Katayama").first, d.sheet.find("Tc(K)")->value);
}

TEST(CorrespondingStatesWorkbook, GaussNewtonStepsContractAndSettleOnTheAnswerSheet) {
  for (const auto& [s1, s2] : {std::pair{12345, 67890}, std::pair{1, 2}, std::pair{2147483647, 7}}) {
    SCOPED_TRACE(std::to_string(s1) + " " + std::to_string(s2));
    const Described d = describe("corresponding_states_gen", s1, s2);
    std::vector<double> tc{d.sheet.find("Tc(rd)")->value}, dc{d.sheet.find("dc(rd)")->value};
    for (const auto& v : d.ws.values) {
      if (v.label.ends_with(": Tc")) tc.push_back(v.value);
      if (v.label.ends_with(": dc")) dc.push_back(v.value);
    }
    ASSERT_EQ(tc.size(), 9u);
    ASSERT_EQ(dc.size(), 9u);
    // Over the eight hottest rows the first step moves Tc by about 0.4 % and
    // dc by 0.25 %, the second shrinks the change about 15-fold, each next
    // one at least 50-fold until the rounding (numpy's Gauss-Newton on the
    // same rows, seeds 12345 67890: 2.02, 0.133, 8.4e-5, 4.0e-7 K).
    for (std::size_t k = 2; k < tc.size(); ++k) {
      const double before = std::fabs(tc[k - 1] - tc[k - 2]), now = std::fabs(tc[k] - tc[k - 1]);
      EXPECT_TRUE(now < before / (k == 2 ? 10 : 50) || now <= 1e-13 * tc[k]) << "step " << k;
    }
    EXPECT_NEAR(tc[8], tc[7], 1e-13 * tc[8]);
    EXPECT_NEAR(dc[8], dc[7], 1e-13 * dc[8]);
    EXPECT_EQ(tc[8], d.sheet.find("Tc(cs)")->value);
    EXPECT_EQ(dc[8], d.sheet.find("dc(cs)")->value);
    EXPECT_NEAR(dc[1] / dc[0], 1.0025, 0.001);
  }
}

TEST(BrominationWorkbook, FillsTheStartingConcentrationsAndFitsEachRunOverItsOwnReadings) {
  const Described d = describe("bromination_gen");
  // mL × stock molarity / 50 mL, by hand: Br2 10 mL of 0.02 M; H+ 10 to 25
  // mL of 1 M in runs 1 to 4; ketone 10 to 25 mL of 4 M in runs 5 to 8.
  const struct {
    const char* heading;
    std::vector<double> molar;
  } expected[] = {
      {"Br2", std::vector<double>(8, 0.004)},
      {"H+", {0.2, 0.3, 0.4, 0.5, 0.2, 0.2, 0.2, 0.2}},
      {"ketone", {0.8, 0.8, 0.8, 0.8, 0.8, 1.2, 1.6, 2.0}},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.heading);
    const auto& c = d.ws.column_named(e.heading);
    ASSERT_EQ(c.records.size(), 8u);
    EXPECT_EQ(c.records.front(), 16u);  // the rows of the recipe table
    for (std::size_t i = 0; i < 8; ++i) EXPECT_NEAR(c.values[i], e.molar[i], 1e-15) << "run " << i + 1;
  }
  // Run 4 has four readings (0 to 135 s; row 32, the times on row 28), run 1 eleven.
  const auto& slope = d.ws.column_named("slope of A against t");
  EXPECT_EQ(slope.formulas[3], "SLOPE(Data!$C$32:$F$32,Data!$C$28:$F$28)");
  EXPECT_EQ(slope.formulas[0], "SLOPE(Data!$C$29:$M$29,Data!$C$28:$M$28)");
  // The bromine order from the runs' parts: their sums' ratio is the result.
  double num = 0, den = 0;
  for (double v : d.ws.column_named("c·Σe·ε").values) num += v;
  for (double v : d.ws.column_named("c²·Σe²").values) den += v;
  EXPECT_NEAR(num / den, d.sheet.find("order(Br2)")->value, 1e-12 * std::fabs(num / den));
}

// A run with more readings than the table has times is refused by name
// (its line would read past the times).
TEST(BrominationWorkbook, ARunWithMoreReadingsThanTimesIsRefused) {
  const labcore::Program& p = *labcore::find_program("bromination_gen");
  const labtest::DataSet ds = labtest::data_set(p, 12345, 67890);
  std::string text = ds.text;
  const auto at = text.find(" 0.0692,");  // run 1's eleventh reading of fifteen times
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 8, " 0.0692, 0.06, 0.05, 0.04, 0.03, 0.02,");
  try {
    analysis::answer_sheet(p, text, ds.key, "Jane Doe", 12345, 67890);
    ADD_FAILURE() << "no error";
  } catch (const analysis::AnalysisError& e) {
    EXPECT_NE(std::string(e.what()).find("run 1 has more readings"), std::string::npos) << e.what();
  }
}

}  // namespace
