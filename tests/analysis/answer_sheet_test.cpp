// The sheet's policy, its layouts and the registry of analyses.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;

TEST(TolerancePolicy, LargerOfRelativeAndSigmas) {
  struct Case {
    double relative, sigmas, value, u, tolerance;
  };
  const Case cases[] = {
      {0.02, 3, 100.0, 0.1, 2.0},          // relative part wins
      {0.02, 3, 100.0, 1.0, 3.0},          // three uncertainties win
      {0.02, 3, -50.0, 0.0, 1.0},          // of |value|
      {0.05, 3, 10.0, not_a_number, 0.5},  // no uncertainty: relative alone
      {0.0, 2, 10.0, 0.25, 0.5},           //
  };
  for (const auto& c : cases) {
    const TolerancePolicy policy{c.relative, c.sigmas};
    Result r;
    r.value = c.value;
    r.uncertainty = c.u;
    EXPECT_DOUBLE_EQ(policy.of(r), c.tolerance) << c.value << " " << c.u;
  }
  Result floored;  // a floor under the relative part for one result
  floored.value = 200.0;
  floored.uncertainty = 1.0;
  floored.least_relative = 0.05;
  EXPECT_DOUBLE_EQ(TolerancePolicy{}.of(floored), 10.0);
  EXPECT_DOUBLE_EQ((TolerancePolicy{0.1, 3}.of(floored)), 20.0);
  Result none;
  EXPECT_TRUE(std::isnan(TolerancePolicy{}.of(none)));
}

AnswerSheet small_sheet() {
  AnswerSheet s;
  s.program = "demo_gen";
  s.student = "Doe, Jane";
  s.seed1 = 12345;
  s.seed2 = -7;
  s.add(Result{.key = "dH", .name = "enthalpy", .unit = "J/mol", .true_value = 1000.0, .value = 1010.5,
               .uncertainty = 2.5, .method = "slope, \"LINEST\"", .tolerance = 20.21});
  s.add(Result{.key = "n", .name = "order at 25 °C", .true_value = 1.0, .value = 0.1, .uncertainty = not_a_number,
               .tolerance = 0.002});
  s.add(Workings{.title = "plot", .columns = {{"x", "K", {1.0, 2.0}}, {"ln y", "", {0.5, not_a_number}}}});
  s.notes.push_back("one note");
  return s;
}

TEST(AnswersCsv, HeadingAndRowOfOneStudent) {
  const AnswerSheet s = small_sheet();
  EXPECT_EQ(answers_csv_heading(s),
            "name,seed1,seed2,dH (J/mol),dH tolerance (J/mol),n,n tolerance,dH true,dH u,n true,n u,"
            "dH accepted (J/mol),dH not graded,n accepted,n not graded,dH routes (J/mol),n routes,dH nulls (J/mol),"
            "n nulls");
  EXPECT_EQ(answers_csv_row(s), "\"Doe, Jane\",12345,-7,1010.5,20.21,0.1,0.002,1000,2.5,1,,,,,,,,,");
  EXPECT_EQ(csv_number(0.1 + 0.2), "0.30000000000000004");  // shortest form that reads back
  EXPECT_EQ(csv_cell("say \"x\""), "\"say \"\"x\"\"\"");
}

TEST(PrintSheet, CsvReadsBackExactly) {
  const AnswerSheet s = small_sheet();
  std::ostringstream out;
  print_sheet_csv(out, s);
  const DataSet back = DataSet::parse(out.str());
  const std::size_t head = back.find("key,result,unit");
  EXPECT_EQ(back.text(head + 1, 0), "dH");
  EXPECT_EQ(back.value(head + 1, 3), 1010.5);
  EXPECT_EQ(back.value(head + 1, 5), 20.21);
  EXPECT_EQ(back.text(head + 1, 7), "slope, \"LINEST\"");
  EXPECT_FALSE(back.number(head + 2, 4));  // NaN uncertainty: empty cell
  EXPECT_EQ(back.text(back.find("student"), 1), "Doe, Jane");
  const std::size_t w = back.find("workings,plot");
  EXPECT_EQ(back.line(w + 1), "x,ln y");
  EXPECT_EQ(back.line(w + 2), "K,");
  EXPECT_EQ(back.line(w + 3), "1,0.5");
  EXPECT_EQ(back.line(w + 4), "2,");
}

TEST(PrintSheet, AlignedTable) {
  std::ostringstream out;
  print_sheet(out, small_sheet());
  const auto lines = labtest::lines(out.str());
  // The heading and the two results: numbers right-aligned under their
  // headings, so each column ends at the same place.
  std::size_t h = 0;
  while (h < lines.size() && lines[h].rfind("result", 0) != 0) ++h;
  ASSERT_LT(h + 2, lines.size());
  const std::size_t end_expected = lines[h].find("expected") + std::string("expected").size();
  // Columns on the screen count code points: "°" is two bytes, one column.
  auto column_after = [](const std::string& line, const std::string& cell) {
    const std::size_t end = line.find(cell) + cell.size();
    std::size_t n = 0;
    for (std::size_t i = 0; i < end; ++i) n += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
    return n;
  };
  EXPECT_EQ(column_after(lines[h + 1], "1010.5"), end_expected);
  EXPECT_EQ(column_after(lines[h + 2], " 0.1 "), end_expected + 1);
  EXPECT_NE(out.str().find("- one note"), std::string::npos);
  EXPECT_NE(out.str().find("(K)"), std::string::npos);
}

TEST(AnalysisRegistry, FindsTheExemplarsAndRefusesOthers) {
  ASSERT_NE(find_analysis("vapor_pressure_gen"), nullptr);
  ASSERT_NE(find_analysis("first_order_gen"), nullptr);
  EXPECT_EQ(find_analysis("no_such_gen"), nullptr);
  std::string previous;
  for (const Analysis* a : all_analyses()) {
    EXPECT_LT(previous, a->program);  // name order, no duplicates
    EXPECT_NE(labcore::find_program(a->program), nullptr) << a->program;
    previous = std::string(a->program);
  }
  // A program without an analysis: the sheet says so.
  for (const labcore::Program* p : labcore::all_programs())
    if (find_analysis(p->name) == nullptr) {
      EXPECT_THROW(answer_sheet(*p, "", {}, "x", 1, 2), AnalysisError);
      break;
    }
}

TEST(CaseHidden, NamesAndIndices) {
  const std::vector<labcore::HiddenValue> key{
      {"a", labcore::Value::Kind::real4, 1.5, 0},
      {"n", labcore::Value::Kind::integer, 0, 11},
      {"k(2)", labcore::Value::Kind::real8, 0.25, 0},
  };
  const DataSet empty;
  const Case c(empty, key);
  EXPECT_EQ(c.hidden("a"), 1.5);
  EXPECT_EQ(c.hidden("n"), 11.0);
  EXPECT_EQ(c.hidden("k", 2), 0.25);
  EXPECT_THROW(c.hidden("k", 3), AnalysisError);
}

}  // namespace
