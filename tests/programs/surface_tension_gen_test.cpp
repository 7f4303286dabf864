// Surface tension and orthobaric densities: the worked example and the
// table over many seeds.
#include <gtest/gtest.h>

#include "support/test_support.hpp"

extern const labcore::Program surface_tension_gen;

namespace {

TEST(SurfaceTension, WorkedExampleForSeeds12345And67890) {
  const auto ds = labtest::data_set(surface_tension_gen, 12345, 67890);
  EXPECT_EQ(labtest::hidden(ds, "dc"), 0.48589935051344557);
  EXPECT_EQ(labtest::hidden(ds, "tc"), 531.6637721105575);
  EXPECT_EQ(labtest::hidden(ds, "mw"), 56.13566120692119);  // the third draw
  // The parachor constant has single-precision accuracy.
  EXPECT_EQ(labtest::hidden(ds, "summi"), 0.3403 * 56.13566120692119 + 0.2142000049352646);
  EXPECT_EQ(ds.seeds.draws, 3);

  const auto rows = labtest::lines(ds.text);
  ASSERT_EQ(rows.size(), 8u + 4u + 19u);
  EXPECT_EQ(rows[9], "MW = ,  56.14,");
  EXPECT_EQ(rows[11], " T(C),gamma,dl,dv,dl-dv,(dl-dv)^10/3,dl+dv,d(ave),Eotvos,Katayama,Macleod");
  EXPECT_EQ(rows[12], " 45.85, 48.926026,  1.316803,  0.005180,");
  EXPECT_EQ(rows[13], " 59.14, 48.091509,  1.311260,  0.005266,");
  EXPECT_EQ(rows[29], "253.20,  1.037456,  0.745948,  0.245433,");
  EXPECT_EQ(rows[30], "255.86,  0.839279,  0.731908,  0.257229,");
}

TEST(SurfaceTension, TableFitsItsFieldsAndRisesInTemperature) {
  // Seeds 0 and 0 make every draw nearly 1: the hottest, densest liquid.
  std::vector<std::pair<std::int32_t, std::int32_t>> seeds{{0, 0}};
  for (const auto& pair : labtest::seed_pairs(200, 88172645u)) seeds.push_back(pair);
  for (const auto& [s1, s2] : seeds) {
    const auto ds = labtest::data_set(surface_tension_gen, s1, s2);
    const auto rows = labtest::lines(ds.text);
    ASSERT_EQ(rows.size(), 31u);
    double last_t = -1e9, last_gamma = 1e9;
    for (std::size_t i = 12; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 40u) << rows[i];
      ASSERT_EQ(rows[i].find('*'), std::string::npos) << rows[i];
      const double t = std::stod(rows[i].substr(0, 6));
      const double gamma = std::stod(rows[i].substr(7, 10));
      ASSERT_GT(t, last_t) << rows[i];
      ASSERT_LT(gamma, last_gamma) << rows[i];
      last_t = t, last_gamma = gamma;
    }
  }
  const auto top = labtest::lines(labtest::data_set(surface_tension_gen, 0, 0).text);
  EXPECT_EQ(top.back().substr(0, 7), "274.10,");
}

}  // namespace
