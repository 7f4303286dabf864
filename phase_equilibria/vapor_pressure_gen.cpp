// Vapor pressure and temperature (project MIRAS).
//
// The student receives boiling temperatures of one liquid at a series of
// pressures between about 13 and 104 kPa. The liquid follows an Antoine law
// ln P = a - b / (T + c) with drawn constants; the pressures are spread
// evenly over a drawn range, with scatter on the interior points. The
// temperatures are the exact model temperatures of the scattered pressures.
// Single precision throughout.
#include <cmath>

#include "labcore/elementary.hpp"
#include "labcore/program.hpp"

namespace {

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  // The hidden Antoine constants (ln P in Pa, T in K) and the series.
  const float a = 20.4f + 0.6f * rnd.r4_uni();
  const float b = 2350.0f + 1100.0f * rnd.r4_uni();
  const float c = -(40.0f + 31.0f * rnd.r4_uni());
  const float pmax = 104000.0f + (rnd.r4_uni() - 0.5f) * 4000.0f;
  const float pmin = 13330.0f + (rnd.r4_uni() - 0.5f) * 4000.0f;
  const int npoints = static_cast<int>(9.0f + 3.99f * rnd.r4_uni());
  const float pstep = (pmax - pmin) / static_cast<float>(npoints - 1);
  run.hidden("a", a);
  run.hidden("b", b);
  run.hidden("c", c);
  run.hidden("pmax", pmax);
  run.hidden("pmin", pmin);
  run.hidden("npoints", npoints);
  run.hidden("pstep", pstep);

  run.file().list(",");
  run.file().list(",");
  run.file().list("T(K),P(Pa)");

  // The end points are the exact nominal pressures; the interior ones carry
  // +-1000 Pa of scatter. pbase is a running sum, as the bench readings were.
  float pbase = pmin;
  for (int i = 1; i <= npoints; ++i) {
    const float pwork = (i == 1 || i == npoints) ? pbase : 2000.0f * (rnd.r4_uni() - 0.5f) + pbase;
    const float temp = -(b / (labcore::logf(pwork) - a) + c);
    run.file().write(R"((f7.2,",",f8.0))", temp, pwork);
    pbase = pbase + pstep;
  }
}

}  // namespace

extern const labcore::Program vapor_pressure_gen{
    .name = "vapor_pressure_gen",
    .form = labcore::Form::B,
    .titles = {"Project MIRAS Vapor Pressure and Temperature"},
    .header_format = R"(('"Project MIRAS Student Data Set ",'))",
    .generate = generate,
};
