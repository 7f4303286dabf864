// Solution workbooks from the instructor's tool: from seeds, from a
// handed-in data set, and for a whole class; always as new files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "instructor/instructor.hpp"
#include "labcore/registry.hpp"
#include "support/spreadsheet.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

struct Ran {
  int status;
  std::string out, err;
};

Ran run(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = instructor::run(args, out, err);
  return {status, out.str(), err.str()};
}

// A workbook file: a zip archive, small, a solution readable by the
// instructor alone (it holds the answers) whatever the umask, a student's
// with the usual mode (umask 022 here).
void expect_workbook(const fs::path& file, mode_t want = 0600) {
  ASSERT_TRUE(fs::exists(file)) << file;
  const std::string bytes = labtest::read_file(file);
  EXPECT_EQ(bytes.substr(0, 4), std::string("PK\x03\x04", 4)) << file;
  EXPECT_LT(bytes.size(), 1u << 20) << "a workbook stays well under a megabyte";
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, want) << file;
}

TEST(WorkbookCommand, FromSeedsAndFromAHandedInFileNeverReplacingAFile) {
  labtest::TempDir dir;
  const mode_t old = ::umask(022);
  const fs::path out = dir.path() / "solution.xlsx";
  const Ran r = run({"workbook", "vapor_pressure_gen", "12345", "67890", out.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  expect_workbook(out);

  // A second time: the file stays as it is and the run says why.
  const std::string first = labtest::read_file(out);
  const Ran again = run({"workbook", "vapor_pressure_gen", "12345", "67890", out.string()});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("exists already"), std::string::npos) << again.err;
  EXPECT_EQ(labtest::read_file(out), first);

  // The student's own file, as handed in, re-saved with CR LF line ends.
  const auto ds = labtest::data_set(*labcore::find_program("first_order_gen"), 271828, 314159, "Ada Lovelace");
  std::string crlf;
  for (char c : ds.text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  labtest::write_file(dir.path() / "ada.csv", crlf);
  const Ran from_file = run({"workbook", (dir.path() / "ada.csv").string(), (dir.path() / "ada.xlsx").string()});
  EXPECT_EQ(from_file.status, 0) << from_file.err;
  EXPECT_NE(from_file.out.find("first_order_gen, seeds 271828 314159"), std::string::npos) << from_file.out;
  expect_workbook(dir.path() / "ada.xlsx");

  // A file whose numbers were changed is not the student's data set: no workbook.
  std::string edited = ds.text;
  edited.replace(edited.find("    1.0,"), 8, "    1.5,");
  labtest::write_file(dir.path() / "edited.csv", edited);
  const Ran refused = run({"workbook", (dir.path() / "edited.csv").string(), (dir.path() / "edited.xlsx").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_FALSE(fs::exists(dir.path() / "edited.xlsx"));
  ::umask(old);

  // The student's workbook of the same data set: the data and the form,
  // no solution sheet.
  const fs::path form = dir.path() / "form.xlsx";
  const Ran student = run({"workbook", "--student", "vapor_pressure_gen", "12345", "67890", form.string()});
  EXPECT_EQ(student.status, 0) << student.err;
  EXPECT_NE(student.out.find("student's workbook of vapor_pressure_gen"), std::string::npos) << student.out;
  expect_workbook(form, 0644);
  const std::string book = labtest::package_part(form, "xl/workbook.xml");
  EXPECT_NE(book.find("name=\"Analysis\""), std::string::npos);
  EXPECT_EQ(book.find("name=\"Solution\""), std::string::npos);

  // Words that name no data set.
  EXPECT_EQ(run({"workbook", "vapor_pressure_gen", "1", (dir.path() / "x.xlsx").string()}).status, 2);
  EXPECT_EQ(run({"workbook", "vapor_pressure_gen", "1", "x", (dir.path() / "x.xlsx").string()}).status, 2);
  EXPECT_FALSE(fs::exists(dir.path() / "x.xlsx"));
  // No temporary file is left beside the workbooks.
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}

TEST(WorkbookCommand, ABatchWritesAWorkbookPerStudentAllOrNothing) {
  labtest::TempDir dir;
  const mode_t old = ::umask(022);
  labtest::write_file(dir.path() / "roster.csv", "name,seed1,seed2\nJane Doe,12345,67890\nJohn Roe,5,6\n");
  const fs::path out = dir.path() / "class";
  const Ran r = run({"batch", "vapor_pressure_gen", (dir.path() / "roster.csv").string(), out.string(), "--workbooks"});
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* stem : {"jane_doe", "john_roe"}) {
    EXPECT_TRUE(fs::exists(out / (std::string(stem) + ".csv")));
    // Hers beside her data set, without the solution; the solution in
    // the instructor's folder.
    expect_workbook(out / (std::string(stem) + ".xlsx"), 0644);
    EXPECT_EQ(labtest::package_part(out / (std::string(stem) + ".xlsx"), "xl/workbook.xml").find("Solution"),
              std::string::npos);
    expect_workbook(out / "solutions" / (std::string(stem) + ".xlsx"));
  }
  struct stat folder {};
  ASSERT_EQ(::stat((out / "solutions").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  ::umask(old);

  // One workbook of a new class in the way: nothing of that class is written.
  labtest::write_file(dir.path() / "roster2.csv", "name,seed1,seed2\nAnn Lee,1,2\nBob Ray,3,4\n");
  const fs::path out2 = dir.path() / "class2";
  fs::create_directories(out2);
  labtest::write_file(out2 / "bob_ray.xlsx", "mine");
  const Ran blocked =
      run({"batch", "vapor_pressure_gen", (dir.path() / "roster2.csv").string(), out2.string(), "--workbooks"});
  EXPECT_EQ(blocked.status, 1) << blocked.err;
  EXPECT_FALSE(fs::exists(out2 / "ann_lee.csv"));
  EXPECT_FALSE(fs::exists(out2 / "ann_lee.xlsx"));
  EXPECT_EQ(labtest::read_file(out2 / "bob_ray.xlsx"), "mine");
}

}  // namespace
