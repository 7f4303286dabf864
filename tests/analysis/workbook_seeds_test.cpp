// Solution workbooks over many seeds, without a spreadsheet: the tables
// change length with the seeds (the kinetics runs stop near their final
// pressure, the first-order fits keep a different number of rows), so the
// description of each workbook must hold for every data set, not only the
// worked example that the spreadsheet recalculates.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analysis/workbook.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

TEST(WorkbookSeeds, EveryDescribedWorkbookIsWrittenWithEveryResultAsAFormula) {
  labtest::TempDir dir;
  const auto pairs = labtest::seed_pairs(8, 0x5eed);
  for (const labcore::Program* p : labcore::all_programs()) {
    const analysis::Analysis* a = analysis::find_analysis(p->name);
    if (a == nullptr || a->workbook == nullptr) continue;
    for (const auto& [s1, s2] : pairs) {
      SCOPED_TRACE(std::string(p->name) + " " + std::to_string(s1) + " " + std::to_string(s2));
      labtest::DataSet d;
      try {
        d = labtest::data_set(*p, s1, s2);
      } catch (const std::exception&) {
        continue;  // a model that fails for these seeds writes no data set
      }
      const analysis::AnswerSheet sheet = analysis::answer_sheet(*p, d.text, d.key, "Jane Doe", s1, s2);
      const auto file = dir.path() / (std::string(p->name) + ".xlsx");
      analysis::WorkbookContents contents;
      ASSERT_NO_THROW(contents = analysis::write_workbook(file, *a, d.text, d.key, sheet));
      EXPECT_TRUE(std::filesystem::exists(file));
      EXPECT_GE(contents.charts, 1u);
      std::size_t results = 0, finite = 0;
      for (const analysis::FormulaCell& f : contents.formulas) {
        results += f.result ? 1 : 0;
        finite += f.shown.kind() != analysis::Shown::Kind::unknown ? 1 : 0;
      }
      EXPECT_EQ(results, sheet.results.size());
      // Most cells hold a value; only cells left blank (a row out of a fit,
      // no N2O5 left) have none.
      EXPECT_GT(finite, contents.formulas.size() * 3 / 4);
    }
  }
}

}  // namespace
