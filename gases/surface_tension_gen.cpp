// Critical properties and surface tension (project NAPUD).
//
// A liquid is invented by its critical temperature, critical density and
// molar mass. At nineteen reduced temperatures below the critical point the
// orthobaric densities follow fixed reduced-density correlations: the
// reduced liquid density is a quadratic in the reduced temperature, the
// reduced vapor density a quadratic in the reduced liquid density. The
// surface tension follows Macleod's relation, gamma proportional to
// (dl - dv)^4, with a factor estimated from the molar mass and the critical
// density. The values carry no scatter; the student finds Tc and dc from
// them. Double precision throughout.
#include <array>

#include "labcore/program.hpp"

namespace {

// Reduced liquid density against reduced temperature.
constexpr double a1 = -7.00311;
constexpr double b1 = 8.122529;
constexpr double c1 = 0.357634;
// Reduced vapor density against reduced liquid density.
constexpr double a2 = 0.348336;
constexpr double b2 = -1.89963;
constexpr double c2 = 2.600443;
constexpr double tc2k = 273.15;

constexpr int ntemps = 19;
// Reduced temperatures: steps of 0.025 up to 0.975, then closing in on Tc.
constexpr std::array<double, ntemps> trprofile{0.6,  0.625, 0.65,  0.675, 0.7,  0.725, 0.75,
                                               0.775, 0.8,  0.825, 0.85,  0.875, 0.9,  0.925,
                                               0.95,  0.975, 0.98, 0.99,  0.995};

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());

  // The hidden critical constants: density in g/cm3, temperature in K.
  const double dc = (rnd.r4_uni() + 1.0) * 0.25;
  const double tc = 350.0 + 200.0 * rnd.r4_uni();
  run.hidden("dc", dc);
  run.hidden("tc", tc);

  std::array<double, ntemps> dliqred{}, dvapred{};
  for (int i = 0; i < ntemps; ++i) {
    const double tr = trprofile[i];
    const double dlr = ((a1 * tr) * tr + b1 * tr) + c1;
    const double dvr = ((a2 * dlr) * dlr + b2 * dlr) + c2;
    dliqred[i] = dlr;
    dvapred[i] = dvr;
  }

  std::array<double, ntemps> tempc{}, dliq{}, dvap{};
  for (int i = 0; i < ntemps; ++i) {
    tempc[i] = trprofile[i] * tc - tc2k;
    dliq[i] = dliqred[i] * dc;
    dvap[i] = dvapred[i] * dc;
  }

  // Molar mass, and from it the Macleod factor. The additive constant of
  // the linear estimate in the molar mass has single-precision accuracy.
  const double mw = 40.0 + 110.0 * rnd.r4_uni();
  const double summi = 0.3403 * mw + static_cast<double>(0.2142f);
  const double workmac = summi / (mw * dc);
  const double macleod = (32.96 * workmac) * workmac;
  run.hidden("mw", mw);
  run.hidden("summi", summi);
  run.hidden("workmac", workmac);
  run.hidden("macleod", macleod);

  std::array<double, ntemps> gamma{};
  for (int i = 0; i < ntemps; ++i) {
    const double diff = dliq[i] - dvap[i];
    const double diff2 = diff * diff;
    gamma[i] = (diff2 * diff2) * macleod;
  }

  run.file().list(",");
  run.file().write(R"(("MW = ,",f7.2,","))", mw);
  run.file().list(",");
  run.file().list("T(C),gamma,dl,dv,dl-dv,(dl-dv)^10/3,dl+dv,d(ave),Eotvos,Katayama,Macleod");
  for (int i = 0; i < ntemps; ++i)
    run.file().write(R"((f6.2,",",f10.6,",",f10.6,",",f10.6,","))", tempc[i], gamma[i], dliq[i], dvap[i]);
}

}  // namespace

extern const labcore::Program surface_tension_gen{
    .name = "surface_tension_gen",
    .form = labcore::Form::A,
    .titles = {"Project NAPUD Critical Properties and Surface Tension"},
    .header_format = R"(('"Project NAPUD Student Data Set ",'))",
    .generate = generate,
};
