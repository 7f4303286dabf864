// A class of every program with an analysis, end to end in-process: a
// roster of names (seeds derived from the course), batch, then grade a
// results file in which every student reports the expected value of each
// result their data set gives. Every such student scores 100 %; a result
// a student's data set does not give is an empty cell of answers.csv and
// is named in that student's feedback as not graded.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "analysis/answer_sheet.hpp"
#include "analysis/grading.hpp"
#include "instructor/instructor.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"
#include "support/tool_run.hpp"

namespace {

namespace fs = std::filesystem;
namespace grading = analysis::grading;

using labtest::Outcome;
Outcome run(const std::vector<std::string>& args) { return labtest::run_tool(args); }

class ClassOf : public ::testing::TestWithParam<const analysis::Analysis*> {};

TEST_P(ClassOf, BatchThenGradeTheExpectedValues) {
  const analysis::Analysis& an = *GetParam();
  const std::string program(an.program);
  labtest::TempDir dir;
  std::string roster = "name\n";
  for (int i = 1; i <= 16; ++i) roster += "Student " + std::to_string(i) + "\n";
  labtest::write_file(dir.path() / "roster.csv", roster);
  const fs::path cls = dir.path() / "class";
  const Outcome b = run({"batch", program, (dir.path() / "roster.csv").string(), cls.string(), "--course", "pchem"});
  ASSERT_TRUE(b.status == 0 || b.status == labcore::exit_computation_failed) << b.err;

  const std::string answers_text = labtest::read_file(cls / "answers.csv");
  const std::vector<std::string> form = labtest::lines(labtest::read_file(cls / "results_template.csv"));
  if (an.handout != nullptr) {
    const auto columns = grading::result_columns(an.handout());
    EXPECT_EQ(labtest::lines(answers_text)[0], grading::answers_csv_heading(columns, ""));
    EXPECT_EQ(form[0], grading::results_template_heading(columns, ""));
    std::ostringstream md;
    analysis::print_handout(md, *labcore::find_program(program), an.handout());
    EXPECT_EQ(labtest::read_file(cls / "handout.md"), md.str());
  } else {
    EXPECT_FALSE(fs::exists(cls / "handout.md"));
  }

  // Each student reports the expected value of every result their data
  // set grades, and 1 where it grades none.
  const grading::Answers answers = grading::read_answers(answers_text, "answers.csv");
  std::string results = form[0] + "\n";
  std::size_t not_graded = 0;
  for (const grading::StudentAnswers& s : answers.students) {
    results += analysis::csv_cell(s.name) + "," + std::to_string(s.seed1) + "," + std::to_string(s.seed2);
    for (const grading::Expected& e : s.results) {
      results += "," + (e.gradable() ? analysis::csv_number(e.value) : std::string("1"));
      not_graded += !e.gradable();
    }
    results += "\n";
  }
  labtest::write_file(dir.path() / "results.csv", results);
  const fs::path graded = dir.path() / "graded";
  const Outcome g = run({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(),
                         graded.string()});
  ASSERT_EQ(g.status, 0) << g.err;
  const std::vector<std::string> grades = labtest::lines(labtest::read_file(graded / "grades.csv"));
  ASSERT_EQ(grades.size(), answers.students.size() + 1);
  const std::vector<std::string> names = grading::feedback_file_names(answers);
  std::size_t named_not_graded = 0;
  for (std::size_t i = 0; i < answers.students.size(); ++i) {
    const std::string& row = grades[i + 1];
    const bool any = std::any_of(answers.students[i].results.begin(), answers.students[i].results.end(),
                                 [](const grading::Expected& e) { return e.gradable(); });
    if (any) {
      EXPECT_NE(row.find(",100.0"), std::string::npos) << row;
    }
    const std::string fb = labtest::read_file(graded / "feedback" / names[i]);
    for (std::size_t at = fb.find("not graded for your data set"); at != std::string::npos;
         at = fb.find("not graded for your data set", at + 1))
      ++named_not_graded;
  }
  EXPECT_EQ(named_not_graded, not_graded);
}

INSTANTIATE_TEST_SUITE_P(Programs, ClassOf,
                         ::testing::ValuesIn(analysis::all_analyses().begin(), analysis::all_analyses().end()),
                         [](const auto& info) { return std::string(info.param->program); });

}  // namespace
