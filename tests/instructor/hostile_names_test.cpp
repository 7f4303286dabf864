// Names and identifiers chosen to hurt, through the whole cycle from roster
// to grades: formulas a spreadsheet would run, bytes a terminal would obey,
// names longer than a file name may be, characters that show nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "analysis/grading.hpp"
#include "instructor/instructor.hpp"
#include "labcore/replies.hpp"
#include "support/spreadsheet.hpp"
#include "support/test_support.hpp"
#include "support/tool_run.hpp"

namespace {

namespace fs = std::filesystem;

using labtest::Outcome;
Outcome run(const std::vector<std::string>& args) { return labtest::run_tool(args); }

// Text a terminal shows as it is: LF line ends, printable ASCII, and UTF-8
// without C1 controls.
bool plain_text(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '\n' || (c >= 0x20 && c < 0x7f)) continue;
    if (c < 0xc2 || c > 0xf4) return false;  // controls, DEL, stray bytes
    if (c == 0xc2 && (i + 1 >= s.size() || static_cast<unsigned char>(s[i + 1]) < 0xa0)) return false;  // C1
    const std::size_t n = c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
    for (std::size_t k = 1; k < n; ++k)
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return false;
    i += n - 1;
  }
  return true;
}

// No cell that a spreadsheet would run: a cell starting with = + - @ must
// be a number.
void expect_no_formula(const fs::path& csv) {
  for (const auto& record : analysis::grading::read_csv(labtest::read_file(csv), csv.string()))
    for (const std::string& cell : record.cells)
      EXPECT_TRUE(!labcore::starts_formula(cell) || analysis::grading::parse_number(cell))
          << csv.filename() << " line " << record.line << ": " << cell;
}

TEST(InstructorHostileNames, FormulasControlBytesAndLongNamesFromRosterToGrades) {
  labtest::TempDir dir;
  const std::string long_name(300, 'y');
  auto roster = [&](const std::string& ann) {
    return "Name,ID,Seed1,Seed2\n"
           "=1+1,=2+2,1,2\n"
           "\"=HYPERLINK(\"\"http://x\"\")\",@3,3,4\n" +
           long_name + ",-4,5,6\n" + long_name + "z,,7,8\n"
           "\x1b]0;PWNED\x07" "Eve,e\x1b[2J6,9,10\n" +
           ann + ",a7,11,12\n"
           "Long Id," + std::string(300, 'i') + ",13,14\n";
  };
  const fs::path cls = dir.path() / "class";
  // A byte that is not UTF-8 among UTF-8 text: refused with its line.
  labtest::write_file(dir.path() / "roster.csv", roster("Ann\xC2\x85\xFFLee"));
  const Outcome mixed = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), cls.string()});
  EXPECT_EQ(mixed.status, 2);
  EXPECT_NE(mixed.err.find("roster line 7: bytes that are not UTF-8 in a text that is UTF-8 elsewhere"),
            std::string::npos)
      << mixed.err;
  EXPECT_FALSE(fs::exists(cls));
  // A C1 control and a direction override, both UTF-8.
  labtest::write_file(dir.path() / "roster.csv", roster("Ann\xC2\x85Lee\xE2\x80\xAE"));
  const Outcome batch = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), cls.string()});
  ASSERT_EQ(batch.status, 0) << batch.err;
  for (const char* f : {"vapor_pressure_gen_key.csv", "answers.csv", "results_template.csv"}) expect_no_formula(cls / f);
  // File names: short enough, printable UTF-8 only.
  for (const auto& e : fs::directory_iterator(cls)) {
    const std::string name = e.path().filename().string();
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(plain_text(name)) << name;
  }
  EXPECT_TRUE(fs::exists(cls / "ann_lee.csv"));
  EXPECT_TRUE(fs::exists(cls / "0_pwned_eve.csv"));  // the control bytes are no part of it

  // The template filled in as it is (every cell as batch wrote it) and
  // graded: names and identifiers read back through their apostrophes.
  auto form = labtest::lines(labtest::read_file(cls / "results_template.csv"));
  std::string results;
  for (std::size_t i = 0; i < form.size(); ++i)
    results += i == 0 ? form[i] + "\n" : form[i].substr(0, form[i].size() - 5) + ",36000,399,21,3350,-44\n";
  labtest::write_file(dir.path() / "results.csv", results);
  const fs::path graded = dir.path() / "graded";
  const Outcome grade = run({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(),
                             graded.string()});
  ASSERT_EQ(grade.status, 0) << grade.err;
  EXPECT_NE(grade.out.find("Graded 7 of 7 students"), std::string::npos) << grade.out;
  EXPECT_TRUE(plain_text(grade.out)) << grade.out;
  expect_no_formula(graded / "grades.csv");
  expect_no_formula(graded / "summary.csv");
  expect_no_formula(graded / "report.csv");
  const auto grades = labtest::lines(labtest::read_file(graded / "grades.csv"));
  EXPECT_EQ(grades[1].substr(0, 12), "'=2+2,'=1+1,");
  std::size_t feedback = 0;
  for (const auto& e : fs::directory_iterator(graded / "feedback")) {
    ++feedback;
    const std::string name = e.path().filename().string();
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(plain_text(name)) << name;
    EXPECT_TRUE(plain_text(labtest::read_file(e.path()))) << name;
  }
  EXPECT_EQ(feedback, 7u);  // names and identifiers of 300 bytes among them, cut to 200
  const std::string eve = labtest::read_file(graded / "feedback" / "e_2j6.txt");
  EXPECT_EQ(eve.substr(0, 37), "\\x1b]0;PWNED\\x07Eve (e\\x1b[2J6), seed") << eve;

  // What a real spreadsheet makes of the files: every name and identifier
  // as text, not a formula's result.
  if (!labtest::have_spreadsheet()) GTEST_SKIP() << "no spreadsheet (soffice) to open the files";
  const auto opened = labtest::open_csv({cls / "answers.csv", cls / "results_template.csv", graded / "grades.csv",
                                         cls / "vapor_pressure_gen_key.csv"},
                                        dir.path() / "work");
  auto holds = [](const std::vector<std::string>& row, const std::string& cell) {
    return std::find(row.begin(), row.end(), cell) != row.end();
  };
  for (const labtest::Grid& grid : opened) {
    ASSERT_GE(grid.size(), 8u);
    EXPECT_TRUE(holds(grid[1], "'=1+1") && holds(grid[1], "'=2+2")) << grid[1][0] << "," << grid[1][1];
    EXPECT_TRUE(holds(grid[2], "'=HYPERLINK(\"http://x\")") && holds(grid[2], "'@3")) << grid[2][0];
    EXPECT_TRUE(holds(grid[3], "'-4")) << grid[3][1];
  }
  // The numbers stay numbers: answers.csv's c, a negative temperature.
  const auto& answers = opened[0];
  const auto c = std::find(answers[0].begin(), answers[0].end(), "c (K)") - answers[0].begin();
  EXPECT_LT(std::stod(answers[1][static_cast<std::size_t>(c)]), 0) << answers[1][static_cast<std::size_t>(c)];
}

}  // namespace
