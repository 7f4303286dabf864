// Answer sheet of water_ionization_gen: the ionic product of water from the
// EMF difference of the two cells. E_A − E_B less the molality and the
// activity-coefficient terms leaves −(RT/F)·ln Kw plus a deviation that
// vanishes with the ionic strength; a polynomial in I extrapolates it to
// I = 0.
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::DataSet;
using analysis::Result;
using analysis::Workings;

// Debye-Hueckel limiting law for a 1:1 electrolyte, log10 γ± = −A·√I,
// A in (kg/mol)^½.
constexpr double a_dh = 0.511;
// Degree of the polynomial in I that carries the left side to I = 0.
constexpr std::size_t extrapolation_degree = 4;

// The first record at or after `from` whose first cell is a number.
std::size_t first_numeric(const DataSet& data, std::size_t from) {
  for (std::size_t r = from; r < data.size(); ++r)
    if (data.number(r, 0)) return r;
  throw analysis::AnalysisError("no rows after record " + std::to_string(from + 1));
}

void analyse(const analysis::Case& in, analysis::AnswerSheet& sheet) {
  const DataSet& data = in.data();

  // The constants as the file gives them: F (C/mol), T (K), R (J/(K mol)).
  const double faraday = data.value(data.find("F ="), 1);
  const double t = data.value(data.find("T ="), 1);
  const double r = data.value(data.find("R ="), 1);
  const double rtf = r * t / faraday;  // V

  const std::size_t heading = data.find("m2=m4,m1=m3,m3+m4,E_A,E_B,E_A-E_B,I,");
  const auto rows = data.numeric_rows(first_numeric(data, heading + 1));
  const std::vector<double> m24 = data.column(rows, 0);
  const std::vector<double> m13 = data.column(rows, 1);
  const std::vector<double> ea = data.column(rows, 3);
  const std::vector<double> eb = data.column(rows, 4);
  const std::size_t n = rows.size();

  std::vector<double> m34(n), diff(n), ionic(n), root_i(n), ln_gamma(n), ms(n), ln_ms(n), rtf_ln_ms(n);
  std::vector<double> ln_gs(n), rtf_ln_gs(n), left(n);
  for (std::size_t i = 0; i < n; ++i) {
    // m3 + m4 is the chloride molality of cell A and, all ions singly
    // charged, the ionic strength.
    m34[i] = m13[i] + m24[i];
    diff[i] = ea[i] - eb[i];
    ionic[i] = m34[i];
    root_i[i] = std::sqrt(ionic[i]);
    ln_gamma[i] = -a_dh * std::log(10.0) * root_i[i];
    // The molality quotient m1·m3·(m3 + m4)/m4 and the activity-coefficient
    // quotient γ², each taken as RT/F times its logarithm.
    ms[i] = m13[i] * m13[i] * m34[i] / m24[i];
    ln_ms[i] = std::log(ms[i]);
    rtf_ln_ms[i] = rtf * ln_ms[i];
    ln_gs[i] = 2.0 * ln_gamma[i];
    rtf_ln_gs[i] = rtf * ln_gs[i];
    left[i] = diff[i] - rtf_ln_ms[i] - rtf_ln_gs[i];
  }

  // At I = 0 the left side is −(RT/F)·ln Kw.
  const analysis::PolyFit fit = analysis::fit_poly(ionic, left, extrapolation_degree);
  const double ln_kw = -fit.c[0] / rtf;
  const double kw = std::exp(ln_kw);
  const double u_kw = kw * fit.se(0) / rtf;
  sheet.add(Result{.key = "Kw", .name = "ionic product of water", .unit = "mol2/kg2",
                   .true_value = in.hidden("kw"), .value = kw, .uncertainty = u_kw,
                   .method = "left side against I, least-squares polynomial of degree 4 over " +
                             std::to_string(n) + " rows, at I = 0 equal to -(RT/F) ln Kw"});

  std::vector<double> fitted(n);
  for (std::size_t i = 0; i < n; ++i) fitted[i] = fit.at(ionic[i]);
  sheet.add(Workings{"E_A - E_B and its terms",
                     {Column{"m2=m4", "mol/kg", m24},
                      Column{"m1=m3", "mol/kg", m13},
                      Column{"m3+m4", "mol/kg", m34},
                      Column{"E_A", "V", ea},
                      Column{"E_B", "V", eb},
                      Column{"E_A-E_B", "V", diff},
                      Column{"I", "mol/kg", ionic},
                      Column{"root(I)", "(mol/kg)^0.5", root_i},
                      Column{"ln(gamma)", "", ln_gamma},
                      Column{"m's", "mol2/kg2", ms},
                      Column{"ln(m's)", "", ln_ms},
                      Column{"RT/F ln(m's)", "V", rtf_ln_ms},
                      Column{"ln(g's)", "", ln_gs},
                      Column{"RT/F ln(g's)", "V", rtf_ln_gs}}});
  sheet.add(Workings{"the equation's left side",
                     {Column{"m2=m4", "mol/kg", m24},
                      Column{"m1=m3", "mol/kg", m13},
                      Column{"m3+m4", "mol/kg", m34},
                      Column{"E_A", "V", ea},
                      Column{"E_B", "V", eb},
                      Column{"E_A-E_B", "V", diff},
                      Column{"RT/F ln(m's)", "V", rtf_ln_ms},
                      Column{"RT/F ln(g's)", "V", rtf_ln_gs},
                      Column{"eqn.left side", "V", left},
                      Column{"left side fitted", "V", fitted}}});

  char rtf_text[32];
  std::snprintf(rtf_text, sizeof rtf_text, "%.7g", rtf);
  sheet.notes.push_back(std::string("RT/F = ") + rtf_text + " V from the file's R, T and F.");
  sheet.notes.push_back(
      "m's = m1*m3*(m3+m4)/m4 with m1 = m3; ln(g's) = 2 ln(gamma), ln(gamma) = -0.511 ln(10) root(I) "
      "(Debye-Hueckel limiting law); left side = (E_A - E_B) - RT/F ln(m's) - RT/F ln(g's).");
  sheet.notes.push_back(
      "The left side curves over I = 0.02 to 3 mol/kg; a polynomial of degree 4 in I follows it over all rows "
      "and its constant term is -(RT/F) ln Kw.");
}

}  // namespace

extern const analysis::Analysis water_ionization_gen_answers{.program = "water_ionization_gen",
                                                             .analyse = analyse};
