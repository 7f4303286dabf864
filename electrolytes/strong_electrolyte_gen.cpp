// Conductance of strong electrolytes (project KUDOM).
//
// Two experiments on 1:1 electrolytes with a common anion X. A moving
// boundary in a tube of drawn cross-section, driven by a drawn current,
// gives the cation transference number of AX and BX from the distance the
// boundary travels against time. Resistance measurements of AX, BX and CX
// at five concentrations, with the solvent water's own conductance added,
// give equivalent and limiting conductances and, with the transference
// numbers, the limiting ionic conductances. Beyond the drawn parameters
// there is no scatter. Single precision throughout.
#include <array>
#include <cmath>

#include "labcore/program.hpp"

namespace {

// Relaxation and electrophoretic coefficients of the conductance law; an ion
// takes half of the electrophoretic term of its compound.
constexpr float alpha = 0.229f;
constexpr float beta = 60.2f;
constexpr float beta_ion = 30.1f;
constexpr float faraday = 96487.0f;  // C per equivalent

// Moving-boundary experiment: concentrations (eq/L) of AX and BX, boundary
// distances 0 to 10 cm.
constexpr std::array<float, 2> transconc{0.015f, 0.085f};
constexpr std::array<float, 21> transdist{0.0f, 0.5f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f,
                                          3.5f, 4.0f, 4.5f, 5.0f, 5.5f, 6.0f, 6.5f,
                                          7.0f, 7.5f, 8.0f, 8.5f, 9.0f, 9.5f, 10.0f};
// Conductance experiment: concentrations (eq/L).
constexpr std::array<float, 5> conc{0.01f, 0.025f, 0.05f, 0.075f, 0.1f};

constexpr std::array<const char*, 2> transference_labels{"compound AX,", "compound BX,"};
constexpr std::array<const char*, 3> conductance_labels{"AX,", "BX,", "CX,"};

// Conductance at concentration c (s = sqrt(c)) of a compound or an ion with
// limiting value l0, concentration coefficient b and electrophoretic
// coefficient e.
float conductance(float l0, float b, float e, float c, float s) {
  return (1.0f - s * alpha) * (c * b + l0) - e * s;
}

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  // Cations A, B and C in adjacent 12-unit bands of limiting conductance.
  std::array<float, 3> l0cation{};
  std::array<float, 3> bsmallplus{};
  float llow = 38.0f;
  for (int i = 0; i < 3; ++i) {
    l0cation[i] = rnd.r4_uni() * 12.0f + llow;
    bsmallplus[i] = 40.0f + 10.0f * rnd.r4_uni();
    llow = llow + 12.0f;
  }
  const float l0anion = 40.0f + 50.0f * rnd.r4_uni();
  const float bsmallminus = 40.0f + 10.0f * rnd.r4_uni();

  std::array<float, 3> l0comp{};
  std::array<float, 3> bbig{};
  for (int i = 0; i < 3; ++i) {
    l0comp[i] = l0cation[i] + l0anion;
    bbig[i] = bsmallplus[i] + bsmallminus;
  }
  for (int i = 0; i < 3; ++i) {
    run.hidden("l0cation", i + 1, l0cation[i]);
    run.hidden("bsmallplus", i + 1, bsmallplus[i]);
  }
  run.hidden("l0anion", l0anion);
  run.hidden("bsmallminus", bsmallminus);
  for (int i = 0; i < 3; ++i) {
    run.hidden("l0comp", i + 1, l0comp[i]);
    run.hidden("bbig", i + 1, bbig[i]);
  }

  run.file().list(",");
  run.file().list("Transference Number Determination,");
  run.file().list(",");

  // Moving boundary: the time for the boundary to sweep a volume is the
  // charge of the cations in it over the cation's share of the current.
  for (int j = 0; j < 2; ++j) {
    const float area = (rnd.r4_uni() - 0.5f) * 0.02f + 0.11f;        // cm^2
    const float current = (rnd.r4_uni() - 0.5f) * 0.0002f + 0.0016f;  // A
    const float c = transconc[j];
    const float s = std::sqrt(c);
    const float lcomp = conductance(l0comp[j], bbig[j], beta, c, s);
    const float lcation = conductance(l0cation[j], bsmallplus[j], beta_ion, c, s);
    const float lanion = conductance(l0anion, bsmallminus, beta_ion, c, s);
    const float transnumbplus = lcation / lcomp;
    const float transnumbminus = lanion / lcomp;
    run.hidden("area", j + 1, area);
    run.hidden("current", j + 1, current);
    run.hidden("transnumbplus", j + 1, transnumbplus);
    run.hidden("transnumbminus", j + 1, transnumbminus);

    run.file().list(",");
    run.file().list(transference_labels[j]);
    run.file().write(R"fmt((" conc =,", f7.3, ",current =,",f10.5,"," ))fmt", c, current);
    run.file().list(",");
    run.file().list("dist(cm),time(sec),VCF/1000I,");
    for (const float dist : transdist) {
      const float volume = dist * area;
      const float vcf = (faraday * (c * volume)) / (1000.0f * current);
      const float times = vcf / transnumbplus;
      run.file().write(R"((f5.1,",",f8.0,",",f10.1,","))", dist, times, vcf);
    }
  }

  std::array<float, 5> rootconc{};
  for (std::size_t j = 0; j < conc.size(); ++j) rootconc[j] = std::sqrt(conc[j]);

  // Specific conductance of the solvent water, ohm^-1 cm^-1.
  const float spcondh2o = (rnd.r4_uni() - 0.5f) * 2e-7f + 1.2e-6f;
  run.hidden("spcondh2o", spcondh2o);

  run.file().list(",");
  run.file().list("Equivalent Conductance Experiments, ");
  run.file().list(",");
  run.file().list(",,,Lambda_c,,,,,,");
  run.file().list(
      "conc,specific resistance,specific conductance,equiv conductance,tc,lambda_c,sqrt(c),"
      "(lambda_c +,(1-alpha,lambda'");
  run.file().list("eq/L,ohm-cm,ohm^-1 cm^-1,ohm^-1 eq^-1 ^cm2,X,X,,0.5 beta sqrt(c)),sqrt(c) ),");

  // The measured resistance is that of solute and solvent in parallel.
  for (int i = 0; i < 3; ++i) {
    run.file().list(conductance_labels[i]);
    for (std::size_t j = 0; j < conc.size(); ++j) {
      const float c = conc[j];
      const float s = rootconc[j];
      const float lcomp = conductance(l0comp[i], bbig[i], beta, c, s);
      const float lanion = conductance(l0anion, bsmallminus, beta_ion, c, s);
      const float transnumbminus = lanion / lcomp;
      const float kappa = (c * lcomp) / 1000.0f;
      const float rho = 1.0f / (kappa + spcondh2o);
      run.file().write(R"((f6.3,",",f8.2,",,,",f8.4,","	))", c, rho, transnumbminus);
    }
  }
}

}  // namespace

extern const labcore::Program strong_electrolyte_gen{
    .name = "strong_electrolyte_gen",
    .form = labcore::Form::A,
    .titles = {"Project KUDOM Conductance of Strong Electrolytes "},
    .header_format = R"(('"Project KUDOM Student Data Set ",'))",
    .generate = generate,
};
