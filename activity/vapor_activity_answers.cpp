// Answer sheet of vapor_activity_gen: the mean activity coefficient of a 1:1
// electrolyte MX from the vapor pressure of its solutions at 25 C.
//
// R is the relative lowering of the vapor pressure per unit molality,
// R = (po - p)/(po m), so p/po = 1 - mR. With the vapor ideal the water's
// activity is as = p/po, and the osmotic coefficient of a 1:1 electrolyte
// (nu = 2) is phi = -ln(as)/(nu m M1), M1 the molar mass of water in kg/mol.
// The Gibbs-Duhem equation gives
//   ln g = (phi - 1) + 2 * integral from 0 to sqrt(m) of (phi - 1)/m^0.5 d(m^0.5),
// the integrand being fitted by a quartic in m^0.5 (the sheet's "linest"
// block: m^2, m^1.5, m, m^0.5, const) and integrated term by term.
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr double water_molar_mass = 0.018015;  // kg/mol
constexpr double nu = 2.0;                     // ions per formula unit of MX
constexpr std::size_t degree = 4;              // quartic in m^0.5
constexpr double davies_coefficient = 0.3;     // of I in the Davies equation

double osmotic_coefficient(double m, double r) { return -std::log(1.0 - m * r) / (nu * m * water_molar_mass); }

// Integral of c0 + c1 x + ... from 0 to x.
double poly_integral(std::span<const double> c, double x) {
  double sum = 0.0, power = x;
  for (std::size_t k = 0; k < c.size(); ++k, power *= x) sum += c[k] * power / static_cast<double>(k + 1);
  return sum;
}

struct Osmotic {
  std::vector<double> root_m, phi, y;  // y = (phi - 1)/m^0.5
  analysis::PolyFit fit;
};

Osmotic osmotic(const std::vector<double>& m, const std::vector<double>& r) {
  Osmotic o;
  for (std::size_t i = 0; i < m.size(); ++i) {
    o.root_m.push_back(std::sqrt(m[i]));
    o.phi.push_back(osmotic_coefficient(m[i], r[i]));
    o.y.push_back((o.phi.back() - 1.0) / o.root_m.back());
  }
  o.fit = analysis::fit_poly(o.root_m, o.y, degree);
  return o;
}

double ln_g(const Osmotic& o, std::size_t i) { return (o.phi[i] - 1.0) + 2.0 * poly_integral(o.fit.c, o.root_m[i]); }

std::string molality_label(double m) {
  std::string s = std::to_string(m);  // "0.100000"
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const auto& data = cs.data();
  const std::size_t fixed = data.find("MX,");
  const double a_dh = data.value(fixed, 9);  // Debye-Hueckel A, (kg/mol)^1/2

  const auto rows = data.numeric_rows(data.find("m,sqrt(m),R,") + 1);
  const std::vector<double> m = data.column(rows, 0);  // mol/kg
  const std::vector<double> r = data.column(rows, 2);  // kg/mol
  const std::size_t n = m.size();
  if (n <= degree + 1) throw analysis::AnalysisError("vapor_activity_gen: too few rows for the quartic fit");

  const Osmotic o = osmotic(m, r);

  // The law's R at the same molalities gives the true values, through the
  // same quartic and integral (see the notes).
  const double a = cs.hidden("a"), b = cs.hidden("b"), c = cs.hidden("c");
  std::vector<double> r_law(n);
  for (std::size_t i = 0; i < n; ++i) r_law[i] = a * m[i] + b * std::sqrt(m[i]) + c;
  const Osmotic t = osmotic(m, r_law);

  std::vector<double> mr(n), ratio(n), log_as(n), ln_as(n), integ(n), lng(n), logg(n), g(n);
  for (std::size_t i = 0; i < n; ++i) {
    mr[i] = m[i] * r[i];
    ratio[i] = 1.0 - mr[i];
    ln_as[i] = std::log(ratio[i]);
    log_as[i] = std::log10(ratio[i]);
    integ[i] = poly_integral(o.fit.c, o.root_m[i]);
    lng[i] = ln_g(o, i);
    logg[i] = lng[i] / std::log(10.0);
    g[i] = std::exp(lng[i]);
  }

  for (std::size_t i = 0; i < n; ++i) {
    sheet.add(Result{
        .key = "as(" + molality_label(m[i]) + ")",
        .name = "activity of the water at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = 1.0 - m[i] * r_law[i],
        .value = ratio[i],
        .uncertainty = analysis::not_a_number,
        .method = "as = p/po = 1 - mR",
    });
  }
  for (std::size_t i = 0; i < n; ++i) {
    sheet.add(Result{
        .key = "phi(" + molality_label(m[i]) + ")",
        .name = "osmotic coefficient at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = t.phi[i],
        .value = o.phi[i],
        .uncertainty = analysis::not_a_number,
        .method = "phi = -ln(as)/(2 m M1), M1 = 0.018015 kg/mol",
    });
  }
  for (std::size_t i = 0; i < n; ++i) {
    // ln g is linear in the fit's coefficients: its uncertainty is theirs.
    const double x = o.root_m[i];
    const auto integral = [x](std::span<const double> cf) { return 2.0 * poly_integral(cf, x); };
    const analysis::Estimate u = analysis::propagate(integral, o.fit.c, o.fit.cov);
    sheet.add(Result{
        .key = "g(" + molality_label(m[i]) + ")",
        .name = "mean activity coefficient of MX at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = std::exp(ln_g(t, i)),
        .value = g[i],
        .uncertainty = g[i] * u.u,
        .method = "ln g = (phi - 1) + 2 * integral of the quartic fit of (phi-1)/m^0.5 from m^0.5 = 0",
        .bias = "the law's phi does not reach 1 at m -> 0; true value: the same quartic through the law's R",
    });
  }

  // The workings, one row per molality, as the heading names the columns.
  std::vector<Column> cols{{"m", "mol/kg", m},
                           {"sqrt(m)", "(mol/kg)^1/2", o.root_m},
                           {"R", "kg/mol", r},
                           {"mR", "", mr},
                           {"p/po", "", ratio},
                           {"log(as)", "", log_as},
                           {"ln(as)", "", ln_as},
                           {"phi", "", o.phi},
                           {"phi-1", "", {}},
                           {"(phi-1)/m^0.5", "(kg/mol)^1/2", o.y},
                           {"integ\\m^0.5", "", integ},
                           {"ln(g)", "", lng},
                           {"log(g)", "", logg},
                           {"g", "", g},
                           {"log(g),DH", "", {}},
                           {"g,DH", "", {}},
                           {"log(g),extDH", "", {}},
                           {"g,extDH", "", {}},
                           {"log(g),DAV", "", {}},
                           {"g,DAV", "", {}}};
  for (std::size_t i = 0; i < n; ++i) {
    const double root_i = o.root_m[i];  // I = m for a 1:1 electrolyte
    const double dh = -a_dh * root_i;
    const double ext = -a_dh * root_i / (1.0 + root_i);
    const double dav = -a_dh * (root_i / (1.0 + root_i) - davies_coefficient * m[i]);
    cols[8].values.push_back(o.phi[i] - 1.0);
    for (std::size_t k = 0; k < 3; ++k) {
      const double lg = k == 0 ? dh : k == 1 ? ext : dav;
      cols[14 + 2 * k].values.push_back(lg);
      cols[15 + 2 * k].values.push_back(std::pow(10.0, lg));
    }
  }
  sheet.add(analysis::Workings{.title = "Osmotic and activity coefficients", .columns = std::move(cols)});

  // The linest block: the quartic's coefficients in the order of its heading.
  std::vector<Column> fit_cols;
  const char* headings[] = {"m^2", "m^1.5", "m", "m^0.5", "const"};
  for (std::size_t k = 0; k <= degree; ++k) {
    const std::size_t power = degree - k;
    fit_cols.push_back(Column{headings[k], "", {o.fit.c[power], o.fit.se(power)}});
  }
  sheet.add(analysis::Workings{.title = "linest of (phi-1)/m^0.5 against m^0.5 (coefficient, standard error)",
                               .columns = std::move(fit_cols)});

  sheet.notes.push_back(
      "R = (po - p)/(po m): as = p/po = 1 - mR; phi = -ln(as)/(2 m M1) with M1 = 0.018015 kg/mol; "
      "ln g = (phi - 1) + 2 * integral of the quartic fit of (phi - 1)/m^0.5 against m^0.5 from 0, "
      "integrated term by term.");
  sheet.notes.push_back(
      "Debye-Hueckel log g = -A m^0.5; extended log g = -A m^0.5/(1 + m^0.5); Davies "
      "log g = -A (m^0.5/(1 + m^0.5) - 0.3 m), I = m for MX.");
  sheet.notes.push_back(
      "True values from the law R = a m + b m^0.5 + c. The law's phi tends to c/(2 M1), not 1, as m -> 0, "
      "so the integral from zero exists only for the fitted quartic: the true g is the same quartic fit "
      "and integral made from the law's exact R at the ten molalities. It estimates what the data set "
      "holds, not a Debye-Hueckel limit the law does not have.");
}

}  // namespace

extern const analysis::Analysis vapor_activity_gen_answers{.program = "vapor_activity_gen", .analyse = analyse};
