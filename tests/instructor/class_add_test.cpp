// Late students joining a class: the class's own settings followed,
// students matched by identifier first, namesakes and seeds told apart,
// rosters that give half their seeds refused, files an instructor re-saved.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "analysis/grading.hpp"
#include "instructor/instructor.hpp"
#include "instructor/roster.hpp"
#include "labcore/registry.hpp"
#include "support/csv_cells.hpp"
#include "support/test_support.hpp"
#include "support/tool_run.hpp"

namespace {

namespace fs = std::filesystem;

using labtest::Outcome;
Outcome run(const std::vector<std::string>& args) { return labtest::run_tool(args); }

std::vector<std::string> cells(const std::string& line) { return labtest::cells(line); }

std::size_t files_in(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(InstructorBatchAdd, LateStudentsGetTheClassesOwnSettings) {
  labtest::TempDir dir;
  const fs::path cls = dir.path() / "class", roster = dir.path() / "roster.csv";
  labtest::write_file(roster, "Name,Student Number\nAnn Ash,s1\nBo Brown,s2\n");
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", roster.string(), cls.string(), "--course", "chem301", "--relative",
                 "5", "--workbooks"})
                .status,
            0);
  const auto add = [&](const std::string& text, std::vector<std::string> words = {}) {
    labtest::write_file(dir.path() / "late.csv", text);
    std::vector<std::string> args = {"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(),
                                     cls.string()};
    args.insert(args.end(), words.begin(), words.end());
    return run(args);
  };
  // Words that contradict the class, an identifier column of another
  // heading: refused, nothing written.
  const std::size_t before = files_in(cls);
  const struct {
    const char* roster;
    std::vector<std::string> words;
    const char* message;
  } refused[] = {
      {"Name,Student Number\nCy,s3\n", {"--relative", "2"}, "the class was made with --relative 5"},
      {"Name,Student Number\nCy,s3\n", {"--course", "chem302"}, "derived with --course chem301"},
      {"Name,Email\nCy,cy@uni.example\n", {}, "the roster's identifier column is Email, the class's is Student Number"},
  };
  for (const auto& c : refused) {
    const Outcome r = add(c.roster, c.words);
    EXPECT_EQ(r.status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(files_in(cls), before);
  }
  const Outcome late = add("Name,Student Number\nCy,s3\n");
  ASSERT_EQ(late.status, 0) << late.err;
  EXPECT_EQ(files_in(cls), before + 2);  // cy.csv and cy.xlsx: the class has workbooks
  EXPECT_TRUE(fs::exists(cls / "cy.xlsx"));
  // Cy's seeds are derived from the class's course word and the identifier
  // (no --course given).
  std::int32_t s1 = 0, s2 = 0;
  instructor::derive_seeds("chem301", "id\ns3", s1, s2);
  const auto key = labtest::lines(labtest::read_file(cls / "vapor_pressure_gen_key.csv"));
  ASSERT_EQ(key.size(), 4u);
  EXPECT_EQ(key[3].rfind("Cy,s3,cy.csv," + std::to_string(s1) + "," + std::to_string(s2) + ",derived,", 0), 0u)
      << key[3];
  // Cy's tolerances are the class's 5 %: against Cy in a class of the
  // default 2 %, every result whose tolerance was 2 % of its expected value
  // (the relative part governing) has 5 % of it now.
  const fs::path two = dir.path() / "two_percent";
  labtest::write_file(dir.path() / "cy.csv", "Name,Student Number\nCy,s3\n");
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "cy.csv").string(), two.string(), "--course", "chem301"})
                .status,
            0);
  const auto answers = labtest::lines(labtest::read_file(cls / "answers.csv"));
  const auto heading = cells(answers[0]), row = cells(answers.back());
  const auto row2 = cells(labtest::lines(labtest::read_file(two / "answers.csv")).back());
  ASSERT_EQ(row[0], "Cy");
  auto number = [](const std::string& cell) {
    double v = std::nan("");
    std::from_chars(cell.data(), cell.data() + cell.size(), v);
    return v;
  };
  int relative = 0;
  for (std::size_t c = 4; c + 1 < heading.size() && heading[c + 1].find(" tolerance") != std::string::npos; c += 2) {
    const double value = number(row[c]), t5 = number(row[c + 1]), t2 = number(row2[c + 1]);
    ASSERT_EQ(number(row2[c]), value) << heading[c];
    if (std::fabs(t2 - 0.02 * std::fabs(value)) > 1e-12 * std::fabs(value)) continue;
    ++relative;
    EXPECT_NEAR(t5, 0.05 * std::fabs(value), 1e-12 * std::fabs(value)) << heading[c];
  }
  EXPECT_GE(relative, 1);

  // A roster without identifiers names Ann Ash of the class: she is
  // skipped, not given a second data set.
  const Outcome names_only = add("Ann Ash\nDee Dunn\n", {"--course", "chem301"});
  ASSERT_EQ(names_only.status, 0) << names_only.err;
  EXPECT_NE(names_only.err.find("Ann Ash: in the class already (ann_ash.csv), skipped"), std::string::npos);
  EXPECT_FALSE(fs::exists(cls / "ann_ash_2.csv"));
  EXPECT_TRUE(fs::exists(cls / "dee_dunn.csv"));

  // A class of an earlier version has no settings file: the words given
  // are used, and said so.
  fs::remove(cls / "class_settings.txt");
  const Outcome old = add("Name,Student Number\nEd,s5\n", {"--course", "chem301", "--relative", "5"});
  ASSERT_EQ(old.status, 0) << old.err;
  EXPECT_NE(old.err.find("has no class_settings.txt (a class of an earlier version): the late students get "
                         "--relative 5"),
            std::string::npos)
      << old.err;
  EXPECT_TRUE(fs::exists(cls / "ed.xlsx"));  // its students have workbooks
}

TEST(InstructorBatchAdd, NamesakesAndSharedSeedsAreToldApart) {
  labtest::TempDir dir;
  const fs::path cls = dir.path() / "class";
  // Two Sam Lees who share their first seed.
  labtest::write_file(dir.path() / "r.csv", "Sam Lee,5,6\nSam Lee,5,7\n");
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), cls.string()}).status, 0);
  auto add = [&](const std::string& text) {
    labtest::write_file(dir.path() / "late.csv", text);
    return run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()});
  };
  // The roster's second Sam Lee is the class's second: 5 8 contradicts 5 7.
  const Outcome other = add("Sam Lee,5,6\nSam Lee,5,8\n");
  EXPECT_EQ(other.status, 2);
  EXPECT_NE(other.err.find("roster line 2, Sam Lee: in the class with seeds 5 7 (key line 3), the roster gives 5 8"),
            std::string::npos)
      << other.err;
  // Both as the class has them: skipped; a newcomer with a classmate's
  // seeds is warned of (the same data set), one sharing only one seed not.
  const Outcome ok = add("Sam Lee,5,6\nSam Lee,5,7\nNew One,5,6\nNew Two,5,9\n");
  ASSERT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.err.find("roster line 3, New One: the same seeds as Sam Lee of the class (key line 2)"),
            std::string::npos)
      << ok.err;
  EXPECT_EQ(ok.err.find("New Two: the same seeds"), std::string::npos) << ok.err;
  EXPECT_EQ(labtest::lines(labtest::read_file(cls / "vapor_pressure_gen_key.csv")).size(), 5u);
}

TEST(InstructorRoster, HalfASeedIsRefusedAndOneSharedSeedIsNoWarning) {
  const std::pair<const char*, const char*> refused[] = {
      {"name,seed1,seed2\nAnn,5,\n", "roster line 2, column 3 (seed2): no second seed for Ann, though the first is given"},
      {"Ann,,6\n", "roster line 1, column 2: no first seed for Ann, though the second is given"},
      {"seed2,name,seed1\n7,Bo,\n", "roster line 2, column 3 (seed1): no first seed for Bo"},
  };
  for (const auto& [text, message] : refused) {
    instructor::Roster roster;
    std::string error;
    EXPECT_FALSE(instructor::read_roster(text, "chem301", roster, error)) << text;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  instructor::Roster roster;
  std::string error;
  ASSERT_TRUE(instructor::read_roster("A,1,2\nB,1,3\nC,4,2\nD,1,2\n", "", roster, error)) << error;
  ASSERT_EQ(roster.warnings.size(), 1u);  // A and D only
  EXPECT_EQ(roster.warnings[0], "roster lines 1 and 4 have the same seeds 1 2: A and D get the same data set");
}

TEST(InstructorBatchAdd, LeftoversOfAnEarlierVersionClearedAndSymbolicLinksRefused) {
  labtest::TempDir dir;
  const fs::path cls = dir.path() / "class";
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\n");
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), cls.string()}).status, 0);
  fs::create_directories(cls / ".lab_instructor_add.Ab12Cd" / "new");
  labtest::write_file(cls / ".lab_instructor_add.Ab12Cd" / "new" / "late.csv", "half\n");
  labtest::write_file(dir.path() / "late.csv", "Bo,3,4\n");
  const Outcome r = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("removed .lab_instructor_add.Ab12Cd, the working folder a stopped run left in"),
            std::string::npos)
      << r.err;
  for (const auto& e : fs::directory_iterator(cls)) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
  // A class file that is a symbolic link is neither followed nor replaced.
  labtest::write_file(dir.path() / "elsewhere.csv", labtest::read_file(cls / "results_template.csv"));
  fs::remove(cls / "results_template.csv");
  fs::create_symlink(dir.path() / "elsewhere.csv", cls / "results_template.csv");
  labtest::write_file(dir.path() / "late.csv", "Cy,5,6\n");
  const Outcome link = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()});
  EXPECT_EQ(link.status, 2);
  EXPECT_NE(link.err.find("results_template.csv is a symbolic link"), std::string::npos) << link.err;
  EXPECT_TRUE(fs::is_symlink(cls / "results_template.csv"));
  EXPECT_FALSE(fs::exists(cls / "cy.csv"));
}

TEST(InstructorBatchAdd, AKeyResavedWithCrLfIsExtendedInItsOwnLineEnds) {
  labtest::TempDir dir;
  const fs::path cls = dir.path() / "class";
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\n");
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), cls.string()}).status, 0);
  const fs::path key = cls / "vapor_pressure_gen_key.csv";
  std::string crlf = "\xEF\xBB\xBF";
  for (const std::string& line : labtest::lines(labtest::read_file(key))) crlf += line + "\r\n";
  labtest::write_file(key, crlf);
  labtest::write_file(dir.path() / "late.csv", "Bo,3,4\n");
  const Outcome r = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string now = labtest::read_file(key);
  EXPECT_EQ(now.substr(0, crlf.size()), crlf);
  EXPECT_EQ(now.substr(crlf.size(), 13), "Bo,bo.csv,3,4");
  EXPECT_EQ(now.substr(now.size() - 2), "\r\n");
  EXPECT_EQ(std::count(now.begin(), now.end(), '\n'), std::count(now.begin(), now.end(), '\r'));
  // A heading that truly differs is shown, both versions, escaped.
  labtest::write_file(key, "student,file,seed1,seed2,seeds,other\r\n");
  labtest::write_file(dir.path() / "late.csv", "Cy,5,6\n");
  const Outcome bad = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("the class's: \"student,file,seed1,seed2,seeds,other\"\n  the new:     \"student,file,"),
            std::string::npos)
      << bad.err;
  EXPECT_FALSE(fs::exists(cls / "cy.csv"));
}

// answers.csv of a class made before the routes columns: late students'
// rows in the class's own layout, and grading the class judges no leak.
TEST(InstructorBatchAdd, AnswersWithoutRoutesColumnsKeepTheirLayout) {
  labtest::TempDir dir;
  const fs::path cls = dir.path() / "class";
  labtest::write_file(dir.path() / "r.csv", "Ann,1,2\nBo,3,4\n");
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), cls.string()}).status, 0);
  // The file as an earlier version wrote it: the last ten columns (the
  // routes and null answers of dHvap, Tb, a, b, c) left out.
  std::string old;
  for (const std::string& line : labtest::lines(labtest::read_file(cls / "answers.csv"))) {
    std::vector<std::string> c = cells(line);
    ASSERT_EQ(c.size(), 43u);
    c.resize(33);
    std::string row;
    for (const std::string& cell : c) row += (row.empty() ? "" : ",") + analysis::csv_cell(cell);
    old += row + "\n";
  }
  fs::permissions(cls / "answers.csv", fs::perms::owner_write, fs::perm_options::add);
  labtest::write_file(cls / "answers.csv", old);
  labtest::write_file(dir.path() / "late.csv", "Cy,5,6\n");
  const Outcome late = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string()});
  ASSERT_EQ(late.status, 0) << late.err;
  const auto answers = labtest::lines(labtest::read_file(cls / "answers.csv"));
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_EQ(cells(answers[0]).size(), 33u);
  EXPECT_EQ(cells(answers[3]).size(), 33u);
  EXPECT_EQ(answers[3].rfind("Cy,5,6,", 0), 0u);
  const analysis::grading::Answers a =
      analysis::grading::read_answers(labtest::read_file(cls / "answers.csv"), "answers.csv");
  EXPECT_FALSE(a.routes);
}

}  // namespace
