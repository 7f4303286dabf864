// Solution workbooks, opened by a real spreadsheet: the Data sheet holds
// the cells the spreadsheet itself makes of the data set, every formula of
// the Solution sheet recalculates to the answer sheet's numbers, and every
// chart is drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "analysis/workbook.hpp"
#include "labcore/registry.hpp"
#include "support/spreadsheet.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using analysis::FormulaCell;

TEST(WorkbookCells, NamesColumnsAndCellsAsASpreadsheetDoes) {
  EXPECT_EQ(analysis::column_name(0), "A");
  EXPECT_EQ(analysis::column_name(25), "Z");
  EXPECT_EQ(analysis::column_name(26), "AA");
  EXPECT_EQ(analysis::column_name(701), "ZZ");
  EXPECT_EQ(analysis::column_name(702), "AAA");
  EXPECT_EQ(analysis::cell_name(12, 1), "B13");
  EXPECT_EQ(analysis::cell_name(0, 27, true), "$AB$1");
  EXPECT_EQ(analysis::data_range(4, 15, 0), "Data!$A$5:$A$16");
}

// One workbook per program with an analysis, for seeds 12345 67890.
struct Made {
  const labcore::Program* program;
  fs::path file;
  fs::path csv;
  analysis::AnswerSheet sheet;
  analysis::WorkbookContents contents;
};

std::vector<Made> make_workbooks(const fs::path& folder) {
  std::vector<Made> made;
  for (const labcore::Program* p : labcore::all_programs()) {
    if (analysis::find_analysis(p->name) == nullptr) continue;
    const labtest::DataSet d = labtest::data_set(*p, 12345, 67890);
    Made m{p, folder / (std::string(p->name) + ".xlsx"), folder / (std::string(p->name) + ".csv"),
           analysis::answer_sheet(*p, d.text, d.key, "Jane Doe", 12345, 67890), {}};
    labtest::write_file(m.csv, d.text);
    m.contents = analysis::write_workbook(m.file, *analysis::find_analysis(p->name), d.text, d.key, m.sheet);
    made.push_back(std::move(m));
  }
  return made;
}

bool described(const Made& m) { return analysis::find_analysis(m.program->name)->workbook != nullptr; }

double as_number(const std::string& cell) {
  char* end = nullptr;
  const double v = std::strtod(cell.c_str(), &end);
  return end != cell.c_str() && *end == '\0' ? v : analysis::not_a_number;
}

const std::string& cell(const labtest::Grid& g, std::size_t r, std::size_t c) {
  static const std::string empty;
  return r < g.size() && c < g[r].size() ? g[r][c] : empty;
}

// One run of the spreadsheet opens every workbook and recalculates it,
// another opens every data set as the student does.
TEST(Workbooks, ARealSpreadsheetRecalculatesEveryFormulaToTheAnswerSheetAndReadsTheSameData) {
  if (!labtest::have_spreadsheet()) GTEST_SKIP() << "LibreOffice Calc (soffice) is not installed; `make test` installs it";
  labtest::TempDir dir;
  const std::vector<Made> made = make_workbooks(dir.path());
  ASSERT_FALSE(made.empty());
  std::vector<fs::path> files, csvs;
  for (const Made& m : made) {
    files.push_back(m.file);
    csvs.push_back(m.csv);
  }
  const auto recalculated = labtest::recalculate(files, dir.path() / "work");
  const auto opened = labtest::open_csv(csvs, dir.path() / "work");
  for (std::size_t i = 0; i < made.size(); ++i) {
    SCOPED_TRACE(std::string(made[i].program->name));
    const auto solution = recalculated[i].find("Solution");
    ASSERT_NE(solution, recalculated[i].end());
    std::size_t results = 0;
    for (const FormulaCell& f : made[i].contents.formulas) {
      if (!std::isfinite(f.value)) continue;
      const std::string& text = cell(solution->second, f.row, f.col);
      const double scale = std::fabs(f.value);
      // The export writes at most 20 decimals, so a number below 1e-11
      // arrives with fewer than 9 significant digits.
      const double shown = 5e-21;
      EXPECT_NEAR(as_number(text), f.value, 1e-9 * scale + (f.result ? 0.0 : 1e-13) + shown)
          << analysis::cell_name(f.row, f.col) << " reads \"" << text << "\"";
      results += f.result ? 1 : 0;
    }
    if (described(made[i])) {
      EXPECT_EQ(results, made[i].sheet.results.size()) << "every result is a formula";
    }

    // The Data sheet: the cells the spreadsheet itself makes of the file.
    const labtest::Grid& data = recalculated[i].at("Data");
    ASSERT_EQ(data.size(), opened[i].size());
    for (std::size_t r = 0; r < data.size(); ++r) {
      const std::size_t n = std::max(data[r].size(), opened[i][r].size());
      for (std::size_t c = 0; c < n; ++c)
        EXPECT_EQ(cell(data, r, c), cell(opened[i], r, c)) << "row " << r + 1 << " column " << c + 1;
    }
  }
}

TEST(Workbooks, EveryChartIsDrawn) {
  if (!labtest::have_renderer()) GTEST_SKIP() << "LibreOffice Calc or pdftoppm is not installed; `make test` installs them";
  labtest::TempDir dir;
  const std::vector<Made> made = make_workbooks(dir.path());
  std::vector<fs::path> files;
  for (const Made& m : made) files.push_back(m.file);
  const auto pages = labtest::render_pages(files, dir.path() / "work");
  for (std::size_t i = 0; i < made.size(); ++i) {
    SCOPED_TRACE(std::string(made[i].program->name));
    if (described(made[i])) {
      EXPECT_GE(made[i].contents.charts, 1u) << "the plot the student draws";
    }
    // The chart sheets come last, one page each, with points in colour.
    const std::size_t charts = made[i].contents.charts;
    ASSERT_GE(pages[i].size(), charts + 2);
    for (std::size_t k = pages[i].size() - charts; k < pages[i].size(); ++k) {
      EXPECT_GT(pages[i][k].coloured, 20) << "page " << k + 1 << " has no coloured points";
      EXPECT_GT(pages[i][k].inked, 400) << "page " << k + 1 << " is nearly blank";
    }
  }
}

}  // namespace
