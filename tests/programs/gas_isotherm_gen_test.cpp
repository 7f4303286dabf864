// Real gas isotherms: the worked example, the van der Waals model functions
// and the shape of the nine isotherms over many seeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gases/deriv2_eval.hpp"
#include "gases/eos_eval.hpp"
#include "gases/param_set_mod.hpp"
#include "support/test_support.hpp"

extern const labcore::Program gas_isotherm_gen;

namespace {

struct Point {
  double v, p;
};

// The isotherms of a data set: temperature record and points.
struct Isotherm {
  std::string temperature;
  std::vector<Point> points;
};

std::vector<Isotherm> isotherms(const std::string& text) {
  const auto rows = labtest::lines(text);
  std::vector<Isotherm> out;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (rows[k] != R"("isotherm temperature:",)") continue;
    Isotherm iso{rows[k + 1], {}};
    EXPECT_EQ(rows[k + 2], " ,");
    EXPECT_EQ(rows[k + 3], R"x("V(cm3)","P(bar)")x");
    std::size_t n = k + 4;
    for (; n < rows.size() && rows[n] != " ,"; ++n) {
      EXPECT_EQ(rows[n].size(), 21u) << rows[n];
      EXPECT_EQ(rows[n][10], ',') << rows[n];
      iso.points.push_back({std::stod(rows[n].substr(0, 10)), std::stod(rows[n].substr(11))});
    }
    EXPECT_EQ(rows[n + 1], " ,");
    out.push_back(iso);
  }
  return out;
}

const labcore::HiddenValue* find(const labtest::DataSet& ds, const std::string& name) {
  for (const auto& h : ds.key) {
    if (h.name == name) return &h;
  }
  return nullptr;
}

TEST(GasIsotherm, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(gas_isotherm_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "tc"), static_cast<double>(376.23169f));
  EXPECT_EQ(labtest::hidden(ds, "pc"), static_cast<double>(83.428894f));
  EXPECT_EQ(labtest::hidden(ds, "zc"), static_cast<double>(0.25733438f));
  EXPECT_EQ(labtest::hidden(ds, "a"), static_cast<double>(4948234.5f));
  EXPECT_EQ(labtest::hidden(ds, "b"), static_cast<double>(46.868927f));
  EXPECT_EQ(labtest::hidden(ds, "t(1)"), static_cast<double>(343.77243f));
  EXPECT_NEAR(labtest::hidden(ds, "ptrial(1)"), 57.56, 0.005);
  EXPECT_EQ(std::lround(labtest::hidden(ds, "vl(1)") / 10.0), 9);
  EXPECT_EQ(std::lround(labtest::hidden(ds, "vg(1)") / 10.0), 30);

  const auto rows = labtest::lines(ds.text);
  ASSERT_GT(rows.size(), 12u);
  EXPECT_EQ(rows[6], " , ");  // the prologue's closing separator
  EXPECT_EQ(rows[7], R"("isotherm temperature:",)");
  EXPECT_EQ(rows[8], " 343.772,");
  EXPECT_EQ(rows[11], "  54.89805,  89.55283");
  // The tie line starts at the second tabulated volume (index 9).
  EXPECT_EQ(rows[12].substr(0, 11), "  61.76035,");
  EXPECT_NEAR(std::stod(rows[12].substr(11)), labtest::hidden(ds, "ptrial(1)"), 0.01);

  std::size_t points = 0;
  for (const auto& iso : isotherms(ds.text)) points += iso.points.size();
  EXPECT_EQ(ds.seeds.draws, 3 + 9 * (1 + 63) + 2 * static_cast<std::int64_t>(points));
}

TEST(GasIsotherm, VanDerWaalsFunctionsAtTheCriticalPoint) {
  // At Tc = 8a/(27Rb) and Vc = 3b: P = a/(27 b^2), and the isotherm has an
  // inflection there.
  const float a = 4948234.5f;
  const float b = 46.868927f;
  const float tc = (8.0f * a) / (27.0f * gases::param_set_mod::r * b);
  const float vc = 3.0f * b;
  EXPECT_NEAR(gases::eos_eval(vc, tc, a, b), a / (27.0f * b * b), 1e-3);
  const float scale = (tc * 166.29f) / ((vc - b) * (vc - b) * (vc - b));
  EXPECT_LT(std::fabs(gases::deriv2_eval(vc, tc, a, b)), 1e-4f * scale);
  EXPECT_GT(gases::deriv2_eval(vc, 1.1f * tc, a, b), 0.0f);
  EXPECT_LT(gases::deriv2_eval(2.0f * b, tc, a, b), gases::deriv2_eval(2.0f * b, 1.5f * tc, a, b));
}

TEST(GasIsotherm, IsothermShapesOverManySeeds) {
  for (const auto& [seed1, seed2] : labtest::seed_pairs(150, 88172645u)) {
    const auto ds = labtest::data_set(gas_isotherm_gen, seed1, seed2);
    const auto isos = isotherms(ds.text);
    ASSERT_EQ(isos.size(), 9u);
    const double tc = labtest::hidden(ds, "tc");
    const double zc = labtest::hidden(ds, "zc");
    std::size_t points = 0;
    double previous_t = 0.0;
    for (int n = 1; n <= 9; ++n) {
      const auto& iso = isos[static_cast<std::size_t>(n - 1)];
      const double t = labtest::hidden(ds, "t(" + std::to_string(n) + ")");
      ASSERT_GT(t, previous_t);
      previous_t = t;
      ASSERT_EQ(iso.temperature.size(), 9u);
      ASSERT_NEAR(std::stod(iso.temperature), t, 0.0005);

      // A tie line exactly below the critical temperature.
      const auto* ptrial = find(ds, "ptrial(" + std::to_string(n) + ")");
      const bool expected = n <= 3 || (n <= 6 && t < tc);
      ASSERT_EQ(ptrial != nullptr, expected) << "isotherm " << n;

      // Volumes 80 to 140 always written, in rising volume; the pressure
      // never rises with the volume beyond the scatter, and is flat on
      // the tie line.
      ASSERT_GE(iso.points.size(), 7u);
      for (int i = 0; i < 7; ++i) {
        ASSERT_NEAR(iso.points[static_cast<std::size_t>(i)].v, 10.0 * (8 + i) * zc * 8.0 / 3.0, 0.0002);
      }
      for (std::size_t i = 1; i < iso.points.size(); ++i) {
        ASSERT_GT(iso.points[i].v, iso.points[i - 1].v);
        ASSERT_LE(iso.points[i].p, iso.points[i - 1].p + 0.02) << "isotherm " << n;
      }
      // Each pressure is the van der Waals one, or the tie-line pressure
      // between the tabulated volumes nearest the liquid and the gas.
      long index_l = 0, index_g = -1;
      if (ptrial != nullptr) {
        index_l = std::lround(labtest::hidden(ds, "vl(" + std::to_string(n) + ")") / 10.0);
        index_g = std::lround(labtest::hidden(ds, "vg(" + std::to_string(n) + ")") / 10.0);
        ASSERT_GE(index_l, 8);
        ASSERT_LE(index_g, 70);
      }
      const float a = static_cast<float>(labtest::hidden(ds, "a"));
      const float b = static_cast<float>(labtest::hidden(ds, "b"));
      for (const auto& pt : iso.points) {
        const long i = std::lround(pt.v / (zc * 8.0 / 3.0) / 10.0);
        const double model = (i >= index_l && i <= index_g)
                                 ? ptrial->real
                                 : static_cast<double>(gases::eos_eval(10.0f * static_cast<float>(i),
                                                                       static_cast<float>(t), a, b));
        ASSERT_NEAR(pt.p, model, 0.01 + 1e-5 * std::fabs(model)) << "isotherm " << n << " volume " << 10 * i;
      }
      points += iso.points.size();
    }
    ASSERT_EQ(ds.seeds.draws, 3 + 9 * 64 + 2 * static_cast<std::int64_t>(points));
  }
}

}  // namespace
