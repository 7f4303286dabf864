// Ternary liquid-liquid diagram: the root search, the arc geometry and the
// data set over many seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "phase_equilibria/lle_tools.hpp"
#include "support/test_support.hpp"

extern const labcore::Program lle_ternary_gen;

namespace {

// A stand-in for the arc function: zero at x = target.
double linear(double, double x, double target, double, double) { return x - target; }

struct Found {
  double aroot = -1.0;
  int error = -1;
};
Found search(double x1, double x2, double target, double dx = 1.0) {
  Found f;
  lle_tools::root(linear, x1, x2, dx, f.aroot, f.error, 0.0, target, 0.0, 0.0);
  return f;
}

TEST(LleRoot, ErrorCodesAndTheLastTrialPoint) {
  const Found reversed = search(5.0, 4.0, 4.5);
  EXPECT_EQ(reversed.error, 1);
  EXPECT_EQ(reversed.aroot, 0.0);
  const Found none = search(0.0, 10.0, 20.0);
  EXPECT_EQ(none.error, 2);
  EXPECT_EQ(none.aroot, 0.0);
  // From 0 to 2.4 the trial points are 0, 1, 2 (nint(3.4) = 3): a root at
  // 2.2 is never bracketed. Up to 2.6 the fourth trial point is 2.6.
  EXPECT_EQ(search(0.0, 2.4, 2.2).error, 2);
  const Found reached = search(0.0, 2.6, 2.2);
  EXPECT_EQ(reached.error, 0);
  EXPECT_NEAR(reached.aroot, 2.2, 2.2e-5);
  // A zero value counts as not positive: a root exactly on a trial point is
  // bracketed only by the next point.
  const Found on_point = search(0.0, 10.0, 3.0);
  EXPECT_EQ(on_point.error, 0);
  EXPECT_NEAR(on_point.aroot, 3.0, 3e-5);
  EXPECT_GE(on_point.aroot, 3.0);
  // The relative tolerance: a root near 60 is found to about 60e-5.
  const Found far = search(10.0, 90.0, 60.123456);
  EXPECT_EQ(far.error, 0);
  EXPECT_NEAR(far.aroot, 60.123456, 60 * 1e-5);
  EXPECT_GT(std::fabs(far.aroot - 60.123456), 1e-9);  // a bracket midpoint, not a polished root
}

TEST(LleGeometry, ArcLengthAndCompositions) {
  // y = -x^2 from 0 to 1: the integral of sqrt(1 + 4x^2) is sqrt(5)/2 + asinh(2)/4.
  EXPECT_NEAR(lle_tools::arclength(0.0, 1.0, -1.0, 0.0), std::sqrt(5.0) / 2.0 + std::asinh(2.0) / 4.0, 1e-12);
  // Pure C at the top corner of the triangle.
  double pca = 0.0, pcc = 0.0;
  lle_tools::compcalc(50.0, 50.0 * lle_tools::root3, pca, pcc);
  EXPECT_NEAR(pca, 0.0, 1e-12);
  EXPECT_NEAR(pcc, 100.0, 1e-12);
}

TEST(LleGeometry, PointBeyondTheCurveFailsInsteadOfWritingAWrongPoint) {
  // y = -(x - 10)(x - 90)/16: from 10 to 90 the arc is far shorter than 1000.
  const double a = -1.0 / 16.0, b = 100.0 / 16.0, c = -900.0 / 16.0;
  const auto pt = lle_tools::point_at_arc(10.0, 20.0, 10.0, 90.0, a, b, c);
  EXPECT_NEAR(lle_tools::arclength(10.0, pt.x, a, b), 20.0, 1e-3);
  EXPECT_EQ(pt.y, lle_tools::ycalc(pt.x, a, b, c));
  try {
    lle_tools::point_at_arc(10.0, 1000.0, 10.0, 90.0, a, b, c);
    FAIL() << "no failure";
  } catch (const labcore::Failure& f) {
    EXPECT_EQ(f.status(), labcore::exit_computation_failed);
    ASSERT_EQ(f.records().size(), 1u);
    EXPECT_NE(f.records()[0].find("No point of the envelope"), std::string::npos);
  }
}

// x in the triangle of an envelope row "%A,%B,%C,R.I.": 100 - A - C/2.
double row_x(const std::string& row) {
  double pa = 0, pb = 0, pc = 0, ri = 0;
  EXPECT_EQ(std::sscanf(row.c_str(), "%lf,%lf,%lf,%lf,", &pa, &pb, &pc, &ri), 4) << row;
  return (100.0 - pa) - pc / 2.0;
}

void check_shape(const labtest::DataSet& ds) {
  ASSERT_EQ(ds.seeds.draws, 34);
  const auto rows = labtest::lines(ds.text);
  // Prologue 8, headings 7, envelope 20, 6 tie headings, 11 tie rows.
  ASSERT_EQ(rows.size(), 8u + 7u + 20u + 6u + 11u);
  EXPECT_EQ(ds.text.find('\t'), std::string::npos);
  EXPECT_EQ(ds.text.find('*'), std::string::npos);
  // P and Q sit on the side A-B.
  EXPECT_EQ(rows[16].substr(22, 11), "    0.0000,");
  EXPECT_EQ(rows[33].substr(22, 11), "    0.0000,");
  // P, the 16 envelope points and Q run along the curve with x rising.
  for (int r = 17; r <= 33; ++r) EXPECT_GT(row_x(rows[r]), row_x(rows[r - 1])) << r;
  EXPECT_LT(labtest::hidden(ds, "xcl"), labtest::hidden(ds, "xcr"));
  const double xp = labtest::hidden(ds, "xp");
  EXPECT_GT(xp, labtest::hidden(ds, "xcl"));
  EXPECT_LT(xp, labtest::hidden(ds, "xcr"));
}

TEST(LleTernary, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(lle_ternary_gen, 12345, 67890);
  check_shape(ds);
  const auto rows = labtest::lines(ds.text);
  // The pure-A record: its format's leading tab writes nothing.
  EXPECT_EQ(rows[15], "100.0,0,0,    1.3339,");
  // P reads 100 - p, p, 0.
  const double p = labtest::hidden(ds, "p");
  double pa = 0, pb = 0, pc = 0, ri = 0;
  ASSERT_EQ(std::sscanf(rows[16].c_str(), "%lf,%lf,%lf,%lf,", &pa, &pb, &pc, &ri), 4);
  EXPECT_NEAR(pa, 100.0 - p, 5e-5);
  EXPECT_NEAR(pb, p, 5e-5);
  EXPECT_EQ(pc, 0.0);
}

TEST(LleTernary, ShapeOverManySeeds) {
  for (const auto& [seed1, seed2] : labtest::seed_pairs(150, 88172645u)) {
    SCOPED_TRACE(std::to_string(seed1) + " " + std::to_string(seed2));
    check_shape(labtest::data_set(lle_ternary_gen, seed1, seed2));
    if (HasFailure()) break;
  }
  // Both seeds 0: every draw is just below 1, the extreme of every range.
  check_shape(labtest::data_set(lle_ternary_gen, 0, 0));
}

}  // namespace
