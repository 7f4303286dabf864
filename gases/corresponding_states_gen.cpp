// Principle of corresponding states and law of rectilinear diameters
// (project LOVEK).
//
// A substance is invented by its critical temperature and critical density.
// At thirteen reduced temperatures, crowding towards the critical point, the
// orthobaric densities follow fixed reduced-density correlations: the
// reduced liquid density is a quadratic in the reduced temperature, the
// reduced vapor density a quadratic in the reduced liquid density. The
// student finds Tc and dc from the rectilinear diameter and the
// corresponding-states curve. No scatter; double precision throughout.
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

constexpr int ntemps = 13;
constexpr std::array<double, ntemps> trprofile{0.6,  0.7,   0.8,   0.9,   0.92,  0.94, 0.96,
                                               0.98, 0.99, 0.992, 0.994, 0.996, 0.997};

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

  run.file().list(",");
  run.file().list("Temp(C),dens(liq),dens(vap)");
  for (int i = 0; i < ntemps; ++i)
    run.file().write(R"((f6.2,",",f10.6,",",f10.6,","))", tempc[i], dliq[i], dvap[i]);
}

}  // namespace

extern const labcore::Program corresponding_states_gen{
    .name = "corresponding_states_gen",
    .form = labcore::Form::A,
    .titles = {"Project LOVEK -- Principle of Corresponding States and Law of Rectilinear Diameters"},
    .header_format = R"(('"Project LOVEK Student Data Set ",'))",
    .generate = generate,
};
