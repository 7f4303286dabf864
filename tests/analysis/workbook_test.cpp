// Workbooks opened, recalculated and printed by a real spreadsheet: the
// Data sheet holds the cells the spreadsheet itself makes of the data set,
// every formula recalculates to what the analysis says it shows and the
// file stores that value, an edit of the data flows through a selection,
// the solutions print on few well-filled pages, every chart is drawn, and
// the student's workbook holds nothing of the solution.
//
// A program whose description is in steps (WorkbookContents::steps > 0) is
// held to all of it; one still in the old form to what that form promised
// (its numbers recalculate), its pages counted and reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "analysis/dataset.hpp"
#include "analysis/workbook.hpp"
#include "analysis/workbook_format.hpp"
#include "analysis/xlsx_package.hpp"
#include "labcore/registry.hpp"
#include "support/spreadsheet.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using analysis::FormulaCell;
using analysis::Shown;

TEST(WorkbookCells, NamesColumnsCellsAndDefinedNamesAsASpreadsheetDoes) {
  EXPECT_EQ(analysis::column_name(0), "A");
  EXPECT_EQ(analysis::column_name(25), "Z");
  EXPECT_EQ(analysis::column_name(26), "AA");
  EXPECT_EQ(analysis::column_name(701), "ZZ");
  EXPECT_EQ(analysis::column_name(702), "AAA");
  EXPECT_EQ(analysis::cell_name(12, 1), "B13");
  EXPECT_EQ(analysis::cell_name(0, 27, true), "$AB$1");
  EXPECT_EQ(analysis::data_range(4, 15, 0), "Data!$A$5:$A$16");
  EXPECT_EQ(analysis::data_ref(4, 1), "Data!B5");
  for (const char* good : {"R_gas", "eps_l", "A_DH", "alpha", "beta", "_x", "cut.off", "XFD1048577a"})
    EXPECT_TRUE(analysis::valid_defined_name(good)) << good;
  // Cell references (A1 and R1C1), truth values and stray characters.
  for (const char* bad : {"", "R", "c", "LN10", "ab1", "R1C1", "R2", "C3", "RC", "TRUE", "1x", "eps l", "ε"})
    EXPECT_FALSE(analysis::valid_defined_name(bad)) << bad;
  EXPECT_THROW(Shown::error("#WRONG"), std::invalid_argument);
  EXPECT_EQ(Shown(std::nan("")).kind(), Shown::Kind::unknown);
}

// Formats worked out by hand: the data set's digits, a result to the
// second significant figure of its uncertainty, axes in whole units.
TEST(WorkbookFormats, NumbersAreShownAsWrittenAndToTheirUncertainty) {
  EXPECT_EQ(analysis::format_of_written(" 335.85"), "0.00");
  EXPECT_EQ(analysis::format_of_written("  12953."), "0\".\"");
  EXPECT_EQ(analysis::format_of_written("0.5000E-04"), "0.000E+00");  // four significant figures
  EXPECT_EQ(analysis::format_of_written(".313636E+05"), "0.00000E+00");
  EXPECT_EQ(analysis::format_of_written(" -0.00"), "0.00");
  EXPECT_EQ(analysis::format_of_written("12"), "0");
  EXPECT_EQ(analysis::format_of_written("abc"), "General");
  EXPECT_EQ(analysis::format_of_uncertainty(36081.54, 123.0), "0");           // 36080 ± 120
  EXPECT_EQ(analysis::format_of_uncertainty(0.123456, 0.0021), "0.0000");     // 0.1235 ± 0.0021
  EXPECT_EQ(analysis::format_of_uncertainty(-44.43, 0.18), "0.00");           // −44.43 ± 0.18
  EXPECT_EQ(analysis::format_of_uncertainty(1.234e-5, 2.1e-7), "0.000E+00");  // 1.234e-5 ± 0.021e-5
  EXPECT_EQ(analysis::format_of_uncertainty(2.5, std::nan("")), "0.00000");   // six figures without one
  EXPECT_EQ(analysis::format_of_magnitude(0.0035), "0.00000000");
  EXPECT_EQ(analysis::format_of_magnitude(3.1e-5), "0.00000E+00");
}

TEST(WorkbookFormats, AxesCoverTheDataWithAMarginInWholeUnits) {
  // ln P from 9.47 to 11.55: span 2.08, margins 0.104, unit 0.5.
  analysis::AxisScale s = analysis::axis_scale(9.47, 11.55);
  EXPECT_DOUBLE_EQ(s.major, 0.5);
  EXPECT_DOUBLE_EQ(s.min, 9.0);
  EXPECT_DOUBLE_EQ(s.max, 12.0);
  EXPECT_EQ(s.format, "0.0");
  // All negative (a logarithm of a fraction): the axis stays below zero;
  // -3.355 to 0 in units of 1.
  s = analysis::axis_scale(-3.2, -0.1);
  EXPECT_DOUBLE_EQ(s.max, 0.0);
  EXPECT_DOUBLE_EQ(s.min, -4.0);
  EXPECT_DOUBLE_EQ(s.major, 1.0);
  // From zero: no negative margin.
  s = analysis::axis_scale(0, 450);
  EXPECT_DOUBLE_EQ(s.min, 0.0);
  EXPECT_DOUBLE_EQ(s.max, 500.0);
  EXPECT_EQ(s.format, "0");
  // 1/T: 0.002475 to 0.003025 in units of 2e-4, small numbers in
  // scientific notation with distinct ticks.
  s = analysis::axis_scale(0.0025, 0.0030);
  EXPECT_DOUBLE_EQ(s.major, 2e-4);
  EXPECT_NEAR(s.min, 0.0024, 1e-15);
  EXPECT_NEAR(s.max, 0.0032, 1e-15);
  EXPECT_EQ(s.format, "0.0E+00");
}

TEST(WorkbookPackage, AnErrorCellIsRetypedAndThePackageReadsBack) {
  std::string xml = R"(<row><c r="B5" s="2" t="str"><f>NA()</f><v>#N/A</v></c><c r="B6"><f>1</f><v>1</v></c></row>)";
  analysis::set_cell_types(xml, {{"B5", "e"}});
  EXPECT_NE(xml.find(R"(<c r="B5" s="2" t="e"><f>NA()</f>)"), std::string::npos);
  EXPECT_THROW(analysis::set_cell_types(xml, {{"B6", "e"}}), std::invalid_argument) << "a number, not a text";
  labtest::TempDir dir;
  const std::vector<analysis::PackagePart> parts{{"a.xml", xml}, {"b/c.xml", std::string(70000, 'x')}};
  analysis::write_package(dir.path() / "p.zip", parts);
  EXPECT_EQ(labtest::package_part(dir.path() / "p.zip", "a.xml"), xml) << "unzip reads what was written";
  const auto back = analysis::read_package(dir.path() / "p.zip");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].name, "b/c.xml");
  EXPECT_EQ(back[1].data, parts[1].data);
}

// A result that a column's cell computes is that cell, flagged, in the
// summary by reference; a chart's points stand beside the printed columns,
// outside the print area; a result named by a cell no column wrote is
// refused and leaves no file.
TEST(WorkbookLayout, AResultInItsColumnAndAChartsPointsBesideThePrint) {
  const std::string text = "T(K),P(Pa)\n300.00,1000.\n310.00,2000.\n";
  analysis::AnswerSheet sheet;
  sheet.program = "test_gen";
  sheet.add(analysis::Result{.key = "P(2)", .name = "the second pressure", .unit = "Pa", .value = 2000.0,
                             .uncertainty = 0.5});
  const analysis::Analysis in_column{
      .program = "test_gen", .workbook = [](const analysis::Case&, const analysis::AnswerSheet&, analysis::SolutionSheet& ws) {
        ws.step("The pressures");
        const auto p = ws.column("P", "Pa", {1, 2}, {"Data!B2", "Data!B3"}, {1000.0, 2000.0});
        EXPECT_EQ(ws.result_in("P(2)", p.cells[1]), "$A$" + p.cells[1].substr(1));
        const auto x = ws.chart_column("x", "", {0, 2}, {"1", "2"}, {1.0, 2.0});
        EXPECT_EQ(x.cells, (std::vector<std::string>{"K4", "K6"})) << "a gap leaves a row blank";
        const auto y = ws.chart_column("y", "", {0, 2}, {"3", "4"}, {3.0, 4.0});
        ws.chart("points", "x", "y", {{.name = "p", .x_range = analysis::on_solution(x.range),
                                       .y_range = analysis::on_solution(y.range)}});
      }};
  labtest::TempDir dir;
  const auto contents = analysis::write_workbook(dir.path() / "a.xlsx", in_column, text, {}, sheet);
  std::size_t results = 0, beside = 0;
  for (const FormulaCell& f : contents.formulas) {
    if (f.result) {
      ++results;
      EXPECT_EQ(f.col, 0u) << "the column's own cell";
      EXPECT_EQ(f.shown, Shown(2000.0));
    }
    beside += f.col >= 10 ? 1 : 0;
  }
  EXPECT_EQ(results, 1u);
  EXPECT_EQ(beside, 4u);
  const std::string workbook = labtest::package_part(dir.path() / "a.xlsx", "xl/workbook.xml");
  EXPECT_NE(workbook.find("Solution!$A$1:$I$"), std::string::npos) << "printed A to I only";
  const std::string solution = labtest::package_part(dir.path() / "a.xlsx", "xl/worksheets/sheet2.xml");
  EXPECT_NE(solution.find("<f>$A$"), std::string::npos) << "the summary refers to the column's cell";

  const analysis::Analysis on_a_value{
      .program = "test_gen", .workbook = [](const analysis::Case&, const analysis::AnswerSheet&, analysis::SolutionSheet& ws) {
        ws.step("A value");
        const std::string v = ws.value("twice", "Pa", "2*Data!$B$3", 4000.0);
        ws.result_in("P(2)", v.substr(1, 1) + v.substr(3));
      }};
  EXPECT_THROW(analysis::write_workbook(dir.path() / "b.xlsx", on_a_value, text, {}, sheet), std::invalid_argument);
  EXPECT_FALSE(fs::exists(dir.path() / "b.xlsx"));
}

// One solution and one student workbook per program with an analysis,
// for seeds 12345 67890.
struct Made {
  const labcore::Program* program;
  fs::path file, student, csv;
  analysis::AnswerSheet sheet;
  analysis::WorkbookContents contents;
  bool converted() const { return contents.steps > 0; }
};

std::vector<Made> make_workbooks(const fs::path& folder) {
  std::vector<Made> made;
  for (const labcore::Program* p : labcore::all_programs()) {
    const analysis::Analysis* a = analysis::find_analysis(p->name);
    if (a == nullptr) continue;
    const labtest::DataSet d = labtest::data_set(*p, 12345, 67890);
    const std::string stem(p->name);
    Made m{p, folder / (stem + ".xlsx"), folder / (stem + "_student.xlsx"), folder / (stem + ".csv"),
           analysis::answer_sheet(*p, d.text, d.key, "Jane Doe", 12345, 67890), {}};
    labtest::write_file(m.csv, d.text);
    m.contents = analysis::write_workbook(m.file, *a, d.text, d.key, m.sheet);
    analysis::write_student_workbook(m.student, *a, d.text, d.key, m.sheet);
    made.push_back(std::move(m));
  }
  return made;
}

double as_number(const std::string& cell) {
  char* end = nullptr;
  const double v = std::strtod(cell.c_str(), &end);
  return end != cell.c_str() && *end == '\0' ? v : analysis::not_a_number;
}

const std::string& cell(const labtest::Grid& g, std::size_t r, std::size_t c) {
  static const std::string empty;
  return r < g.size() && c < g[r].size() ? g[r][c] : empty;
}

// Whether a cell as the spreadsheet exported it shows `s`: a number to
// nine figures (the export writes at most 20 decimals, so one below 1e-11
// arrives with fewer; workings near zero, a residual, differ in the
// rounding of the last terms by up to 1e-13), a text or an error exactly.
bool shows(const std::string& text, const Shown& s, bool result) {
  switch (s.kind()) {
    case Shown::Kind::number:
      return std::fabs(as_number(text) - s.number()) <= 1e-9 * std::fabs(s.number()) + (result ? 0.0 : 1e-13) + 5e-21;
    case Shown::Kind::text:
    case Shown::Kind::error:
      return text == s.text();
    case Shown::Kind::unknown:
      return true;
  }
  return false;
}

// The stored value of a formula cell as a Shown.
Shown stored(const labtest::StoredCell& c) {
  if (c.type.empty()) return as_number(c.value);
  if (c.type == "e") return Shown::error(c.value);
  if (c.type == "str") return Shown::text(c.value);
  return Shown(analysis::not_a_number);  // a truth value, which no description writes
}

// Edits a number on the Data sheet of a workbook (in the file's XML).
void edit_data_cell(const fs::path& from, const fs::path& to, const std::string& cell_ref, double value) {
  std::vector<analysis::PackagePart> parts = analysis::read_package(from);
  for (analysis::PackagePart& p : parts)
    if (p.name == "xl/worksheets/sheet1.xml") {
      const std::regex cell_xml("<c r=\"" + cell_ref + "\"([^>]*)><v>[^<]*</v></c>");
      ASSERT_TRUE(std::regex_search(p.data, cell_xml)) << cell_ref;
      char text[64];
      std::snprintf(text, sizeof text, "%.17g", value);
      p.data = std::regex_replace(p.data, cell_xml, "<c r=\"" + cell_ref + "\"$1><v>" + text + "</v></c>");
    }
  analysis::write_package(to, parts);
}

// One run of the spreadsheet recalculates every workbook (and an edited
// copy), another opens every data set as the student does.
TEST(Workbooks, ARealSpreadsheetRecalculatesEveryFormulaToWhatTheFileStores) {
  if (!labtest::have_spreadsheet()) GTEST_SKIP() << "LibreOffice Calc (soffice) is not installed; `make test` installs it";
  labtest::TempDir dir;
  const std::vector<Made> made = make_workbooks(dir.path());
  ASSERT_FALSE(made.empty());
  std::vector<fs::path> files, csvs;
  for (const Made& m : made) {
    files.push_back(m.file);
    csvs.push_back(m.csv);
  }
  // The edit: strong_electrolyte_gen's moving boundary takes a row into the
  // per-row transference numbers when its time is above 0; the second row
  // of AX timed 0 leaves the selection.
  const auto se = std::find_if(made.begin(), made.end(),
                               [](const Made& m) { return std::string(m.program->name) == "strong_electrolyte_gen"; });
  ASSERT_NE(se, made.end());
  const analysis::DataSet se_data = analysis::DataSet::parse(labtest::data_set(*se->program, 12345, 67890).text);
  const std::size_t boundary = se_data.find("dist(cm),time(sec),VCF/1000I,") + 2;  // the row after 0
  const fs::path edited = dir.path() / "edited.xlsx";
  if (se->converted()) {
    edit_data_cell(se->file, edited, analysis::cell_name(boundary, 1), 0.0);
    files.push_back(edited);
  }

  // The edit of lle_ternary_gen: the envelope's seventh R.I. set below the
  // sixth's, so that the calibration's longest rising run (a selection
  // made by formulas) starts at the seventh row and the A-rich ends are
  // read on other rows; the analysis of the data set edited the same way
  // says what the results become.
  const auto lle = std::find_if(made.begin(), made.end(),
                                [](const Made& m) { return std::string(m.program->name) == "lle_ternary_gen"; });
  ASSERT_NE(lle, made.end());
  const labtest::DataSet lle_set = labtest::data_set(*lle->program, 12345, 67890);
  const analysis::DataSet lle_data = analysis::DataSet::parse(lle_set.text);
  const std::size_t dip = lle_data.numeric_rows(lle_data.find("%A,%B,%C,R.I.") + 1).at(7);  // pure A first
  const double lowered = *lle_data.number(dip - 1, 3) - 0.0005;
  std::string lle_text;
  {
    std::istringstream lines(lle_set.text);
    std::size_t r = 0;
    for (std::string line; std::getline(lines, line); ++r) {
      if (r == dip) {
        char ri[32];
        std::snprintf(ri, sizeof ri, "%.4f", lowered);
        line = line.substr(0, line.rfind(',', line.find_last_not_of(", ")) + 1) + ri + ",";
      }
      lle_text += line + "\n";
    }
  }
  ASSERT_EQ(analysis::DataSet::parse(lle_text).number(dip, 3), lowered);
  const analysis::AnswerSheet lle_edited =
      analysis::answer_sheet(*lle->program, lle_text, lle_set.key, "Jane Doe", 12345, 67890);
  const fs::path lle_file = dir.path() / "lle_edited.xlsx";
  if (lle->converted()) {
    edit_data_cell(lle->file, lle_file, analysis::cell_name(dip, 3), lowered);
    files.push_back(lle_file);
  }

  const auto recalculated = labtest::recalculate(files, dir.path() / "work");
  const auto opened = labtest::open_csv(csvs, dir.path() / "work");
  std::size_t strict = 0;
  for (std::size_t i = 0; i < made.size(); ++i) {
    const Made& m = made[i];
    SCOPED_TRACE(std::string(m.program->name));
    const labtest::Grid& solution = recalculated[i].at("Solution");
    const auto stored_cells =
        labtest::stored_formulas(labtest::package_part(m.file, "xl/worksheets/sheet2.xml"));
    std::size_t results = 0, unknown = 0;
    for (const FormulaCell& f : m.contents.formulas) {
      const std::string name = analysis::cell_name(f.row, f.col);
      const std::string& text = cell(solution, f.row, f.col);
      results += f.result ? 1 : 0;
      if (f.shown.kind() == Shown::Kind::unknown) {
        ++unknown;
        continue;
      }
      EXPECT_TRUE(shows(text, f.shown, f.result)) << name << " reads \"" << text << "\"";
      // What the file stores for the cell, as the file says it.
      const auto st = stored_cells.find(name);
      ASSERT_NE(st, stored_cells.end()) << name;
      EXPECT_TRUE(shows(text, stored(st->second), f.result))
          << name << " stores \"" << st->second.value << "\" (type \"" << st->second.type << "\"), recalculated \""
          << text << "\"";
    }
    EXPECT_EQ(results, m.sheet.results.size()) << "every result is a formula";
    if (m.converted()) {
      ++strict;
      EXPECT_EQ(unknown, 0u) << "every formula is written with what it shows";
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
  ::testing::Test::RecordProperty("programs_in_steps", static_cast<int>(strict));

  if (se->converted()) {
    // The edited row shows "" in the per-row column, and the count of rows
    // timed (a value of the step) is one less.
    const labtest::Grid& before = recalculated[static_cast<std::size_t>(se - made.begin())].at("Solution");
    const labtest::Grid& after = recalculated.at(made.size()).at("Solution");
    std::size_t emptied = 0, changed = 0;
    for (const FormulaCell& f : se->contents.formulas) {
      const std::string &b = cell(before, f.row, f.col), &a = cell(after, f.row, f.col);
      if (!b.empty() && a.empty()) ++emptied;
      if (b != a) ++changed;
    }
    EXPECT_EQ(emptied, 1u) << "one row left the selection";
    EXPECT_GE(changed, 3u) << "and what depends on it followed";
  }

  if (lle->converted()) {
    // Every result in the summary (its label in column A, the number from
    // the data in D) is what the analysis finds in the edited data set.
    const labtest::Grid& after = recalculated.at(made.size() + (se->converted() ? 1 : 0)).at("Solution");
    std::size_t checked = 0, moved = 0;
    for (const analysis::Result& r : lle_edited.results) {
      const std::string label = r.name + " (" + r.key + ")";
      for (std::size_t row = 0; row < after.size(); ++row)
        if (cell(after, row, 0) == label) {
          ++checked;
          EXPECT_NEAR(as_number(cell(after, row, 3)), r.value, 1e-9 * std::fabs(r.value)) << r.key;
          moved += std::fabs(r.value - lle->sheet.find(r.key)->value) > 1e-6 ? 1 : 0;
          break;
        }
    }
    EXPECT_EQ(checked, lle_edited.results.size());
    EXPECT_GE(moved, 3u) << "the edit moved the calibration";
  }
}

// The solutions printed: few pages, none nearly empty, every chart drawn.
TEST(Workbooks, SolutionsPrintOnFewWellFilledPagesWithEveryChartDrawn) {
  if (!labtest::have_renderer()) GTEST_SKIP() << "LibreOffice Calc or poppler is not installed; `make test` installs them";
  labtest::TempDir dir;
  const std::vector<Made> made = make_workbooks(dir.path());
  std::vector<fs::path> files;
  for (const Made& m : made) files.push_back(m.file);
  const auto pages = labtest::render_pages(files, dir.path() / "work");
  std::size_t total = 0, converted = 0, converted_pages = 0;
  std::string thin;
  std::string report;
  for (std::size_t i = 0; i < made.size(); ++i) {
    const Made& m = made[i];
    SCOPED_TRACE(std::string(m.program->name));
    total += pages[i].size();
    report += std::string(m.program->name) + " " + std::to_string(pages[i].size()) + "; ";
    EXPECT_GE(m.contents.charts, 1u) << "the plot the student draws";
    // The chart sheets come last, one page each, with points in colour.
    const std::size_t charts = m.contents.charts;
    ASSERT_GE(pages[i].size(), charts + 2);
    for (std::size_t k = pages[i].size() - charts; k < pages[i].size(); ++k) {
      EXPECT_GT(pages[i][k].coloured, 20) << "page " << k + 1 << " has no coloured points";
      EXPECT_GT(pages[i][k].inked, 400) << "page " << k + 1 << " is nearly blank";
    }
    if (!m.converted()) continue;
    ++converted;
    converted_pages += pages[i].size();
    // Measured, not yet held (see the total below): pages under five lines.
    for (std::size_t k = 0; k < pages[i].size(); ++k)
      if (pages[i][k].lines.size() < 5) thin += std::string(m.program->name) + " page " + std::to_string(k + 1) + "; ";
    // No number of the data set in a chart's title.
    const analysis::DataSet data = analysis::DataSet::parse(labtest::read_file(m.csv));
    const std::regex number("[0-9]+(\\.[0-9]+)?");
    for (const std::string& t : m.contents.chart_titles)
      for (auto it = std::sregex_iterator(t.begin(), t.end(), number); it != std::sregex_iterator(); ++it) {
        const double v = std::stod(it->str());
        for (std::size_t r = 0; r < data.size(); ++r)
          for (std::size_t c = 0; c < data.cells(r).size(); ++c)
            if (data.number(r, c) == v && v != 0 && v != 1 && v != 2) ADD_FAILURE() << t << ": " << it->str();
      }
  }
  // The goal, 150 pages for the eighteen and no page under five lines, is
  // measured while programs are still in the old form; held so far: far
  // below the 425 pages the old layout printed, and the described ones
  // within twice the goal's rate.
  EXPECT_LT(total, 425u);
  EXPECT_LE(converted_pages * 18, 2 * 150 * converted) << converted_pages << " pages for " << converted << " workbooks";
  std::printf("pages under five lines: %s\n", thin.empty() ? "none" : thin.c_str());
  ::testing::Test::RecordProperty("pages", static_cast<int>(total));
  ::testing::Test::RecordProperty("pages_in_steps", static_cast<int>(converted_pages));
  std::printf("pages of the solution workbooks: %zu in all (%s)\n", total, report.c_str());
}

// Every part of every student's workbook: no formula, no number of the
// answer sheet, none of its words.
TEST(StudentWorkbooks, HoldNothingOfTheSolution) {
  labtest::TempDir dir;
  const std::vector<Made> made = make_workbooks(dir.path());
  for (const Made& m : made) {
    SCOPED_TRACE(std::string(m.program->name));
    // Every part but the Data sheet, whose numbers are the student's own
    // (a result read off the data is one of them).
    std::string xml;
    for (const std::string& part : labtest::package_parts(m.student)) {
      const std::string text = labtest::package_part(m.student, part);
      EXPECT_EQ(text.find("<f>"), std::string::npos) << "a formula in " << part;
      if (part != "xl/worksheets/sheet1.xml") xml += text;
    }
    ASSERT_NE(xml.find("Jane Doe"), std::string::npos) << "the workbook was read";
    for (const char* word : {"true value", "tolerance", "answer sheet", "Solution!"})
      EXPECT_EQ(xml.find(word), std::string::npos) << word;
    // A chart of the data caches the data's numbers too, and a result
    // read off the data (a row as written) is one of them.
    const analysis::DataSet data = analysis::DataSet::parse(labtest::read_file(m.csv));
    std::set<double> written;
    for (std::size_t r = 0; r < data.size(); ++r)
      for (std::size_t c = 0; c < data.cells(r).size(); ++c)
        if (const auto v = data.number(r, c)) written.insert(*v);
    for (const analysis::Result& r : m.sheet.results)
      for (const double v : {r.value, r.true_value, r.tolerance, r.uncertainty}) {
        if (!std::isfinite(v) || v == 0 || written.count(v) > 0) continue;
        char six[32];
        std::snprintf(six, sizeof six, "%.6g", v);
        for (const std::string& s : {analysis::csv_number(v), std::string(six)}) {
          // A round number (a tolerance floor of 0.002 the handout states)
          // is no secret; four significant figures are.
          const std::size_t first = s.find_first_of("123456789");
          const std::string mantissa = first == std::string::npos ? "" : s.substr(first, s.find('e') - first);
          // (A number that reads as one written in the data set is the
          // student's own, though the true value it rounds from is not.)
          if (std::count_if(mantissa.begin(), mantissa.end(), ::isdigit) >= 4 && written.count(std::stod(s)) == 0) {
            EXPECT_EQ(xml.find(s), std::string::npos) << r.key << " = " << s;
          }
        }
      }
    // The results to report, each with its key.
    for (const analysis::Result& r : m.sheet.results)
      if (r.graded()) {
        EXPECT_NE(xml.find(">" + r.key + "<"), std::string::npos) << r.key;
      }
  }
}

}  // namespace
