// Every program against the complete data sets and terminal transcripts
// that instructors already hold, for three seed pairs each, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

struct Case {
  std::string program;
  std::string seed1, seed2;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.program << " " << c.seed1 << " " << c.seed2; }

std::vector<Case> cases() {
  std::vector<Case> out;
  for (const auto& dir : fs::directory_iterator(labtest::expected_dir())) {
    for (const auto& f : fs::directory_iterator(dir.path())) {
      if (f.path().extension() != ".csv") continue;
      const std::string stem = f.path().stem().string();
      const auto cut = stem.find('_');
      out.push_back({dir.path().filename().string(), stem.substr(0, cut), stem.substr(cut + 1)});
    }
  }
  std::sort(out.begin(), out.end(), [](const Case& a, const Case& b) {
    return std::tie(a.program, a.seed1, a.seed2) < std::tie(b.program, b.seed1, b.seed2);
  });
  return out;
}

class ExpectedOutput : public testing::TestWithParam<Case> {};

TEST_P(ExpectedOutput, FileAndTerminalAreIdentical) {
  const Case& c = GetParam();
  const labcore::Program* program = labcore::find_program(c.program);
  if (program == nullptr) GTEST_SKIP() << c.program << " is not built yet";
  labtest::TempDir dir;
  const auto r = labtest::run_dialog(*program, "out.csv\nJane Doe\n" + c.seed1 + "\n" + c.seed2 + "\nx\n", dir.path());
  const fs::path base = labtest::expected_dir() / c.program / (c.seed1 + "_" + c.seed2);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.file, labtest::read_file(base.string() + ".csv"));
  EXPECT_EQ(r.terminal, labtest::read_file(base.string() + ".terminal"));
}

INSTANTIATE_TEST_SUITE_P(AllPrograms, ExpectedOutput, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) {
                           return info.param.program + "_" + info.param.seed1 + "_" + info.param.seed2;
                         });

TEST(Registry, EveryBuiltProgramHasExpectedOutputs) {
  for (const labcore::Program* p : labcore::all_programs())
    EXPECT_TRUE(fs::is_directory(labtest::expected_dir() / p->name)) << p->name;
}

}  // namespace
