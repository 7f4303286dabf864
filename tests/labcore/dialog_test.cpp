// The dialog and the prologue and epilogue of the data-set file, in each
// form, and what happens to bad or missing replies.
#include <gtest/gtest.h>

#include "labcore/program.hpp"
#include "labcore/replies.hpp"
#include "support/test_support.hpp"

namespace {

using labcore::Form;
using labcore::Program;
using labtest::replies;
using labtest::run_dialog;
using labtest::TempDir;

void body(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());
  run.file().write("(f6.4)", rnd.r4_uni());
}

Program test_program(Form form) {
  Program p;
  p.name = "test_gen";
  p.form = form;
  p.titles = {"Project TEST Title"};
  p.header_format = form == Form::C ? R"(('"Project TEST Student Data Set",,,,,,,'))"
                                    : R"(('"Project TEST Student Data Set ",'))";
  if (form == Form::C) p.after_name = {",,,,,,,", "reaction ,", ",,,,,,,"};
  p.generate = body;
  return p;
}

const char* const kFormATerminal =
    " Project TEST Title\n"
    " \n"
    " What is the name of the output file? (20 chars max)\n"
    " Do not forget to include .csv extension! \n"
    " What is the name of the student? (30 chars max) \n"
    " Two random number seeds between 1 and 2^31 are needed\n"
    " What is the first random number seed?\n"
    " What is the second random number seed?\n"
    " Calculation of data tables completed. Placed in output file: out.csv             \n"
    " done? Enter any character \n";

TEST(DialogForms, FormA) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), replies(12345, 67890), dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.terminal, kFormATerminal);
  EXPECT_EQ(r.file,
            "\"Project TEST Student Data Set \",\n"
            "\"Student Name:\",\n"
            "\"Jane Doe                      \",\n"
            " ,\n"
            " ,\n"
            " \"seed1: \",       12345\n"
            " \"seed2: \",       67890\n"
            " ,\n"
            "0.9436\n");
}

TEST(DialogForms, FormBWithTwoClosingSeparators) {
  TempDir dir;
  Program p = test_program(Form::B);
  p.closing_separators = 2;
  const auto r = run_dialog(p, replies(12345, 67890), dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.terminal, kFormATerminal);
  EXPECT_EQ(r.file,
            "\"Project TEST Student Data Set \",\n"
            "\"Student Name:\",\n"
            "\"Jane Doe                      \",\n"
            " ,\n"
            " ,\n"
            " seed1: ,       12345\n"
            " seed2: ,       67890\n"
            " ,\n"
            " ,\n"
            "0.9436\n");
}

TEST(DialogForms, FormC) {
  TempDir dir;
  Program p = test_program(Form::C);
  p.titles = {"Title one", "Title two"};
  const auto r = run_dialog(p, replies(12345, -67890), dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.terminal,
            " Title one\n"
            " Title two\n"
            " \n"
            " What is the name of the output file? (20 chars max)\n"
            " Do not forget to type the .csv extension onto the output file name!\n"
            " What is the name of the student? (30 chars max)\n"
            " Two random number seeds between 1 and 2^31 are needed\n"
            " What is first seed number? \n"
            " What is second seed number?\n"
            " Calculation of data table completed. Placed in output file: out.csv             \n"
            " done? Enter any character \n");
  EXPECT_EQ(r.file,
            "\"Project TEST Student Data Set\",,,,,,,\n"
            "\"Student Name:\",,,,,,,\n"
            "\"Jane Doe                      \",\n"
            " ,,,,,,,\n"
            " reaction ,\n"
            " ,,,,,,,\n"
            " first seed:,        12345 ,second seed:,       -67890 ,,,,\n"
            " ,,,,,,,\n"
            "0.5165\n");
}

TEST(DialogForms, FormD) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::D), replies(12345, 67890), dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.terminal,
            " Project TEST Title\n"
            " \n"
            " What is the name of the output file? (20 chars max)\n"
            " Do not forget to include .csv extension! \n"
            " What is the name of the student? (30 chars max)\n"
            " Two random number seeds between 1 and 2^31 are needed\n"
            " What is first seed number? \n"
            " What is second seed number?\n"
            " Set of isotherms complete in output file: out.csv             \n"
            " done? Enter any character \n");
  EXPECT_EQ(r.file,
            "\"Project TEST Student Data Set \",\n"
            "\"Student Name:\",\n"
            "\"Jane Doe                      \",\n"
            " ,\n"
            " ,\n"
            "  iseed1 =        12345       iseed2 =        67890\n"
            " , \n"
            "0.9436\n");
}

TEST(DialogForms, TheOpeningFailureMessageOfEachForm) {
  const std::pair<Form, const char*> cases[] = {
      // The texts are written as the programs hold them; a list-directed
      // record adds its own leading blank.
      {Form::A, "  opening output file failed.  Does file already exist? Must be new! \n"},
      {Form::B, "  opening output file failed.  Does file already exist? Must be new! \n"},
      {Form::C, " opening output file failed. Is there already an existing file by that name?\n"},
      {Form::D, " opening output file failed. Does file already exist? Must be new!\n"},
  };
  for (const auto& [form, message] : cases) {
    TempDir dir;
    labtest::write_file(dir.path() / "out.csv", "keep me\n");
    const auto r = run_dialog(test_program(form), replies(1, 2), dir.path());
    EXPECT_EQ(r.status, labcore::exit_file_not_created);
    ASSERT_GE(r.terminal.size(), std::string_view(message).size());
    // The form's message exactly, then the system's reason on a line of its own.
    const std::string want = std::string(message) + " (the system says: File exists)\n";
    ASSERT_GE(r.terminal.size(), want.size());
    EXPECT_EQ(r.terminal.substr(r.terminal.size() - want.size()), want);
    EXPECT_EQ(r.terminal.find("student"), std::string::npos) << "the dialog must stop";
    EXPECT_EQ(labtest::read_file(dir.path() / "out.csv"), "keep me\n");
  }
}

TEST(DialogNames, FileNameIsCutTo20AndShownWithIts20Characters) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), replies(1, 2, "a_very_long_file_name_indeed.csv"),
                            dir.path(), "a_very_long_file_nam");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.created);
  EXPECT_NE(r.terminal.find("Placed in output file: a_very_long_file_nam\n"), std::string::npos);
}

TEST(DialogNames, StudentNameRecordIsAlways33Characters) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::C),
                            replies(1, 2, "n.csv", "Bartholomew Fitzgerald-Wellington III"), dir.path(), "n.csv");
  EXPECT_EQ(labtest::lines(r.file)[2], "\"Bartholomew Fitzgerald-Welling\",");
  TempDir dir2;
  const auto r2 = run_dialog(test_program(Form::A), replies(1, 2, "n.csv", "Al"), dir2.path(), "n.csv");
  EXPECT_EQ(labtest::lines(r2.file)[2], "\"Al                            \",");
}

TEST(DialogNames, QuotesAndControlCharactersCannotBreakTheNameCell) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), replies(1, 2, "n.csv", "Jo \"JJ\"\tSmith"), dir.path(), "n.csv");
  EXPECT_EQ(labtest::lines(r.file)[2], "\"Jo 'JJ' Smith                 \",");
}

TEST(DialogNames, CuttingNeverSplitsAUtf8Character) {
  // 29 ASCII bytes and a two-byte e-acute straddle the 30-byte cut.
  const std::string name = std::string(29, 'a') + "\xC3\xA9" + "z";
  EXPECT_EQ(labcore::fit_field(name, 30), std::string(29, 'a') + " ");
  EXPECT_EQ(labcore::fit_field(std::string(28, 'a') + "\xC3\xA9" + "z", 30), std::string(28, 'a') + "\xC3\xA9");
  // A four-byte character over the 20-byte cut of a file name.
  EXPECT_EQ(labcore::fit_field(std::string(18, 'f') + "\xF0\x9F\x98\x80", 20), std::string(18, 'f') + "  ");
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), replies(1, 2, "n.csv", name), dir.path(), "n.csv");
  EXPECT_EQ(labtest::lines(r.file)[2], "\"" + std::string(29, 'a') + " \",");
}

TEST(DialogNames, TheCutMovesOnlyForACharacterThatStartsInTheField) {
  const std::string a29(29, 'A'), a30(30, 'A');
  const std::pair<std::string, std::string> cases[] = {
      {a30 + "\xB0", a30},                                     // a stray Latin-1 sign after the field
      {a30 + "\x80\x80\x80", a30},                             // several stray bytes
      {a29 + "\xC3\xA9", a29 + " "},                            // e acute across the cut
      {std::string(28, 'A') + "\xE2\x82\xAC", std::string(28, 'A') + "  "},  // euro sign, 2 bytes inside
      {std::string(27, 'A') + "\xF0\x9F\x98\x80", std::string(27, 'A') + "   "},  // 4 bytes, 3 inside
      {a29 + "\xF0\x9F\x98\x80", a29 + " "},                    // 4 bytes, 1 inside
      {std::string(26, 'A') + "\xF0\x9F\x98\x80" + "B", std::string(26, 'A') + "\xF0\x9F\x98\x80"},
      {std::string(28, 'A') + "\xC3\xA9\xA9", std::string(28, 'A') + "\xC3\xA9"},  // whole, then stray
      {std::string(27, 'A') + "\x80\x80\x80\x80", std::string(27, 'A') + "\x80\x80\x80"},  // no lead byte
  };
  for (const auto& [typed, field] : cases) EXPECT_EQ(labcore::fit_field(typed, 30), field) << typed;
}

TEST(DialogNames, NamesThatSpreadsheetsWouldRunKeepALeadingApostrophe) {
  const std::pair<std::string, std::string> cases[] = {
      {"=1+1", "'=1+1" + std::string(25, ' ')},
      {"+1", "'+1" + std::string(27, ' ')},
      {"-Doe", "'-Doe" + std::string(25, ' ')},
      {"@SUM(A1)", "'@SUM(A1)" + std::string(21, ' ')},
      {"=" + std::string(29, 'A'), "'=" + std::string(28, 'A')},                  // cut one byte earlier
      {"-" + std::string(27, 'A') + "\xC3\xA9", "'-" + std::string(27, 'A') + " "},  // never half a character
      {"Jane =Doe", "Jane =Doe" + std::string(21, ' ')},
      {" =1", " =1" + std::string(27, ' ')},
      {"'=1", "'=1" + std::string(27, ' ')},  // already text: as typed
      {"", std::string(30, ' ')},
  };
  for (const auto& [typed, field] : cases) {
    EXPECT_EQ(labcore::name_cell_field(typed, 30), field) << typed;
    // Written once more from its own record, a name is unchanged.
    EXPECT_EQ(labcore::name_cell_field(field, 30), field) << typed;
  }
  // In the data set: the name record of a program.
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), replies(1, 2, "out.csv", "=HYPERLINK(\"x\")"), dir.path());
  ASSERT_EQ(r.status, labcore::exit_ok);
  EXPECT_EQ(labtest::lines(r.file).at(2), "\"'=HYPERLINK('x')" + std::string(14, ' ') + "\",");
}

TEST(DialogNames, EmptyOrControlFileNamesCreateNothing) {
  const std::string names[] = {"", "     ", std::string("a\0b.csv", 7), "bad\x1b.csv"};
  for (const std::string& name : names) {
    TempDir dir;
    const auto r = run_dialog(test_program(Form::A), replies(1, 2, name), dir.path());
    EXPECT_EQ(r.status, labcore::exit_input_error) << name;
    EXPECT_NE(r.terminal.find(" Input error: the name of the output file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
}

TEST(DialogNames, ACarriageReturnEndsTheLineAndIsNoPartOfTheName) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), "out.csv\r\nJane\r\n12345\r\n67890\r\nx\r\n", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.created);
  EXPECT_EQ(labtest::lines(r.file)[2], "\"Jane                          \",");
}

TEST(DialogNames, ASymbolicLinkIsNeverFollowed) {
  TempDir dir;
  labtest::write_file(dir.path() / "target.csv", "precious\n");
  std::filesystem::create_symlink(dir.path() / "target.csv", dir.path() / "out.csv");
  std::filesystem::create_symlink(dir.path() / "missing.csv", dir.path() / "dangling.csv");
  EXPECT_EQ(run_dialog(test_program(Form::A), replies(1, 2), dir.path()).status, labcore::exit_file_not_created);
  EXPECT_EQ(run_dialog(test_program(Form::A), replies(1, 2, "dangling.csv"), dir.path()).status,
            labcore::exit_file_not_created);
  EXPECT_EQ(labtest::read_file(dir.path() / "target.csv"), "precious\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.csv"));
}

TEST(DialogSeeds, ListDirectedSeedReplies) {
  TempDir dir;
  // Blank lines are skipped; the second number on a line is ignored and
  // the second seed is read from the next line.
  const auto r = run_dialog(test_program(Form::B), "out.csv\nJane\n\n   \n 12345 999\n+67890,\n\nx\n", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.file.find(" seed1: ,       12345\n seed2: ,       67890\n"), std::string::npos);
}

TEST(DialogSeeds, SeedsOutsideTheUsualRangeAreTakenAsTyped) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::B), replies(-2147483648L, 2147483647L), dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.file.find(" seed1: , -2147483648\n seed2: ,  2147483647\n"), std::string::npos);
}

TEST(DialogSeeds, ASeedThatIsNotAWholeNumberStopsTheRunAndRemovesTheFileItBegan) {
  for (const char* seed : {"abc", "12.5", "2147483648", "-2147483649", "1e3", "+", "12x"}) {
    TempDir dir;
    const auto r = run_dialog(test_program(Form::A), std::string("out.csv\nJane\n") + seed + "\n5\nx\n", dir.path());
    EXPECT_EQ(r.status, labcore::exit_input_error) << seed;
    EXPECT_NE(r.terminal.find(" Input error: the first seed must be a whole number from -2147483648 to 2147483647.\n"
                              " the incomplete file out.csv was removed\n"),
              std::string::npos)
        << r.terminal;
    EXPECT_FALSE(r.created) << seed;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  }
  // The same name then works.
  TempDir dir;
  ASSERT_EQ(run_dialog(test_program(Form::A), "out.csv\nJane\n12a\n", dir.path()).status, labcore::exit_input_error);
  const auto again = run_dialog(test_program(Form::A), replies(12, 34), dir.path());
  EXPECT_EQ(again.status, labcore::exit_ok);
}

TEST(DialogEndOfInput, EveryReadReportsTheEndOfInput) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "the name of the output file was given"},
      {"out.csv\n", "the name of the student was given"},
      {"out.csv\nJane\n", "the first seed was given"},
      {"out.csv\nJane\n1\n\n\n", "the second seed was given"},
      {"out.csv\nJane\n1\n2\n", "a character was typed"},
      {"out.csv\nJane\n1\n2\n\n  \n", "a character was typed"},
  };
  for (const auto& [input, what] : cases) {
    TempDir dir;
    const auto r = run_dialog(test_program(Form::A), input, dir.path());
    EXPECT_EQ(r.status, labcore::exit_input_error) << input;
    EXPECT_NE(r.terminal.find(std::string(" Input error: the input ended before ") + what), std::string::npos)
        << r.terminal;
    // The file the dialog began goes with it; a complete one stays.
    const bool last = std::string(what) == "a character was typed";
    EXPECT_EQ(r.created, last) << input;
    EXPECT_EQ(r.terminal.find("the incomplete file") != std::string::npos, !last && *input != '\0') << r.terminal;
  }
  // Ending at the last wait leaves the complete data set.
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), "out.csv\nJane\n12345\n67890\n", dir.path());
  EXPECT_EQ(r.file.substr(r.file.size() - 7), "0.9436\n");
}

TEST(DialogEndOfInput, ALastLineWithoutLineEndIsAReply) {
  TempDir dir;
  const auto r = run_dialog(test_program(Form::A), "out.csv\nJane\n12345\n67890\nx", dir.path());
  EXPECT_EQ(r.status, 0);
}

TEST(DialogFailures, AFailureOfTheComputationKeepsTheRecordsWritten) {
  Program p = test_program(Form::A);
  p.generate = [](labcore::Run& run) {
    run.file().list("partial");
    run.fail("calculation fails. ", 3, " roots");
  };
  TempDir dir;
  const auto r = run_dialog(p, replies(1, 2), dir.path());
  EXPECT_EQ(r.status, labcore::exit_computation_failed);
  EXPECT_EQ(labtest::lines(r.terminal).back(), " calculation fails.            3  roots");
  EXPECT_EQ(labtest::lines(r.file).back(), " partial");
  EXPECT_EQ(r.terminal.find("done?"), std::string::npos);
}

TEST(DataSets, SameSeedsSameBytesAndNoOverwrite) {
  TempDir dir;
  const Program p = test_program(Form::A);
  const auto first = run_dialog(p, replies(12345, 67890), dir.path());
  const auto again = run_dialog(p, replies(12345, 67890, "other.csv"), dir.path(), "other.csv");
  EXPECT_EQ(first.file, again.file);
  const auto clash = run_dialog(p, replies(1, 1), dir.path());
  EXPECT_EQ(clash.status, labcore::exit_file_not_created);
  EXPECT_EQ(labtest::read_file(dir.path() / "out.csv"), first.file);
  // Without the dialog, the same records.
  EXPECT_EQ(labtest::data_set(p, 12345, 67890).text, first.file);
}

}  // namespace
