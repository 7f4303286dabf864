// First-order decomposition of N2O5 (project VELIS).
//
// N2O5 decomposes by a first-order reaction in a closed vessel; its
// products hold the equilibrium N2O4 <-> 2 NO2, whose dissociation fraction
// beta follows from a quadratic at every moment. The student receives the
// total pressure against time at five temperatures, with Kp and the final
// pressure. The rate law ln k = g + f/T and the equilibrium law
// log10(1/Kp) = l/T - log10 T - q are drawn; the initial pressure at each
// temperature is chosen so that the total pressure tends to a drawn final
// pressure. The pressures are exact model values, without scatter.
// Single precision throughout.
#include <array>
#include <cmath>
#include <complex>

#include "labcore/elementary.hpp"
#include "labcore/program.hpp"
#include "labcore/quadratic.hpp"

namespace {

using labcore::quadratic_eqn_mod::quadratic_eqn_solver;

constexpr int ntemps = 5;
constexpr int ntimes = 57;

constexpr std::array<float, ntemps> temps{25.0f, 35.0f, 45.0f, 55.0f, 65.0f};  // deg C
constexpr float c2k = 273.0f;

// Measurement times, minutes.
constexpr std::array<float, ntimes> times{
    1.0f,    2.0f,    3.0f,    4.0f,    5.0f,    6.0f,    7.0f,    8.0f,    9.0f,    10.0f,
    12.0f,   14.0f,   16.0f,   18.0f,   20.0f,   24.0f,   28.0f,   32.0f,   36.0f,   40.0f,
    50.0f,   60.0f,   70.0f,   80.0f,   90.0f,   100.0f,  125.0f,  150.0f,  175.0f,  200.0f,
    225.0f,  250.0f,  275.0f,  300.0f,  325.0f,  350.0f,  375.0f,  400.0f,  450.0f,  500.0f,
    550.0f,  600.0f,  650.0f,  700.0f,  750.0f,  800.0f,  850.0f,  900.0f,  950.0f,  1000.0f,
    1100.0f, 1200.0f, 1300.0f, 1400.0f, 1500.0f, 1600.0f, 1700.0f};

constexpr float underover = 35.0f;    // beyond this k*t the N2O5 left is taken as none
constexpr float p_threshold = 0.01f;  // rows stop once the pressure is this close to its end

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  // Equilibrium law and rate law.
  const float l = 2866.0f + (rnd.r4_uni() - 0.5f) * 132.0f;
  const float q = 9.132f + (rnd.r4_uni() - 0.5f) * 0.264f;
  const float f = -(12000.0f + 500.0f * rnd.r4_uni());
  const float g = 35.586f + (rnd.r4_uni() - 0.5f) * 0.6f;
  run.hidden("l", l);
  run.hidden("q", q);
  run.hidden("f", f);
  run.hidden("g", g);

  auto& out = run.file();
  std::array<float, 3> coeffs{};
  int numbrealroots = 0;
  std::array<std::complex<float>, 2> roots{};
  std::array<float, ntimes> ptot{};

  for (int tempcount = 1; tempcount <= ntemps; ++tempcount) {
    const float abstemp = c2k + temps[tempcount - 1];
    const float kptemp = ((l / abstemp) - labcore::log10f(abstemp)) - q;
    const float recipkp = labcore::powf(10.0f, kptemp);
    const float kp = 1.0f / recipkp;
    const float lnkrate = g + f / abstemp;
    const float krate = labcore::expf(lnkrate);
    const float pf = 600.0f + (rnd.r4_uni() - 0.5f) * 400.0f;

    // Dissociation at the end of the reaction, and the initial N2O5
    // pressure that leads to the final pressure pf.
    coeffs = {2.0f + (8.0f * pf) / kp, 1.0f, -3.0f};
    quadratic_eqn_solver(coeffs, numbrealroots, roots);
    if (numbrealroots == 0) run.fail(" quadratic solution error 1:,", tempcount, "; --  no real roots ");
    const float betaf = roots[0].real();
    const float pinit = (pf + pf) / (3.0f + (betaf + betaf));
    run.hidden("kp", tempcount, kp);
    run.hidden("krate", tempcount, krate);
    run.hidden("pf", tempcount, pf);
    run.hidden("betaf", tempcount, betaf);
    run.hidden("pinit", tempcount, pinit);

    for (int timecount = 1; timecount <= ntimes; ++timecount) {
      const float kttest = times[timecount - 1] * krate;
      const float kexp = kttest > underover ? 0.0f : labcore::expf(-kttest);
      const float po2 = (1.0f - kexp) * (pinit / 2.0f);
      coeffs = {8.0f * po2, kp, -kp};
      quadratic_eqn_solver(coeffs, numbrealroots, roots);
      if (numbrealroots == 0) run.fail(" quadratic solution error 2:,", tempcount, "; --  no real roots ");
      const float betat = roots[0].real();
      ptot[timecount - 1] = (1.0f + (betat + betat)) * po2 + pinit;
    }

    out.write(R"fmt(( '"temp = ",', f5.1 ))fmt", temps[tempcount - 1]);
    out.write(R"fmt(( '" Kp = ",', f10.5 ))fmt", kp);
    out.write(R"fmt(( '"final pressure = ",', f7.1 ))fmt", pf);
    out.list(" time(min), Ptot ");
    for (int timecount = 1; timecount <= ntimes && std::fabs(ptot[timecount - 1] - pf) > p_threshold;
         ++timecount) {
      out.write(R"((f7.1, ",", f7.1))", times[timecount - 1], ptot[timecount - 1]);
    }
    out.list(",");
  }
}

}  // namespace

extern const labcore::Program first_order_gen{
    .name = "first_order_gen",
    .form = labcore::Form::A,
    .titles = {"Project VELIS First Order Kinetics N2O5"},
    .header_format = R"(('"Project VELIS Student Data Set ",'))",
    .generate = generate,
};
