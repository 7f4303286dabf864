// The instructor's tool: keys, batches and verification, over the real
// generators.
#include <gtest/gtest.h>

#include <sstream>

#include "instructor/instructor.hpp"
#include "instructor/roster.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

extern const labcore::Program vapor_pressure_gen;

namespace {

struct Result {
  int status;
  std::string out, err;
};

Result run(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = instructor::run(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(InstructorKey, ShowsTheHiddenValuesOfTheWorkedExample) {
  const auto r = run({"key", "vapor_pressure_gen", "12345", "67890"});
  EXPECT_EQ(r.status, 0);
  for (const char* line : {"  a        20.966158\n", "  b        3349.1509\n", "  c        -44.547321\n",
                           "  pmax     104058.8\n", "  npoints  11\n", "  pstep    9110.5566\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
  const auto csv = run({"key", "vapor_pressure_gen", "12345", "67890", "--csv"});
  EXPECT_EQ(labtest::lines(csv.out)[0], "name,value");
  EXPECT_EQ(labtest::lines(csv.out)[1], "a,20.966158");
}

TEST(InstructorKey, EveryProgramNamesItsHiddenValues) {
  for (const labcore::Program* p : labcore::all_programs()) {
    const auto ds = labtest::data_set(*p, 12345, 67890);
    EXPECT_FALSE(ds.key.empty()) << p->name;
  }
}

TEST(InstructorKey, BadArgumentsAreExplained) {
  EXPECT_EQ(run({"key", "no_such_gen", "1", "2"}).status, 2);
  EXPECT_NE(run({"key", "no_such_gen", "1", "2"}).err.find("vapor_pressure_gen"), std::string::npos);
  EXPECT_EQ(run({"key", "vapor_pressure_gen", "1", "x"}).status, 2);
  EXPECT_EQ(run({"key", "vapor_pressure_gen", "1"}).status, 2);
  EXPECT_EQ(run({}).status, 2);
  EXPECT_EQ(run({"frobnicate"}).status, 2);
}

TEST(InstructorBatch, WritesWhatTheInteractiveProgramWrites) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "roster.csv",
                      "name,seed1,seed2\n# a comment\nJane Doe,12345,67890\n\n\"Doe, John\"\nJane Doe,5,6\n");
  const auto out = dir.path() / "out";
  const auto r = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), out.string(),
                      "--course", "chem301"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::int32_t s1 = 0, s2 = 0;
  instructor::derive_seeds("chem301", "Doe, John", s1, s2);

  const std::pair<std::string, std::string> expected[] = {
      {"jane_doe.csv", labtest::replies(12345, 67890, "x.csv", "Jane Doe")},
      {"doe_john.csv", labtest::replies(s1, s2, "x.csv", "Doe, John")},
      {"jane_doe_2.csv", labtest::replies(5, 6, "x.csv", "Jane Doe")},
  };
  for (const auto& [file, replies] : expected) {
    labtest::TempDir elsewhere;
    const auto interactive = labtest::run_dialog(vapor_pressure_gen, replies, elsewhere.path(), "x.csv");
    EXPECT_EQ(labtest::read_file(out / file), interactive.file) << file;
  }
  const auto key = labtest::lines(labtest::read_file(out / "vapor_pressure_gen_key.csv"));
  ASSERT_EQ(key.size(), 4u);
  EXPECT_EQ(key[0], "student,file,seed1,seed2,seeds,a,b,c,pmax,pmin,npoints,pstep");
  EXPECT_EQ(key[1].substr(0, 47), "Jane Doe,jane_doe.csv,12345,67890,roster,20.966");
  EXPECT_EQ(key[2].substr(0, 24), "\"Doe, John\",doe_john.csv");
  EXPECT_NE(key[2].find(",derived,"), std::string::npos);

  // A second batch into the same folder writes nothing and touches nothing.
  const std::string before = labtest::read_file(out / "jane_doe.csv");
  const auto again = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), out.string(),
                          "--course", "other"});
  EXPECT_EQ(again.status, labcore::exit_file_not_created);
  EXPECT_EQ(labtest::read_file(out / "jane_doe.csv"), before);
}

TEST(InstructorBatch, AMalformedRowIsNamedByItsLine) {
  labtest::TempDir dir;
  const auto roster = dir.path() / "roster.csv";
  const std::pair<const char*, const char*> cases[] = {
      {"Ann,1,2\nBob,1\n", "roster line 2: expected: name or name,seed1,seed2"},
      {"Ann,1,2\n\nBob,x,2\n", "roster line 3, column 2: the seeds of Bob must be whole numbers"},
      {"\"Ann,1,2\n", "roster line 1: a quoted cell is not closed"},
      {"Ann\n", "roster line 1: no seeds for Ann"},
      {"Ann,1,2\n ,3,4\n", "roster line 2, column 1: the student's name is empty"},
  };
  for (const auto& [text, message] : cases) {
    labtest::write_file(roster, text);
    const auto r = run({"batch", "vapor_pressure_gen", roster.string(), (dir.path() / "out").string()});
    EXPECT_EQ(r.status, 2) << text;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / "ann.csv"));
  }
}

TEST(InstructorBatch, DerivedSeedsAreStableAndInRange) {
  std::int32_t a1, a2, b1, b2, c1, c2;
  instructor::derive_seeds("chem301", "Jane Doe", a1, a2);
  instructor::derive_seeds("chem301", "Jane Doe", b1, b2);
  instructor::derive_seeds("chem302", "Jane Doe", c1, c2);
  EXPECT_EQ(a1, b1);
  EXPECT_EQ(a2, b2);
  EXPECT_NE(a1, c1);
  EXPECT_NE(a1, a2);
  for (std::int32_t s : {a1, a2, c1, c2}) {
    EXPECT_GE(s, 1);
    EXPECT_LE(s, 2147483562);
  }
}

TEST(InstructorVerify, AcceptsEveryProgramsUntouchedFileAndPinpointsAChangedDigit) {
  for (const labcore::Program* p : labcore::all_programs()) {
    labtest::TempDir dir;
    const auto r = labtest::run_dialog(*p, labtest::replies(12345, 67890, "d.csv", "Ann \"Bee\" Sea"), dir.path(), "d.csv");
    const std::string path = (dir.path() / "d.csv").string();
    const auto ok = run({"verify", path});
    EXPECT_EQ(ok.status, 0) << p->name << ok.out << ok.err;
    EXPECT_NE(ok.out.find("identical"), std::string::npos);

    // Move the last digit of the last record that has one by five units
    // (one to three is what another build may write: a question, not an
    // edit; see instructor_batch_verify_test.cpp).
    auto lines = labtest::lines(r.file);
    std::size_t row = lines.size(), col = std::string::npos;
    while (row > 0 && col == std::string::npos) {
      --row;
      col = lines[row].find_last_of("0123456789");
    }
    ASSERT_NE(col, std::string::npos);
    lines[row][col] = static_cast<char>('0' + (lines[row][col] - '0' + 5) % 10);
    std::string changed;
    for (const auto& l : lines) changed += l + "\n";
    labtest::write_file(path, changed);
    const auto bad = run({"verify", path});
    EXPECT_EQ(bad.status, 1) << p->name;
    EXPECT_NE(bad.out.find("record " + std::to_string(row + 1) + " differs"), std::string::npos) << bad.out;
  }
}

TEST(InstructorVerify, RejectsFilesOfNoProgram) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "x.csv", "hello\nworld\nagain\n");
  EXPECT_EQ(run({"verify", (dir.path() / "x.csv").string()}).status, 2);
  EXPECT_EQ(run({"verify", (dir.path() / "missing.csv").string()}).status, 2);
}

}  // namespace
