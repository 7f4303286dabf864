// Activity coefficients from EMF measurements (project RUNOT).
//
// The student receives the EMF of a cell at eleven molalities of the
// electrolyte, with the temperature, the Debye-Hueckel coefficient, a
// solubility product and (ln 10) RT/F there, and works out mean activity
// coefficients in a first and a second approximation, the standard EMF and
// the experimental coefficients. The EMF follows an exact law linear in
// ln m whose coefficients depend on the temperature and one drawn factor.
// Double precision throughout.
#include <array>
#include <cmath>

#include "labcore/program.hpp"

namespace {

constexpr int nconc = 11;

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());

  const double r = 8.314463;  // J/(K mol)
  const double f = 96487.0;   // C/mol
  const double ln10 = 2.302585092994046;
  const std::array<double, nconc> conc{0.00025, 0.0005, 0.00075, 0.001, 0.0025, 0.005,
                                       0.0075,  0.01,   0.025,   0.05,  0.075};

  const double tc = static_cast<double>(rnd.randbetween(0, 50));
  const double tk = 273.15 + tc;
  // Debye-Hueckel coefficient and (ln 10) RT/F at the run's temperature.
  const double dhcoeff = (5.125e-6 * tk) * tk + (0.69637 - tk * 0.0021484);
  const double rtf = ((r * ln10) * tk) / f;
  run.hidden("tc", tc);
  run.hidden("tk", tk);
  run.hidden("dhcoeff", dhcoeff);
  run.hidden("rtf", rtf);

  // Solubility product: a quadratic in T scaled by a factor of 1 to 2.
  const double factor1 = rnd.r4_uni() + 1.0;
  const double ksp = ((1.25e-12 * tk) * tk + (5e-8 - tk * 5e-10)) * factor1;
  run.hidden("factor1", factor1);
  run.hidden("ksp", ksp);

  // EMF law E = coeff_lnc ln m + const; the level varies by +-10 %.
  const double factor2 = (0.5 - rnd.r4_uni()) * 0.2 + 1.0;
  const double econst = 0.7 * factor2 - 0.00076 * tk;
  const double coeff_lnc = -(tk * 4.8e-5 + 0.00365);
  run.hidden("factor2", factor2);
  run.hidden("const", econst);
  run.hidden("coeff_lnc", coeff_lnc);

  std::array<double, nconc> e{};
  for (int i = 0; i < nconc; ++i) {
    e[i] = std::log(conc[i]) * coeff_lnc + econst;
    run.hidden("e", i + 1, e[i]);
  }

  const auto rows = [&] {
    for (int i = 0; i < nconc; ++i) run.file().write(R"((F7.5,",",f7.5))", conc[i], e[i]);
  };
  const std::string_view first_heading =
      R"(("m,E(volt),m(Pb),Sum(mi),I,root(I),log10(g0),log10(g0^2),g0,g0^2,m(Pb)xm(SO4),"))";

  run.file().list(",");
  run.file().write(R"(("T(C) =,",f5.2))", tc);
  run.file().write(R"(("Debye-Hueckel Coeff:,",F6.3))", dhcoeff);
  run.file().write(R"(("Ksp = ,",e10.3))", ksp);
  run.file().write(R"(("RT/F = ,",e10.3))", rtf);
  run.file().list(",");
  run.file().list("First Approximation,");
  run.file().write(first_heading);
  rows();
  run.file().list(",");
  run.file().list("Second Approximation,");
  run.file().write(first_heading);
  rows();
  run.file().list(",");
  run.file().write(
      R"fmt(("m,E(volt),m(Pb),m(SO4),m+ x m-,log10(m+m-),RT/2Flog10(m's),E0',RT/2F*log10(g0^2),E0'',"))fmt");
  rows();
  run.file().list(",");
  run.file().list("Estimated E0: ,");
  run.file().list(",");
  run.file().write(
      R"fmt(("m,E(volt),(E0-E),'-RT/2Flog10(ms)',RT/Flog10(g),log10(g),g(Exptl.),log10(g0),g0"))fmt");
  rows();
}

}  // namespace

extern const labcore::Program emf_activity_gen{
    .name = "emf_activity_gen",
    .form = labcore::Form::A,
    .titles = {"Project RUNOT Activity Coefficients EMF Meaurements"},
    .header_format = R"(('"Project RUNOT Student Data Set ",'))",
    .generate = generate,
};
