// The instructor's tool on awkward classes and handed-in files: names that
// collide, overflow the file system or start a spreadsheet formula; files
// re-saved with other line ends, crafted to repaint the terminal, or
// handed in by the hundred.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "instructor/class_batch.hpp"
#include "instructor/dataset_check.hpp"
#include "instructor/instructor.hpp"
#include "instructor/roster.hpp"
#include "labcore/registry.hpp"
#include "support/csv_cells.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

Result run(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = instructor::run(args, out, err);
  return {status, out.str(), err.str()};
}

const labcore::Program& vapor() { return *labcore::find_program("vapor_pressure_gen"); }

std::vector<instructor::Student> named(const std::vector<std::string>& names) {
  std::vector<instructor::Student> s;
  for (std::size_t i = 0; i < names.size(); ++i) s.push_back({static_cast<int>(i + 1), names[i], 1, 2, false});
  return s;
}

TEST(InstructorBatch, FileNamesArePlannedSoThatNoneCollides) {
  const std::vector<std::string> endings = {".csv"}, key = {"vapor_pressure_gen_key.csv"};
  const struct {
    std::vector<std::string> names;
    std::vector<std::string> stems;
  } cases[] = {
      // The second Jane Doe cannot take jane_doe_2: another student has it.
      {{"Jane Doe", "Jane Doe", "Jane Doe 2"}, {"jane_doe", "jane_doe_3", "jane_doe_2"}},
      {{"Jane Doe 2", "Jane Doe", "Jane Doe"}, {"jane_doe_2", "jane_doe", "jane_doe_3"}},
      {{"A", "a", "A 2", "a_2", "A"}, {"a", "a_3", "a_2", "a_2_2", "a_4"}},
      // A student whose name is the key's file name steps aside for it.
      {{"vapor_pressure_gen key", "Ann"}, {"vapor_pressure_gen_key_2", "ann"}},
      // Nothing left of the name: the roster line names the file.
      {{"!!!", "Student line1"}, {"student_line1", "student_line1_2"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(instructor::plan_stems(named(c.names), endings, key), c.stems) << c.names[0];
  }
  // With a second ending a stem is free only when it is free for both:
  // "ann 2 x" would write ann_2_x.csv, which is Ann's second file.
  EXPECT_EQ(instructor::plan_stems(named({"Ann", "Ann", "ann 2 x"}), {".csv", "_2_x.csv"}, {}),
            (std::vector<std::string>{"ann", "ann_2", "ann_2_x_2"}));
}

TEST(InstructorBatch, DuplicateNamesAllGetTheirDataSetsAndTheKeyTellsWhich) {
  labtest::TempDir dir;
  labtest::write_file(dir.path() / "r.csv", "Jane Doe,1,2\nJane Doe,3,4\nJane Doe 2,5,6\n");
  const fs::path out = dir.path() / "out";
  const auto r = run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(labtest::read_file(out / "jane_doe.csv"), labtest::data_set(vapor(), 1, 2, "Jane Doe").text);
  EXPECT_EQ(labtest::read_file(out / "jane_doe_3.csv"), labtest::data_set(vapor(), 3, 4, "Jane Doe").text);
  EXPECT_EQ(labtest::read_file(out / "jane_doe_2.csv"), labtest::data_set(vapor(), 5, 6, "Jane Doe 2").text);
  const auto key = labtest::lines(labtest::read_file(out / "vapor_pressure_gen_key.csv"));
  ASSERT_EQ(key.size(), 4u);
  EXPECT_EQ(key[2].substr(0, 33), "Jane Doe,jane_doe_3.csv,3,4,roste");
  EXPECT_EQ(key[3].substr(0, 35), "Jane Doe 2,jane_doe_2.csv,5,6,roste");
}

TEST(InstructorBatch, LongNamesAreCutAtACharacterBoundaryAndStayUnique) {
  labtest::TempDir dir;
  const std::string a300(300, 'a'), e150 = [] {
    std::string s;
    for (int i = 0; i < 151; ++i) s += "\xC3\xA9";  // é, two bytes: 302 bytes
    return s;
  }();
  labtest::write_file(dir.path() / "r.csv", a300 + ",1,2\n" + a300 + "b,3,4\nx" + e150 + ",5,6\n");
  const fs::path out = dir.path() / "out";
  const auto r = run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(out)) files.insert(e.path().filename().string());
  // 200 bytes of the name: "aaa..."; the second shares them and is numbered;
  // "x" and 99 é are 199 bytes, as half an é may not end the name.
  const std::string e99 = e150.substr(0, 198);
  EXPECT_EQ(files, (std::set<std::string>{std::string(200, 'a') + ".csv", std::string(200, 'a') + "_2.csv",
                                          "x" + e99 + ".csv", "vapor_pressure_gen_key.csv", "answers.csv",
                                          "results_template.csv", "handout.md", "class_settings.txt"}));
  EXPECT_EQ(labtest::read_file(out / (std::string(200, 'a') + "_2.csv")),
            labtest::data_set(vapor(), 3, 4, a300 + "b").text);
}

TEST(InstructorBatch, NamesThatStartAFormulaAreTextInTheKey) {
  const std::pair<const char*, const char*> cases[] = {
      {"=HYPERLINK(1)", "'=HYPERLINK(1)"}, {"+1", "'+1"}, {"-2", "'-2"}, {"@SUM(A1)", "'@SUM(A1)"},
      {"\"=a,b\"", "\"'=a,b\""},  // quoted for its comma, apostrophe inside the quotes
      {"Ann-Marie", "Ann-Marie"}, {"O'Brien", "O'Brien"},
  };
  labtest::TempDir dir;
  std::string roster;
  for (const auto& [name, cell] : cases) roster += std::string(name) + ",1,2\n";
  labtest::write_file(dir.path() / "r.csv", roster);
  const auto r = run({"batch", "vapor_pressure_gen", (dir.path() / "r.csv").string(), (dir.path() / "o").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto key = labtest::lines(labtest::read_file(dir.path() / "o" / "vapor_pressure_gen_key.csv"));
  ASSERT_EQ(key.size(), std::size(cases) + 1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string cell = cases[i].second;
    EXPECT_EQ(key[i + 1].substr(0, cell.size() + 1), cell + ",") << key[i + 1];
  }
}

TEST(InstructorBatch, EveryKeyRowHoldsWhatTheKeyCommandShows) {
  // lle_ternary_gen names a different number of hidden values for
  // different seeds: rows written before a column first appears are
  // padded to the full width.
  labtest::TempDir dir;
  std::string roster;
  for (int i = 1; i <= 12; ++i) roster += "S" + std::to_string(i) + "," + std::to_string(1000 * i) + ",77\n";
  labtest::write_file(dir.path() / "r.csv", roster);
  const auto r = run({"batch", "lle_ternary_gen", (dir.path() / "r.csv").string(), (dir.path() / "o").string()});
  ASSERT_TRUE(r.status == 0 || r.status == 3) << r.err;
  const auto key = labtest::lines(labtest::read_file(dir.path() / "o" / "lle_ternary_gen_key.csv"));
  ASSERT_EQ(key.size(), 13u);
  const auto heading = labtest::cells(key[0]);
  for (int i = 1; i <= 12; ++i) {
    const auto row = labtest::cells(key[i]);
    ASSERT_EQ(row.size(), heading.size()) << key[i];
    const auto shown = run({"key", "lle_ternary_gen", std::to_string(1000 * i), "77", "--csv"});
    std::size_t filled = 0;
    for (const std::string& line : labtest::lines(shown.out)) {
      if (line == "name,value") continue;
      const auto nv = labtest::cells(line);
      const auto col = std::find(heading.begin(), heading.end(), nv[0]) - heading.begin();
      ASSERT_LT(static_cast<std::size_t>(col), heading.size()) << nv[0];
      EXPECT_EQ(row[static_cast<std::size_t>(col)], nv[1]) << nv[0];
      ++filled;
    }
    std::size_t nonempty = 0;
    for (std::size_t c = 5; c < row.size(); ++c) nonempty += !row[c].empty();
    EXPECT_EQ(nonempty, filled) << key[i];
  }
}

TEST(InstructorBatch, AFileThatAppearsBeforeTheMoveIsNeitherReplacedNorMixedIn) {
  labtest::TempDir dir;
  const fs::path out = dir.path() / "class";
  std::string error;
  {
    instructor::ClassFolder folder;
    std::ostringstream err;
    ASSERT_EQ(folder.open(out, err, error), 0) << error;
    for (const char* name : {"a.csv", "b.csv", "c.csv"}) {
      labcore::DataFile f;
      ASSERT_TRUE(folder.create(name, f, error)) << error;
      f.record(name);
      ASSERT_TRUE(f.close());
    }
    EXPECT_TRUE(folder.existing({"a.csv", "b.csv", "c.csv"}).empty());
    // Someone else writes b.csv after the check and before the move.
    labtest::write_file(out / "b.csv", "theirs\n");
    EXPECT_EQ(folder.commit(error), labcore::exit_file_not_created);
    EXPECT_NE(error.find("b.csv"), std::string::npos) << error;
  }
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(out)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"b.csv"});
  EXPECT_EQ(labtest::read_file(out / "b.csv"), "theirs\n");
}

// A data set of vapor_pressure_gen written to `path` after `edit`.
std::string handed_in(const fs::path& path, int seed, const std::function<void(std::vector<std::string>&)>& edit,
                      const char* line_end = "\n", const char* start = "") {
  auto lines = labtest::lines(labtest::data_set(vapor(), seed, 4, "Ann").text);
  edit(lines);
  std::string text = start;
  for (const auto& l : lines) text += l + line_end;
  labtest::write_file(path, text);
  return path.string();
}

TEST(InstructorVerify, ReSavedLineEndsAndByteOrderMarkAreNamed) {
  labtest::TempDir dir;
  const auto same = [](std::vector<std::string>&) {};
  const auto changed = [](std::vector<std::string>& l) { l[14][l[14].find_first_of("123456789")] ^= 1; };
  const struct {
    const char* line_end;
    const char* start;
    const char* note;
  } cases[] = {
      {"\r\n", "", "identical apart from the line ends (CR LF instead of LF)"},
      {"\n", "\xEF\xBB\xBF", "identical apart from the byte-order mark"},
      {"\r\n", "\xEF\xBB\xBF", "identical apart from the line ends (CR LF instead of LF) and the byte-order mark"},
  };
  for (const auto& c : cases) {
    const auto ok = run({"verify", handed_in(dir.path() / "a.csv", 3, same, c.line_end, c.start)});
    EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
    EXPECT_NE(ok.out.find(c.note), std::string::npos) << ok.out;
    const auto bad = run({"verify", handed_in(dir.path() / "b.csv", 3, changed, c.line_end, c.start)});
    EXPECT_EQ(bad.status, 1) << bad.out << bad.err;
    EXPECT_NE(bad.out.find("record 15 differs"), std::string::npos) << bad.out;
  }
}

// Moves the n-th decimal number of a record (0-based) by `units` in its
// last digit, keeping its width and decimals.
void bump(std::string& record, int n, long units) {
  std::size_t end = 0;
  for (int k = 0;; ++k) {
    const std::size_t point = record.find('.', end);
    ASSERT_NE(point, std::string::npos) << record;
    std::size_t start = point, stop = point + 1;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(record[start - 1]))) --start;
    while (stop < record.size() && std::isdigit(static_cast<unsigned char>(record[stop]))) ++stop;
    end = stop;
    if (k < n) continue;
    std::string digits = record.substr(start, point - start) + record.substr(point + 1, stop - point - 1);
    const std::size_t decimals = stop - point - 1;
    std::string moved = std::to_string(std::stol(digits) + units);
    while (moved.size() <= decimals) moved.insert(0, "0");
    moved.insert(moved.size() - decimals, ".");
    std::size_t from = start;
    while (from > 0 && record[from - 1] == ' ' && moved.size() > stop - from) --from;
    record.replace(from, stop - from, std::string(stop - from - std::min(stop - from, moved.size()), ' ') + moved);
    return;
  }
}

// Data sets written before labcore had binary32 functions of its own (the
// C library's then): today's build writes 15 of the vapour pressures of
// gas_isotherm_gen 1 2 one or two units higher in the last digit, and the
// Kp of first_order_gen 1747047827 14682010, printed with digits beyond
// single precision, 12 units (two float steps) higher.
TEST(InstructorVerify, AnotherBuildsDataSetIsAQuestionNotAnEdit) {
  const fs::path other = fs::path(LAB_TEST_DATA) / "other_build";
  const std::string iso = (other / "gas_isotherm_gen_1_2.csv").string();
  const std::string kin = (other / "first_order_gen_1747047827_14682010.csv").string();
  const auto one = run({"verify", iso});
  EXPECT_EQ(one.status, 3) << one.out << one.err;
  EXPECT_NE(one.out.find("\ndiffers in the last digit of 15 numbers: made by another build?\nrecord 16 differs:\n"),
            std::string::npos)
      << one.out;
  const auto kp = run({"verify", kin});
  EXPECT_EQ(kp.status, 3) << kp.out;
  EXPECT_NE(kp.out.find("differs in the last digit of 1 number: made by another build?"), std::string::npos) << kp.out;

  labtest::TempDir dir;
  const std::string good = handed_in(dir.path() / "g.csv", 3, [](auto&) {});
  const auto many = run({"verify", good, iso, kin});
  EXPECT_EQ(many.status, 3);
  const auto lines = labtest::lines(many.out);
  ASSERT_EQ(lines.size(), 4u) << many.out;
  EXPECT_EQ(lines[1], iso + ": differs in the last digit of 15 numbers: made by another build? (gas_isotherm_gen, seeds 1 2)");
  EXPECT_EQ(lines[3],
            "3 files: 1 identical, 2 differ only in the last digit of a few numbers, 0 differ, 0 not readable as "
            "data sets");
  // An edited file or a name that is not the roster student's outweighs them.
  const std::string edited = handed_in(dir.path() / "e.csv", 5, [](auto& l) { bump(l[12], 1, 40); });
  EXPECT_EQ(run({"verify", good, iso, edited}).status, 1);
}

// vapor_pressure_gen writes 22 decimal numbers for seeds 3 4 (11 rows of a
// temperature and a pressure): "a few" is at most 2 of them.
TEST(InstructorVerify, WhatAnotherBuildCannotWriteIsAnEdit) {
  labtest::TempDir dir;
  const struct {
    std::function<void(std::vector<std::string>&)> edit;
    int status;
    const char* says;
  } cases[] = {
      {[](auto& l) { bump(l[11], 1, 1); }, 3, "differs in the last digit of 1 number: made by another build?"},
      {[](auto& l) { bump(l[11], 0, -3); bump(l[20], 1, 2); }, 3, "differs in the last digit of 2 numbers"},
      {[](auto& l) { bump(l[11], 0, 1); bump(l[12], 0, 1); bump(l[13], 0, -1); }, 1, "record 12 differs"},
      {[](auto& l) { bump(l[11], 0, 4); }, 1, "record 12 differs"},
      {[](auto& l) { bump(l[11], 0, 1); l.push_back(" 340.00, 110000."); }, 1, "record 12 differs"},
  };
  for (const auto& c : cases) {
    const std::string f = handed_in(dir.path() / "a.csv", 3, c.edit);
    const auto r = run({"verify", f});
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    if (c.status == 1) {
      EXPECT_EQ(r.out.find("another build"), std::string::npos) << r.out;
    }
  }
}

TEST(InstructorVerify, ControlBytesAreShownEscapedAndLongRecordsCut) {
  labtest::TempDir dir;
  // A record that would return to the start of the line, clear it and
  // write a verdict of its own.
  const std::string forged = "1.5\r\x1b[2Kidentical: the file is exactly what it should be\x07\x7f";
  const auto r = run({"verify", handed_in(dir.path() / "a.csv", 3, [&](auto& l) { l[14] = forged; })});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\"1.5\\r\\x1b[2Kidentical: the file is exactly what it should be\\x07\\x7f\""),
            std::string::npos)
      << r.out;
  for (char c : r.out) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << static_cast<int>(c);

  const auto longer = run({"verify", handed_in(dir.path() / "b.csv", 3, [&](auto& l) { l[14] = std::string(5000, '7'); })});
  EXPECT_EQ(longer.status, 1);
  EXPECT_NE(longer.out.find("\"" + std::string(200, '7') + "... (4800 more bytes)\""), std::string::npos) << longer.out;
}

TEST(InstructorVerify, ManyFilesGiveALineEachAndASummary) {
  labtest::TempDir dir;
  const auto same = [](std::vector<std::string>&) {};
  const std::string good1 = handed_in(dir.path() / "g1.csv", 3, same), good2 = handed_in(dir.path() / "g2.csv", 5, same);
  const std::string crlf = handed_in(dir.path() / "g3.csv", 6, same, "\r\n");
  const std::string bad = handed_in(dir.path() / "b.csv", 7, [](auto& l) { l.pop_back(); });
  labtest::write_file(dir.path() / "n.csv", "not\na\ndata set\n");
  const std::string none = (dir.path() / "n.csv").string(), missing = (dir.path() / "m.csv").string();

  const auto all = run({"verify", good1, good2, crlf});
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(labtest::lines(all.out),
            (std::vector<std::string>{good1 + ": identical (vapor_pressure_gen, seeds 3 4)",
                                      good2 + ": identical (vapor_pressure_gen, seeds 5 4)",
                                      crlf + ": identical apart from the line ends (CR LF instead of LF) "
                                             "(vapor_pressure_gen, seeds 6 4)",
                                      "3 files: 3 identical, 0 differ, 0 not readable as data sets"}));
  const auto one_bad = run({"verify", good1, bad, good2});
  EXPECT_EQ(one_bad.status, 1);
  const auto n = labtest::data_set(vapor(), 7, 4, "Ann").text;
  const std::size_t records = labtest::lines(n).size();
  EXPECT_EQ(labtest::lines(one_bad.out)[1],
            bad + ": record " + std::to_string(records) + " differs (vapor_pressure_gen, seeds 7 4)");
  EXPECT_EQ(labtest::lines(one_bad.out)[3], "3 files: 2 identical, 1 differ, 0 not readable as data sets");
  // Among many: a file of nothing but a byte-order mark, and one whose
  // seed record is not a number, each named with what is wrong.
  labtest::write_file(dir.path() / "bom.csv", "\xEF\xBB\xBF");
  const std::string bom = (dir.path() / "bom.csv").string();
  const std::string seedless =
      handed_in(dir.path() / "s.csv", 8, [](auto& l) { l[5] = " seed1: ,           x"; });
  const auto unusable = run({"verify", good1, bad, none, missing, bom, seedless});
  EXPECT_EQ(unusable.status, 2);
  const auto lines = labtest::lines(unusable.out);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2], none + ": the first record names no program of this suite");
  EXPECT_EQ(lines[3], "cannot read " + missing + ": No such file or directory");
  EXPECT_EQ(lines[4], bom + ": not a data set of this suite (too short)");
  EXPECT_EQ(lines[5], seedless + ": records 6 and 7 (the seeds) cannot be read as two whole numbers");
  EXPECT_EQ(lines[6], "6 files: 1 identical, 1 differ, 4 not readable as data sets");
}

TEST(InstructorVerify, OneDataSetHandedInTwice) {
  labtest::TempDir dir;
  const auto same = [](std::vector<std::string>&) {};
  const std::string a = handed_in(dir.path() / "a.csv", 3, same), b = handed_in(dir.path() / "b.csv", 5, same);
  // b's data set again under another name, and with the name cell edited.
  const std::string copy = (dir.path() / "copy.csv").string();
  fs::copy_file(b, copy);
  const std::string renamed = handed_in(dir.path() / "renamed.csv", 5, [](auto& l) {
    l[2] = "\"Sam Lee                       \",";
  });
  const auto r = run({"verify", a, b, copy, renamed});
  EXPECT_EQ(r.status, 1);
  const auto lines = labtest::lines(r.out);
  ASSERT_EQ(lines.size(), 7u) << r.out;
  EXPECT_EQ(lines[4], "one data set in several files:");
  EXPECT_EQ(lines[5], "  " + b + " " + copy + " " + renamed +
                          ": vapor_pressure_gen, seeds 5 4, the same seeds, the records differ (an edited name?)");
  EXPECT_EQ(lines[6], "4 files: 4 identical, 0 differ, 0 not readable as data sets, 3 holding a data set another "
                      "file holds");
  const auto two = run({"verify", b, copy});
  EXPECT_NE(two.out.find(b + " " + copy + ": vapor_pressure_gen, seeds 5 4, the same records"), std::string::npos)
      << two.out;
}

TEST(InstructorVerify, TheSizeBoundIsFarAboveEveryDataSet) {
  // The largest data sets of the suite are a few kilobytes; a bound two
  // hundred times larger refuses nothing a program writes.
  for (const labcore::Program* p : labcore::all_programs())
    for (const auto& [s1, s2] : labtest::seed_pairs(8, 99))
      EXPECT_LT(labtest::data_set(*p, s1, s2).text.size() * 100, instructor::kMaxDataSetBytes) << p->name;
}

}  // namespace
