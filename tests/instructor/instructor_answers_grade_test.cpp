// The instructor tool's answers, the batch's answers.csv and results
// template, rosters with identifiers, and grading a class end to end.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "analysis/grading.hpp"
#include "instructor/instructor.hpp"
#include "instructor/roster.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"
#include "support/tool_run.hpp"

namespace {

namespace fs = std::filesystem;

using labtest::Outcome;
Outcome run(const std::vector<std::string>& args) { return labtest::run_tool(args); }

const labcore::Program& vapor() { return *labcore::find_program("vapor_pressure_gen"); }

fs::path worked_example() { return labtest::expected_dir() / "vapor_pressure_gen" / "12345_67890.csv"; }

TEST(InstructorAnswers, FromSeedsAndFromTheFileTheSameSheet) {
  const Outcome by_seeds = run({"answers", "vapor_pressure_gen", "12345", "67890", "--csv"});
  ASSERT_EQ(by_seeds.status, 0) << by_seeds.err;
  const Outcome by_file = run({"answers", worked_example().string(), "--csv"});
  ASSERT_EQ(by_file.status, 0) << by_file.err;
  // The sheet of the generator's own data set, through the library.
  const auto ds = labtest::data_set(vapor(), 12345, 67890, "Jane Doe");
  std::ostringstream want;
  analysis::print_sheet_csv(want, analysis::answer_sheet(vapor(), ds.text, ds.key, "Jane Doe", 12345, 67890));
  EXPECT_EQ(by_file.out, want.str());
  // The seeds alone give the same numbers (the name is not in the model).
  auto results = [](const std::string& csv) { return csv.substr(csv.find("key,result")); };
  EXPECT_EQ(results(by_seeds.out), results(want.str()));
  EXPECT_NE(by_seeds.out.find("student,any student"), std::string::npos);

  // --relative 5: dHvap's tolerance is 5 % of 36081.53954350948 (three
  // uncertainties, 254, are less).
  const Outcome five = run({"answers", "vapor_pressure_gen", "12345", "67890", "--csv", "--relative", "5"});
  ASSERT_EQ(five.status, 0);
  EXPECT_NE(five.out.find("dHvap,enthalpy of vaporization,J/mol,36081.53954350948,84.59622219956478,1804.07697717"),
            std::string::npos);
  const Outcome table = run({"answers", "vapor_pressure_gen", "12345", "67890"});
  EXPECT_NE(table.out.find("Answer sheet of vapor_pressure_gen for any student, seeds 12345 67890"), std::string::npos);
}

TEST(InstructorAnswers, ModifiedFileAndBadWordsRefused) {
  labtest::TempDir dir;
  std::string text = labtest::read_file(worked_example());
  const std::size_t at = text.find(" 335.85,");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 8, " 335.95,");
  labtest::write_file(dir.path() / "edited.csv", text);
  const Outcome r = run({"answers", (dir.path() / "edited.csv").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("differs:"), std::string::npos);  // verify's report
  EXPECT_NE(r.out.find("335.95"), std::string::npos);
  EXPECT_NE(r.err.find("no answers for a file its program does not write"), std::string::npos);
  EXPECT_EQ(r.out.find("Answer sheet"), std::string::npos);

  EXPECT_EQ(run({"answers", (dir.path() / "missing.csv").string()}).status, 2);
  EXPECT_EQ(run({"answers", "vapor_pressure_gen", "1"}).status, 2);
  EXPECT_EQ(run({"answers", "vapor_pressure_gen", "1", "2", "--relative", "0"}).status, 2);
  EXPECT_EQ(run({"answers", "no_such_gen", "1", "2"}).status, 2);
  // A program without an analysis, when there is one, says so.
  for (const labcore::Program* p : labcore::all_programs())
    if (analysis::find_analysis(p->name) == nullptr) {
      const Outcome none = run({"answers", std::string(p->name), "1", "2"});
      EXPECT_EQ(none.status, 2);
      EXPECT_NE(none.err.find("no answer sheet for " + std::string(p->name)), std::string::npos);
    }
}

TEST(InstructorHandout, MarkdownOfTheProgramAndRefusals) {
  const Outcome r = run({"handout", "vapor_pressure_gen"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::ostringstream want;
  analysis::print_handout(want, vapor(), analysis::find_analysis("vapor_pressure_gen")->handout());
  EXPECT_EQ(r.out, want.str());
  EXPECT_NE(r.out.find("| `Tb` | normal boiling point | K |"), std::string::npos);
  EXPECT_NE(r.out.find("| R, the gas constant | 8.314462618 | J/(mol·K) |"), std::string::npos);
  EXPECT_EQ(run({"handout", "no_such_gen"}).status, 2);
  EXPECT_EQ(run({"handout"}).status, 2);
  const Outcome help = run({"handout", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("PROGRAM"), std::string::npos);
  for (const analysis::Analysis* a : analysis::all_analyses())
    if (a->handout == nullptr) {
      const Outcome none = run({"handout", std::string(a->program)});
      EXPECT_EQ(none.status, 2);
      EXPECT_NE(none.err.find("no handout for " + std::string(a->program) + " yet"), std::string::npos);
      EXPECT_NE(none.err.find("  vapor_pressure_gen\n"), std::string::npos);
    }
}

// A data set that holds no answer (enthalpy_gen's seeds 0 0 put every row
// at the same temperature): its row of answers.csv is empty, every result
// not graded for that student with the reason, named in the feedback.
TEST(InstructorBatch, ADataSetWithoutAnAnswerIsNotGradedWithTheReason) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "roster.csv", "name,seed1,seed2\nZed Zero,0,0\nJane Doe,12345,67890\n");
  const fs::path cls = dir.path() / "class";
  const Outcome b = run({"batch", "enthalpy_gen", (dir.path() / "roster.csv").string(), cls.string()});
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_NE(b.err.find("roster line 2, Zed Zero: the analysis cannot read this data set"), std::string::npos) << b.err;
  const std::string answers = labtest::read_file(cls / "answers.csv");
  const auto a = analysis::grading::read_answers(answers, "answers.csv");
  ASSERT_EQ(a.students.size(), 2u);
  for (const auto& e : a.students[0].results) {
    EXPECT_FALSE(e.gradable());
    EXPECT_EQ(e.not_graded, "it holds no answer (enthalpy_gen: every row is at the same temperature; the Shomate "
                            "line needs two)");
  }
  EXPECT_TRUE(a.students[1].results[0].gradable());
  const auto form = labtest::lines(labtest::read_file(cls / "results_template.csv"));
  labtest::write_file(dir.path() / "results.csv", form[0] + "\n" + form[1] + "\n");
  const Outcome g = run({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(),
                         (dir.path() / "graded").string()});
  ASSERT_EQ(g.status, 0) << g.err;
  const std::string fb = labtest::read_file(dir.path() / "graded" / "feedback" / "zed_zero.txt");
  EXPECT_NE(fb.find("Total: -\n"), std::string::npos) << fb;
  EXPECT_NE(fb.find(": not graded for your data set: it holds no answer (enthalpy_gen: every row"), std::string::npos)
      << fb;
}

TEST(InstructorRoster, IdentifiersNamesakesAndOldFormsUnchanged) {
  // Seeds worked out by a separate FNV-1a calculation in Python: the old
  // forms keep theirs; an identifier derives from "id\n" + identifier, the
  // second namesake from name + "\n2".
  struct Case {
    const char* roster;
    std::vector<std::tuple<std::string, std::string, std::int32_t, std::int32_t>> students;
    std::string id_heading;
    std::size_t warnings;
  } cases[] = {
      {"name,seed1,seed2\nJane Doe\n\"Doe, John\"\n", {{"Jane Doe", "", 852088493, 476446534},
                                                        {"Doe, John", "", 1480938946, 2009426607}}, "", 0},
      {"Jane Doe\n", {{"Jane Doe", "", 852088493, 476446534}}, "", 0},
      {"\xEF\xBB\xBFName,Seed1,Seed2\r\nJane Doe,,\r\nAnn,5,6\r\n",
       {{"Jane Doe", "", 852088493, 476446534}, {"Ann", "", 5, 6}}, "", 0},
      {"Student Number,Name\ns2,\"Doe, John\"\n,Sam Lee\n,Sam Lee\n",
       {{"Doe, John", "s2", 1452901603, 1420302622},
        {"Sam Lee", "", 55357374, 2017491121},
        {"Sam Lee", "", 574432920, 1099934317}},
       "Student Number", 3},  // the namesake, and two rows without an identifier
      {"name,E-Mail,seed1,seed2\nA,a@x,1,2\nB,b@x,1,2\n", {{"A", "a@x", 1, 2}, {"B", "b@x", 1, 2}}, "E-Mail", 1},
  };
  for (const auto& c : cases) {
    instructor::Roster roster;
    std::string error;
    ASSERT_TRUE(instructor::read_roster(c.roster, "chem301", roster, error)) << c.roster << error;
    EXPECT_EQ(roster.id_heading, c.id_heading) << c.roster;
    EXPECT_EQ(roster.warnings.size(), c.warnings) << c.roster;
    ASSERT_EQ(roster.students.size(), c.students.size()) << c.roster;
    for (std::size_t i = 0; i < c.students.size(); ++i) {
      const auto& [name, id, s1, s2] = c.students[i];
      EXPECT_EQ(roster.students[i].name, name);
      EXPECT_EQ(roster.students[i].id, id);
      EXPECT_EQ(roster.students[i].seed1, s1) << name;
      EXPECT_EQ(roster.students[i].seed2, s2) << name;
    }
  }
  const char* refused[] = {"name,id\nA,x\nB,x\n", "name,comment\nA,x\n", "name,seed1\nA,1\n", "name,id\n,x\n"};
  for (const char* r : refused) {
    instructor::Roster roster;
    std::string error;
    EXPECT_FALSE(instructor::read_roster(r, "chem301", roster, error)) << r;
    EXPECT_EQ(error.rfind("roster line ", 0), 0u) << error;
  }
}

// Rosters as spreadsheets and course sites export them: the separator
// found, an encoding other than UTF-8 read with a warning or refused,
// empty identifiers warned of, several identifier columns taken by
// priority.
TEST(InstructorRoster, AsSpreadsheetsAndCourseSitesWriteThem) {
  struct Case {
    std::string roster;
    std::string name, id, id_heading;
    std::vector<std::string> warnings;
  } cases[] = {
      {"Name;Student ID;Seed1;Seed2\r\n\"Doe; Jane\";s1;1;2\r\n", "Doe; Jane", "s1", "Student ID", {}},
      {"sep=;\nName;Seed1;Seed2\nDoe, Jane;1;2\n", "Doe, Jane", "", "", {}},
      {"Name\tE-mail\tSeed1\tSeed2\nAnn Ash\tann@uni.example\t1\t2\n", "Ann Ash", "ann@uni.example", "E-mail", {}},
      {"Name,Seed1,Seed2\nJos\xE9,1,2\n", "Jos\xC3\xA9", "", "",
       {"roster line 2: not UTF-8; the file is read as Windows-1252 (save it as CSV UTF-8 to be sure of its accented "
        "letters)"}},
      {"Name,Email,Student ID,Seed1,Seed2\nAnn,a@x,s1,1,2\n", "Ann", "s1", "Student ID",
       {"roster line 1, column 2 (Email): another identifier; Student ID (column 3) is taken (student numbers before "
        "ids, user names and e-mail addresses), Email left out"}},
      {"Student,ID,SIS User ID,Seed1,Seed2\nAnn,981,s1,1,2\n", "Ann", "s1", "SIS User ID",
       {"roster line 1, column 2 (ID): another identifier; SIS User ID (column 3) is taken (student numbers before "
        "ids, user names and e-mail addresses), ID left out"}},
      {"Name,Student ID,Seed1,Seed2\nAnn,,1,2\n", "Ann", "", "Student ID",
       {"roster line 2, column 2 (Student ID): no Student ID for Ann: the class knows this student by name only"}},
  };
  for (const auto& c : cases) {
    instructor::Roster roster;
    std::string error;
    ASSERT_TRUE(instructor::read_roster(c.roster, "chem301", roster, error)) << c.roster << error;
    ASSERT_EQ(roster.students.size(), 1u) << c.roster;
    EXPECT_EQ(roster.students[0].name, c.name);
    EXPECT_EQ(roster.students[0].id, c.id);
    EXPECT_EQ(roster.id_heading, c.id_heading);
    EXPECT_EQ(roster.warnings, c.warnings);
  }
  const std::pair<std::string, std::string> refused[] = {
      {"PK\x03\x04\x14\0\x06\0", "a zip file (a workbook such as .xlsx or .ods?), not CSV text: save the sheet as CSV"},
      {std::string("Name\nAnn\0\n", 10), "roster line 2: a NUL byte: this is no text file"},
      {"Name,Student ID,Student Number\nAnn,s1,1\n",
       "roster line 1, column 3 (Student Number): a second identifier column of the kind of Student ID (column 2)"},
      {"Name,Seed1,Seed2\n\"Ann\nLee\",1,2\n", "roster line 2, column 1 (Name): the name holds a line break"},
      {"Name;Student ID\nAnn;s1\nBo;s1\n", "roster line 3, column 2 (Student ID): Student ID s1 is on line 2 too"},
  };
  for (const auto& [text, message] : refused) {
    instructor::Roster roster;
    std::string error;
    EXPECT_FALSE(instructor::read_roster(text, "chem301", roster, error)) << text;
    EXPECT_EQ(error.rfind(message, 0), 0u) << error;
  }
}

// A roster with identifiers, namesakes and a spreadsheet's bytes.
const char* const class_roster =
    "\xEF\xBB\xBFName,Student Number,Seed1,Seed2\r\nJane Doe,s1,12345,67890\r\n\"Doe, John\",s2,,\r\n"
    "Sam Lee,s3,,\r\nSam Lee,s4,,\r\nAnn Ash,s5,111,222\r\n";

TEST(InstructorBatch, AnswersAndTemplateRowsAreTheSheets) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "roster.csv", class_roster);
  const fs::path out = dir.path() / "class";
  const Outcome r = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), out.string(), "--course",
                     "chem301"});
  ASSERT_EQ(r.status, 0) << r.err;
  instructor::Roster roster;
  std::string error;
  ASSERT_TRUE(instructor::read_roster(class_roster, "chem301", roster, error));
  const auto answers = labtest::lines(labtest::read_file(out / "answers.csv"));
  const auto form = labtest::lines(labtest::read_file(out / "results_template.csv"));
  ASSERT_EQ(answers.size(), 6u);
  ASSERT_EQ(form.size(), 6u);
  for (std::size_t i = 0; i < roster.students.size(); ++i) {
    const instructor::Student& s = roster.students[i];
    const auto ds = labtest::data_set(vapor(), s.seed1, s.seed2, s.name);
    const analysis::AnswerSheet sheet = analysis::answer_sheet(vapor(), ds.text, ds.key, s.name, s.seed1, s.seed2);
    if (i == 0) {
      EXPECT_EQ(answers[0], analysis::grading::answers_csv_heading(sheet, "Student Number"));
      EXPECT_EQ(form[0], "name,Student Number,seed1,seed2,dHvap (J/mol),Tb (K),a,b (K),c (K)");
    }
    EXPECT_EQ(answers[i + 1], analysis::grading::answers_csv_row(sheet, "Student Number", s.id));
    EXPECT_EQ(form[i + 1], analysis::grading::results_template_row(sheet, "Student Number", s.id));
  }
  EXPECT_EQ(form[2], "\"Doe, John\",s2,1452901603,1420302622,,,,,");
  // The identifier travels through the key too.
  const auto key = labtest::lines(labtest::read_file(out / "vapor_pressure_gen_key.csv"));
  EXPECT_EQ(key[0].rfind("student,Student Number,file,seed1,seed2,seeds,a,", 0), 0u);
  EXPECT_EQ(key[4].rfind("Sam Lee,s4,sam_lee_2.csv,", 0), 0u);
  // The same batch again finds its class there (a run stopped after its
  // commit is re-run): nothing written, status 0.
  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(out)) before[e.path().filename().string()] = labtest::read_file(e.path());
  const Outcome again = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), out.string(),
                             "--course", "chem301"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("holds this class already"), std::string::npos) << again.out;
  // Another batch into the same folder (one seed differs, or another
  // tolerance) writes nothing.
  std::string other_roster = class_roster;
  other_roster.replace(other_roster.find("111"), 3, "112");
  labtest::write_file(dir.path() / "other.csv", other_roster);
  for (const auto& args : {std::vector<std::string>{"batch", "vapor_pressure_gen", (dir.path() / "other.csv").string(),
                                                    out.string(), "--course", "chem301"},
                           std::vector<std::string>{"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(),
                                                    out.string(), "--course", "chem301", "--relative", "3"}}) {
    const Outcome other = run(args);
    EXPECT_EQ(other.status, 1);
    EXPECT_NE(other.err.find("answers.csv exists already"), std::string::npos) << other.err;
    EXPECT_NE(other.err.find("batch --add adds students to the class there"), std::string::npos) << other.err;
  }
  std::map<std::string, std::string> after;
  for (const auto& e : fs::directory_iterator(out)) after[e.path().filename().string()] = labtest::read_file(e.path());
  EXPECT_EQ(after, before);
}

TEST(InstructorBatchAdd, LateStudentsJoinWithoutTouchingTheClass) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "roster.csv", class_roster);
  const fs::path cls = dir.path() / "class";
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), cls.string(), "--course",
                 "chem301"}).status,
            0);
  std::map<std::string, std::string> before;
  for (const auto& e : fs::directory_iterator(cls)) before[e.path().filename().string()] = labtest::read_file(e.path());
  // Jane Doe again (skipped), a second Jane Doe with her own number, and
  // Bo Brown.
  labtest::write_file(dir.path() / "late.csv", "Name,Student Number,Seed1,Seed2\nJane Doe,s1,12345,67890\n"
                                                "Jane Doe,s9,,\nBo Brown,s7,5,6\n");
  const Outcome r = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(), cls.string(),
                         "--course", "chem301"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("roster line 2, Jane Doe: in the class already (jane_doe.csv), skipped"), std::string::npos);
  // Every data set there was is untouched; the class files grew by two rows.
  for (const auto& [name, text] : before) {
    const std::string now = labtest::read_file(cls / name);
    if (name.ends_with("_key.csv") || name == "answers.csv" || name == "results_template.csv") {
      EXPECT_EQ(now.substr(0, text.size()), text) << name;
      EXPECT_EQ(labtest::lines(now).size(), labtest::lines(text).size() + 2) << name;
    } else {
      EXPECT_EQ(now, text) << name;
    }
  }
  EXPECT_EQ(labtest::read_file(cls / "jane_doe_2.csv"), labtest::data_set(vapor(), 1453390740, 1419813485, "Jane Doe").text);
  EXPECT_EQ(labtest::read_file(cls / "bo_brown.csv"), labtest::data_set(vapor(), 5, 6, "Bo Brown").text);
  const auto ds = labtest::data_set(vapor(), 5, 6, "Bo Brown");
  EXPECT_EQ(labtest::lines(labtest::read_file(cls / "answers.csv")).back(),
            analysis::grading::answers_csv_row(analysis::answer_sheet(vapor(), ds.text, ds.key, "Bo Brown", 5, 6),
                                               "Student Number", "s7"));
  // A class without the handout (made before there was one) gets it; one
  // with it keeps its own.
  fs::remove(cls / "handout.md");
  labtest::write_file(dir.path() / "later.csv", "Name,Student Number,Seed1,Seed2\nCy Cole,s10,7,8\n");
  ASSERT_EQ(run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "later.csv").string(), cls.string()}).status, 0);
  EXPECT_EQ(labtest::read_file(cls / "handout.md"), before["handout.md"]);
  // A student of the class with other seeds: refused, nothing changed.
  labtest::write_file(dir.path() / "clash.csv", "name,student number,seed1,seed2\nNew One,s8,1,2\nJane Doe,s1,1,2\n");
  const Outcome clash = run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "clash.csv").string(),
                             cls.string()});
  EXPECT_EQ(clash.status, 2);
  EXPECT_FALSE(fs::exists(cls / "new_one.csv"));
  EXPECT_EQ(run({"batch", "--add", "vapor_pressure_gen", (dir.path() / "late.csv").string(),
                 (dir.path() / "none").string(), "--course", "chem301"}).status,
            2);
}

TEST(InstructorVerifyClass, AClassmatesFileWithTheNameEditedIsAMismatch) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "roster.csv", class_roster);
  const fs::path cls = dir.path() / "class";
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), cls.string(), "--course",
                 "chem301"}).status,
            0);
  // John Doe's data set with Jane Doe's name record: still exactly what the
  // program writes for those seeds and that name.
  auto john = labtest::lines(labtest::read_file(cls / "doe_john.csv"));
  john[2] = labtest::lines(labtest::read_file(cls / "jane_doe.csv"))[2];
  std::string forged;
  for (const auto& l : john) forged += l + "\n";
  labtest::write_file(dir.path() / "forged.csv", forged);
  const std::string f = (dir.path() / "forged.csv").string();
  EXPECT_EQ(run({"verify", f}).status, 0);  // without the class: identical

  const Outcome one = run({"verify", "--class", cls.string(), f});
  EXPECT_EQ(one.status, 1);
  EXPECT_NE(one.out.find("name mismatch: the file names \"Jane Doe\", but its seeds 1452901603 1420302622 were "
                         "handed to Doe, John (s2)"),
            std::string::npos)
      << one.out;
  const Outcome own = run({"verify", "--class", cls.string(), (cls / "jane_doe.csv").string()});
  EXPECT_EQ(own.status, 0);
  EXPECT_NE(own.out.find("the name is that of the roster student"), std::string::npos);

  // Seeds of no one in the class, and many files at once.
  labtest::write_file(dir.path() / "stranger.csv", labtest::data_set(vapor(), 7, 8, "Jane Doe").text);
  const Outcome many = run({"verify", "--class", cls.string(), (cls / "sam_lee_2.csv").string(), f,
                            (dir.path() / "stranger.csv").string()});
  EXPECT_EQ(many.status, 1);
  EXPECT_NE(many.out.find("its seeds 7 8 are no student's of the class"), std::string::npos);
  EXPECT_NE(many.out.find("3 files: 3 identical, 0 differ, 0 not readable as data sets, 2 not the roster "
                          "student's name"),
            std::string::npos)
      << many.out;
  EXPECT_EQ(run({"verify", "--class", (dir.path() / "nowhere").string(), f}).status, 2);

  // Jane Doe's data set renamed as John Doe's file of the key: identical,
  // her name and her seeds, but not the data set the key gave that name.
  fs::create_directories(dir.path() / "handed_in");
  const fs::path renamed = dir.path() / "handed_in" / "doe_john.csv";
  fs::copy_file(cls / "jane_doe.csv", renamed);
  const Outcome one_renamed = run({"verify", "--class", cls.string(), renamed.string()});
  EXPECT_EQ(one_renamed.status, 1);
  EXPECT_NE(one_renamed.out.find("name mismatch: the file is named doe_john.csv, the data set of Doe, John (s2) in "
                                 "the key, but holds the seeds 12345 67890 of Jane Doe (s1)"),
            std::string::npos)
      << one_renamed.out;
  const Outcome both = run({"verify", "--class", cls.string(), (cls / "jane_doe.csv").string(), renamed.string()});
  EXPECT_EQ(both.status, 1);
  EXPECT_NE(both.out.find("one data set in several files:\n  " + (cls / "jane_doe.csv").string() + " " +
                          renamed.string() + ": vapor_pressure_gen, seeds 12345 67890, the same records\n"),
            std::string::npos)
      << both.out;
  EXPECT_NE(both.out.find("2 files: 2 identical, 0 differ, 0 not readable as data sets, 1 not the roster student's "
                          "name, 2 holding a data set another file holds"),
            std::string::npos)
      << both.out;
}

TEST(InstructorGrade, ClassCycleFromRosterToGrades) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "roster.csv", class_roster);
  const fs::path cls = dir.path() / "class";
  ASSERT_EQ(run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), cls.string(), "--course",
                 "chem301"}).status,
            0);
  // Fill in the template as the instructor would: Jane Doe's worked
  // example (her sheet: dHvap 36081.5 ± 721.6, Tb 399.126 ± 7.98, a 20.9697
  // ± 0.419, b 3351.58 ± 67.0, c −44.4251 ± 0.889) with dHvap in kJ/mol and
  // c 1.5 tolerances off; John Doe leaves Tb empty; the rest reported
  // nothing at all but Ann Ash, who gave her seeds wrong.
  auto form = labtest::lines(labtest::read_file(cls / "results_template.csv"));
  form[1] = "Jane Doe,s1,12345,67890,36.08,399.1,20.97,3351.6,-45.76";
  form[5] = "Ann Ash,s5,111,223,,,,,";
  std::string results;
  for (std::size_t i = 0; i < form.size(); ++i)
    if (i != 3 && i != 4) results += form[i] + "\r\n";
  labtest::write_file(dir.path() / "results.csv", results);
  labtest::write_file(dir.path() / "weights.csv", "result,weight\nc,2\n");

  const fs::path graded = dir.path() / "graded";
  const Outcome r = run({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(), graded.string(),
                     "--weights", (dir.path() / "weights.csv").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto grades = labtest::lines(labtest::read_file(graded / "grades.csv"));
  ASSERT_EQ(grades.size(), 6u);
  EXPECT_EQ(grades[0], "Student Number,name,total (%),dHvap,Tb,a,b,c");
  // (1 + 1 + 1 + 1 + 2·2/3)/6 = 88.9 %
  EXPECT_EQ(grades[1], "s1,Jane Doe,88.9,1,1,1,1,0.667");
  EXPECT_EQ(grades[2], "s2,\"Doe, John\",0.0,0,0,0,0,0");
  EXPECT_EQ(grades[3], "s3,Sam Lee,,,,,,");
  EXPECT_EQ(grades[5], "s5,Ann Ash,0.0,0,0,0,0,0");
  const std::string jane = labtest::read_file(graded / "feedback" / "s1.txt");
  EXPECT_NE(jane.find("dHvap (J/mol): you reported 36.08\n"
                      "  your data give 36081.5 J/mol; full credit within 721.6 J/mol (2 %) of it\n"
                      "  credit 1: the value reads as kJ/mol (36080 J/mol), within the tolerance; report it in J/mol "
                      "as asked (a unit slip, counted in full)\n"),
            std::string::npos)
      << jane;
  EXPECT_NE(jane.find("c (K): you reported -45.76\n"
                      "  your data give -44.4251 K; full credit within 0.8885 K (2 %) of it\n"
                      "  credit 2/3 (weight 2): within twice the tolerance, 1.33 K below (3 %)\n"),
            std::string::npos)
      << jane;
  // Flags are the instructor's: in report.csv and on the terminal, never
  // in the feedback.
  EXPECT_EQ(labtest::read_file(graded / "feedback" / "s5.txt").find("seeds 111 223"), std::string::npos);
  const auto report = labtest::lines(labtest::read_file(graded / "report.csv"));
  ASSERT_EQ(report.size(), 5u);
  EXPECT_EQ(report[0], "Student Number,name,line,kind,results,reported,chance,evidence");
  EXPECT_EQ(report[1], "s1,Jane Doe,2,unit,dHvap,36.08,,\"36.08 given in kJ/mol where J/mol is expected: it reads "
                       "36080 J/mol, within the tolerance; credit 1\"");
  EXPECT_EQ(report[2], "s5,Ann Ash,4,seeds,,,,\"seeds 111 223 reported, 111 222 handed out\"");
  EXPECT_EQ(report[3], "s3,Sam Lee,,no row,,,,no row in the results");
  EXPECT_EQ(fs::status(graded / "report.csv").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  const auto summary = labtest::lines(labtest::read_file(graded / "summary.csv"));
  ASSERT_EQ(summary.size(), 6u);
  EXPECT_EQ(summary[5].rfind("c,K,2,3,1,0.0,", 0), 0u);
  EXPECT_NE(r.out.find("Graded 3 of 5 students"), std::string::npos);
  EXPECT_NE(r.out.find("line 4, Ann Ash (s5): seeds: seeds 111 223 reported, 111 222 handed out"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("No row in the results:\n  Sam Lee (s3)\n  Sam Lee (s4)\n"), std::string::npos);
  EXPECT_NE(r.out.find("1 value read in another unit of the result's kind (flagged \"unit\"): full credit, as "
                       "converted (--unit-slip partial or none to change)"),
            std::string::npos)
      << r.out;

  // Never over an earlier grading.
  const Outcome again = run({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(),
                         graded.string()});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("grades.csv exists already"), std::string::npos);

  // A results file whose heading cannot be used: every problem at once,
  // nothing written.
  labtest::write_file(dir.path() / "bad.csv", "name;Student Number;dHvap;Tb (K);a;b (K);Tc (K)\nJane Doe;s1;1;2;3;4;5\n");
  const fs::path none = dir.path() / "none";
  const Outcome bad = run({"grade", (cls / "answers.csv").string(), (dir.path() / "bad.csv").string(), none.string()});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("bad.csv, line 1, column 7 (Tc (K)): unknown column; the results of "), std::string::npos)
      << bad.err;
  EXPECT_NE(bad.err.find("bad.csv, line 1: no column for the result c (K)\nnothing graded\n"), std::string::npos)
      << bad.err;
  EXPECT_FALSE(fs::exists(none));

  // Rows that cannot be graded: the others are, those students' cells are
  // empty (whatever --missing says), each row is named, status 1.
  labtest::write_file(dir.path() / "twice.csv",
                      results + "Jane Doe,s1,12345,67890,\"36,08\",,,,\r\nNo One,s9,1,2,,,,,\r\n");
  const fs::path held = dir.path() / "held";
  const Outcome twice = run({"grade", (cls / "answers.csv").string(), (dir.path() / "twice.csv").string(),
                             held.string(), "--missing", "zero", "--unit-slip", "none"});
  EXPECT_EQ(twice.status, 1) << twice.err;
  EXPECT_NE(twice.out.find("Rows not graded (mend them and grade again into a new folder):\n  " +
                           (dir.path() / "twice.csv").string() +
                           ", line 2, column 2 (Student Number): Jane Doe (s1) also on line 5: no row of this student "
                           "is graded\n"),
            std::string::npos)
      << twice.out;
  EXPECT_NE(twice.out.find("twice.csv, line 6, column 2 (Student Number): no student s9 in "), std::string::npos)
      << twice.out;
  const auto held_grades = labtest::lines(labtest::read_file(held / "grades.csv"));
  EXPECT_EQ(held_grades[1], "s1,Jane Doe,,,,,,");
  EXPECT_EQ(held_grades[3], "s3,Sam Lee,0.0,0,0,0,0,0");  // --missing zero
  EXPECT_EQ(held_grades[2], "s2,\"Doe, John\",0.0,0,0,0,0,0");
  EXPECT_NE(twice.err.find("1 student not graded"), std::string::npos);
  EXPECT_EQ(run({"grade", (cls / "answers.csv").string(), (dir.path() / "results.csv").string(),
                 (dir.path() / "x").string(), "--missing", "nought"}).status,
            2);
}

}  // namespace
