// The format engine against reference renderings of many edit descriptors
// (tests/data/format_vectors.txt, made with format_vectors.f90), and the
// record-level rules: texts, groups, record breaks and the end of a record.
#include <gtest/gtest.h>

#include <charconv>
#include <fstream>

#include "labcore/bit_cast.hpp"
#include "labcore/records.hpp"
#include "support/test_support.hpp"

namespace {

using labcore::Arg;
using labcore::ArgCursor;
using labcore::StringSink;

template <class... A>
std::string fmt(std::string_view format, const A&... values) {
  StringSink sink;
  labcore::Records records(sink);
  records.write(format, values...);
  return sink.text;
}

struct Vector {
  std::string kind, format, value, expected;
  int line;
};

std::vector<Vector> load_vectors() {
  std::ifstream in(std::filesystem::path(LAB_TEST_DATA) / "format_vectors.txt");
  std::vector<Vector> out;
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    Vector v;
    std::size_t a = line.find('\t'), b = line.find('\t', a + 1), c = line.find('\t', b + 1);
    v.kind = line.substr(0, a);
    v.format = line.substr(a + 1, b - a - 1);
    v.value = line.substr(b + 1, c - b - 1);
    v.expected = line.substr(c + 1);
    v.line = n;
    out.push_back(v);
  }
  return out;
}

template <class T, class Bits>
T from_hex(const std::string& hex) {
  Bits bits = 0;
  std::from_chars(hex.data(), hex.data() + hex.size(), bits, 16);
  return labcore::bit_cast<T>(bits);
}

std::string render(const Vector& v) {
  if (v.kind == "F4" || v.kind == "E4") return fmt(v.format, from_hex<float, std::uint32_t>(v.value));
  if (v.kind == "F8" || v.kind == "E8") return fmt(v.format, from_hex<double, std::uint64_t>(v.value));
  if (v.kind == "I") return fmt(v.format, std::stoi(v.value));
  if (v.kind == "L4") return labcore::list_record(from_hex<float, std::uint32_t>(v.value)) + "\n";
  if (v.kind == "L8") return labcore::list_record(from_hex<double, std::uint64_t>(v.value)) + "\n";
  if (v.kind == "LI") return labcore::list_record(std::stoi(v.value)) + "\n";
  ADD_FAILURE() << "unknown vector kind " << v.kind;
  return {};
}

TEST(FormatVectors, EveryReferenceRenderingMatches) {
  const auto vectors = load_vectors();
  ASSERT_GT(vectors.size(), 20000u);
  int failures = 0;
  for (const Vector& v : vectors) {
    const std::string got = render(v);
    if (got != v.expected + "\n" && ++failures <= 20)
      ADD_FAILURE() << "line " << v.line << ": " << v.kind << " " << v.format << " " << v.value
                    << "\n  want [" << v.expected << "]\n  got  [" << got.substr(0, got.size() - 1) << "]";
  }
  EXPECT_EQ(failures, 0);
}

TEST(FormatRecords, TextsGroupsAndRecordBreaks) {
  EXPECT_EQ(fmt(R"((f7.2,",",f8.0))", 335.8469f, 12953.238f), " 335.85,  12953.\n");
  EXPECT_EQ(fmt(R"(('"Project MIRAS Student Data Set ",'))"), "\"Project MIRAS Student Data Set \",\n");
  // A doubled quote inside a text of the same quote stands for one.
  EXPECT_EQ(fmt(R"(('it''s'," say ""x"""))"), "it's say \"x\"\n");
  // The other quote and a backslash are ordinary characters.
  EXPECT_EQ(fmt(R"(('a\b "c"'))"), "a\\b \"c\"\n");
  const float x1[7] = {0.0f, 0.036f, 0.278f, 0.569f, 0.658f, 0.942f, 1.0f};
  EXPECT_EQ(fmt(R"(("  P(bar) ",",",6(f10.3,","),f10.3))", std::span<const float>(x1)),
            "  P(bar) ,     0.000,     0.036,     0.278,     0.569,     0.658,     0.942,     1.000\n");
  EXPECT_EQ(fmt(R"(('"isotherm temperature:",'/F8.3,","))", 343.772f), "\"isotherm temperature:\",\n 343.772,\n");
  // Blanks and tabs between items are ignored, letters may be either case.
  EXPECT_EQ(fmt("(\t\"100.0,0,0,\",F10.4,\",\")", 1.5), "100.0,0,0,    1.5000,\n");
  EXPECT_EQ(fmt("( '\" Kp = \",', f10.5 )", 79.44549f), "\" Kp = \",  79.44549\n");
  EXPECT_EQ(fmt("(2I3,A4,a)", 1, 22, "ab", "cd"), "  1 22  abcd\n");
  EXPECT_EQ(fmt("(A3)", "abcdef"), "abc\n");
}

TEST(FormatRecords, RecordEndsAtAValueItemWithNoValueLeft) {
  // The texts up to the first unserved value item are still written.
  EXPECT_EQ(fmt(R"((4(f10.4,",")))", 1.0, 2.0), "    1.0000,    2.0000,\n");
  EXPECT_EQ(fmt(R"(("abs,run,",15(f7.0,",")))", 1.0f, 2.0f, 3.0f), "abs,run,     1.,     2.,     3.,\n");
  EXPECT_EQ(fmt(R"((",",i3,",",15(f7.4,",")))", 7), ",  7,\n");
  EXPECT_EQ(fmt(R"(("a",f5.1,"b",f5.1,"c"))"), "a\n");
  // A record break before the next value item is still taken.
  EXPECT_EQ(fmt("(f4.1,/)", 1.0), " 1.0\n\n");
}

TEST(FormatRecords, ValuesBeyondTheFormatStartNewRecordsAtTheLastGroup) {
  EXPECT_EQ(fmt("(f4.1)", 1.0, 2.0, 3.0), " 1.0\n 2.0\n 3.0\n");
  EXPECT_EQ(fmt(R"(("x",2(i2,",")))", 1, 2, 3, 4, 5), "x 1, 2,\n 3, 4,\n 5,\n");
}

TEST(FormatRecords, FaultsInAFormatOrItsValuesAreReported) {
  EXPECT_THROW(fmt("f7.2", 1.0), labcore::FormatError);
  EXPECT_THROW(fmt("(f7.2", 1.0), labcore::FormatError);
  EXPECT_THROW(fmt("(f7)", 1.0), labcore::FormatError);
  EXPECT_THROW(fmt("('abc)"), labcore::FormatError);
  EXPECT_THROW(fmt("(q5)", 1.0), labcore::FormatError);
  EXPECT_THROW(fmt("(f7.2)", 3), labcore::FormatError);
  EXPECT_THROW(fmt("(i5)", 3.0), labcore::FormatError);
  EXPECT_THROW(fmt("(a5)", 3.0f), labcore::FormatError);
  EXPECT_THROW(fmt("('text only')", 3.0f), labcore::FormatError);
}

TEST(ListDirected, BlanksBetweenNumbersAndTextsOnly) {
  using labcore::list_record;
  EXPECT_EQ(list_record(), " ");
  EXPECT_EQ(list_record(","), " ,");
  EXPECT_EQ(list_record("seed1: ,", 12345), " seed1: ,       12345");
  EXPECT_EQ(list_record("first seed:, ", 12345, ",second seed:, ", 67890, ",,,,"),
            " first seed:,        12345 ,second seed:,        67890 ,,,,");
  EXPECT_EQ(list_record(" iseed1 = ", 12345, "      iseed2 = ", 67890),
            "  iseed1 =        12345       iseed2 =        67890");
  EXPECT_EQ(list_record("Cp(298) = ,", 219.747726f), " Cp(298) = ,   219.747726    ");
  EXPECT_EQ(list_record("ab", "cd", 5, 7), " abcd           5           7");
  EXPECT_EQ(list_record(1.0, "x"), "   1.0000000000000000      x");
}

}  // namespace
