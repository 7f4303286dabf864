// Ammonia synthesis equilibrium and fugacity (project TAVIN).
//
// The gas-phase reaction A + 2B -> 2C of three invented van der Waals gases
// at two temperatures. For each temperature the student receives the molar
// volume of each pure gas at twenty pressures and the equilibrium quotient
// Kp at the same pressures. Kp is the thermodynamic constant divided by the
// ratio of fugacity coefficients of the van der Waals gases; the student
// finds the coefficients from the residual volumes and recovers Keq. The
// coefficients here come from a least-squares quartic fitted to the
// residual volume, integrated from zero pressure. No scatter on the written
// values. Double precision throughout.
#include <array>
#include <cmath>

#include "labcore/matvec.hpp"
#include "labcore/numeric.hpp"
#include "labcore/program.hpp"
#include "reaction_equilibria/vdw_volume.hpp"

namespace {

// Constants carried with single-precision accuracy.
constexpr double r = 82.05745697021484;    // cm^3 atm/(mol K)
constexpr double rsi = 8.314461708068848;  // J/(mol K)
constexpr double tc2k = 273.1499938964844;
constexpr double r27sq = 181802.50859930384;  // 27 r^2
constexpr double keq_width = 0.10000000149011612;

constexpr int ndat = 20;  // pressures, and points of the fit
constexpr int mfunc = 5;  // coefficients of the fitted polynomial
constexpr int ngas = 3;

constexpr std::array<double, ndat> pressure{10.0,  20.0,  30.0,  40.0,  50.0,  60.0,  70.0,
                                            80.0,  90.0,  100.0, 125.0, 150.0, 175.0, 200.0,
                                            250.0, 300.0, 350.0, 400.0, 450.0, 500.0};
constexpr std::array<const char*, ngas> component{"Component A,", "Component B,", "Component C,"};

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());
  auto& file = run.file();

  // Critical constants of A, B and C, and their van der Waals constants.
  std::array<double, ngas> tc{}, pc{}, a{}, b{};
  for (int i = 0; i < ngas; ++i) {
    tc[i] = 100.0 + 150.0 * rnd.r4_uni();
    pc[i] = 30.0 + 40.0 * rnd.r4_uni();
  }
  for (int i = 0; i < ngas; ++i) {
    a[i] = ((r27sq * tc[i]) * tc[i]) / (64.0 * pc[i]);
    b[i] = (r * tc[i]) / (8.0 * pc[i]);
    run.hidden("tc", i + 1, tc[i]);
    run.hidden("pc", i + 1, pc[i]);
    run.hidden("a", i + 1, a[i]);
    run.hidden("b", i + 1, b[i]);
  }

  // The two temperatures, deg C.
  const std::array<double, 2> tt{250.0 + 100.0 * rnd.r4_uni(), 350.0 + 100.0 * rnd.r4_uni()};
  run.hidden("tt", 1, tt[0]);
  run.hidden("tt", 2, tt[1]);
  file.write(R"fmt(("lower temperature:, ", F8.2,' ,"C",,,,,'))fmt", tt[0]);
  file.write(R"fmt(("upper temperature:, ", F8.2,' ,"C",,,,,'))fmt", tt[1]);
  file.list(",,,,,,,");

  // Reaction enthalpy, exothermic or endothermic with equal chance, and the
  // equilibrium constants by van 't Hoff.
  double delh = 31300.0 + 21000.0 * (rnd.r4_uni() - 0.5);
  if (rnd.r4_uni() < 0.5) delh = -delh;
  std::array<double, 2> keq{};
  keq[1] = 0.25 + keq_width * (rnd.r4_uni() - 0.5);
  keq[0] = std::exp(std::log(keq[1]) + (delh / rsi) * (1.0 / (tt[1] + tc2k) - 1.0 / (tt[0] + tc2k)));
  run.hidden("delh", delh);
  run.hidden("keq", 1, keq[0]);
  run.hidden("keq", 2, keq[1]);

  // Normal equations of the quartic fit: the same for every gas and both
  // temperatures.
  std::array<double, ndat * mfunc> amat{};
  std::array<double, mfunc * ndat> amattrans{};
  std::array<double, mfunc * mfunc> alpha{};
  labcore::amatrix(amat, ndat, mfunc, pressure);
  labcore::matvectools_d::mattranspose(amat, amattrans, ndat, mfunc);
  labcore::matvectools_d::matmult(amattrans, amat, alpha, mfunc, ndat, ndat, mfunc);

  for (int i2 = 0; i2 < 2; ++i2) {
    const double t = tt[i2];
    const double ktry = keq[i2];
    file.list(",,,,,,,");
    file.write(R"(("Temperature , ",f7.2, ", C"))", t);
    file.list(",,,,,,,");

    const double rt = r * (t + tc2k);
    std::array<double, ndat> volideal{};
    for (int j = 0; j < ndat; ++j) volideal[j] = rt / pressure[j];

    // Molar and residual volumes, first index the pressure.
    std::array<std::array<double, ndat>, ngas> molar_vol{}, volresid{};
    for (int i = 0; i < ngas; ++i) {
      for (int j = 0; j < ndat; ++j) {
        molar_vol[i][j] = vdw_volume::molar_volume(a[i], b[i], rt, pressure[j], j + 1, i + 1);
        volresid[i][j] = molar_vol[i][j] - volideal[j];
      }
    }
    for (int i = 0; i < ngas; ++i) {
      file.list(",,,,,,,");
      file.list(component[i]);
      file.write(R"(("P(atm),V(cm^3/mol),RT/P,alpha,integalpha,ln(f/p),gamma,"))");
      for (int j = 0; j < ndat; ++j) file.write(R"((f5.1,", ",f8.1,", "))", pressure[j], molar_vol[i][j]);
    }

    // ln(phi) = (1/RT) * integral from 0 to P of the residual volume, with
    // the fitted quartic integrated term by term.
    std::array<std::array<double, ndat>, ngas> activcoeff{};
    for (int i = 0; i < ngas; ++i) {
      std::array<double, mfunc> beta{}, xsoln{};
      int error = 0;
      labcore::matvectools_d::matvecprod(amattrans, volresid[i], mfunc, ndat, beta);
      labcore::dsimul(alpha, beta, xsoln, mfunc, mfunc, error);
      for (int j = 0; j < ndat; ++j) {
        double tally = 0.0;
        for (int k = 1; k <= mfunc; ++k) {
          const int power = mfunc + 1 - k;
          tally = (labcore::powi(pressure[j], power) * xsoln[k - 1]) / static_cast<double>(power) + tally;
        }
        const double lnvoldiffinteg = tally / rt;
        activcoeff[i][j] = std::exp(lnvoldiffinteg);
        run.hidden("activcoeff", {j + 1, i + 1, i2 + 1}, activcoeff[i][j]);
      }
    }

    file.list(",,,,,");
    file.list("Determine Keq from Kp and activity coefficients,");
    file.list(",,,,,");
    file.list("P(atm),Kp,");
    for (int i1 = 0; i1 < ndat; ++i1) {
      const double phia = activcoeff[0][i1];
      const double phib = activcoeff[1][i1];
      const double phic = activcoeff[2][i1];
      const double kgamma = (phic * phic) / (phia * (phib * phib));
      const double kp = ktry / kgamma;
      file.write(R"((f5.1,", ",f10.5,", "))", pressure[i1], kp);
    }
    file.list(",,,,,");
  }
}

}  // namespace

extern const labcore::Program ammonia_equilibrium_gen{
    .name = "ammonia_equilibrium_gen",
    .form = labcore::Form::C,
    .titles = {"Project TAVIN Student Data Set Generation", "Ammonia Synthesis Equilibrium and Fugacity"},
    .header_format = R"(('"Project TAVIN Student Data Set",,,,,,,'))",
    .after_name = {",,,,,,,", "stoichiometry : A + 2B -> 2C ,", ",,,,,,,"},
    .generate = generate,
};
