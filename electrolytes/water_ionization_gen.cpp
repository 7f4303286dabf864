// Self-ionization of water by EMF (project HALIB).
//
// Two cells are measured side by side at the molalities m1 = m3, fixed for
// the student, and m2 = m4, which run through sixteen values; m3 + m4 is the
// chloride molality and the ionic strength. The difference E_A - E_B
// carries RT/F ln Kw at the run's temperature, the molality terms and the
// activity-coefficient terms, plus a small deviation that grows with the
// ionic strength. The student separates
// the terms and extrapolates to zero ionic strength to recover Kw.
// The written EMFs carry no scatter; only the parameters are drawn.
// Single precision throughout.
#include <array>
#include <cmath>

#include "labcore/elementary.hpp"
#include "labcore/program.hpp"

namespace {

constexpr int nmolal = 16;

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  const float r = 8.3144626f;  // J/(K mol)
  const float f = 96487.0f;    // C/mol
  // Kw as a polynomial of the Celsius temperature, constant term first.
  const std::array<float, 5> kwcoeffs{1.15982e-15f, 9.79373e-17f, 7.4167e-18f, -2.915e-21f, 4.86384e-21f};
  // The choices of m1 = m3 and the series of m2 = m4, mol/kg.
  const std::array<float, 5> mab{0.005f, 0.0075f, 0.01f, 0.0125f, 0.015f};
  const std::array<float, nmolal> m24{0.005f, 0.01f, 0.015f, 0.02f, 0.03f, 0.05f, 0.075f, 0.1f,
                                      0.25f,  0.5f,  0.75f,  1.0f,  1.5f,  2.0f,  2.5f,  3.0f};

  // Temperature in whole degrees Celsius, and RT/F there.
  const int tc = rnd.randbetween(0, 60);
  const float tk = 273.15f + static_cast<float>(tc);
  const float rtf = (tk * r) / f;
  run.hidden("tc", tc);
  run.hidden("tk", tk);
  run.hidden("rtf", rtf);

  // Kw accumulated term by term, lowest power first.
  float kw = 0.0f;
  float tfact = 1.0f;
  for (const float coeff : kwcoeffs) {
    kw = kw + coeff * tfact;
    tfact = tfact * static_cast<float>(tc);
  }
  const float lnkw = labcore::logf(kw);
  run.hidden("kw", kw);
  run.hidden("lnkw", lnkw);

  const int n = rnd.randbetween(1, 5);
  const float m13 = mab[static_cast<std::size_t>(n - 1)];
  run.hidden("n", n);
  run.hidden("m13", m13);

  // Ionic strength of each cell: the chloride molality m3 + m4.
  std::array<float, nmolal> ionstrength{}, rootionstr{};
  for (int i = 0; i < nmolal; ++i) {
    ionstrength[i] = m13 + m24[i];
    rootionstr[i] = std::sqrt(ionstrength[i]);
  }

  const float rtflnkw = rtf * lnkw;
  run.hidden("rtflnkw", rtflnkw);

  // Molality terms, limiting-law activity coefficients and the ideal
  // difference E_A - E_B.
  std::array<float, nmolal> lnm{}, rtflnm{}, loggamma{}, gamma{}, lngamma{}, rtflngamma{}, eadiffeb{};
  for (int i = 0; i < nmolal; ++i) {
    lnm[i] = labcore::logf(((m13 * m13) * (m13 + m24[i])) / m24[i]);
    rtflnm[i] = lnm[i] * rtf;
  }
  for (int i = 0; i < nmolal; ++i) {
    loggamma[i] = -(0.511f * rootionstr[i]);
    gamma[i] = labcore::powf(10.0f, loggamma[i]);
  }
  for (int i = 0; i < nmolal; ++i) {
    const float lng = labcore::logf(gamma[i]);
    lngamma[i] = lng + lng;
    rtflngamma[i] = lngamma[i] * rtf;
  }
  for (int i = 0; i < nmolal; ++i) eadiffeb[i] = rtflngamma[i] + (rtflnm[i] - rtflnkw);

  // Deviation from the ideal difference, a quartic in I without constant
  // term; the coefficients are drawn last first.
  std::array<float, 4> q{};
  q[3] = -(0.0001f * (2.5f + 3.0f * rnd.r4_uni()));
  const float u3 = rnd.r4_uni();  // one draw, doubled
  q[2] = 0.001f * (3.0f + (u3 + u3));
  q[1] = -(0.01f * (rnd.r4_uni() + 1.0f));
  q[0] = 0.01f * (4.5f + 1.5f * rnd.r4_uni());
  for (int k = 0; k < 4; ++k) run.hidden("q", k + 1, q[k]);

  std::array<float, nmolal> qtot{};
  for (int i = 0; i < nmolal; ++i) {
    float isaccum = ionstrength[i];
    float sum = 0.0f;
    for (int k = 0; k < 4; ++k) {
      sum = sum + q[k] * isaccum;
      isaccum = isaccum * ionstrength[i];
    }
    qtot[i] = sum;
  }

  // E_A as a cubic in root(I).
  std::array<float, 4> eacoeff{};
  eacoeff[0] = 1.073f + 0.001f * rnd.r4_uni();
  eacoeff[1] = -(0.1f * (2.8f + 1.6f * rnd.r4_uni()));
  eacoeff[2] = 0.1f * (1.8f + 0.8f * rnd.r4_uni());
  eacoeff[3] = -(0.01f * (3.8f + 2.4f * rnd.r4_uni()));
  for (int k = 0; k < 4; ++k) run.hidden("eacoeff", k + 1, eacoeff[k]);

  std::array<float, nmolal> ea{}, eb{};
  for (int i = 0; i < nmolal; ++i) {
    float rootisaccum = 1.0f;
    float sum = 0.0f;
    for (int k = 0; k < 4; ++k) {
      sum = sum + eacoeff[k] * rootisaccum;
      rootisaccum = rootisaccum * rootionstr[i];
    }
    ea[i] = sum;
  }
  for (int i = 0; i < nmolal; ++i) eb[i] = ea[i] - eadiffeb[i];
  // The deviation is shared evenly between the two cells.
  for (int i = 0; i < nmolal; ++i) {
    ea[i] = 0.5f * qtot[i] + ea[i];
    eb[i] = eb[i] - 0.5f * qtot[i];
  }

  for (int i = 0; i < nmolal; ++i) {
    run.hidden("ionstrength", i + 1, ionstrength[i]);
    run.hidden("rootionstr", i + 1, rootionstr[i]);
    run.hidden("lnm", i + 1, lnm[i]);
    run.hidden("rtflnm", i + 1, rtflnm[i]);
    run.hidden("loggamma", i + 1, loggamma[i]);
    run.hidden("gamma", i + 1, gamma[i]);
    run.hidden("lngamma", i + 1, lngamma[i]);
    run.hidden("rtflngamma", i + 1, rtflngamma[i]);
    run.hidden("eadiffeb", i + 1, eadiffeb[i]);
    run.hidden("qtot", i + 1, qtot[i]);
    run.hidden("ea", i + 1, ea[i]);
    run.hidden("eb", i + 1, eb[i]);
  }

  const auto rows = [&] {
    for (int i = 0; i < nmolal; ++i)
      run.file().write(R"((F7.4,",",f7.4,",,",f9.5,",",F9.5,","))", m24[i], m13, ea[i], eb[i]);
  };

  run.file().write(R"(("F = ,",F7.1,",J/mol,"))", f);
  run.file().write(R"(("T = ,",F7.2,",K,"))", tk);
  run.file().write(R"(("R = ,",F9.6,",J/K-mol,"))", r);
  run.file().list(",");
  run.file().list(",");
  run.file().list(",,m'(Cl-),,,,,,nat log terms,");
  run.file().list("m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,root(I),ln(gamma),m's,",
                  "ln(m's),RT/F ln(m's),ln(g's),RT/F ln(g's),");
  run.file().list(",");
  rows();
  run.file().list(",");
  run.file().list(",");
  run.file().list(",,m'(Cl-),,,,nat log terms,");
  run.file().list("m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,RT/F ln(m's),RT/F ln(g's),eqn.left side,");
  rows();
}

}  // namespace

extern const labcore::Program water_ionization_gen{
    .name = "water_ionization_gen",
    .form = labcore::Form::A,
    .titles = {"Project HALIB Self-Ionization of Water"},
    .header_format = R"(('"Project HALIB Student Data Set ",'))",
    .generate = generate,
};
