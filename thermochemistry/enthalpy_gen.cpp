// High-temperature enthalpies (project GOKIV).
//
// The student receives the heat capacity of a substance at 298.15 K and the
// measured enthalpy increments H(T) - H(298.15) at 8 to 12 temperatures
// between 400 K and 1000 K, with the column headings of a Shomate treatment
// to fill in. The substance has Cp = a + 2bT - c/T^2, so that
// H(T) - H(298.15) = aT + bT^2 + c/T + d; each measured increment carries
// +-0.5 % of relative scatter. Single precision throughout.
#include <array>

#include "labcore/numeric.hpp"
#include "labcore/program.hpp"

namespace {

constexpr float t298 = 298.15f;     // reference temperature, K
constexpr float t298sq = 88893.42f;  // t298 squared
constexpr int max_temps = 12;

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());
  const float error_margin = 0.01f;  // full width of the relative scatter

  const float slope = 0.06f + 0.1f * rnd.r4_uni();
  const float intercept = 36.0f * rnd.r4_uni() - 12.0f;
  const float cp_298 = 120.0f + 680.0f * rnd.r4_uni();
  run.hidden("slope", slope);
  run.hidden("intercept", intercept);
  run.hidden("cp_298", cp_298);

  run.file().list("Cp(298) = ,", cp_298);
  run.file().list(",");

  // Coefficients of the enthalpy law, chosen so that Cp(298.15) = cp_298
  // and the increment vanishes at 298.15 K (596.3 is 2 x 298.15).
  const float b = slope;
  const float c = t298sq * intercept;
  const float a = cp_298 + ((c / t298sq) - (b * 596.3f));
  const float d = ((b * t298sq) - ((c + c) / t298)) - (t298 * cp_298);
  run.hidden("a", a);
  run.hidden("b", b);
  run.hidden("c", c);
  run.hidden("d", d);

  const int num_t = labcore::nint(4.0f * rnd.r4_uni() + 8.0f);
  run.hidden("num_t", num_t);

  std::array<float, max_temps> expt_t{};
  for (int i = 0; i < num_t; ++i) expt_t[i] = 400.0f + 600.0f * rnd.r4_uni();

  for (int i = 0; i < num_t - 1; ++i) {
    int iref = i;
    for (int j = i + 1; j < num_t; ++j) {
      if (expt_t[iref] > expt_t[j]) iref = j;
    }
    if (iref != i) {
      const float swapt = expt_t[i];
      expt_t[i] = expt_t[iref];
      expt_t[iref] = swapt;
    }
  }

  std::array<float, max_temps> h_diff{};
  std::array<float, max_temps> h_differr{};
  for (int i = 0; i < num_t; ++i) {
    const float t = expt_t[i];
    h_diff[i] = ((c / t) + ((t * a) + ((t * t) * b))) + d;
    h_differr[i] = (1.0f + (rnd.r4_uni() - 0.5f) * error_margin) * h_diff[i];
  }

  run.file().list(",");
  run.file().list("A,B,C,D,E,F,G,H,I,J,");
  run.file().list(R"(,"expt","calc","Deviation",)");
  run.file().list("T(K),H(T)-H(298),H(T)-H(298),Amt.,%,T-298.15,Cp(298)*(T-298.15),col B-col G,(T-298.15)^2,fs,");
  for (int i = 0; i < num_t; ++i) run.file().write(R"((F7.2,",",e11.6,","))", expt_t[i], h_differr[i]);
}

}  // namespace

extern const labcore::Program enthalpy_gen{
    .name = "enthalpy_gen",
    .form = labcore::Form::B,
    .titles = {"Project GOKIV -- High Temperature Enthalpies"},
    .header_format = R"(('"Project GOKIV Student Data Set ",'))",
    .generate = generate,
};
