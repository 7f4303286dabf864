// Text others typed, made safe where the tool writes it: spreadsheet
// cells, terminals and feedback, file names.
#include <gtest/gtest.h>

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"

namespace {

using analysis::file_stem;
using analysis::shown;
using analysis::text_cell;
using analysis::text_of_cell;

TEST(SafeText, FormulaStartsAreTextInEveryCellAndReadBack) {
  const std::pair<const char*, const char*> cases[] = {
      {"=1+1", "'=1+1"},
      {"+1", "'+1"},
      {"-2", "'-2"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},  // quoted for its quotes, apostrophe inside
      {"=a,b", "\"'=a,b\""},
      {"Ann-Marie", "Ann-Marie"},
      {"O'Brien", "O'Brien"},
      {"Doe, Jane", "\"Doe, Jane\""},
      {"", ""},
  };
  for (const auto& [typed, cell] : cases) {
    EXPECT_EQ(text_cell(typed), cell) << typed;
  }
  // Through a CSV file and back: the text as typed.
  for (const auto& [typed, cell] : cases) {
    const auto records = analysis::grading::read_csv(std::string("x,") + cell + ",y\n", "t.csv");
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].cells.size(), 3u) << cell;
    EXPECT_EQ(text_of_cell(records[0].cells[1]), typed);
  }
  EXPECT_EQ(text_of_cell("'=1+1"), "=1+1");
  EXPECT_EQ(text_of_cell("'O'Brien"), "'O'Brien");  // only before a formula start
}

TEST(SafeText, ShownEscapesWhatATerminalWouldObey) {
  const std::pair<std::string, std::string> cases[] = {
      {"\x1b]0;PWNED\x07", "\\x1b]0;PWNED\\x07"},  // sets a terminal's title
      {"a\r\nb\tc\\", "a\\r\\nb\\tc\\\\"},
      {"x\xC2\x85y", "x\\xc2\\x85y"},                                  // C1 NEL
      {"abc\xE2\x80\xAE" "fdp.exe", "abc\\xe2\\x80\\xaefdp.exe"},      // right-to-left override
      {"zero\xE2\x80\x8Bwidth", "zero\\xe2\\x80\\x8bwidth"},           // zero-width space
      {"\xFF\xC3", "\\xff\\xc3"},                                      // not UTF-8
      {"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 \xC2\xB0" "C", "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 \xC2\xB0" "C"},
      {"\x7f", "\\x7f"},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(shown(text), want);
  // Cut after the limit, never inside a character.
  EXPECT_EQ(shown("ab\xC3\xA9", 3), "ab... (2 more bytes)");
  EXPECT_EQ(shown(std::string(250, 'a')), std::string(200, 'a') + "... (50 more bytes)");
}

TEST(SafeText, FileStemsHoldOnlyPrintableUtf8AndFitTheFileSystem) {
  const std::pair<std::string, std::string> cases[] = {
      {"  O'Brien, Mary-Kate  ", "o_brien_mary_kate"},
      {"\xC3\x89mile Zola", "\xC3\x89mile_zola"},
      {"Ann\xC2\x85Lee", "ann_lee"},                  // C1
      {"Ann\xFF\xFE" "Lee", "ann_lee"},                // bytes that are not UTF-8
      {"Ann\xE2\x80\xAE" "eeL", "ann_eel"},            // direction override
      {"Ann\xC2\xA0Lee", "ann_lee"},                  // no-break space
      {"\xED\xA0\x80x", "x"},                          // a surrogate
      {"../../etc/passwd", "etc_passwd"},
      {"!!!", ""},
  };
  for (const auto& [name, stem] : cases) EXPECT_EQ(file_stem(name), stem) << name;
  // 200 bytes at most, at a character boundary, no underscore at the end.
  EXPECT_EQ(file_stem(std::string(300, 'a')), std::string(200, 'a'));
  EXPECT_EQ(file_stem(std::string(199, 'a') + " b"), std::string(199, 'a'));
  std::string e;
  for (int i = 0; i < 120; ++i) e += "\xC3\xA9";
  EXPECT_EQ(file_stem("x" + e), "x" + e.substr(0, 198));  // 199 bytes: half an é may not end it
}

}  // namespace
