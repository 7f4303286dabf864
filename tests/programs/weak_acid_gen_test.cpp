// Weak acid conductance: the worked example, the layout of the tables and
// the range of the weak-acid rows over many seeds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_support.hpp"

extern const labcore::Program weak_acid_gen;

namespace {

constexpr std::size_t prologue = 8;

TEST(WeakAcid, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(weak_acid_gen, 12345, 67890);
  EXPECT_NEAR(labtest::hidden(ds, "l0cationh"), 341.1281, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "bsmallplush"), 118.1664, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "l0cationm"), 43.2808, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "bsmallplusm"), 45.1470, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "l0anionx"), 60.2905, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "bsmallminusx"), 47.3381, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "l0aniony"), 42.1996, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "bsmallminusy"), 43.3936, 5e-5);
  EXPECT_NEAR(labtest::hidden(ds, "logkeq"), -5.990932, 5e-7);
  // The ninth draw comes after the three strong tables.
  EXPECT_EQ(ds.seeds.draws, 9);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), prologue + 78);
  const auto row = [&](std::size_t n) { return rows[prologue + n - 1]; };
  EXPECT_EQ(row(4), "0.5000E-04, 400.35,");
  EXPECT_EQ(row(17), "0.3000E-02, 393.58,");
  EXPECT_EQ(row(21), "0.5000E-04, 102.98,");
  EXPECT_EQ(row(34), "0.3000E-02,  99.25,");
  EXPECT_EQ(row(38), "0.5000E-04,  84.92,");
  EXPECT_EQ(row(51), "0.3000E-02,  81.37,");
  EXPECT_EQ(row(55), "0.3000E-04,  64.60,");
  EXPECT_EQ(row(56), "0.7000E-04,  43.67,");
  EXPECT_EQ(row(69), "0.2000E+00,   0.88,");
  // Two separators differ from their neighbours; one heading has no comma.
  EXPECT_EQ(row(1), " , ");
  EXPECT_EQ(row(2), " conductances of HX");
  EXPECT_EQ(row(18), " ,");
  EXPECT_EQ(row(35), " .");
  EXPECT_EQ(row(77), " Davies -- 0.3,");
}

// The conductance column of rows first..last, as written.
std::vector<double> column(const std::vector<std::string>& rows, std::size_t first, std::size_t last) {
  std::vector<double> out;
  for (std::size_t n = first; n <= last; ++n) {
    const std::string& r = rows[prologue + n - 1];
    EXPECT_EQ(r.size(), 19u) << r;
    EXPECT_EQ(r.find('*'), std::string::npos) << r;
    out.push_back(std::strtod(r.c_str() + 11, nullptr));
  }
  return out;
}

TEST(WeakAcid, ConductancesFallWithConcentrationOverManySeeds) {
  // Seeds 0 and 0 make every draw 1.0: the weakest acid, log K = -6, whose
  // most concentrated row is the smallest number the file holds.
  const auto weakest = labtest::data_set(weak_acid_gen, 0, 0);
  EXPECT_EQ(labtest::hidden(weakest, "logkeq"), -6.0);
  const auto w = column(labtest::lines(weakest.text), 55, 69);
  EXPECT_GT(w.back(), 0.5);
  EXPECT_LT(w.back(), 1.5);

  for (const auto& [seed1, s2] : labtest::seed_pairs(200, 88172645u)) {
    const auto ds = labtest::data_set(weak_acid_gen, seed1, s2);
    ASSERT_EQ(ds.seeds.draws, 9);
    const double logk = labtest::hidden(ds, "logkeq");
    ASSERT_GE(logk, -6.0);
    ASSERT_LT(logk, -4.0);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), prologue + 78);
    for (const auto& [first, last] : {std::pair{4, 17}, {21, 34}, {38, 51}, {55, 69}}) {
      const auto c = column(rows, first, last);
      for (std::size_t i = 1; i < c.size(); ++i) ASSERT_LE(c[i], c[i - 1]) << "row " << first + i;
    }
    // The weak acid conducts less than a strong acid of the same ions.
    const double l0hy = labtest::hidden(ds, "l0comphy");
    ASSERT_LT(column(rows, 55, 55)[0], l0hy);
  }
}

}  // namespace
