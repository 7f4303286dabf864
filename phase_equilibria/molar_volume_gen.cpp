// Partial molar volumes of solutions (project GALIT).
//
// Two density tables at one temperature between 20 and 40 C, from which the
// student works out partial molar volumes:
//   - an electrolyte in water, by weight percent, up to 20 wt%; the density
//     law is linear in c and c^(3/2) (c in mol/L) with coefficients
//     quadratic in the temperature;
//   - water with a nonelectrolyte over the whole range of composition; the
//     excess molar volume is a four-term Redlich-Kister series in 2x - 1
//     with coefficients linear in the temperature.
// The molar masses and the coefficients are drawn; no scatter is added.
// Double precision throughout.
#include <array>
#include <cmath>

#include "labcore/program.hpp"

namespace {

constexpr double mwwater = 18.015;                 // g/mol
constexpr double moles_water_1kg = 55.50929780738274;  // 1000 / mwwater

// Molar concentrations of the electrolyte solutions, mol/L.
constexpr std::array<double, 39> molarelec{
    0.01, 0.02, 0.03, 0.04, 0.05, 0.075, 0.1,                                           //
    0.25, 0.5,  0.75, 1.0,  1.25, 1.5,   1.75, 2.0, 2.25, 2.5, 2.75, 3.0, 3.25, 3.5, 3.75, 4.0,  //
    5.0,  6.0,  7.0,  8.0,  9.0,  10.0,  11.0, 12.0, 13.0, 14.0, 15.0, 16.0, 17.0, 18.0, 19.0, 20.0};

// Mole fractions of the nonelectrolyte in its mixtures with water.
constexpr std::array<double, 19> xnonelec{0.05, 0.1,  0.15, 0.2,  0.25, 0.3,  0.35, 0.4,  0.45, 0.5,
                                          0.55, 0.6,  0.65, 0.7,  0.75, 0.8,  0.85, 0.9,  0.95};

constexpr const char* temp_format = R"(("Temp(C) =,",F5.1,","))";
constexpr const char* water_density_format =
    R"(("dens water ,",f8.4,",g/mL,,",f8.4,",moles water in 1kg water,"))";
constexpr const char* water_molar_format = R"(("MW water = ,",f8.3,",,V1o = ,",f8.3,",mol vol water mL,"))";
constexpr const char* row_format = R"((f5.1,",,,",f8.4,","))";
constexpr const char* heading_format =
    R"(("% by wt,molality,molality^(1/2),density,phiv,dphi/dm^0.5,dphi/dm,V2,V1,total V,"))";

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());
  auto& file = run.file();

  // Temperature, water, and the two solutes.
  const double temp = (rnd.r4_uni() + 1.0) * 20.0;
  const double tsqrt = std::sqrt(temp);
  const double denswater = (999.65 + temp * 0.2438) - (0.061744 * temp) * tsqrt;  // kg/m3
  const double mwelec = 60.0 + 100.0 * rnd.r4_uni();
  const double mwnonelec = 75.0 + 30.0 * rnd.r4_uni();
  double c1 = 0.000774 - mwnonelec * 1.9e-6;
  double c2 = 1.23 - mwnonelec * 0.0022;
  const double densnonelec = c2 - temp * c1;  // g/mL
  const double vwater = 18015.0 / denswater;  // mL/mol
  const double vnonelec = mwnonelec / densnonelec;
  run.hidden("temp", temp);
  run.hidden("tsqrt", tsqrt);
  run.hidden("denswater", denswater);
  run.hidden("mwelec", mwelec);
  run.hidden("mwnonelec", mwnonelec);
  run.hidden("densnonelec", densnonelec);
  run.hidden("vwater", vwater);
  run.hidden("vnonelec", vnonelec);

  const auto write_water = [&] {
    file.write(temp_format, temp);
    file.write(water_density_format, 0.001 * denswater, moles_water_1kg);
    file.write(water_molar_format, mwwater, vwater);
  };

  file.list(",");
  file.list(",");
  file.list("Electrolyte,");
  file.list(",");
  write_water();
  file.write(R"(("MW electrolyte =,",f8.3,","))", mwelec);
  file.list(",");

  // Electrolyte density law rho = rho_water + c1*c + c2*c^(3/2), kg/m3.
  const double acoef = (0.011 * mwelec - 0.27) * 100.0;
  const double bcoef = -(rnd.r4_uni() * 0.6);
  const double ccoef = rnd.r4_uni() * 0.008;
  const double dcoef = -(7.6 + (mwelec * (mwelec * 0.0022) - mwelec * 0.24));
  const double ecoef = rnd.r4_uni() * 0.9;
  const double fcoef = rnd.r4_uni() * 0.007;
  c1 = temp * (temp * ccoef) + (temp * bcoef + acoef);
  c2 = temp * (temp * fcoef) + (temp * ecoef + dcoef);
  run.hidden("acoef", acoef);
  run.hidden("bcoef", bcoef);
  run.hidden("ccoef", ccoef);
  run.hidden("dcoef", dcoef);
  run.hidden("ecoef", ecoef);
  run.hidden("fcoef", fcoef);
  run.hidden("c1", c1);
  run.hidden("c2", c2);

  std::array<double, 39> denselecsoln{}, compelec{};
  for (int i = 1; i <= 39; ++i) {
    const double c = molarelec[i - 1];
    denselecsoln[i - 1] = std::sqrt(c) * (c * c2) + (c * c1 + denswater);
    compelec[i - 1] = mwelec * (c * 100.0) / denselecsoln[i - 1];  // g solute per 100 g solution
    run.hidden("denselecsoln", i, denselecsoln[i - 1]);
    run.hidden("compelec", i, compelec[i - 1]);
  }
  // The table stops at the first solution above 20 wt%.
  int numelec = 0;
  while (numelec < 39 && compelec[numelec] <= 20.0) ++numelec;
  run.hidden("numelec", numelec);

  file.write(heading_format);
  for (int i = 1; i <= numelec; ++i) file.write(row_format, compelec[i - 1], 0.001 * denselecsoln[i - 1]);

  // Excess-volume coefficients, each linear in the temperature.
  const double mw = mwnonelec;
  c1 = 0.00038 * mw - 0.0173;
  c2 = 15.6 + (0.002 * (mw * mw) - mw * 0.38);
  const double a0 = temp * c1 + c2;
  c1 = 0.00037 * mw - 0.046;
  c2 = 2.6 - mw * 0.018;
  const double a1 = temp * c1 + c2;
  c1 = 0.0008 * mw - 0.07;
  c2 = 3.9 - mw * 0.042;
  const double a2 = temp * c1 + c2;
  c1 = 0.057 - mw * 0.00044;
  c2 = 0.039 * mw - 4.5;
  const double a3 = temp * c1 + c2;
  run.hidden("a0", a0);
  run.hidden("a1", a1);
  run.hidden("a2", a2);
  run.hidden("a3", a3);

  std::array<double, 19> mnonelec{}, compnonelec{}, vme{}, videal{}, vobs{}, mtot{}, densnonsoln{};
  for (int i = 1; i <= 19; ++i) {
    const double x = xnonelec[i - 1];
    mnonelec[i - 1] = (1000.0 * (x * mwnonelec)) / (18.015 * (1.0 - x));  // g per kg of water
    compnonelec[i - 1] = (100.0 * mnonelec[i - 1]) / (1000.0 + mnonelec[i - 1]);
    const double xwork1 = (1.0 - x) * x;
    const double xwork2 = (x + x) - 1.0;
    vme[i - 1] = ((xwork2 * (xwork2 * xwork2)) * a3 + ((a1 * xwork2 + a0) + (xwork2 * xwork2) * a2)) * xwork1;
    videal[i - 1] = vwater * (1.0 - x) + x * vnonelec;
    vobs[i - 1] = vme[i - 1] + videal[i - 1];
    mtot[i - 1] = 18.015 * (1.0 - x) + x * mwnonelec;
    densnonsoln[i - 1] = mtot[i - 1] / vobs[i - 1];  // g/mL
    run.hidden("mnonelec", i, mnonelec[i - 1]);
    run.hidden("compnonelec", i, compnonelec[i - 1]);
    run.hidden("vme", i, vme[i - 1]);
    run.hidden("videal", i, videal[i - 1]);
    run.hidden("vobs", i, vobs[i - 1]);
    run.hidden("mtot", i, mtot[i - 1]);
    run.hidden("densnonsoln", i, densnonsoln[i - 1]);
  }

  file.list(",");
  file.list(",");
  file.list("Nonelectrolyte,");
  file.list(",");
  write_water();
  file.write(R"(("MW nonelectrolyte =,",f8.3,",,V2o = ,",f8.3,",mol vol nonelectrolyte mL,"))", mwnonelec,
             vnonelec);
  file.list(",");
  file.list(",,,,,,,,,,,,,molar,molar,molar,");
  file.write(
      R"(("% by wt,molality,molality^(1/2),density,phiv,dphi/dm^0.5,dphi/dm,V2,V1,total V,",  "moles solute,X solute,X water,ideal V,expt V,excess V,"))");
  for (int i = 1; i <= 19; ++i) file.write(row_format, compnonelec[i - 1], densnonsoln[i - 1]);
}

}  // namespace

extern const labcore::Program molar_volume_gen{
    .name = "molar_volume_gen",
    .form = labcore::Form::A,
    .titles = {"Project GALIT: Partial Molar Volume"},
    .header_format = R"fmt(('"Project GALIT Student Data Set",'))fmt",
    .generate = generate,
};
