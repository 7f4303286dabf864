// Partial molar volumes of gases (project MOTUV).
//
// The student receives the molar volume of mixtures of two gases at one
// temperature, for seven compositions and twenty pressures, and derives the
// partial molar volumes from them. The gases have drawn critical constants;
// the mixtures follow the van der Waals equation with quadratic mixing rules
// and a drawn binary interaction parameter. Every volume carries a small
// scatter. Single precision throughout.
#include <array>
#include <cmath>

#include "gases/gas_volume.hpp"
#include "labcore/program.hpp"

namespace {

using gases::gas_volume;

// Gas constant, cm3*bar/(mol*K).
constexpr float r = 83.145f;

constexpr int ncomp = 7;
constexpr int npress = 21;

// Nominal mole fractions of gas 1; the inner five are scattered.
constexpr std::array<float, ncomp> x1base{0.0f, 0.1f, 0.3f, 0.5f, 0.7f, 0.9f, 1.0f};
// Pressures in bar: 1, then 30 to 125 in steps of 5. The 1-bar row is
// computed but not written.
constexpr std::array<float, npress> pressure{1.0f,  30.0f, 35.0f, 40.0f,  45.0f,  50.0f,  55.0f,
                                             60.0f, 65.0f, 70.0f, 75.0f,  80.0f,  85.0f,  90.0f,
                                             95.0f, 100.0f, 105.0f, 110.0f, 115.0f, 120.0f, 125.0f};

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  // The two gases and their van der Waals constants; 186653.44 is 27*r^2.
  std::array<float, 2> tc{};
  std::array<float, 2> pc{};
  for (int i = 0; i < 2; ++i) {
    tc[i] = 100.0f + 150.0f * rnd.r4_uni();
    pc[i] = 30.0f + 40.0f * rnd.r4_uni();
  }
  std::array<float, 2> a{};
  std::array<float, 2> b{};
  for (int i = 0; i < 2; ++i) {
    a[i] = ((186653.44f * tc[i]) * tc[i]) / (64.0f * pc[i]);
    b[i] = (r * tc[i]) / (8.0f * pc[i]);
  }
  const float kij = 0.2f * rnd.r4_uni() - 0.1f;
  const float t = 273.0f + 30.0f * rnd.r4_uni();
  for (int i = 0; i < 2; ++i) {
    run.hidden("tc", i + 1, tc[i]);
    run.hidden("pc", i + 1, pc[i]);
    run.hidden("a", i + 1, a[i]);
    run.hidden("b", i + 1, b[i]);
  }
  run.hidden("kij", kij);
  run.hidden("t", t);

  run.file().write(R"fmt(("temperature:, ", F8.2,' ,"K",,,,,'))fmt", t);
  run.file().list(",,,,,,,");
  run.file().list(R"( ,"mole fractions x1",,,,,,)");

  // The compositions: the pure gases exactly, the five mixtures scattered
  // by up to 0.07 about their nominal mole fractions.
  std::array<float, ncomp> x1{};
  std::array<float, ncomp> x2{};
  for (int i = 0; i < ncomp; ++i) {
    if (i == 0 || i == ncomp - 1) {
      x1[i] = x1base[i];
    } else {
      x1[i] = x1base[i] + 0.14f * (rnd.r4_uni() - 0.5f);
    }
    x2[i] = 1.0f - x1[i];
    run.hidden("x1", i + 1, x1[i]);
  }

  // Quadratic mixing rules: a geometric-mean cross attraction corrected by
  // kij, and a linear co-volume.
  const float a11 = a[0];
  const float a22 = a[1];
  const float a12 = (1.0f - kij) * std::sqrt(a11 * a22);
  run.hidden("a12", a12);
  std::array<float, ncomp> amix{};
  std::array<float, ncomp> bmix{};
  for (int i = 0; i < ncomp; ++i) {
    amix[i] = ((x1[i] * x1[i]) * a11 + (x2[i] * (x1[i] + x1[i])) * a12) + (x2[i] * x2[i]) * a22;
    bmix[i] = b[1] * x2[i] + x1[i] * b[0];
  }

  run.file().write(R"fmt(("  P(bar) ",",",6(f10.3,","),f10.3))fmt", x1);

  // Every mixture is above its critical temperature: one real root.
  std::array<std::array<float, ncomp>, npress> molar_vol{};
  const float rt = r * t;
  for (int j = 0; j < npress; ++j) {
    for (int i = 0; i < ncomp; ++i) {
      molar_vol[j][i] = gas_volume(run, amix[i], bmix[i], rt, pressure[j]);
    }
  }

  // Scatter of +-0.01 cm3/mol on every volume, the unwritten 1-bar row
  // included.
  for (int j = 0; j < npress; ++j) {
    for (int i = 0; i < ncomp; ++i) {
      molar_vol[j][i] = 0.02f * (rnd.r4_uni() - 0.5f) + molar_vol[j][i];
    }
  }

  for (int j = 1; j < npress; ++j) {
    run.file().write(R"fmt((f9.1,",",6(f10.2,","),f10.2))fmt", pressure[j], molar_vol[j]);
  }
}

}  // namespace

extern const labcore::Program gas_mixture_volume_gen{
    .name = "gas_mixture_volume_gen",
    .form = labcore::Form::C,
    .titles = {"Project MOTUV -- Partial Molar Volumes of Gases"},
    .header_format = R"fmt(('"Project MOTUV  Student Data Set",,,,,,,'))fmt",
    .after_name = {",,,,,,,"},
    .generate = generate,
};
