// Reading a data set back as a spreadsheet does: records, cells at the
// commas outside quotes, numbers in the forms the programs write.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "analysis/dataset.hpp"

namespace {

using analysis::AnalysisError;
using analysis::DataSet;

TEST(DataSetParse, CellsAndNumbersOfAwkwardRecords) {
  struct Case {
    const char* cell;
    std::optional<double> number;
  };
  const Case cases[] = {
      {"  12953.", 12953.0},          // whole number with a trailing point
      {".313636E+05", 31363.6},       // no digit before the point, exponent
      {"0.5000E-04", 5e-05},          //
      {" -0.00", -0.0},               //
      {"+2.5", 2.5},                  // a spreadsheet takes the plus sign
      {"1e3", 1000.0},                //
      {"\t7\t", 7.0},                 // tabs are blanks too
      {"", std::nullopt},             // empty cell
      {"   ", std::nullopt},          //
      {"T(K)", std::nullopt},         // text
      {"12.5 K", std::nullopt},       // a number followed by text is text
      {"1.2.3", std::nullopt},        //
      {"inf", std::nullopt},          // text to a spreadsheet
      {"nan", std::nullopt},          //
      {"1e999", std::nullopt},        // beyond a double
      {"+-1", std::nullopt},          //
      {"--1", std::nullopt},          //
      {"0x10", std::nullopt},         //
      {"1,5", std::nullopt},          // quoted below: a decimal comma is text
  };
  for (const auto& c : cases) {
    const DataSet ds = DataSet::parse(std::string("\"") + c.cell + "\",x\n");
    const auto v = ds.number(0, 0);
    ASSERT_EQ(v.has_value(), c.number.has_value()) << "cell [" << c.cell << "]";
    if (v) {
      EXPECT_DOUBLE_EQ(*v, *c.number) << c.cell;
      EXPECT_EQ(std::signbit(*v), std::signbit(*c.number)) << c.cell;
    }
  }
}

TEST(DataSetParse, RecordsCrlfQuotesAndMissingCells) {
  const DataSet ds = DataSet::parse(
      "\"Project VELIS Student Data Set \",\r\n"
      "\"temp = \", 25.0\r\n"
      "\"say \"\"hi\"\", twice\",  2\n"
      "\n"
      "  time(min), Ptot \n"
      "    1.0,  330.7\n"
      "last, 3");  // no line end after the last record
  ASSERT_EQ(ds.size(), 7u);
  EXPECT_EQ(ds.line(0), "\"Project VELIS Student Data Set \",");  // CR removed
  EXPECT_EQ(ds.cells(0).size(), 2u);
  EXPECT_EQ(ds.cells(0)[0], "Project VELIS Student Data Set ");   // quotes gone, blanks kept
  EXPECT_EQ(ds.text(0, 0), "Project VELIS Student Data Set");
  EXPECT_EQ(ds.text(0, 1), "");
  EXPECT_EQ(ds.value(1, 1), 25.0);
  EXPECT_EQ(ds.text(2, 0), "say \"hi\", twice");                  // a comma inside quotes stays
  EXPECT_EQ(ds.value(2, 1), 2.0);
  EXPECT_EQ(ds.cells(3).size(), 1u);
  EXPECT_EQ(ds.text(3, 5), "");                                    // beyond the record
  EXPECT_FALSE(ds.number(3, 0));
  EXPECT_FALSE(ds.number(99, 0));
  EXPECT_EQ(ds.value(6, 1), 3.0);

  EXPECT_EQ(ds.find("time(min)"), 4u);                             // leading blanks ignored
  EXPECT_EQ(ds.find("\"temp = \""), 1u);
  EXPECT_FALSE(ds.find_optional("\"temp = \"", 2));
  EXPECT_THROW(ds.find("Kp"), AnalysisError);

  EXPECT_EQ(ds.numeric_rows(5), (std::vector<std::size_t>{5}));    // "last" stops the table
  EXPECT_TRUE(ds.numeric_rows(4).empty());
  EXPECT_EQ(ds.column({5}, 1), (std::vector<double>{330.7}));
}

TEST(DataSetParse, ErrorsNameTheRecordAndCell) {
  const DataSet ds = DataSet::parse("1, 2\n3, oops\n");
  try {
    ds.column({0, 1}, 1);
    FAIL() << "a gap in a column must throw";
  } catch (const AnalysisError& e) {
    EXPECT_NE(std::string(e.what()).find("record 2, cell 2"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("oops"), std::string::npos) << e.what();
  }
  EXPECT_THROW(ds.value(7, 0), AnalysisError);
}

TEST(DataSetParse, EmptyTextAndTrailingLineEnd) {
  EXPECT_EQ(DataSet::parse("").size(), 0u);
  EXPECT_EQ(DataSet::parse("a\n").size(), 1u);
  EXPECT_EQ(DataSet::parse("a\n\n").size(), 2u);
  EXPECT_EQ(DataSet::parse("a\r\nb").size(), 2u);
}

}  // namespace
