// Weak acid equilibrium constant from conductance (project NOLUK).
//
// The student receives the equivalent conductances of three strong 1:1
// electrolytes, an acid HX and the salts MX and MY, and of the weak acid HY.
// Kohlrausch's law of independent ions (HX + MY - MX) gives the limiting
// conductance of HY; with it the degree of dissociation and the dissociation
// constant follow, with Debye-Hueckel or Davies activity coefficients. The
// data set carries the headings of those two treatments for the student to
// fill. Every written number is the exact model value (no scatter).
// Single precision throughout.
#include <array>
#include <cmath>

#include "labcore/elementary.hpp"
#include "labcore/program.hpp"

namespace {

// Coefficients of the conductance law: relaxation and electrophoresis.
constexpr float alpha = 0.229f;
constexpr float beta = 60.2f;

// Concentrations (mol/L) of the three strong tables and of the weak acid.
constexpr std::array<float, 14> conc141{0.00005f, 0.0001f, 0.00025f, 0.0005f, 0.00075f,
                                        0.001f,   0.00125f, 0.0015f, 0.00175f, 0.002f,
                                        0.00225f, 0.0025f,  0.00275f, 0.003f};
constexpr std::array<float, 15> conc139{0.00003f, 0.00007f, 0.0001f, 0.0004f, 0.0008f,
                                        0.001f,   0.003f,   0.006f,  0.009f,  0.01f,
                                        0.03f,    0.06f,    0.09f,   0.1f,    0.2f};

constexpr const char* row_format = R"((E10.4,",",f7.2,","))";

// Equivalent conductance at concentration c (s = sqrt(c)) of a compound with
// limiting conductance l0 and concentration coefficient bbig: the
// Onsager-limited value plus an empirical linear term damped by the
// relaxation factor.
float conductance(float l0, float bbig, float c, float s) {
  const float onsager = l0 - (l0 * alpha + beta) * s;
  const float linear = c * bbig;
  const float damping = 1.0f - s * alpha;
  return onsager + damping * linear;
}

// Degree of dissociation of a weak acid of constant k at concentration c:
// the positive root of c*delta^2/(1 - delta) = k.
float dissociation(float c, float k) {
  const float disc = std::sqrt((4.0f * c + k) * k);
  return (disc - k) / (c + c);
}

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  // Limiting ionic conductances and the ions' shares of the coefficient B.
  const float l0cationh = (0.5f - rnd.r4_uni()) * 20.0f + 350.0f;
  const float bsmallplush = 100.0f + 20.0f * rnd.r4_uni();
  const float l0cationm = 38.0f + 36.0f * rnd.r4_uni();
  const float bsmallplusm = 40.0f + 10.0f * rnd.r4_uni();
  const float l0anionx = 40.0f + 50.0f * rnd.r4_uni();
  const float bsmallminusx = 40.0f + 10.0f * rnd.r4_uni();
  const float l0aniony = 40.0f + 50.0f * rnd.r4_uni();
  const float bsmallminusy = 40.0f + 10.0f * rnd.r4_uni();
  run.hidden("l0cationh", l0cationh);
  run.hidden("bsmallplush", bsmallplush);
  run.hidden("l0cationm", l0cationm);
  run.hidden("bsmallplusm", bsmallplusm);
  run.hidden("l0anionx", l0anionx);
  run.hidden("bsmallminusx", bsmallminusx);
  run.hidden("l0aniony", l0aniony);
  run.hidden("bsmallminusy", bsmallminusy);

  // Each compound is the sum of its two ions.
  const float l0comphx = l0cationh + l0anionx;
  const float l0comphy = l0cationh + l0aniony;
  const float l0compmx = l0cationm + l0anionx;
  const float l0compmy = l0cationm + l0aniony;
  const float bbighx = bsmallplush + bsmallminusx;
  const float bbighy = bsmallplush + bsmallminusy;
  const float bbigmx = bsmallplusm + bsmallminusx;
  const float bbigmy = bsmallplusm + bsmallminusy;
  run.hidden("l0comphx", l0comphx);
  run.hidden("l0comphy", l0comphy);
  run.hidden("l0compmx", l0compmx);
  run.hidden("l0compmy", l0compmy);
  run.hidden("bbighx", bbighx);
  run.hidden("bbighy", bbighy);
  run.hidden("bbigmx", bbigmx);
  run.hidden("bbigmy", bbigmy);

  std::array<float, 14> rootconc141{};
  for (std::size_t i = 0; i < conc141.size(); ++i) rootconc141[i] = std::sqrt(conc141[i]);

  auto strong_table = [&](float l0, float bbig) {
    for (std::size_t i = 0; i < conc141.size(); ++i)
      run.file().write(row_format, conc141[i], conductance(l0, bbig, conc141[i], rootconc141[i]));
  };

  run.file().list(", ");
  run.file().list("conductances of HX");
  run.file().list("conc,Lambda_c,");
  strong_table(l0comphx, bbighx);

  run.file().list(",");
  run.file().list("conductances of MX,");
  run.file().list("conc,Lambda_c,");
  strong_table(l0compmx, bbigmx);

  run.file().list(".");
  run.file().list("conductances of MY,");
  run.file().list("conc,Lambda_c,");
  strong_table(l0compmy, bbigmy);

  // The weak acid: log K between -6 and -4.
  const float u = rnd.r4_uni();
  const float logkeq = -(4.0f + (u + u));
  const float keq = labcore::powf(10.0f, logkeq);
  run.hidden("logkeq", logkeq);
  run.hidden("keq", keq);

  run.file().list(",");
  run.file().list(",");
  run.file().list(
      "conc,Lambda_c,delta,cp,root_cp,(1-alpha*root_cp),(alpha*Lambda0+beta)root_cp,"
      "Bcp(1-alpha*root_cp,Lambda_h,");
  for (const float c : conc139) {
    // Ideal dissociation, then one activity correction with the limiting
    // Debye-Hueckel law at the ionic strength of the ideal ions.
    float delta = dissociation(c, keq);
    float cprime = c * delta;
    const float loggamma = -(0.511f * std::sqrt(1.00294f * cprime));
    const float gamma = labcore::powf(10.0f, loggamma);
    const float kprime = keq / (gamma * gamma);
    delta = dissociation(c, kprime);
    cprime = c * delta;
    // The ions conduct at their own concentration.
    const float lcomphy = conductance(l0comphy, bbighy, cprime, std::sqrt(cprime));
    const float equivcond = delta * lcomphy;
    run.file().write(row_format, c, equivcond);
  }

  run.file().list(",");
  run.file().list("Debye-Hueckel,");
  run.file().list("conc,Lambda_c,delta,cp,root_cp,Kprime,log(gamma^2),gamma^2,Keq,");
  for (int k = 0; k < 4; ++k) run.file().list(",");
  run.file().list("Davies -- 0.3,");
  run.file().list("conc,Lambda_c,delta,cp,root_cp,Kprime,log(gamma^2),gamma^2,Keq,");
}

}  // namespace

extern const labcore::Program weak_acid_gen{
    .name = "weak_acid_gen",
    .form = labcore::Form::A,
    .titles = {"Project NOLUK Weak Acid Equilibrium Constant"},
    .header_format = R"(('"Project NOLUK Student Data Set ",'))",
    .generate = generate,
};
