// Third-law evaluation of entropy (project FIRAN).
//
// The student receives the measured heat capacity of a substance from about
// 12 K up to 298.15 K, with a melting point in between, and its heats of
// fusion and vaporization and its vapor pressure at 298.15 K, from which the
// absolute entropy is evaluated. The solid follows Cp = x1 + x2 T + x3 / T^2,
// passed through three drawn points; the liquid heat capacity jumps on
// melting and then rises linearly. Every measured heat capacity carries
// +-1 % of relative scatter. Single precision throughout.
#include <array>

#include "labcore/cramer.hpp"
#include "labcore/program.hpp"

namespace {

// A stretch of the temperature grid: first to last in steps of step, K.
struct Stretch {
  int first, last, step;
};
constexpr Stretch none{1, 0, 1};

// The four measurement grids; the run draws one of them.
constexpr std::array<std::array<Stretch, 3>, 4> temperature_lists{{
    {{{12, 20, 1}, {25, 100, 5}, {110, 290, 10}}},
    {{{13, 25, 1}, {30, 295, 5}, none}},
    {{{15, 25, 1}, {30, 100, 5}, {110, 290, 10}}},
    {{{15, 100, 5}, {110, 290, 10}, none}},
}};

constexpr int max_temps = 75;

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());
  const float error_margin = 0.02f;  // full width of the relative scatter

  // The hidden substance: melting point, heats of transition, vapor pressure
  // and the shape of its heat-capacity curve.
  const float tfus = 215.0f + 60.0f * rnd.r4_uni();
  const float hfus = 10000.0f + 3750.0f * rnd.r4_uni();
  const float hvap = 35000.0f + 10000.0f * rnd.r4_uni();
  const float pvap = 2000.0f + 18000.0f * rnd.r4_uni();
  const float cpinit = 0.4f + 3.6f * rnd.r4_uni();
  const float cpfus = 60.0f + 60.0f * rnd.r4_uni();
  const float cpgap = 32.0f + 24.0f * rnd.r4_uni();
  const float cpslope = 0.056f + 0.088f * rnd.r4_uni();
  const float tfactor = 0.25f + 0.1f * rnd.r4_uni();
  const float cpfactor = 0.35f + 0.15f * rnd.r4_uni();
  const float cpfusliq = cpfus + cpgap;
  const float rselect = 4.0f * rnd.r4_uni();
  // A draw of exactly 1.0 would ask for a fifth grid: it takes the last one.
  const int selector = static_cast<int>(rselect) < 4 ? static_cast<int>(rselect) : 3;
  run.hidden("tfus", tfus);
  run.hidden("hfus", hfus);
  run.hidden("hvap", hvap);
  run.hidden("pvap", pvap);
  run.hidden("cpinit", cpinit);
  run.hidden("cpfus", cpfus);
  run.hidden("cpgap", cpgap);
  run.hidden("cpslope", cpslope);
  run.hidden("tfactor", tfactor);
  run.hidden("cpfactor", cpfactor);
  run.hidden("cpfusliq", cpfusliq);
  run.hidden("rselect", rselect);
  run.hidden("selector", selector);

  // The grid, the melting point twice (last solid and first liquid reading)
  // and room temperature, sorted ascending.
  std::array<float, max_temps> temp{};
  int tcount = 0;
  for (const Stretch& s : temperature_lists[selector]) {
    for (int t = s.first; t <= s.last; t += s.step) temp[tcount++] = static_cast<float>(t);
  }
  temp[tcount++] = tfus;
  temp[tcount++] = tfus;
  temp[tcount++] = 298.15f;
  const int tempcount = tcount;
  run.hidden("tempcount", tempcount);

  for (int i = 0; i < tempcount - 1; ++i) {
    int iref = i;
    for (int j = i + 1; j < tempcount; ++j) {
      if (temp[iref] > temp[j]) iref = j;
    }
    if (iref != i) {
      const float tswap = temp[i];
      temp[i] = temp[iref];
      temp[iref] = tswap;
    }
  }

  // The first two equal entries mark the melting point: fusion1 rows of
  // solid, the rest liquid. A grid temperature equal to tfus leaves a third
  // equal entry, which is a liquid row.
  bool fusionfound = false;
  int fusion1 = 0;
  for (int i = 0; i + 1 < tempcount && !fusionfound; ++i) {
    if (temp[i] == temp[i + 1]) {
      fusionfound = true;
      fusion1 = i + 1;
    }
  }
  run.hidden("fusion1", fusion1);
  run.hidden("fusion2", fusion1 + 1);

  // The solid curve through the lowest reading, a middle point and the
  // melting point.
  const float tm = (tfus - temp[0]) * tfactor + temp[0];
  const float cptm = (cpfus - cpinit) * cpfactor + cpinit;
  run.hidden("tm", tm);
  run.hidden("cptm", cptm);
  const labcore::Matrix3 a{{
      {1.0f, temp[0], 1.0f / (temp[0] * temp[0])},
      {1.0f, tm, 1.0f / (tm * tm)},
      {1.0f, tfus, 1.0f / (tfus * tfus)},
  }};
  const labcore::Vector3 b{cpinit, cptm, cpfus};
  labcore::Vector3 x{};
  labcore::cramer3x3(a, b, x);
  for (int k = 1; k <= 3; ++k) run.hidden("x", k, x[k - 1]);

  std::array<float, max_temps> cp{};
  for (int i = 0; i < fusion1; ++i) {
    const float t = temp[i];
    cp[i] = x[2] / (t * t) + (x[0] + t * x[1]);
  }
  for (int i = fusion1; i < tempcount; ++i) {
    const float t = temp[i];
    cp[i] = (t - tfus) * cpslope + cpfusliq;
  }

  std::array<float, max_temps> cperr{};
  for (int i = 0; i < tempcount; ++i) {
    cperr[i] = (1.0f + (rnd.r4_uni() - 0.5f) * error_margin) * cp[i];
  }

  run.file().list("T(K),ln(T),Cp(J/deg/mole)");
  for (int i = 0; i < fusion1; ++i) run.file().write(R"((f7.2,",,",f10.2))", temp[i], cperr[i]);
  run.file().list("Fusion,");
  for (int i = fusion1; i < tempcount; ++i) run.file().write(R"((f7.2,",,",f10.2))", temp[i], cperr[i]);
  run.file().list(",");
  run.file().write(R"(("Heat of Fusion,,",f10.2))", hfus);
  run.file().list(",,J/mole");
  run.file().list(",");
  run.file().list("Heat of Vaporization at 298.15 K,");
  run.file().write(R"((",,",f10.2))", hvap);
  run.file().list(",,J/mole");
  run.file().list(",");
  run.file().list("Vapor Pressure at 298.15 K,");
  run.file().write(R"((",,",f10.2))", pvap);
  run.file().list(",,Pa");
}

}  // namespace

extern const labcore::Program third_law_gen{
    .name = "third_law_gen",
    .form = labcore::Form::A,
    .titles = {"Project FIRAN -- Third Law Evaluation of Entropy"},
    .header_format = R"(('"Project FIRAN Student Data Set ",'))",
    .closing_separators = 2,
    .generate = generate,
};
