// Activity coefficient of an electrolyte from vapor pressure (project DUMAR).
//
// For a 1:1 electrolyte MX in water at 25 C the student receives a quantity
// R at ten molalities, from which the solvent activity, the osmotic
// coefficient and, by integrating (phi - 1)/m^0.5 over m^0.5, the mean
// activity coefficient follow. R is an exact parabola in sqrt(m),
// R = a m + b sqrt(m) + c, whose minimum sits at the drawn sqrt(m) = mu and
// whose value at m = 0.1 is the drawn rhi (up to the single-precision root
// of 0.1 in that condition). The rest of the sheet (the derived columns and
// an empty least-squares block) is for the student.
// Double precision throughout.
#include <array>
#include <cmath>

#include "labcore/program.hpp"

namespace {

constexpr int nconc = 10;
// Molalities, mol/kg.
constexpr std::array<double, nconc> m{0.1, 0.2, 0.3, 0.5, 0.7, 1.0, 1.5, 2.0, 3.0, 4.0};
// sqrt(0.1) as the single-precision root gives it, widened to double.
constexpr double rootm1 = 0.3162277638912201;

constexpr const char* blank_row = ",,,,,,,,,,,,,";

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());

  std::array<double, nconc> rootm{};
  for (int i = 0; i < nconc; ++i) rootm[i] = std::sqrt(m[i]);

  // The hidden law: minimum at sqrt(m) = mu, R(0.1) = rhi, and
  // c - a mu = rlo.
  const double mu = 1.0 + 0.15 * rnd.r4_uni();
  const double rhi = 0.034 - 0.001 * rnd.r4_uni();
  const double rlo = 0.031 + 0.001 * rnd.r4_uni();
  const double s = 0.1 - (mu + mu) * rootm1;
  const double sum1 = mu + s;
  const double sum2 = rhi - rlo;
  const double sum3 = rlo * s + rhi * mu;
  const double a = sum2 / sum1;
  const double b = -((mu + mu) * a);
  const double c = sum3 / sum1;
  run.hidden("mu", mu);
  run.hidden("rhi", rhi);
  run.hidden("rlo", rlo);
  run.hidden("s", s);
  run.hidden("sum1", sum1);
  run.hidden("sum2", sum2);
  run.hidden("sum3", sum3);
  run.hidden("a", a);
  run.hidden("b", b);
  run.hidden("c", c);

  std::array<double, nconc> r{};
  for (int i = 0; i < nconc; ++i) r[i] = (rootm[i] * b + m[i] * a) + c;

  run.file().list(blank_row);
  run.file().write(R"(("MX,,,,T(C) =,25.0,,,A(DH) = ,0.511,,,ln(10) =,2.302585093,,,"))");
  run.file().list(blank_row);
  // Two texts; the backslash and the double quotes are characters of the
  // heading, the quotes keeping each "log(g),DH"-style heading one cell.
  run.file().write(
      R"fmt(('m,sqrt(m),R,mR,p/po,log(as),ln(as),phi,phi-1,(phi-1)/m^0.5,integ\m^0.5, ',   ' ln(g),log(g),g,"log(g),DH","g,DH","log(g),extDH","g,extDH","log(g),DAV","g,DAV"'))fmt");
  // The empty field after the molality is the sqrt(m) column the student fills.
  for (int i = 0; i < nconc; ++i) run.file().write(R"((f7.4,",,",f10.5,","))", m[i], r[i]);

  run.file().list(blank_row);
  run.file().list("plot of (phi-1)/m^0.5 vs m^0.5,,,,,,,,,,,,,");
  run.file().list(blank_row);
  run.file().list("linest,,,,,,,,,,,,,");
  run.file().list("m^2,m^1.5,m,m^0.5,const,,,,,,,,,");
  for (int k = 0; k < 7; ++k) run.file().list(blank_row);
}

}  // namespace

extern const labcore::Program vapor_activity_gen{
    .name = "vapor_activity_gen",
    .form = labcore::Form::A,
    .titles = {"Project DUMAR Activity Coefficient of Electrolyte from Vapor Pressure"},
    .header_format = R"(('"Project DUMAR Student Data Set ",'))",
    .generate = generate,
};
