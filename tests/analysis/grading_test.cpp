// Grading: the sliding scale, the files read back and refused, and whole
// classes of simulated students whose reports, made from their own answer
// sheets, carry deliberate slips that must each be caught.
#include <gtest/gtest.h>

#include <chrono>
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

TEST(GradingCsv, ByteOrderMarkCrlfQuotesAndBlankRows) {
  const auto recs = read_csv("\xEF\xBB\xBFName,\"x, y\"\r\n\r\n,, \r\n\"Doe, \"\"J\"\"\", 1.5 \r\n\"two\nlines\",3\n",
                             "r.csv");
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].cells, (std::vector<std::string>{"Name", "x, y"}));
  EXPECT_EQ(recs[1].line, 4);
  EXPECT_EQ(recs[1].cells, (std::vector<std::string>{"Doe, \"J\"", "1.5"}));
  EXPECT_EQ(recs[2].line, 5);
  EXPECT_EQ(recs[2].cells[0], "two\nlines");
  try {
    read_csv("a,b\n1,\"open\n2,3\n", "r.csv");
    FAIL() << "an unclosed quote was read";
  } catch (const GradingError& e) {
    EXPECT_STREQ(e.what(), "r.csv, line 2: a quoted cell is not closed");
  }
}

TEST(GradingCsv, IdentifierHeadings) {
  for (const char* h : {"id", "ID", "Student ID", "student_number", "Student Number", "E-mail", "email", "Username"})
    EXPECT_TRUE(is_identifier_heading(h)) << h;
  for (const char* h : {"name", "seed1", "Tb (K)", "identity", ""}) EXPECT_FALSE(is_identifier_heading(h)) << h;
}

// A small class written by hand: two results, tolerances 10 and 0.5.
const char* const small_answers =
    "name,Student Number,seed1,seed2,dH (J/mol),dH tolerance (J/mol),Tb (K),Tb tolerance (K),dH true,dH u,Tb true,Tb u\n"
    "Ann Ash,s1,11,12,40000,800,350,1,40500,20,350.2,0.3\n"
    "\"Doe, Jane\",s2,21,22,30000,600,300,1,30000,20,300,0.3\n"
    "Sam Lee,s3,31,32,20000,400,250,1,20000,10,250,0.3\n"
    "Sam Lee,s4,41,42,10000,200,200,1,10000,10,200,0.3\n";

TEST(GradingInput, AnswersReadBack) {
  const Answers a = read_answers(small_answers, "answers.csv");
  EXPECT_EQ(a.id_heading, "Student Number");
  ASSERT_EQ(a.results.size(), 2u);
  EXPECT_EQ(a.results[0].key, "dH");
  EXPECT_EQ(a.results[0].unit, "J/mol");
  EXPECT_EQ(a.results[1].unit, "K");
  ASSERT_EQ(a.students.size(), 4u);
  EXPECT_EQ(a.students[1].name, "Doe, Jane");
  EXPECT_EQ(a.students[1].seed2, 22);
  EXPECT_EQ(a.students[0].results[0].true_value, 40500);
  EXPECT_EQ(a.students[0].results[1].uncertainty, 0.3);
}

TEST(GradingInput, BadFilesRefusedWithFileLineAndColumn) {
  const Answers a = read_answers(small_answers, "answers.csv");
  struct Case {
    const char* what;
    const char* results;
    const char* message;  // the start of the message
  } cases[] = {
      {"unknown column", "name,dH,Tb,comment\nAnn Ash,1,2,late\n", "results.csv, line 1, column 4 (comment): unknown column"},
      {"result missing", "name,dH (J/mol)\nAnn Ash,1\n", "results.csv, line 1: no column for the result Tb (K)"},
      {"student twice", "name,dH,Tb\nAnn Ash,1,2\n\"Doe, Jane\",1,2\nAnn Ash,3,4\n",
       "results.csv, line 4: Ann Ash (s1) already on line 2"},
      {"not in the answers", "name,dH,Tb\nAnn Ash,1,2\nBo Brown,1,2\n",
       "results.csv, line 3, column 1 (name): no student \"Bo Brown\" in answers.csv"},
      {"identifier not in the answers", "id,dH,Tb\ns9,1,2\n", "results.csv, line 2, column 1 (id): no student s9"},
      {"decimal comma", "name,dH,Tb\nAnn Ash,40000,\"350,2\"\n",
       "results.csv, line 2, column 3 (Tb): \"350,2\" has a decimal comma"},
      {"namesakes without seeds", "name,dH,Tb\nSam Lee,1,2\n", "results.csv, line 2, column 1 (name): 2 students named"},
      {"too many cells", "name,dH,Tb\nAnn Ash,1,2,3\n", "results.csv, line 2: 4 cells, the heading has 3"},
      {"no student column", "dH,Tb\n1,2\n", "results.csv, line 1: no column \"name\""},
  };
  for (const auto& c : cases) {
    try {
      read_results(c.results, "results.csv", a);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const GradingError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << c.what << ": " << e.what();
    }
  }
  // Broken answers and weights name their line too.
  EXPECT_THROW(read_answers("name,seed1,seed2,x,x tolerance\nA,1,zz,1,1\n", "answers.csv"), GradingError);
  EXPECT_THROW(read_weights("result,weight\nnope,2\n", "weights.csv", a), GradingError);
  EXPECT_THROW(read_weights("dH,-1\n", "weights.csv", a), GradingError);
  EXPECT_THROW(read_weights("dH,0\nTb,0\n", "weights.csv", a), GradingError);
}

TEST(GradingInput, SpreadsheetExportAndNamesakesBySeeds) {
  const Answers a = read_answers(small_answers, "answers.csv");
  // Saved by a spreadsheet: byte-order mark, CRLF, capitalised heading,
  // quoted cells; namesakes told apart by their seeds.
  const auto rows = read_results(
      "\xEF\xBB\xBFName,Seed1,Seed2,dH (J/mol),TB (K)\r\nSam Lee,41,42,\"10100\",201.4\r\n"
      "Sam Lee,31,32,,250\r\n\"Doe, Jane\",21,22,30,27\r\n",
      "results.csv", a);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].student, 3u);
  EXPECT_EQ(rows[1].student, 2u);
  EXPECT_EQ(rows[2].student, 1u);
  EXPECT_EQ(rows[0].line, 2);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"10100", "201.4"}));

  const std::vector<double> w = read_weights("\xEF\xBB\xBFResult,Weight\r\nTb,3\r\n", "weights.csv", a);
  EXPECT_EQ(w, (std::vector<double>{1, 3}));
  const auto grades = grade(a, rows, w);
  // Sam Lee (s4): dH off by 100 = half its tolerance: 1; Tb off by 1.4 K,
  // tolerance 1: 2/3. Weighted: (1 + 3·2/3)/4 = 75 %.
  EXPECT_NEAR(grades[3].total, 75.0, 1e-12);
  // Sam Lee (s3): dH empty, Tb right: 3/4.
  EXPECT_NEAR(grades[2].total, 75.0, 1e-12);
  EXPECT_EQ(grades[2].marks[0].cell, Cell::empty);
  // Jane Doe: 30 kJ/mol where J/mol is asked, 27 °C where K: both scored as
  // converted, both flagged.
  EXPECT_EQ(grades[1].total, 100.0);
  ASSERT_EQ(grades[1].marks[0].flags.size(), 1u);
  EXPECT_EQ(grades[1].marks[0].flags[0].kind, FlagKind::unit);
  EXPECT_EQ(grades[1].marks[0].scored, 30000);
  EXPECT_EQ(grades[1].marks[1].flags[0].kind, FlagKind::unit);
  EXPECT_NEAR(grades[1].marks[1].scored, 300.15, 1e-9);
  // No row for Ann Ash: no total, no credits.
  EXPECT_EQ(grades[0].line, 0);
  EXPECT_EQ(grades_csv_row(a, grades[0]), "s1,Ann Ash,,,");
  EXPECT_EQ(grades_csv_heading(a), "Student Number,name,total (%),dH,Tb");
  EXPECT_EQ(grades_csv_row(a, grades[3]), "s4,Sam Lee,75.0,1,0.667");
  EXPECT_EQ(grades_csv_row(a, grades[1]), "s2,\"Doe, Jane\",100.0,1,1");
  EXPECT_EQ(feedback_file_names(a), (std::vector<std::string>{"s1.txt", "s2.txt", "s3.txt", "s4.txt"}));
  EXPECT_NE(feedback_text(a, grades[2], w).find("dH (J/mol): nothing reported, expected 20000 ± 400, credit 0"),
            std::string::npos);
  EXPECT_NE(feedback_text(a, grades[0], w).find("No results reported."), std::string::npos);
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
  s.add(Result{.key = "dH", .unit = "J/mol", .true_value = 1000.0, .value = 1010.5, .uncertainty = 2.5, .tolerance = 20.21});
  s.add(Result{.key = "n", .value = 0.1, .tolerance = 0.002});
  EXPECT_EQ(results_template_heading(s, "E-mail"), "name,E-mail,seed1,seed2,dH (J/mol),n");
  EXPECT_EQ(results_template_row(s, "E-mail", "jd@uni.example"), "\"Doe, Jane\",jd@uni.example,12345,-7,,");
  EXPECT_EQ(results_template_heading(s, ""), "name,seed1,seed2,dH (J/mol),n");
  EXPECT_EQ(results_template_row(s, "", ""), "\"Doe, Jane\",12345,-7,,");
  EXPECT_EQ(answers_csv_heading(s, "E-mail"),
            "name,E-mail,seed1,seed2,dH (J/mol),dH tolerance (J/mol),n,n tolerance,dH true,dH u,n true,n u,"
            "dH accepted (J/mol),dH not graded,n accepted,n not graded");
  EXPECT_EQ(answers_csv_row(s, "E-mail", "jd@uni.example"),
            "\"Doe, Jane\",jd@uni.example,12345,-7,1010.5,20.21,0.1,0.002,1000,2.5,,,,,,");
  EXPECT_EQ(answers_csv_row(s, "", ""), analysis::answers_csv_row(s));

  // The template as written reads back as results: every cell empty.
  const Answers a = read_answers(answers_csv_heading(s, "E-mail") + "\n" + answers_csv_row(s, "E-mail", "jd@uni.example") + "\n",
                                 "answers.csv");
  const auto rows = read_results(results_template_heading(s, "E-mail") + "\n" +
                                     results_template_row(s, "E-mail", "jd@uni.example") + "\n",
                                 "results_template.csv", a);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(rows[0].seeds_given);
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
            "Bo Brown,3,4,0.98,0.05,,,,,,,,,3e-05,,,,,,,the fitted rate constant is negative");
  const Answers a = read_answers(answers_text, "answers.csv");
  ASSERT_EQ(a.results.size(), 3u);
  EXPECT_EQ(a.students[0].results[0].accepted, std::vector<double>{1.0});
  EXPECT_FALSE(a.students[1].results[1].gradable());
  EXPECT_EQ(a.students[1].results[2].not_graded, "the fitted rate constant is negative");

  // Ann reports the integer order (full credit), Bo reports everything.
  const auto rows = read_results("name,order,V(2),k\nAnn Ash,1,20.4,3.5e-5\nBo Brown,1.06,7,2e-5\n", "r.csv", a);
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
  EXPECT_NE(fb.find("V(2) (mL): reported 7, not graded for your data set\n"), std::string::npos) << fb;
  EXPECT_NE(fb.find("k (L/(mol·s)): reported 2e-5, not graded for your data set: the fitted rate constant is negative"),
            std::string::npos);
  EXPECT_NE(feedback_text(a, g[0], w).find("order: reported 1, expected 1.0794 (or 1) ± 0.0648, credit 1"),
            std::string::npos);
  const ClassSummary cs = summarise(a, g, w);
  EXPECT_EQ(cs.results[0].within, 1);
  EXPECT_EQ(cs.results[1].rows, 1);

  // A sheet whose result is not a column is left out; an accepted cell
  // that is no number is refused with its place.
  EXPECT_THROW(read_answers("name,seed1,seed2,n,n tolerance,n accepted\nA,1,2,1,0.1,one\n", "answers.csv"),
               GradingError);
}

// ---------------------------------------------------------------------------
// A class of simulated students: every one's report is made from the
// answer sheet of the student's own data set; by the student's number
// modulo 10 it carries one slip.

enum Slip { clean, kilo, celsius, sliding, rounded, copied, missing, leaked, classmate_seeds, no_ones_seeds };

struct Expect {
  std::vector<double> credits;
  std::vector<std::vector<FlagKind>> flags;  // per result
  bool seeds_flag = false;
  std::string seeds_of;  // the classmate named by the seeds flag
};

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

struct SimulatedClass {
  std::vector<AnswerSheet> sheets;
  std::vector<std::string> ids;
  std::string answers_csv, results_csv;
  std::vector<Expect> expect;
  std::size_t absent = 40;  // has no row in the results
  int leaks = 0, copies = 0;
};

SimulatedClass simulate(const labcore::Program& program, int size) {
  SimulatedClass k;
  const auto seeds = labtest::seed_pairs(size, 20260907u);
  for (int i = 0; i < size; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Student %02d", i);
    std::string n = i == 11 ? "Doe, Jane" : i == 20 || i == 21 ? "Sam Lee" : name;
    const auto ds = labtest::data_set(program, seeds[static_cast<std::size_t>(i)].first,
                                      seeds[static_cast<std::size_t>(i)].second, n);
    k.sheets.push_back(answer_sheet(program, ds.text, ds.key, n, seeds[static_cast<std::size_t>(i)].first,
                                    seeds[static_cast<std::size_t>(i)].second));
    k.ids.push_back("s" + std::to_string(1000 + i));
  }
  const std::size_t nr = k.sheets[0].results.size();
  k.answers_csv = answers_csv_heading(k.sheets[0], "Student Number") + "\n";
  for (int i = 0; i < size; ++i)
    k.answers_csv += answers_csv_row(k.sheets[static_cast<std::size_t>(i)], "Student Number", k.ids[static_cast<std::size_t>(i)]) + "\n";

  // The template's layout, as a spreadsheet saves it.
  std::string results = "\xEF\xBB\xBF" + results_template_heading(k.sheets[0], "Student Number") + "\r\n";
  std::size_t joule = nr, kelvin = nr;
  for (std::size_t r = 0; r < nr; ++r) {
    if (joule == nr && k.sheets[0].results[r].unit == "J/mol") joule = r;
    if (kelvin == nr && k.sheets[0].results[r].unit == "K") kelvin = r;
  }
  k.expect.resize(static_cast<std::size_t>(size));
  // Rows in reverse order: students are found by their identifier.
  for (int i = size - 1; i >= 0; --i) {
    const auto si = static_cast<std::size_t>(i);
    const AnswerSheet& s = k.sheets[si];
    Expect& e = k.expect[si];
    e.credits.assign(nr, 1.0);
    e.flags.assign(nr, {});
    std::vector<std::string> cells;
    for (const auto& r : s.results) cells.push_back(number(r.value));
    std::int32_t seed1 = s.seed1, seed2 = s.seed2;
    auto at = [&](std::size_t r, double tolerances) { return exact(s.results[r].value + tolerances * s.results[r].tolerance); };
    switch (static_cast<Slip>(i % 10)) {
      case clean: break;
      case kilo:  // kJ/mol where J/mol is asked: scored as converted, flagged
        if (joule < nr) {
          cells[joule] = number(s.results[joule].value / 1000);
          e.flags[joule] = {FlagKind::unit};
        }
        break;
      case celsius:  // °C where K is asked
        if (kelvin < nr) {
          cells[kelvin] = number(s.results[kelvin].value - 273.15);
          e.flags[kelvin] = {FlagKind::unit};
        }
        break;
      case sliding:  // one and a half, two and a half, three and a half tolerances off
        cells[0] = at(0, 1.5);
        cells[1] = at(1, -2.5);
        cells[2] = at(2, 3.5);
        e.credits[0] = 2.0 / 3.0;
        e.credits[1] = 1.0 / 3.0;
        e.credits[2] = 0;
        break;
      case rounded:  // three significant digits: within every tolerance here
        for (std::size_t r = 0; r < nr; ++r) {
          char buf[40];
          std::snprintf(buf, sizeof buf, "%.3g", s.results[r].value);
          cells[r] = buf;
        }
        break;
      case copied: {  // the first result of a classmate's sheet, far from the own
        const auto& own = s.results[0];
        for (int step = 1; step < size; ++step) {
          const auto j = static_cast<std::size_t>((i + step) % size);
          const auto& theirs = k.sheets[j].results[0];
          if (std::fabs(theirs.value - own.value) > 3 * own.tolerance) {
            char buf[40];  // the classmate's value to four digits, or all of them
            std::snprintf(buf, sizeof buf, "%.4g", theirs.value);
            cells[0] = i % 20 == 5 ? std::string(buf) : csv_number(theirs.value);
            e.credits[0] = 0;
            e.flags[0] = {FlagKind::shared};
            ++k.copies;
            break;
          }
        }
        break;
      }
      case missing:
        cells[1] = "";
        cells[2] = "n/a";
        e.credits[1] = e.credits[2] = 0;
        break;
      case leaked:  // the hidden true value where this data set cannot give it
        for (std::size_t r = 0; r < nr; ++r) {
          const auto& res = s.results[r];
          if (std::fabs(res.value - res.true_value) > res.uncertainty) {
            cells[r] = csv_number(res.true_value);
            e.credits[r] = credit(res.true_value - res.value, res.tolerance);
            e.flags[r] = {FlagKind::leaked};
            ++k.leaks;
            break;
          }
        }
        break;
      case classmate_seeds:  // the next student's seeds
        seed1 = k.sheets[(si + 1) % k.sheets.size()].seed1;
        seed2 = k.sheets[(si + 1) % k.sheets.size()].seed2;
        e.seeds_flag = true;
        e.seeds_of = k.sheets[(si + 1) % k.sheets.size()].student;
        break;
      case no_ones_seeds:
        seed1 = s.seed1 ^ 1;
        e.seeds_flag = true;
        break;
    }
    if (si == k.absent) continue;
    std::string row = csv_cell(s.student) + ',' + k.ids[si] + ',' + std::to_string(seed1) + ',' + std::to_string(seed2);
    for (const auto& c : cells) row += ',' + c;
    results += row + "\r\n";
  }
  k.results_csv = results;
  return k;
}

class GradingClass : public ::testing::TestWithParam<const char*> {};

TEST_P(GradingClass, FiftyStudentsWithEverySlipCaught) {
  const labcore::Program& program = *labcore::find_program(GetParam());
  const SimulatedClass k = simulate(program, 50);
  const Answers answers = read_answers(k.answers_csv, "answers.csv");
  ASSERT_EQ(answers.students.size(), 50u);
  const auto rows = read_results(k.results_csv, "results.csv", answers);
  ASSERT_EQ(rows.size(), 49u);
  const std::vector<double> w = default_weights(answers);
  const auto grades = grade(answers, rows, w);
  ASSERT_EQ(grades.size(), 50u);
  EXPECT_EQ(k.copies, 5);
  EXPECT_GE(k.leaks, 3);  // where the data allow a leak to show

  for (std::size_t i = 0; i < grades.size(); ++i) {
    const Grade& g = grades[i];
    const Expect& e = k.expect[i];
    SCOPED_TRACE("student " + std::to_string(i) + " slip " + std::to_string(i % 10));
    if (i == k.absent) {
      EXPECT_EQ(g.line, 0);
      EXPECT_TRUE(std::isnan(g.total));
      continue;
    }
    double sum = 0;
    for (std::size_t r = 0; r < e.credits.size(); ++r) {
      EXPECT_DOUBLE_EQ(g.marks[r].credit, e.credits[r]) << answers.results[r].key;
      std::vector<FlagKind> kinds;
      for (const Flag& f : g.marks[r].flags) kinds.push_back(f.kind);
      EXPECT_EQ(kinds, e.flags[r]) << answers.results[r].key;
      sum += e.credits[r];
    }
    EXPECT_NEAR(g.total, 100 * sum / static_cast<double>(e.credits.size()), 1e-9);
    ASSERT_EQ(g.flags.size(), e.seeds_flag ? 1u : 0u);
    if (!e.seeds_of.empty()) {
      EXPECT_NE(g.flags[0].detail.find("seeds of " + e.seeds_of), std::string::npos);
    }
    if (i % 10 == missing) {
      EXPECT_EQ(g.marks[1].cell, Cell::empty);
      EXPECT_EQ(g.marks[2].cell, Cell::unreadable);
    }
  }

  // The class summary: five students left cells empty or unreadable, one
  // has no row at all.
  const ClassSummary cs = summarise(answers, grades, w);
  EXPECT_EQ(cs.students, 50);
  EXPECT_EQ(cs.graded, 49);
  EXPECT_EQ(cs.seed_flags, 10);
  EXPECT_EQ(cs.results[0].rows, 49);
  EXPECT_EQ(cs.results[1].missing, 5);
  EXPECT_EQ(cs.results[2].missing, 5);
  EXPECT_EQ(cs.results[0].shared_flags, 5);
  // Result 0 within tolerance: all but the copies and the slid ones (and a
  // leak or two of result 0, as it falls).
  int leaked0 = 0, within_leaks = 0;
  for (std::size_t i = 7; i < 50; i += 10)
    if (!k.expect[i].flags[0].empty()) ++leaked0, within_leaks += k.expect[i].credits[0] == 1;
  EXPECT_EQ(cs.results[0].within, 49 - 5 - 5 - leaked0 + within_leaks);
  EXPECT_NE(summary_csv(cs).find("\n" + answers.results[0].key + ","), std::string::npos);

  std::ostringstream term;
  print_summary(term, answers, grades, cs);
  EXPECT_NE(term.str().find("Graded 49 of 50 students"), std::string::npos);
  EXPECT_NE(term.str().find("No row in the results:\n  Student 40 (s1040)"), std::string::npos);
  EXPECT_NE(term.str().find("Student 06 (s1006): " + answers.results[2].key + ": \"n/a\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Programs, GradingClass, ::testing::Values("vapor_pressure_gen", "first_order_gen"));

TEST(GradingClassRows, VaporPressureRowsAndFeedbackByHand) {
  const labcore::Program& program = *labcore::find_program("vapor_pressure_gen");
  const SimulatedClass k = simulate(program, 12);
  const Answers answers = read_answers(k.answers_csv, "answers.csv");
  const auto rows = read_results(k.results_csv, "results.csv", answers);
  const std::vector<double> w = default_weights(answers);
  const auto grades = grade(answers, rows, w);
  // Sliding slips over dHvap, Tb, a; b and c right: (2/3 + 1/3 + 0 + 2)/5.
  EXPECT_EQ(grades_csv_row(answers, grades[3]), "s1003,Student 03,60.0,0.667,0.333,0,1,1");
  EXPECT_EQ(grades_csv_row(answers, grades[6]), "s1006,Student 06,60.0,1,0,0,1,1");
  EXPECT_EQ(grades_csv_row(answers, grades[11]), "s1011,\"Doe, Jane\",100.0,1,1,1,1,1");
  const std::string fb = feedback_text(answers, grades[1], w);
  EXPECT_EQ(fb.rfind("Student 01 (s1001), seeds ", 0), 0u);
  EXPECT_NE(fb.find("Total: 100.0 %"), std::string::npos);
  EXPECT_NE(fb.find("  flag (unit): given in kJ/mol where J/mol is expected; scored as "), std::string::npos);
  EXPECT_NE(fb.find("Flags are for the instructor"), std::string::npos);
}

// A class of a thousand, numbers made up (no chemistry needed): read,
// graded and written out well within a second.
std::string synthetic_answers(int students, int results) {
  std::string s = "name,id,seed1,seed2";
  for (int r = 0; r < results; ++r) s += ",r" + std::to_string(r) + " (J/mol),r" + std::to_string(r) + " tolerance (J/mol)";
  for (int r = 0; r < results; ++r) s += ",r" + std::to_string(r) + " true,r" + std::to_string(r) + " u";
  s += '\n';
  for (int i = 0; i < students; ++i) {
    s += "Student " + std::to_string(i) + ",id" + std::to_string(i) + "," + std::to_string(i + 1) + ",7";
    for (int r = 0; r < results; ++r) s += "," + std::to_string(1000 + 37 * i + r) + ".5,20";
    for (int r = 0; r < results; ++r) s += "," + std::to_string(1000 + 37 * i + r) + ",1";
    s += '\n';
  }
  return s;
}

TEST(GradingSpeed, ThousandStudentsWellWithinASecond) {
  const int n = 1000, nr = 8;
  const std::string answers_text = synthetic_answers(n, nr);
  std::string results = "id,seed1,seed2";
  for (int r = 0; r < nr; ++r) results += ",r" + std::to_string(r);
  results += '\n';
  for (int i = 0; i < n; ++i) {
    results += "id" + std::to_string(i) + "," + std::to_string(i + 1) + ",7";
    for (int r = 0; r < nr; ++r) results += "," + std::to_string(1000 + 37 * ((i + r) % n) + r) + ".5";
    results += '\n';
  }
  const auto start = std::chrono::steady_clock::now();
  const Answers a = read_answers(answers_text, "answers.csv");
  const auto rows = read_results(results, "results.csv", a);
  const std::vector<double> w = default_weights(a);
  const auto grades = grade(a, rows, w);
  std::size_t bytes = 0;
  for (const Grade& g : grades) bytes += grades_csv_row(a, g).size() + feedback_text(a, g, w).size();
  bytes += summary_csv(summarise(a, grades, w)).size();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 1.0);
  EXPECT_GT(bytes, 0u);
  // Every result but r0 is a classmate's value: shared flags on those.
  EXPECT_EQ(grades[5].marks[0].credit, 1);
  EXPECT_EQ(grades[5].marks[1].flags.size(), 1u);
}

}  // namespace
