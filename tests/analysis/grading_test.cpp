// Grading: the sliding scale, tables and numbers as spreadsheets write
// them, unit slips in every direction, every problem of a file at once,
// rows held while the rest is graded, the evidence statistics worked by
// hand, and what the student's feedback and the instructor's report say.
// Whole simulated classes are in grading_simulation_test.cpp.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/grading.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;
using namespace analysis::grading;

TEST(GradingCredit, SlidingScaleAtItsEdges) {
  const double third = 1.0 / 3.0;
  struct Case {
    double d, t, credit;
  } cases[] = {
      {0, 2, 1},           {2, 2, 1},         {-2, 2, 1},           {2.000001, 2, 2 * third},
      {-4, 2, 2 * third},  {4.01, 2, third},  {-6, 2, third},       {6.01, 2, 0},
      {-1e9, 2, 0},        {0, 0, 1},         {1e-12, 0, 0},        {not_a_number, 2, 0},
      {1, not_a_number, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(credit(c.d, c.t), c.credit) << c.d << " at " << c.t;
}

// The problems of a refused input, as their texts.
std::vector<std::string> problems_of(const std::function<void()>& read) {
  try {
    read();
  } catch (const InputError& e) {
    std::vector<std::string> out;
    for (const Problem& p : e.problems()) out.push_back(p.text());
    return out;
  }
  return {};
}

TEST(TableText, SpreadsheetFilesRead) {
  // Byte-order mark, CR LF, quotes, blank rows, a cell over two lines and
  // the record after it on its own line number.
  Table t = read_table("\xEF\xBB\xBFName,\"x, y\"\r\n\r\n,, \r\n\"Doe, \"\"J\"\"\", 1.5 \r\n\"two\nlines\",3\nlast,4\n",
                       "r.csv");
  ASSERT_EQ(t.records.size(), 4u);
  EXPECT_EQ(t.separator, ',');
  EXPECT_EQ(t.records[0].cells, (std::vector<std::string>{"Name", "x, y"}));
  EXPECT_EQ(t.records[1].line, 4);
  EXPECT_EQ(t.records[1].cells, (std::vector<std::string>{"Doe, \"J\"", "1.5"}));
  EXPECT_EQ(t.records[2].line, 5);
  EXPECT_EQ(t.records[2].cells[0], "two\nlines");
  EXPECT_EQ(t.records[3].line, 7);
  EXPECT_FALSE(t.decimal_comma);

  // A spreadsheet set to a decimal comma: semicolons, or tabs, or a first
  // line naming the separator.
  t = read_table("Name;Tb (K)\nAnn;399,1\n\"Lee; Bo\";400\n", "r.csv");
  EXPECT_EQ(t.separator, ';');
  EXPECT_TRUE(t.decimal_comma);
  EXPECT_EQ(t.records[2].cells, (std::vector<std::string>{"Lee; Bo", "400"}));
  t = read_table("Name\tTb (K)\nAnn\t399.1\n", "r.csv");
  EXPECT_EQ(t.separator, '\t');
  EXPECT_FALSE(t.decimal_comma);  // the file's own numbers say so
  t = read_table("sep=;\nName;a,b\nAnn;1,5\n", "r.csv");
  EXPECT_EQ(t.separator, ';');
  EXPECT_EQ(t.records[0].line, 2);
  EXPECT_EQ(t.records[0].cells, (std::vector<std::string>{"Name", "a,b"}));

  // UTF-16 with its mark (a spreadsheet's "Unicode text"), and
  // Windows-1252 with a note.
  const std::string utf16("\xFF\xFE" "N\0a\0m\0e\0\n\0J\0o\0s\0\xE9\0\n\0", 22);
  t = read_table(utf16, "r.csv");
  ASSERT_EQ(t.records.size(), 2u);
  EXPECT_EQ(t.records[1].cells[0], "Jos\xC3\xA9");
  t = read_table("Name\nJos\xE9\n\x80uro\n", "r.csv");
  EXPECT_EQ(t.records[1].cells[0], "Jos\xC3\xA9");
  EXPECT_EQ(t.records[2].cells[0], "\xE2\x82\xAC" "uro");
  ASSERT_EQ(t.notes.size(), 1u);
  EXPECT_EQ(t.notes[0].rfind("r.csv, line 2: not UTF-8; the file is read as Windows-1252", 0), 0u);

  // No text at all, or text no spreadsheet writes: refused with the line.
  const std::pair<std::string, std::string> refused[] = {
      {std::string("a,b\n1,2\n3,\0" "4\n", 11), "r.csv, line 3: a NUL byte: this is no text file"},
      {std::string("a\0,\0b\0\n\0", 8), "r.csv: UTF-16 text without a byte-order mark"},
      {"PK\x03\x04rest", "r.csv: a zip file (a workbook such as .xlsx or .ods?)"},
      {"name\nJos\xC3\xA9\nAnn\xFF\n", "r.csv, line 3: bytes that are not UTF-8 in a text that is UTF-8 elsewhere"},
      {"a,b\n1,\"open\n2,3\n", "r.csv, line 2: a quoted cell is not closed"},
  };
  for (const auto& [bytes, message] : refused) {
    const auto p = problems_of([&] { read_table(bytes, "r.csv"); });
    ASSERT_EQ(p.size(), 1u) << message;
    EXPECT_EQ(p[0].rfind(message, 0), 0u) << p[0];
  }
}

TEST(TableText, NumbersAsPeopleAndSpreadsheetsWriteThem) {
  struct Case {
    const char* cell;
    bool decimal_comma;
    double value, half_unit;
    int digits;
    const char* rest;
  } cases[] = {
      {"36,798.5", false, 36798.5, 0.05, 6, ""},
      {"36.798,5", true, 36798.5, 0.05, 6, ""},
      {"36 798,5", true, 36798.5, 0.05, 6, ""},
      {"1,234,567", false, 1234567, 0.5, 7, ""},
      {"29889,5", false, 29889.5, 0.05, 6, ""},  // a decimal comma that can be nothing else
      {"0,798", false, 0.798, 0.0005, 3, ""},
      {"\xE2\x88\x92" "57.3", false, -57.3, 0.05, 3, ""},  // U+2212
      {"\xE2\x80\x93" "57.3", false, -57.3, 0.05, 3, ""},  // an en dash
      {"+3", false, 3, 0.5, 1, ""},
      {"4.1E+04", false, 41000, 500, 2, ""},
      {"4.10\xC3\x97" "10^4", false, 41000, 50, 3, ""},
      {"4.1\xC2\xB7" "10\xE2\x81\xB4", false, 41000, 500, 2, ""},
      {"5e-3", false, 0.005, 0.0005, 1, ""},
      {"41200", false, 41200, 50, 3, ""},
      {"0.0350", false, 0.035, 0.00005, 3, ""},
      {"0", false, 0, 0.5, 0, ""},
      {"12953.", false, 12953, 0.5, 5, ""},
      {".5", false, 0.5, 0.05, 1, ""},
      {"34.0 kJ/mol", false, 34, 0.05, 3, "kJ/mol"},
      {"2083%", false, 2083, 0.5, 4, "%"},
      {"25 \xC2\xB0" "C", false, 25, 0.5, 2, "\xC2\xB0" "C"},
  };
  for (const auto& c : cases) {
    const auto w = read_written_number(c.cell, c.decimal_comma);
    ASSERT_TRUE(w.has_value()) << c.cell;
    EXPECT_DOUBLE_EQ(w->value, c.value) << c.cell;
    EXPECT_DOUBLE_EQ(w->half_unit, c.half_unit) << c.cell;
    EXPECT_EQ(w->digits, c.digits) << c.cell;
    EXPECT_EQ(w->rest, c.rest) << c.cell;
  }
  std::string why;
  EXPECT_FALSE(read_written_number("36,798", false, &why));
  EXPECT_EQ(why, "\"36,798\" could be 36798 or 36.798; write it without a thousands separator");
  EXPECT_FALSE(read_written_number("36.798", true, &why));
  for (const char* text : {"n/a", "", "-", "1,23,4", "e5", "1.2.3,4,5"})
    EXPECT_FALSE(read_written_number(text, false)) << text;
}

// A class of one student per case: answers.csv written by hand.
Answers one_result(const std::string& unit, double value, double tolerance) {
  char row[160];
  std::snprintf(row, sizeof row, "A,1,2,%.17g,%.17g\n", value, tolerance);
  const std::string h = unit.empty() ? "x,x tolerance" : "x (" + unit + "),x tolerance (" + unit + ")";
  return read_answers("name,seed1,seed2," + h + "\n" + row, "answers.csv");
}

Grade graded(const Answers& a, const std::string& cell, UnitSlip policy = UnitSlip::full) {
  const Results r = read_results("name,x\nA,\"" + cell + "\"\n", "results.csv", a);
  return grade(a, r, default_weights(a), {.unit_slip = policy}).at(0);
}

TEST(GradingUnits, EverySlipOfEveryKindAndNothingElse) {
  struct Case {
    const char* unit;
    double expected, tolerance;
    const char* cell;
    double value;        // as scored, worked out by hand
    const char* slip;    // the unit it was read in, "" for none
  } cases[] = {
      {"J/mol", 36081.5, 721.6, "36.08", 36080, "kJ/mol"},
      {"kJ/mol", 36.08, 0.72, "36080", 36.08, "J/mol"},
      {"J/(mol·K)", 8.9, 0.2, "0.0089", 8.9, "kJ/(mol·K)"},
      {"K", 399.13, 0.4, "126.0", 399.15, "°C"},      // t + 273.15, not t − 273.15
      {"°C", 126.0, 0.4, "399.15", 126.0, "K"},       // T − 273.15
      {"Pa", 101325, 2026, "101.3", 101300, "kPa"},
      {"Pa", 101325, 2026, "1.013", 101300, "bar"},
      {"kPa", 101.3, 2, "101300", 101.3, "Pa"},
      {"kPa", 101.3, 2, "1.013", 101.3, "bar"},
      {"bar", 1.013, 0.02, "101300", 1.013, "Pa"},
      {"bar", 1.013, 0.02, "101.3", 1.013, "kPa"},
      {"mL/mol", 18.05, 0.36, "0.01805", 18.05, "L/mol"},
      {"cm3/mol", 18.05, 0.36, "0.01805", 18.05, "L/mol"},
      {"L/mol", 0.01805, 0.00036, "18.05", 0.01805, "mL/mol"},
      {"mL", 25.0, 0.5, "0.025", 25.0, "L"},
      // No kind, no slip: a rate constant 1000 times too large stays wrong.
      {"1/min", 0.0345, 0.0007, "34.5", 34.5, ""},
      {"L/(mol·s)", 0.0345, 0.0007, "34.5", 34.5, ""},
      {"", 0.0345, 0.0007, "34.5", 34.5, ""},
      {"mol/L", 0.0345, 0.0007, "34.5", 34.5, ""},
  };
  for (const auto& c : cases) {
    const Answers a = one_result(c.unit, c.expected, c.tolerance);
    const Grade g = graded(a, c.cell);
    const Mark& m = g.marks[0];
    SCOPED_TRACE(std::string(c.unit) + " " + c.cell);
    EXPECT_NEAR(m.value, c.value, 1e-9 * std::fabs(c.value));
    EXPECT_EQ(m.slip_unit, c.slip);
    const bool slip = *c.slip != 0;
    EXPECT_EQ(m.credit, slip ? 1.0 : 0.0);
    ASSERT_EQ(g.flags.size(), slip ? 1u : 0u);
    if (slip) {  // flagged; the policy: one step down, or as written
      EXPECT_EQ(g.flags[0].kind, FlagKind::unit);
      EXPECT_DOUBLE_EQ(graded(a, c.cell, UnitSlip::partial).marks[0].credit, 2.0 / 3.0);
      EXPECT_EQ(graded(a, c.cell, UnitSlip::none).marks[0].credit, 0);
    }
  }

  // A unit typed with the value is read in it: no slip, no flag.
  struct Typed {
    const char* unit;
    double expected, tolerance;
    const char* cell;
    double value;
  } typed[] = {
      {"J/mol", 36081.5, 721.6, "36.08 kJ/mol", 36080},  {"J/mol", 36081.5, 721.6, "36.08 kJ mol-1", 36080},
      {"J/mol", 36081.5, 721.6, "36081 J/mol", 36081},   {"K", 399.13, 0.4, "126 \xC2\xB0" "C", 399.15},
      {"Pa", 101325, 2026, "101.3 kPa", 101300},         {"Pa", 101325, 2026, "101.3kpa", 101300},
      {"J/(mol·K)", 8.9, 0.2, "8.9 J mol-1 K-1", 8.9},  {"", 0.2083, 0.004, "20.83%", 0.2083},
      {"wt %", 25.3, 0.5, "25.3%", 25.3},
  };
  for (const auto& c : typed) {
    const Grade g = graded(one_result(c.unit, c.expected, c.tolerance), c.cell);
    SCOPED_TRACE(c.cell);
    EXPECT_NEAR(g.marks[0].value, c.value, 1e-9 * c.value);
    EXPECT_EQ(g.marks[0].credit, 1);
    EXPECT_TRUE(g.flags.empty());
  }
  // A unit of another kind, or for a pure number: not read, with the reason.
  Grade g = graded(one_result("J/mol", 36081.5, 721.6), "8.6 kcal/mol");
  EXPECT_EQ(g.marks[0].cell, Cell::unreadable);
  EXPECT_EQ(g.marks[0].why, "\"8.6 kcal/mol\": the unit kcal/mol is not J/mol, nor one it is converted from (kJ/mol)");
  g = graded(one_result("", 2.5, 0.1), "2.5 K");
  EXPECT_EQ(g.marks[0].why, "\"2.5 K\": the result is a pure number, without a unit");

  // A value the result itself takes in the class is no slip: an Antoine b
  // 273.15 K below the expected one is a wrong b, not a °C reading.
  const Answers b = read_answers(
      "name,seed1,seed2,b (K),b tolerance (K)\nA,1,2,3000,60\nB,3,4,3273,65\nC,5,6,2700,54\n", "answers.csv");
  const Results r = read_results("name,b\nA,2727\n", "results.csv", b);
  const auto gb = grade(b, r, default_weights(b));
  EXPECT_EQ(gb[0].marks[0].credit, 0);
  EXPECT_TRUE(gb[0].marks[0].slip_unit.empty());
  EXPECT_TRUE(gb[0].flags.empty());
}

// A small class written by hand: two results, tolerances 800 and 1.
const char* const small_answers =
    "name,Student Number,seed1,seed2,dH (J/mol),dH tolerance (J/mol),Tb (K),Tb tolerance (K),dH true,dH u,Tb true,Tb u\n"
    "Ann Ash,s1,11,12,40000,800,350,1,40500,20,350.2,0.3\n"
    "\"Doe, Jane\",s2,21,22,30000,600,300,1,30000,20,300,0.3\n"
    "Sam Lee,s3,31,32,20000,400,250,1,20000,10,250,0.3\n"
    "Sam Lee,s4,41,42,10000,200,200,1,10000,10,200,0.3\n"
    "Uma Patel,s5,51,52,45000,900,360,1,45000,10,360,0.3\n";

TEST(GradingInput, EveryProblemOfAFileAtOnce) {
  const Answers a = read_answers(small_answers, "answers.csv");
  EXPECT_EQ(a.id_heading, "Student Number");
  EXPECT_FALSE(a.routes);
  ASSERT_EQ(a.students.size(), 5u);
  EXPECT_EQ(a.students[1].name, "Doe, Jane");
  EXPECT_EQ(a.students[0].results[0].true_value, 40500);

  EXPECT_EQ(problems_of([&] { read_results("name,dH,comment,dH,Tbx\n", "results.csv", a); }),
            (std::vector<std::string>{
                "results.csv, line 1, column 3 (comment): unknown column; the results of answers.csv are dH (J/mol), Tb (K)",
                "results.csv, line 1, column 4 (dH): a second column of this name (column 2)",
                "results.csv, line 1, column 5 (Tbx): unknown column; the results of answers.csv are dH (J/mol), Tb (K)",
                "results.csv, line 1: no column for the result Tb (K)",
                "results.csv, line 1: only a heading: no student's row to grade"}));
  EXPECT_EQ(problems_of([&] { read_results("\xEF\xBB\xBFname,dH,Tb\r\n\r\n", "results.csv", a); }),
            (std::vector<std::string>{"results.csv, line 1: only a heading: no student's row to grade"}));
  EXPECT_EQ(problems_of([&] { read_results("", "results.csv", a); }),
            (std::vector<std::string>{"results.csv: no heading, the file is empty"}));
  EXPECT_EQ(problems_of([&] {
              read_answers("name,seed1,seed2,x,x tolerance\nA,1,zz,1,-0.5\nB,3,4,one,1\n", "answers.csv");
            }),
            (std::vector<std::string>{"answers.csv, line 2, column 3 (seed2): \"zz\" is not a seed",
                                      "answers.csv, line 2, column 5 (x tolerance): a negative tolerance, -0.5",
                                      "answers.csv, line 3, column 4 (x): \"one\" is not a number"}));
  EXPECT_EQ(problems_of([&] { read_weights("result,weight\nnope,2\ndH,-1\nTb,x\n", "weights.csv", a); }).size(), 3u);
  EXPECT_EQ(problems_of([&] { read_weights("dH,0\nTb,0\n", "weights.csv", a); }),
            (std::vector<std::string>{"weights.csv: every weight is 0"}));
  // A heading cell with a NUL or an escape is shown, never cut off.
  EXPECT_EQ(problems_of([&] { read_results("name,dH,Tb,\x1b[2Jx\nAnn Ash,1,2,3\n", "results.csv", a); })[0],
            "results.csv, line 1, column 4 (\\x1b[2Jx): unknown column; the results of answers.csv are dH (J/mol), Tb (K)");
}

TEST(GradingInput, RowsThatCannotBeGradedAreHeldAndTheRestGraded) {
  const Answers a = read_answers(small_answers, "answers.csv");
  // Semicolons and decimal commas; a bad cell graded as not a number; a
  // student twice; an identifier and a name of two students; an unknown
  // identifier; a name spelled otherwise; a row one cell too long.
  const Results r = read_results(
      "Student Number;name;dH (J/mol);Tb (K)\n"
      "s2;Doe, Jane;30,1 kJ/mol;n/a\n"
      "s3;Sam Lee;20000;250\n"
      "s3;Sam Lee;20100;250\n"
      "s1;Uma Patel;40000;350\n"
      "s9;Bo Brown;1;2\n"
      "s5;Patel, Uma;45000;360,5\n"
      "s4;Sam Lee;10000;200;7\n",
      "results.csv", a);
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_TRUE(r.decimal_comma);
  ASSERT_EQ(r.held.size(), 5u);
  std::vector<std::string> held;
  for (const HeldRow& h : r.held) held.push_back(h.problem.text());
  EXPECT_EQ(held, (std::vector<std::string>{
                      "results.csv, line 3, column 1 (Student Number): Sam Lee (s3) also on line 4: no row of this "
                      "student is graded",
                      "results.csv, line 4, column 1 (Student Number): Sam Lee (s3) also on line 3: no row of this "
                      "student is graded",
                      "results.csv, line 5, column 1 (Student Number): the identifier s1 is Ann Ash (s1)'s, the name "
                      "\"Uma Patel\" is Uma Patel (s5)'s: which student is this row?",
                      "results.csv, line 6, column 1 (Student Number): no student s9 in answers.csv",
                      "results.csv, line 8: 5 cells, the heading has 4"}));
  EXPECT_EQ(r.held[2].students, (std::vector<std::size_t>{4, 0}));
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], "results.csv, line 7: the name \"Patel, Uma\" is not the answers' \"Uma Patel\"; graded by the "
                        "identifier s5");

  const auto g = grade(a, r, default_weights(a));
  EXPECT_EQ(g[1].marks[0].credit, 1);  // 30.1 kJ/mol, typed: 30100
  EXPECT_EQ(g[1].marks[1].cell, Cell::unreadable);
  EXPECT_NEAR(g[1].total, 50, 1e-12);
  EXPECT_NEAR(g[4].marks[1].value, 360.5, 1e-12);
  // Held students have no grade, whatever --missing says; a student
  // without a row gets the zero asked for.
  for (std::size_t i : {0u, 2u, 3u, 4u}) {  // Uma too: the row of line 5 may be hers
    EXPECT_FALSE(g[i].held.empty()) << i;
    EXPECT_EQ(grades_csv_row(a, g[i], Missing::zero), text_cell(a.students[i].id) + ',' +
                                                         text_cell(a.students[i].name) + ",,,");
  }
  const Answers b = read_answers(small_answers, "answers.csv");
  const auto none = grade(b, read_results("name,dH,Tb\nAnn Ash,40000,350\n", "results.csv", b), default_weights(b));
  EXPECT_EQ(grades_csv_row(b, none[1], Missing::zero), "s2,\"Doe, Jane\",0.0,0,0");
  EXPECT_EQ(grades_csv_row(b, none[1], Missing::empty), "s2,\"Doe, Jane\",,,");

  // A course site's export with several identifier columns: the answers'
  // own is taken.
  const Results ids =
      read_results("ID,Email,Student Number,name,dH,Tb\n7,ann@x,s1,Ann Ash,40000,350\n", "results.csv", a);
  ASSERT_EQ(ids.rows.size(), 1u);
  EXPECT_EQ(ids.rows[0].student, 0u);
  EXPECT_EQ(ids.notes, (std::vector<std::string>{
                           "results.csv, line 1: the identifier column ID left out; students are found by Student Number",
                           "results.csv, line 1: the identifier column Email left out; students are found by Student "
                           "Number"}));

  // A decimal comma in a comma-separated file splits its cell: named.
  const Results split = read_results("name,dH,Tb\nAnn Ash,29889,5,350\n", "results.csv", a);
  ASSERT_EQ(split.held.size(), 1u);
  EXPECT_EQ(split.held[0].problem.text(),
            "results.csv, line 2: 4 cells, the heading has 3 (\"29889,5\" with a decimal comma, split in two? write "
            "29889.5, or quote the cell)");
}

TEST(GradingInput, AWeightOfZeroBesideOthers) {
  const Answers a = read_answers(small_answers, "answers.csv");
  const std::vector<double> w = read_weights("\xEF\xBB\xBFResult,Weight\r\ndH,0\r\nTb,2\r\n", "weights.csv", a);
  EXPECT_EQ(w, (std::vector<double>{0, 2}));
  const auto g = grade(a, read_results("name,dH,Tb\nAnn Ash,1,351.5\n", "results.csv", a), w);
  // dH off but weightless; Tb 1.5 tolerances off: 2/3 of the total.
  EXPECT_EQ(g[0].marks[0].credit, 0);
  EXPECT_NEAR(g[0].total, 100 * 2.0 / 3.0, 1e-12);
  EXPECT_EQ(grades_csv_row(a, g[0]), "s1,Ann Ash,66.7,0,0.667");
  const std::string fb = feedback_text(a, g[0], w);
  EXPECT_NE(fb.find("credit 0 (weight 0)"), std::string::npos) << fb;
  EXPECT_NE(fb.find("The total weighs the results as noted."), std::string::npos);
  EXPECT_EQ(summarise(a, g, w).results[0].weight, 0);
}

TEST(GradingEvidence, HonestChanceWorkedByHand) {
  // e = 100 ± 2, u = 0.5; 101.0000 written (half unit 5e-5). scipy:
  // 0.3·P(N(100, 0.5) in 101 ± 5e-5) + 0.2·P(N(100, 2) in 101 ± 5e-5).
  Expected e{.value = 100, .tolerance = 2, .true_value = 101, .uncertainty = 0.5};
  EXPECT_NEAR(honest_chance(e, 101, 5e-5), 6.760111274606295e-06, 1e-15);
  // A valid route on it: half of the weight on the two honest values.
  e.routes = {101.00002};
  EXPECT_NEAR(honest_chance(e, 101, 5e-5), 0.25001710865065396, 1e-12);
  // A null answer there too: one report in twenty an honest mistake.
  e.nulls = {101.00001};
  EXPECT_NEAR(honest_chance(e, 101, 5e-5), 0.26751784898723996, 1e-12);
}

// A class of four, three results with true values and uncertainties.
std::string evidence_answers(bool routes) {
  std::string s = "name,id,seed1,seed2,p,p tolerance,q,q tolerance,r,r tolerance,p true,p u,q true,q u,r true,r u";
  if (routes) s += ",p routes,q routes,r routes";
  s += "\n";
  const char* rows[] = {"Ann,a1,1,2,100.3,2,50.41,1,7.124,0.15,100.0115,0.1,50.300123,0.05,7.1000456,0.01",
                        "Bo,b2,3,4,80.2,1.6,40.2,0.8,6.02,0.12,80,0.1,40,0.05,6,0.01",
                        "Cy,c3,5,6,120.7,2.4,60.55,1.2,8.33,0.17,120.5,0.1,60.5,0.05,8.3,0.01",
                        "Di,d4,7,8,90.1234,1.8,47.9876,0.9,6.0123,0.13,90,0.1,45,0.05,6.5,0.01"};
  for (const char* r : rows) s += std::string(r) + (routes ? ",100.29,,\n" : "\n");
  return s;
}

TEST(GradingEvidence, TheKeyAClassmateAndTheSameWrongValues) {
  const Answers a = read_answers(evidence_answers(true), "answers.csv");
  EXPECT_TRUE(a.routes);
  // Ann hands in the key's p and q; Bo hands in only r's key value; Cy
  // copies Di's expected values in full; Di reports her own.
  const Results r = read_results(
      "id,p,q,r\na1,100.0115,50.300123,7.124\nb2,80.2,40.2,6\nc3,90.1234,47.9876,6.0123\nd4,90.1234,47.9876,6.0123\n",
      "results.csv", a);
  const auto g = grade(a, r, default_weights(a));
  ASSERT_EQ(g[0].flags.size(), 1u);
  EXPECT_EQ(g[0].flags[0].kind, FlagKind::leaked);
  EXPECT_EQ(g[0].flags[0].results, (std::vector<std::size_t>{0, 1}));
  EXPECT_LT(g[0].flags[0].chance, 1e-8);
  EXPECT_TRUE(g[1].flags.empty()) << "one result on its true value is never a leak";
  ASSERT_EQ(g[2].flags.size(), 1u);
  EXPECT_EQ(g[2].flags[0].kind, FlagKind::shared);
  EXPECT_EQ(g[2].flags[0].other, 3u);
  EXPECT_EQ(g[2].flags[0].detail.rfind("the values of Di (d4): p 90.1234 (their expected value 90.1234; this data "
                                       "set gives 120.7 ± 2.4); q 47.9876",
                                       0),
            0u)
      << g[2].flags[0].detail;
  EXPECT_TRUE(g[3].flags.empty());

  // Without the routes columns (answers of an earlier version) no leak is
  // judged.
  const Answers old = read_answers(evidence_answers(false), "answers.csv");
  EXPECT_TRUE(grade(old, read_results("id,p,q,r\na1,100.0115,50.300123,7.124\n", "results.csv", old),
                    default_weights(old))[0]
                  .flags.empty());
}

TEST(GradingOutput, FeedbackForTheStudentReportForTheInstructor) {
  const Answers a = read_answers(evidence_answers(true), "answers.csv");
  const Results r = read_results(
      "id,p,q,r\na1,100.0115,50.300123,-7.124\nb2,80.2,41.3,0.00602\nc3,90.1234,47.9876,6.0123\n"
      "d4,90.1234,47.9876,6.0123\n",
      "results.csv", a);
  const std::vector<double> w = default_weights(a);
  const auto g = grade(a, r, w);
  // Never a flag, a true value or a classmate in a student's feedback.
  for (const Grade& each : g) {
    const std::string fb = feedback_text(a, each, w);
    for (const char* never : {"flag", "leak", "share", "true", "odds", "chance", "classmate"})
      EXPECT_EQ(fb.find(never), std::string::npos) << never << " in\n" << fb;
  }
  const std::string cy = feedback_text(a, g[2], w);
  for (const char* never : {"Di (d4)", "d4", "90.1234 (", "47.9876 ("}) EXPECT_EQ(cy.find(never), std::string::npos) << never;
  const std::string ann = feedback_text(a, g[0], w);
  EXPECT_NE(ann.find("Ann (a1), seeds 1 2\nTotal: 66.7 %\n"), std::string::npos) << ann;
  EXPECT_NE(ann.find("Credit 1 within the tolerance, 2/3 within twice the tolerance, 1/3 within three times"),
            std::string::npos);
  EXPECT_NE(ann.find("p: you reported 100.0115\n  your data give 100.3; full credit within 2 (2 %) of it\n"
                     "  credit 1: within the tolerance\n"),
            std::string::npos)
      << ann;
  EXPECT_NE(ann.find("r: you reported -7.124\n  your data give 7.124; full credit within 0.15 (2.1 %) of it\n"
                     "  credit 0: more than three times the tolerance away, 14.2 below (200 %).\n"
                     "  Hint: with the opposite sign the value would lie within the tolerance: check the sign\n"),
            std::string::npos)
      << ann;
  const std::string bo = feedback_text(a, g[1], w);
  EXPECT_NE(bo.find("q: you reported 41.3\n  your data give 40.2; full credit within 0.8 (2 %) of it\n"
                    "  credit 2/3: within twice the tolerance, 1.1 above (2.7 %)\n"),
            std::string::npos)
      << bo;

  // The instructor's report: every flag with its evidence and odds.
  const auto report = labtest::lines(report_csv(a, r, g));
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(report[0], "id,name,line,kind,results,reported,chance,evidence");
  EXPECT_EQ(report[1].rfind("a1,Ann,2,leaked,p q,100.0115 50.300123,", 0), 0u) << report[1];
  EXPECT_EQ(report[2].rfind("c3,Cy,4,shared,p q r,90.1234 47.9876 6.0123,", 0), 0u) << report[2];
  std::ostringstream term;
  print_summary(term, a, r, g, summarise(a, g, w));
  EXPECT_NE(term.str().find("line 4, Cy (c3): p q r: shared: the values of Di (d4): p 90.1234"), std::string::npos)
      << term.str();
}

TEST(GradingOutput, FeedbackFileNamesUniqueWithoutIdentifiers) {
  const Answers a = read_answers(
      "name,seed1,seed2,x,x tolerance\nSam Lee,1,2,1,1\nSam Lee,3,4,1,1\nsam_lee,5,6,1,1\nÉva Öst,7,8,1,1\n,9,9,1,1\n",
      "answers.csv");
  EXPECT_EQ(feedback_file_names(a),
            (std::vector<std::string>{"sam_lee.txt", "sam_lee_2.txt", "sam_lee_3.txt", "Éva_Öst.txt", "student.txt"}));
}

TEST(GradingOutput, TemplateAndAnswersRowsWithAndWithoutIdentifier) {
  AnswerSheet s;
  s.student = "Doe, Jane";
  s.seed1 = 12345;
  s.seed2 = -7;
  s.add(Result{.key = "dH", .unit = "J/mol", .true_value = 1000.0, .value = 1010.5, .uncertainty = 2.5, .tolerance = 20.21,
               .routes = {{"chord", 1002.25}, {"not here", not_a_number}, {"end", 1011}},
               .nulls = {{"R·b", -980.5}, {"ln 10 left out", 438.9}}});
  s.add(Result{.key = "n", .value = 0.1, .tolerance = 0.002});
  EXPECT_EQ(results_template_heading(s, "E-mail"), "name,E-mail,seed1,seed2,dH (J/mol),n");
  EXPECT_EQ(results_template_row(s, "E-mail", "jd@uni.example"), "\"Doe, Jane\",jd@uni.example,12345,-7,,");
  EXPECT_EQ(answers_csv_heading(s, "E-mail"),
            "name,E-mail,seed1,seed2,dH (J/mol),dH tolerance (J/mol),n,n tolerance,dH true,dH u,n true,n u,"
            "dH accepted (J/mol),dH not graded,n accepted,n not graded,dH routes (J/mol),n routes,dH nulls (J/mol),"
            "n nulls");
  // A list that starts with a minus is a text cell: a spreadsheet would
  // run "-980.5 438.9" as a formula.
  EXPECT_EQ(answers_csv_row(s, "E-mail", "jd@uni.example"),
            "\"Doe, Jane\",jd@uni.example,12345,-7,1010.5,20.21,0.1,0.002,1000,2.5,,,,,,,1002.25 1011,,'-980.5 438.9,");
  EXPECT_EQ(answers_csv_row(s, "", ""), analysis::answers_csv_row(s));
  const std::vector<ResultColumn> cols = result_columns(s);
  EXPECT_FALSE(answers_have_routes(answers_csv_heading(cols, "", false)));
  EXPECT_TRUE(answers_have_routes(answers_csv_heading(cols, "", true)));

  // The template as written reads back as results: every cell empty.
  const Answers a = read_answers(answers_csv_heading(s, "E-mail") + "\n" + answers_csv_row(s, "E-mail", "jd@uni.example") + "\n",
                                 "answers.csv");
  EXPECT_EQ(a.students[0].results[0].routes, (std::vector<double>{1002.25, 1011}));
  EXPECT_EQ(a.students[0].results[0].nulls, (std::vector<double>{-980.5, 438.9}));
  const Results rows = read_results(results_template_heading(s, "E-mail") + "\n" +
                                        results_template_row(s, "E-mail", "jd@uni.example") + "\n",
                                    "results_template.csv", a);
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0].cells, (std::vector<std::string>{"", ""}));
  const auto g = grade(a, rows, default_weights(a));
  EXPECT_EQ(g[0].total, 0);
  EXPECT_FALSE(g[0].flagged());
}

// The columns of a program's catalogue over sheets that hold different
// results: a result a sheet lacks or does not grade is an empty cell, not
// graded for that student and named in the feedback; an accepted value
// earns full credit.
TEST(GradingCatalogue, ResultsASheetLacksOrDoesNotGradeAndAcceptedValues) {
  Handout h;
  h.results = {{.key = "order", .name = "order in acid"},
               {.key = "left", .name = "left to the workings", .not_graded = "shown in the workings only"},
               {.key = "V(2)", .name = "volume of the second tie line", .unit = "mL"},
               {.key = "k", .name = "rate constant", .unit = "L/(mol·s)"}};
  const std::vector<ResultColumn> cols = result_columns(h);
  ASSERT_EQ(cols.size(), 3u);
  EXPECT_EQ(results_template_heading(cols, ""), "name,seed1,seed2,order,V(2) (mL),k (L/(mol·s))");

  AnswerSheet one;  // every result; the order 1.0794 ± 0.0648, the law's 1 accepted
  one.student = "Ann Ash";
  one.seed1 = 1, one.seed2 = 2;
  one.add(Result{.key = "order", .value = 1.0794, .tolerance = 0.0648, .accepted = {1.0}});
  one.add(Result{.key = "V(2)", .unit = "mL", .value = 20.5, .tolerance = 0.5});
  one.add(Result{.key = "k", .unit = "L/(mol·s)", .value = 3.5e-5, .tolerance = 1e-6});
  AnswerSheet two;  // no second tie line; k not graded for this data set, with its reason
  two.student = "Bo Brown";
  two.seed1 = 3, two.seed2 = 4;
  two.add(Result{.key = "order", .value = 0.98, .tolerance = 0.05});
  two.add(Result{.key = "k", .unit = "L/(mol·s)", .true_value = 3e-5, .value = -1e-6, .tolerance = not_a_number,
                 .not_graded = "the fitted rate constant is negative"});
  const std::string answers_text = answers_csv_heading(cols, "") + "\n" + answers_csv_row(cols, one, "", "") + "\n" +
                                   answers_csv_row(cols, two, "", "") + "\n";
  EXPECT_EQ(labtest::lines(answers_text)[2],
            "Bo Brown,3,4,0.98,0.05,,,,,,,,,3e-05,,,,,,,the fitted rate constant is negative,,,,,,");
  const Answers a = read_answers(answers_text, "answers.csv");
  ASSERT_EQ(a.results.size(), 3u);
  EXPECT_EQ(a.students[0].results[0].accepted, std::vector<double>{1.0});
  EXPECT_FALSE(a.students[1].results[1].gradable());
  EXPECT_EQ(a.students[1].results[2].not_graded, "the fitted rate constant is negative");

  // Ann reports the integer order (full credit), Bo reports everything.
  const Results rows = read_results("name,order,V(2),k\nAnn Ash,1,20.4,3.5e-5\nBo Brown,1.06,7,2e-5\n", "r.csv", a);
  const std::vector<double> w = default_weights(a);
  const auto g = grade(a, rows, w);
  EXPECT_EQ(g[0].marks[0].credit, 1);
  EXPECT_EQ(g[0].marks[0].accepted, 1.0);
  EXPECT_EQ(g[0].total, 100);
  EXPECT_EQ(g[1].marks[0].credit, 2.0 / 3.0);  // 0.08 off 0.98: within two tolerances
  EXPECT_EQ(g[1].marks[1].cell, Cell::not_gradable);
  EXPECT_EQ(g[1].marks[2].cell, Cell::not_gradable);
  EXPECT_NEAR(g[1].total, 100 * 2.0 / 3.0, 1e-9);  // one result graded
  EXPECT_EQ(grades_csv_row(a, g[1]), ",Bo Brown,66.7,0.667,,");
  const std::string fb = feedback_text(a, g[1], w);
  EXPECT_NE(fb.find("V(2) (mL): you reported 7, not graded for your data set (no credit either way)\n"),
            std::string::npos)
      << fb;
  EXPECT_NE(fb.find("k (L/(mol·s)): you reported 2e-5, not graded for your data set: the fitted rate constant is "
                    "negative"),
            std::string::npos);
  EXPECT_NE(feedback_text(a, g[0], w).find("your data give 1.0794 (1 is accepted too)"), std::string::npos);
  const ClassSummary cs = summarise(a, g, w);
  EXPECT_EQ(cs.results[0].within, 1);
  EXPECT_EQ(cs.results[1].rows, 1);
}

// ---------------------------------------------------------------------------
// A class of simulated students: every one's report is made from the
// answer sheet of the student's own data set; by the student's number
// modulo 6 it carries one slip.

enum Slip { clean, kilo, celsius, sliding, missing, seeds_off };

std::string number(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}
std::string exact(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

class GradingClass : public ::testing::TestWithParam<const char*> {};

TEST_P(GradingClass, SlipsOfAClassCaughtOneByOne) {
  const labcore::Program& program = *labcore::find_program(GetParam());
  const int size = 36;
  const std::size_t absent = 30;  // has no row in the results
  const auto seeds = labtest::seed_pairs(size, 20260907u);
  std::vector<AnswerSheet> sheets;
  std::string answers_text;
  for (int i = 0; i < size; ++i) {
    const std::string n = i == 11 ? "Doe, Jane" : "Student " + std::to_string(i);
    const auto& [s1, s2] = seeds[static_cast<std::size_t>(i)];
    const auto ds = labtest::data_set(program, s1, s2, n);
    sheets.push_back(answer_sheet(program, ds.text, ds.key, n, s1, s2));
    if (i == 0) answers_text = answers_csv_heading(sheets[0], "Student Number") + "\n";
    answers_text += answers_csv_row(sheets.back(), "Student Number", "s" + std::to_string(1000 + i)) + "\n";
  }
  const std::size_t nr = sheets[0].results.size();
  std::size_t joule = nr, kelvin = nr;
  for (std::size_t r = 0; r < nr; ++r) {
    if (joule == nr && sheets[0].results[r].unit == "J/mol") joule = r;
    if (kelvin == nr && sheets[0].results[r].unit == "K") kelvin = r;
  }
  // Rows in reverse order, as a spreadsheet saves the template: students
  // are found by their identifier.
  std::string results = "\xEF\xBB\xBF" + results_template_heading(sheets[0], "Student Number") + "\r\n";
  std::vector<std::vector<double>> credits(size, std::vector<double>(nr, 1.0));
  for (int i = size - 1; i >= 0; --i) {
    const auto si = static_cast<std::size_t>(i);
    const AnswerSheet& s = sheets[si];
    std::vector<std::string> cells;
    for (const auto& r : s.results) cells.push_back(number(r.value));
    std::int32_t seed1 = s.seed1;
    auto at = [&](std::size_t r, double tolerances) { return exact(s.results[r].value + tolerances * s.results[r].tolerance); };
    switch (static_cast<Slip>(i % 6)) {
      case clean: break;
      case kilo:
        if (joule < nr) cells[joule] = number(s.results[joule].value / 1000);
        break;
      case celsius:
        if (kelvin < nr) cells[kelvin] = number(s.results[kelvin].value - 273.15);
        break;
      case sliding:
        cells[0] = at(0, 1.5);
        cells[1] = at(1, -2.5);
        cells[2] = at(2, 3.5);
        credits[si][0] = 2.0 / 3.0;
        credits[si][1] = 1.0 / 3.0;
        credits[si][2] = 0;
        break;
      case missing:
        cells[1] = "";
        cells[2] = "n/a";
        credits[si][1] = credits[si][2] = 0;
        break;
      case seeds_off: seed1 = sheets[(si + 1) % sheets.size()].seed1; break;
    }
    if (si == absent) continue;
    std::string row = csv_cell(s.student) + ",s" + std::to_string(1000 + i) + ',' + std::to_string(seed1) + ',' +
                      std::to_string(s.seed2);
    for (const auto& c : cells) row += ',' + c;
    results += row + "\r\n";
  }
  const Answers answers = read_answers(answers_text, "answers.csv");
  const Results rows = read_results(results, "results.csv", answers);
  ASSERT_EQ(rows.rows.size(), static_cast<std::size_t>(size - 1));
  const std::vector<double> w = default_weights(answers);
  const auto grades = grade(answers, rows, w);
  for (std::size_t i = 0; i < grades.size(); ++i) {
    const Grade& g = grades[i];
    SCOPED_TRACE("student " + std::to_string(i) + " slip " + std::to_string(i % 6));
    if (i == absent) {
      EXPECT_EQ(g.line, 0);
      EXPECT_TRUE(std::isnan(g.total));
      continue;
    }
    double sum = 0;
    std::vector<FlagKind> kinds;
    for (std::size_t r = 0; r < nr; ++r) {
      EXPECT_DOUBLE_EQ(g.marks[r].credit, credits[i][r]) << answers.results[r].key;
      sum += credits[i][r];
    }
    for (const Flag& f : g.flags) kinds.push_back(f.kind);
    std::vector<FlagKind> due;
    if ((i % 6 == kilo && joule < nr) || (i % 6 == celsius && kelvin < nr)) due = {FlagKind::unit};
    if (i % 6 == seeds_off) due = {FlagKind::seeds};
    EXPECT_EQ(kinds, due);
    EXPECT_NEAR(g.total, 100 * sum / static_cast<double>(nr), 1e-9);
    if (i % 6 == missing) {
      EXPECT_EQ(g.marks[1].cell, Cell::empty);
      EXPECT_EQ(g.marks[2].cell, Cell::unreadable);
    }
  }
  const ClassSummary cs = summarise(answers, grades, w);
  EXPECT_EQ(cs.students, size);
  EXPECT_EQ(cs.graded, size - 1);
  EXPECT_EQ(cs.seed_flags, 6);
  EXPECT_EQ(cs.results[1].missing, 6);
  std::ostringstream term;
  print_summary(term, answers, rows, grades, cs);
  EXPECT_NE(term.str().find("Graded 35 of 36 students"), std::string::npos);
  EXPECT_NE(term.str().find("No row in the results:\n  Student 30 (s1030)"), std::string::npos);
  EXPECT_NE(term.str().find("Student 4 (s1004): " + answers.results[2].key + ": \"n/a\" is not a number"),
            std::string::npos)
      << term.str();
}

INSTANTIATE_TEST_SUITE_P(Programs, GradingClass, ::testing::Values("vapor_pressure_gen", "first_order_gen"));

// A class of a thousand, numbers made up (no chemistry needed): read,
// graded and written out well within a second.
TEST(GradingSpeed, ThousandStudentsWellWithinASecond) {
  const int n = 1000, nr = 8;
  std::string answers_text = "name,id,seed1,seed2";
  for (int r = 0; r < nr; ++r)
    answers_text += ",r" + std::to_string(r) + " (J/mol),r" + std::to_string(r) + " tolerance (J/mol)";
  for (int r = 0; r < nr; ++r) answers_text += ",r" + std::to_string(r) + " true,r" + std::to_string(r) + " u";
  answers_text += '\n';
  for (int i = 0; i < n; ++i) {
    answers_text += "Student " + std::to_string(i) + ",id" + std::to_string(i) + "," + std::to_string(i + 1) + ",7";
    for (int r = 0; r < nr; ++r) answers_text += "," + std::to_string(1000 + 37 * i + r) + ".5,20";
    for (int r = 0; r < nr; ++r) answers_text += "," + std::to_string(1000 + 37 * i + r) + ",1";
    answers_text += '\n';
  }
  std::string results = "id,seed1,seed2";
  for (int r = 0; r < nr; ++r) results += ",r" + std::to_string(r);
  results += '\n';
  for (int i = 0; i < n; ++i) {
    results += "id" + std::to_string(i) + "," + std::to_string(i + 1) + ",7";
    // r0 the student's own value, the others the next student's.
    for (int r = 0; r < nr; ++r) results += "," + std::to_string(1000 + 37 * (r == 0 ? i : (i + 1) % n) + r) + ".5";
    results += '\n';
  }
  const auto start = std::chrono::steady_clock::now();
  const Answers a = read_answers(answers_text, "answers.csv");
  const Results rows = read_results(results, "results.csv", a);
  const std::vector<double> w = default_weights(a);
  const auto grades = grade(a, rows, w);
  std::size_t bytes = report_csv(a, rows, grades).size();
  for (const Grade& g : grades) bytes += grades_csv_row(a, g).size() + feedback_text(a, g, w).size();
  bytes += summary_csv(summarise(a, grades, w)).size();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 1.0);
  EXPECT_GT(bytes, 0u);
  // Every result but r0 is the next student's expected value to every digit.
  EXPECT_EQ(grades[5].marks[0].credit, 1);
  ASSERT_EQ(grades[5].flags.size(), 1u);
  EXPECT_EQ(grades[5].flags[0].kind, FlagKind::shared);
}

}  // namespace
