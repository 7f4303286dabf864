// Ternary solid-liquid diagram: the triangle's geometry, the shape of the
// three case tables, and the construction of every branch over many seeds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "phase_equilibria/ternutil.hpp"
#include "support/test_support.hpp"

extern const labcore::Program sle_ternary_gen;

namespace {

TEST(TernaryGeometry, CornersSidesAndLines) {
  double pa = 0, pb = 0, pw = 0;
  ternutil::makepcnt(0.0, 0.0, pa, pb, pw);
  EXPECT_EQ(pa, 100.0);
  EXPECT_EQ(pb, 0.0);
  EXPECT_EQ(pw, 0.0);
  ternutil::makepcnt(100.0, 0.0, pa, pb, pw);
  EXPECT_EQ(pa, 0.0);
  EXPECT_EQ(pb, 100.0);
  ternutil::makepcnt(50.0, 50.0 * ternutil::sqrt3, pa, pb, pw);
  EXPECT_NEAR(pa, 0.0, 1e-12);
  EXPECT_NEAR(pb, 0.0, 1e-12);
  EXPECT_NEAR(pw, 100.0, 1e-12);
  // Side A-W is y = sqrt3*x (no B), side B-W is x = 100 - y/sqrt3 (no A).
  ternutil::makepcnt(30.0 / ternutil::sqrt3, 30.0, pa, pb, pw);
  EXPECT_NEAR(pb, 0.0, 1e-12);
  EXPECT_NEAR(pw, 60.0 / ternutil::sqrt3, 1e-12);
  ternutil::makepcnt(100.0 - 30.0 / ternutil::sqrt3, 30.0, pa, pb, pw);
  EXPECT_NEAR(pa, 0.0, 1e-12);

  double slope = 0, intercept = 0;
  ternutil::getslpint(0.0, 5.0, 10.0, 25.0, slope, intercept);
  EXPECT_EQ(slope, 2.0);
  EXPECT_EQ(intercept, 5.0);
  ternutil::getslpint(10.0, 25.0, 0.0, 5.0, slope, intercept);  // either direction
  EXPECT_EQ(slope, 2.0);
  EXPECT_EQ(intercept, 5.0);
}

// Indexes of the records of the file: an 8-record prologue, then case 1
// (19 records), case 2 (19) and case 3 (25).
constexpr std::size_t case1_at = 8, case2_at = 27, case3_at = 46, records = 71;

TEST(SleTernary, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(sle_ternary_gen, 12345, 67890);
  EXPECT_EQ(ds.seeds.draws, 14 + 14 + 21);
  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), records);
  EXPECT_EQ(rows[case1_at + 1], " Case 1,");
  EXPECT_EQ(rows[case2_at + 1], " Case 2,");
  EXPECT_EQ(rows[case3_at + 1], " Case 3,");
  EXPECT_EQ(rows[case1_at + 3], " Saturated Solution,,Wet Residue,");
  EXPECT_EQ(rows[case1_at + 4], " wt%A,wt%B,wt%A,wt%B,");
  EXPECT_EQ(rows[case1_at + 5], " 38.45,  0.00,---,---,");             // L
  EXPECT_EQ(rows[case1_at + 6], " 34.64,  3.16, 54.35,  2.20,");       // first tie line, f(5)
  EXPECT_EQ(rows[case1_at + 11], " 19.46, 21.22,---,---,");            // invariant point
  EXPECT_EQ(rows[case2_at + 17], " 67.71, 32.29,---,---,");            // R on the side A-B
  EXPECT_EQ(rows[case3_at + 23], " -0.00, 70.13,---,---,");            // D, its A a rounding residue
  EXPECT_EQ(rows[records - 1], " ,");
}

TEST(SleTernary, PointsBeyondTheSideBWKeepTheirNegativeAPercentages) {
  const auto ds = labtest::data_set(sle_ternary_gen, 29, 1029);
  EXPECT_LT(labtest::hidden(ds, "case3.pcntat"), -7.0);
  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), records);
  EXPECT_EQ(rows[case3_at + 17], " -7.78, 54.39,---,---,");  // T
  EXPECT_EQ(rows[case3_at + 18], " -6.17, 55.94, -1.67, 88.06,");
  EXPECT_EQ(rows[case3_at + 22], " -0.97, 63.10, -0.13, 95.17,");
  EXPECT_EQ(rows[case3_at + 23], "  0.00, 65.43,---,---,");  // D
}

// A solid phase: its point in the plane and its weight percents.
struct Solid {
  double x, y;
  double a, b, w;
};

// The five tie lines of a branch fan out from its solid, at the fractions
// 1/6 to 5/6 of the angle from the end point written after the branch to
// the one written before it. Every wet residue lies on its tie line, at the
// fraction wetrand of the way from the solid to the saturated solution.
void check_branch(const labtest::DataSet& ds, const std::string& c, const std::string& s, Solid solid,
                  double wet_lo, double wet_hi, const std::string& before, const std::string& after) {
  const auto h = [&](const std::string& name) { return labtest::hidden(ds, c + name); };
  const auto seen = [&](double x, double y) { return std::atan2(y - solid.y, x - solid.x); };
  const double from = seen(h("x" + after), h("y" + after));
  const double to = seen(h("x" + before), h("y" + before));
  for (int i = 1; i <= 5; ++i) {
    const std::string ix = "(" + std::to_string(i) + ")";
    ASSERT_NEAR(seen(h("xe" + s + ix), h("ye" + s + ix)), from + (i / 6.0) * (to - from), 1e-9) << c << s << ix;
    const double wetrand = h("wetrand" + s + ix);
    ASSERT_GT(wetrand, wet_lo);
    ASSERT_LT(wetrand, wet_hi);
    ASSERT_NEAR(h("pcntaw" + s + ix) - solid.a, wetrand * (h("pcntae" + s + ix) - solid.a), 1e-9) << c << s << ix;
    ASSERT_NEAR(h("pcntbw" + s + ix) - solid.b, wetrand * (h("pcntbe" + s + ix) - solid.b), 1e-9) << c << s << ix;
    ASSERT_NEAR(h("pcntww" + s + ix) - solid.w, wetrand * (h("pcntwe" + s + ix) - solid.w), 1e-9) << c << s << ix;
  }
}

TEST(SleTernary, EveryCaseOverManySeeds) {
  const Solid a{0, 0, 100, 0, 0}, b{100, 0, 0, 100, 0};
  std::uint32_t seed = 2463534242u;
  int negative = 0;
  for (int k = 0; k < 300; ++k) {
    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
    const auto seed1 = static_cast<std::int32_t>(seed);
    seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
    const auto seed2 = static_cast<std::int32_t>(seed);
    const auto ds = labtest::data_set(sle_ternary_gen, seed1, seed2);
    const auto h = [&](const std::string& name) { return labtest::hidden(ds, name); };
    ASSERT_EQ(ds.seeds.draws, 49);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), records);
    for (const auto& row : rows) ASSERT_EQ(row.find('*'), std::string::npos) << row;

    // End points on the sides of the triangle.
    for (const char* side_b : {"case1.pcntbl", "case2.pcntbl", "case3.pcntbl"}) ASSERT_NEAR(h(side_b), 0.0, 1e-9);
    for (const char* side_a : {"case1.pcntar", "case3.pcntad"}) ASSERT_NEAR(h(side_a), 0.0, 1e-9);
    ASSERT_EQ(h("case2.pcntwr"), 0.0);
    ASSERT_NEAR(h("case2.pcntar") + h("case2.pcntbr"), 100.0, 1e-9);
    ASSERT_GE(h("case2.xb"), h("case2.xl"));
    ASSERT_GE(h("case3.xb"), h("case3.xl"));
    if (h("case3.pcntat") < 0.0) ++negative;

    const Solid h2{h("case2.xh"), h("case2.yh"), h("case2.pcntah"), h("case2.pcntbh"), h("case2.pcntwh")};
    const Solid h3{h("case3.xh"), h("case3.yh"), h("case3.pcntah"), h("case3.pcntbh"), h("case3.pcntwh")};
    check_branch(ds, "case1.", "l", a, 0.35, 0.70, "l", "b");
    check_branch(ds, "case1.", "r", b, 0.0, 0.35, "b", "r");
    check_branch(ds, "case2.", "l", h2, 0.35, 0.70, "l", "b");
    check_branch(ds, "case2.", "r", a, 0.0, 0.35, "b", "r");
    check_branch(ds, "case3.", "l", h3, 0.35, 0.70, "l", "b");
    check_branch(ds, "case3.", "m", a, 0.35, 0.70, "b", "t");
    check_branch(ds, "case3.", "r", b, 0.0, 0.35, "t", "d");
  }
  // T beyond the side B-W in about one data set in twenty.
  EXPECT_GT(negative, 3);
  EXPECT_LT(negative, 40);
}

}  // namespace
