// Answer sheet of emf_activity_gen: activity coefficients from the EMF of
// the cell Zn | ZnSO4 (m), PbSO4(s) | Pb.
//
// The cell reaction Zn + PbSO4 -> Zn2+ + SO4 2- + Pb gives
//   E = E0 - (RT/2F) ln(m+ m- g^2),
// with m+ = m (zinc) and m- = m + m(Pb) (sulfate from the electrolyte and
// from the lead sulfate that dissolves, m(Pb) m(SO4) g^2 = Ksp). The file's
// "RT/F" is (ln 10)RT/F, so every "RT/F log10" term below is that factor
// times a decadic logarithm. Every ion is divalent: I = 4 (m + m(Pb)) and the
// Debye-Hueckel limiting law reads log10 g0 = -A |z+ z-| sqrt(I) = -4 A sqrt(I).
//
// E0' = E + (RT/2F) log10(m+ m-) tends to E0 as I -> 0 with the limiting
// slope; E0'' = E0' + (RT/2F) log10(g0^2) takes the limiting law out, what
// is left being roughly linear in I. The data set's EMF follows a law in ln m
// alone, with no E0 of its own: the true E0 is the same extrapolation done on
// the law's exact EMF with the exact constants (see the notes).
//
// The extrapolations. The law's slope dE/d ln m is only 69 % of the
// Nernstian RT/F, so E0'' is no straight line in I and keeps falling as m
// goes to 0: its intercept depends on the points used by several mV, and
// every g moves by 4 % per mV of E0. Over all eleven points it comes out so
// high that g at the most dilute solution is above 1 in seven data sets of
// eight (impossible for a 2:2 salt), and E0 agrees with what a student gets
// who takes g = 1 there and does not extrapolate at all. The lines are
// therefore fitted over the five most dilute solutions (I up to about
// 0.01, where the limiting law used in E0'' holds), as the handout
// prescribes: there g lies between the limiting law's g0 and 1.
//
// Grading. E0 and E0' are graded in volts: 3 uncertainties of the
// intercept, at least the shift of E0 that moves every g by the sheet's
// relative tolerance (2 % of RT/F, 0.5 mV); g carries the uncertainty of
// E0 (u(log10 g) = u(E0)/((ln 10)RT/F)), so a student whose E0 is within
// its tolerance finds g within theirs. A g the data lead to at or above 1
// is not graded.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"
#include "analysis/workbook.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr int charge_product = 4;  // |z+ z-| of ZnSO4 (and of PbSO4)
constexpr std::size_t dilute_points = 5;  // the extrapolations' points, from the most dilute

// Molality of dissolved lead from the solubility product in a sulfate
// solution of molality m: mPb (m + mPb) g^2 = Ksp, solved for mPb.
double lead_molality(double m, double ksp, double g2) {
  const double q = ksp / g2;
  return 2.0 * q / (m + std::sqrt(m * m + 4.0 * q));  // the positive root, free of cancellation
}

double ionic_strength(double m, double m_pb) { return 0.5 * charge_product * (2.0 * m + 2.0 * m_pb); }

double log_g0(double a_dh, double ionic) { return -a_dh * charge_product * std::sqrt(ionic); }

// One molality worked through both approximations.
struct Approximation {
  double m_pb = 0, sum_mi = 0, ionic = 0, log_g0 = 0;
};

Approximation first_approximation(double m, double ksp, double a_dh) {
  Approximation s;
  s.m_pb = lead_molality(m, ksp, 1.0);  // activity coefficients taken as 1
  s.sum_mi = 2.0 * m + 2.0 * s.m_pb;   // Zn2+, Pb2+ and SO4 2-
  s.ionic = ionic_strength(m, s.m_pb);
  s.log_g0 = log_g0(a_dh, s.ionic);
  return s;
}

// The lead molality and g0 made consistent with each other: g0 from I,
// I from mPb, mPb from g0, repeated until mPb no longer changes.
Approximation second_approximation(double m, double ksp, double a_dh) {
  Approximation s = first_approximation(m, ksp, a_dh);
  for (int round = 0; round < 100; ++round) {
    const double next = lead_molality(m, ksp, std::pow(10.0, 2.0 * s.log_g0));
    const bool settled = std::abs(next - s.m_pb) <= 1e-13 * next;
    s.m_pb = next;
    s.sum_mi = 2.0 * m + 2.0 * s.m_pb;
    s.ionic = ionic_strength(m, s.m_pb);
    s.log_g0 = log_g0(a_dh, s.ionic);
    if (settled) break;
  }
  return s;
}

// The whole extrapolation for one set of numbers (those of the file, or the
// law's exact ones): E0' and E0'' at each molality and their lines.
struct Extrapolation {
  std::vector<Approximation> first, second;
  std::vector<double> root_i, ionic, e0p, e0pp, m_so4, log_mm;
  analysis::LineFit e0p_line, e0pp_line;  // E0' against sqrt(I), E0'' against I, the dilute points
};

// The first `points` entries of a column, the most dilute solutions.
std::span<const double> dilute(const std::vector<double>& v, std::size_t points = dilute_points) {
  return std::span(v).first(std::min(points, v.size()));
}

Extrapolation extrapolate(const std::vector<double>& m, const std::vector<double>& e, double a_dh, double ksp,
                          double rtf) {
  Extrapolation x;
  for (std::size_t i = 0; i < m.size(); ++i) {
    x.first.push_back(first_approximation(m[i], ksp, a_dh));
    const Approximation s = second_approximation(m[i], ksp, a_dh);
    x.second.push_back(s);
    x.ionic.push_back(s.ionic);
    x.root_i.push_back(std::sqrt(s.ionic));
    x.m_so4.push_back(m[i] + s.m_pb);
    x.log_mm.push_back(std::log10(m[i] * x.m_so4.back()));
    x.e0p.push_back(e[i] + 0.5 * rtf * x.log_mm.back());
    x.e0pp.push_back(x.e0p.back() + 0.5 * rtf * (2.0 * s.log_g0));
  }
  x.e0p_line = analysis::fit_line(dilute(x.root_i), dilute(x.e0p));
  x.e0pp_line = analysis::fit_line(dilute(x.ionic), dilute(x.e0pp));
  return x;
}

// log10 g from E0: (RT/F) log10 g = (E0 - E) - (RT/2F) log10(m+ m-).
double log_g_experimental(double e0, double e, double log_mm, double rtf) {
  return ((e0 - e) - 0.5 * rtf * log_mm) / rtf;
}

std::string molality_label(double m) {
  std::string s = std::to_string(m);  // "0.000250"
  while (s.back() == '0') s.pop_back();
  return s;
}

void analyse(const analysis::Case& cs, analysis::AnswerSheet& sheet) {
  const auto& data = cs.data();

  // The constants as the file gives them.
  const double a_dh = data.value(data.find("Debye-Hueckel Coeff:"), 1);  // (kg/mol)^1/2
  const double ksp = data.value(data.find("Ksp ="), 1);                   // (mol/kg)^2
  const double rtf = data.value(data.find("RT/F ="), 1);                  // (ln 10)RT/F, V

  // The first table holds m (mol/kg) and E (V); the other three repeat them.
  const std::size_t first_heading = data.find("m,E(volt),m(Pb)", data.find("First Approximation,"));
  const auto rows = data.numeric_rows(first_heading + 1);
  const std::vector<double> m = data.column(rows, 0);
  const std::vector<double> e = data.column(rows, 1);
  const std::size_t n = m.size();
  if (n < 3) throw analysis::AnalysisError("emf_activity_gen: the first table holds fewer than three rows");

  const Extrapolation x = extrapolate(m, e, a_dh, ksp, rtf);

  // The law's exact EMF at the same molalities, with the exact constants.
  std::vector<double> e_law(n);
  for (std::size_t i = 0; i < n; ++i) e_law[i] = cs.hidden("e", static_cast<int>(i) + 1);
  const double a_true = cs.hidden("dhcoeff"), ksp_true = cs.hidden("ksp"), rtf_true = cs.hidden("rtf");
  const Extrapolation t = extrapolate(m, e_law, a_true, ksp_true, rtf_true);

  // Activity coefficients of the limiting law in both approximations.
  for (int approx = 1; approx <= 2; ++approx) {
    for (std::size_t i = 0; i < n; ++i) {
      const auto& mine = approx == 1 ? x.first[i] : x.second[i];
      const auto& law = approx == 1 ? t.first[i] : t.second[i];
      sheet.add(Result{
          .key = "g0," + std::to_string(approx) + "(" + molality_label(m[i]) + ")",
          .name = std::string(approx == 1 ? "first" : "second") + " approximation g0 at m = " +
                  molality_label(m[i]) + " mol/kg",
          .unit = "",
          .true_value = std::pow(10.0, law.log_g0),
          .value = std::pow(10.0, mine.log_g0),
          .uncertainty = analysis::not_a_number,
          .method = approx == 1 ? "limiting law, log10 g0 = -4A sqrt(I), I from mPb(m + mPb) = Ksp"
                                : "limiting law with mPb(m + mPb) g0^2 = Ksp iterated to self-consistency",
          .nulls = {{"no activity correction: g0 = 1", 1.0}},
      });
    }
  }

  // Other routes to E0' and E0: other windows of dilute points, m in place
  // of I, the first approximation's m(Pb); and the null answers of a
  // student who does not extrapolate (g = 1 at the most dilute solution,
  // or throughout).
  const auto intercept = [](const std::vector<double>& xs, const std::vector<double>& ys, std::size_t points) {
    return analysis::fit_line(dilute(xs, points), dilute(ys, points)).intercept;
  };
  std::vector<double> e0pp_first(n), ionic_first(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Approximation& f = x.first[i];
    ionic_first[i] = f.ionic;
    e0pp_first[i] = e[i] + 0.5 * rtf * std::log10(m[i] * (m[i] + f.m_pb)) + rtf * f.log_g0;
  }
  double mean_e0p = 0;
  for (double v : x.e0p) mean_e0p += v / static_cast<double>(n);
  const std::vector<analysis::Alternative> no_extrapolation{
      {"no extrapolation, g = 1: E0' of the most dilute solution", x.e0p[0]},
      {"no extrapolation, g = 1 throughout: the mean of E0'", mean_e0p}};

  // E0 by the two extrapolations; the one of E0'' is the estimate adopted.
  const std::string points = std::to_string(std::min(dilute_points, n)) + " most dilute points";
  // A tolerance floor in volts: the shift of E0 that moves every g by the
  // sheet's relative tolerance.
  const double volts_floor = sheet.policy.relative * rtf / std::log(10.0);
  sheet.add(Result{
      .key = "E0'",
      .name = "E0 from E0' extrapolated to I = 0",
      .unit = "V",
      .true_value = t.e0p_line.intercept,
      .value = x.e0p_line.intercept,
      .uncertainty = x.e0p_line.se_intercept,
      .method = "intercept of the least-squares line of E0' against sqrt(I), the " + points,
      .bias = "the law has no E0 of its own; true value: the same line through the law's exact EMF",
      .absolute = volts_floor,
      .relative = false,
      .routes = {{"the four most dilute points", intercept(x.root_i, x.e0p, dilute_points - 1)}},
      .nulls = no_extrapolation,
  });
  const double e0 = x.e0pp_line.intercept, e0_true = t.e0pp_line.intercept;
  const double u_e0 = x.e0pp_line.se_intercept;
  sheet.add(Result{
      .key = "E0",
      .name = "standard EMF E0 from E0'' extrapolated to I = 0",
      .unit = "V",
      .true_value = e0_true,
      .value = e0,
      .uncertainty = u_e0,
      .method = "intercept of the least-squares line of E0'' against I, the " + points,
      .bias = "the law has no E0 of its own; true value: the same line through the law's exact EMF",
      .absolute = volts_floor,
      .relative = false,
      .routes = {{"against m", intercept(m, x.e0pp, dilute_points)},
                 {"m(Pb) of the first approximation", intercept(ionic_first, e0pp_first, dilute_points)},
                 {"the four most dilute points", intercept(x.ionic, x.e0pp, dilute_points - 1)},
                 {"the six most dilute points", intercept(x.ionic, x.e0pp, dilute_points + 1)}},
      .nulls = no_extrapolation,
  });

  // Experimental activity coefficients from E0 (the uncertainty of E0 is
  // the whole of theirs: u(log10 g) = u(E0)/(RT/F)).
  std::vector<double> log_g(n), g(n);
  const double e0_first = intercept(ionic_first, e0pp_first, dilute_points);
  for (std::size_t i = 0; i < n; ++i) {
    log_g[i] = log_g_experimental(e0, e[i], x.log_mm[i], rtf);
    g[i] = std::pow(10.0, log_g[i]);
    const double g_true = std::pow(10.0, log_g_experimental(e0_true, e_law[i], t.log_mm[i], rtf_true));
    const double log_mm_first = std::log10(m[i] * (m[i] + x.first[i].m_pb));
    sheet.add(Result{
        .key = "g(" + molality_label(m[i]) + ")",
        .name = "experimental mean activity coefficient at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = g_true,
        .value = g[i],
        .uncertainty = g[i] * std::log(10.0) * u_e0 / rtf,
        .method = "(RT/F) log10 g = (E0 - E) - (RT/2F) log10(m+ m-), with E0 from E0''",
        .not_graded = g[i] >= 1.0 ? "the data lead to g = " + std::to_string(g[i]) +
                                        ", and a mean activity coefficient of a 2:2 salt cannot exceed 1 here"
                                  : "",
        .routes = {{"E0 from the four most dilute points",
                    std::pow(10.0, log_g_experimental(intercept(x.ionic, x.e0pp, dilute_points - 1), e[i],
                                                      x.log_mm[i], rtf))},
                   {"E0 from the six most dilute points",
                    std::pow(10.0, log_g_experimental(intercept(x.ionic, x.e0pp, dilute_points + 1), e[i],
                                                      x.log_mm[i], rtf))},
                   {"m(Pb) of the first approximation",
                    std::pow(10.0, log_g_experimental(e0_first, e[i], log_mm_first, rtf))}},
        .nulls = {{"no activity correction: g = 1", 1.0}},
    });
  }

  // The workings, table by table, as the headings name the columns.
  for (int approx = 1; approx <= 2; ++approx) {
    const auto& s = approx == 1 ? x.first : x.second;
    std::vector<Column> cols{{"m", "mol/kg", m}, {"E(volt)", "V", e},           {"m(Pb)", "mol/kg", {}},
                             {"Sum(mi)", "mol/kg", {}}, {"I", "mol/kg", {}},      {"root(I)", "(mol/kg)^1/2", {}},
                             {"log10(g0)", "", {}},   {"log10(g0^2)", "", {}},   {"g0", "", {}},
                             {"g0^2", "", {}},        {"m(Pb)xm(SO4)", "(mol/kg)^2", {}}};
    for (std::size_t i = 0; i < n; ++i) {
      const double g0 = std::pow(10.0, s[i].log_g0);
      const std::array<double, 9> v{s[i].m_pb,        s[i].sum_mi, s[i].ionic, std::sqrt(s[i].ionic),
                                    s[i].log_g0,      2.0 * s[i].log_g0, g0,     g0 * g0,
                                    s[i].m_pb * (m[i] + s[i].m_pb)};
      for (std::size_t k = 0; k < v.size(); ++k) cols[k + 2].values.push_back(v[k]);
    }
    sheet.add(analysis::Workings{
        .title = approx == 1 ? "First Approximation" : "Second Approximation", .columns = std::move(cols)});
  }
  {
    std::vector<Column> cols{{"m", "mol/kg", m},
                             {"E(volt)", "V", e},
                             {"m(Pb)", "mol/kg", {}},
                             {"m(SO4)", "mol/kg", x.m_so4},
                             {"m+ x m-", "(mol/kg)^2", {}},
                             {"log10(m+m-)", "", x.log_mm},
                             {"RT/2Flog10(m's)", "V", {}},
                             {"E0'", "V", x.e0p},
                             {"RT/2F*log10(g0^2)", "V", {}},
                             {"E0''", "V", x.e0pp}};
    for (std::size_t i = 0; i < n; ++i) {
      cols[2].values.push_back(x.second[i].m_pb);
      cols[4].values.push_back(m[i] * x.m_so4[i]);
      cols[6].values.push_back(0.5 * rtf * x.log_mm[i]);
      cols[8].values.push_back(0.5 * rtf * 2.0 * x.second[i].log_g0);
    }
    sheet.add(analysis::Workings{.title = "E0' and E0''", .columns = std::move(cols)});
  }
  {
    std::vector<Column> cols{{"m", "mol/kg", m},
                             {"E(volt)", "V", e},
                             {"(E0-E)", "V", {}},
                             {"'-RT/2Flog10(ms)'", "V", {}},
                             {"RT/Flog10(g)", "V", {}},
                             {"log10(g)", "", log_g},
                             {"g(Exptl.)", "", g},
                             {"log10(g0)", "", {}},
                             {"g0", "", {}}};
    for (std::size_t i = 0; i < n; ++i) {
      cols[2].values.push_back(e0 - e[i]);
      cols[3].values.push_back(-0.5 * rtf * x.log_mm[i]);
      cols[4].values.push_back(rtf * log_g[i]);
      cols[7].values.push_back(x.second[i].log_g0);
      cols[8].values.push_back(std::pow(10.0, x.second[i].log_g0));
    }
    sheet.add(analysis::Workings{.title = "Estimated E0", .columns = std::move(cols)});
  }

  sheet.notes.push_back(
      "Cell Zn | ZnSO4(m), PbSO4(s) | Pb: E = E0 - (RT/2F) ln(m+ m- g^2) with m+ = m, m- = m + m(Pb); "
      "all ions divalent, I = 4(m + m(Pb)), log10 g0 = -4A sqrt(I). The file's RT/F is (ln 10)RT/F.");
  sheet.notes.push_back(
      "First approximation: m(Pb)(m + m(Pb)) = Ksp (g = 1); second: m(Pb)(m + m(Pb)) g0^2 = Ksp, "
      "iterated until m(Pb) settles; tables 3 and 4 use the second.");
  sheet.notes.push_back(
      "The EMF follows E = const + coeff_lnc ln m exactly, a law with no E0 of its own (E0' and E0'' "
      "have no finite limit at m -> 0; dE/d ln m is about 69 % of RT/F). The true E0 is what the extrapolation "
      "estimates in that law: the same least-squares lines through E0' and E0'' made from the law's exact EMF "
      "e(i) with the exact A, Ksp and (ln 10)RT/F; the true g(Exptl.) follow from that E0.");
  sheet.notes.push_back(
      "The lines are fitted over the " + points + " (I up to about 0.01, where the limiting law in E0'' "
      "holds), as the handout prescribes: through all eleven they are not straight, E0 comes out some "
      "millivolts higher and g at the most dilute solution above 1. E0 and E0' are graded in volts (3 "
      "uncertainties, at least 2 % of RT/F), g with the uncertainty of E0, so that an E0 within its "
      "tolerance gives every g within theirs.");
}


// Steps of the second approximation's iteration written out as columns,
// each from the last: m(Pb) from g0^2 of the previous m(Pb). From the first
// approximation (g0 = 1) the error starts below 26 % and each step shrinks
// it by at most 0.054 over every temperature and solubility product the
// generator can draw (the lowest molality at 50 C and the largest Ksp is
// the slowest), so ten steps reach the converged m(Pb) to within 1e-13.
constexpr int workbook_steps = 10;

// The same worksheet as spreadsheet formulas over the Data sheet: the four
// tables column by column, the lines of E0' against root(I) and of E0''
// against I by SLOPE and INTERCEPT.
void workbook(const analysis::Case& cs, const analysis::AnswerSheet& sheet, analysis::SolutionSheet& ws) {
  using analysis::ColumnRef;
  using analysis::data_cell;
  using analysis::on_solution;
  const auto& data = cs.data();
  const std::string a_dh = data_cell(data.find("Debye-Hueckel Coeff:"), 1);
  const std::string ksp = data_cell(data.find("Ksp ="), 1);
  const std::string rtf = data_cell(data.find("RT/F ="), 1);
  const double ksp_value = data.value(data.find("Ksp ="), 1);
  const double a_value = data.value(data.find("Debye-Hueckel Coeff:"), 1);

  const std::size_t first_at = data.find("m,E(volt),m(Pb)", data.find("First Approximation,"));
  const std::size_t second_at = data.find("m,E(volt),m(Pb)", data.find("Second Approximation,", first_at));
  const std::size_t third_at = data.find("m,E(volt),m(Pb),m(SO4)", second_at + 1);
  const std::size_t fourth_at = data.find("m,E(volt),(E0-E)", third_at + 1);
  const auto r1 = data.numeric_rows(first_at + 1), r2 = data.numeric_rows(second_at + 1),
             r3 = data.numeric_rows(third_at + 1), r4 = data.numeric_rows(fourth_at + 1);
  const std::size_t n = r1.size();
  if (r2.size() != n || r3.size() != n || r4.size() != n)
    throw analysis::AnalysisError("emf_activity_gen: the four tables differ in length");
  const std::vector<double> m = data.column(r1, 0);

  const auto column = [&](const std::vector<std::size_t>& rows, const std::string& title, const std::string& unit,
                          const std::vector<double>& values, const std::function<std::string(std::size_t)>& formula) {
    std::vector<std::string> fs;
    for (std::size_t i = 0; i < n; ++i) fs.push_back(formula(i));
    return ws.column(title, unit, rows, fs, values);
  };

  // The columns after m(Pb) of the first two tables, from the m(Pb) column.
  struct Table {
    ColumnRef ionic, root_i, log_g0, g0;
  };
  const auto approximation = [&](const std::vector<std::size_t>& rows, const std::vector<analysis::Column>& work,
                                 const ColumnRef& m_pb, const std::string& which) {
    Table t;
    const auto m_cell = [&](std::size_t i) { return data_cell(rows[i], 0); };
    const ColumnRef sum = column(rows, "Sum(mi), " + which, "mol/kg", work[3].values, [&](std::size_t i) {
      return "2*" + m_cell(i) + "+2*" + m_pb.cells[i];
    });
    t.ionic = column(rows, "I = 2 Sum(mi), " + which, "mol/kg", work[4].values,
                     [&](std::size_t i) { return "2*" + sum.cells[i]; });
    t.root_i = column(rows, "root(I), " + which, "(mol/kg)^1/2", work[5].values,
                      [&](std::size_t i) { return "SQRT(" + t.ionic.cells[i] + ")"; });
    t.log_g0 = column(rows, "log10(g0) = -4A root(I), " + which, "", work[6].values,
                      [&](std::size_t i) { return "-4*" + a_dh + "*" + t.root_i.cells[i]; });
    column(rows, "log10(g0^2), " + which, "", work[7].values, [&](std::size_t i) { return "2*" + t.log_g0.cells[i]; });
    t.g0 = column(rows, "g0, " + which, "", work[8].values, [&](std::size_t i) { return "10^" + t.log_g0.cells[i]; });
    column(rows, "g0^2, " + which, "", work[9].values,
           [&](std::size_t i) { return t.g0.cells[i] + "*" + t.g0.cells[i]; });
    column(rows, "m(Pb)xm(SO4), " + which, "(mol/kg)^2", work[10].values, [&](std::size_t i) {
      return m_pb.cells[i] + "*(" + m_cell(i) + "+" + m_pb.cells[i] + ")";
    });
    return t;
  };

  // First approximation: m(Pb)(m + m(Pb)) = Ksp, the positive root written
  // free of cancellation.
  const auto& w1 = sheet.workings.at(0).columns;
  const ColumnRef pb1 = column(r1, "m(Pb), first", "mol/kg", w1[2].values, [&](std::size_t i) {
    const std::string mi = data_cell(r1[i], 0);
    return "2*" + ksp + "/(" + mi + "+SQRT(" + mi + "^2+4*" + ksp + "))";
  });
  const Table first = approximation(r1, w1, pb1, "first");
  for (std::size_t i = 0; i < n; ++i) {
    const std::string label = molality_label(m[i]);
    ws.result("g0,1(" + label + ")", first.g0.cells[i]);
  }

  // Second approximation: m(Pb)(m + m(Pb)) g0^2 = Ksp, g0 from I = 4(m + m(Pb)).
  std::vector<double> pb(w1[2].values);
  ColumnRef step = pb1;
  for (int k = 1; k <= workbook_steps; ++k) {
    for (std::size_t i = 0; i < n; ++i)
      pb[i] = lead_molality(m[i], ksp_value, std::pow(10.0, 2.0 * log_g0(a_value, ionic_strength(m[i], pb[i]))));
    const ColumnRef prev = step;
    step = column(r2, "m(Pb), step " + std::to_string(k), "mol/kg", pb, [&](std::size_t i) {
      const std::string mi = data_cell(r2[i], 0);
      const std::string q = "(" + ksp + "/10^(-8*" + a_dh + "*SQRT(4*(" + mi + "+" + prev.cells[i] + "))))";
      return "2*" + q + "/(" + mi + "+SQRT(" + mi + "^2+4*" + q + "))";
    });
  }
  const auto& w2 = sheet.workings.at(1).columns;
  const ColumnRef pb2 = column(r2, "m(Pb), second", "mol/kg", w2[2].values,
                               [&](std::size_t i) { return step.cells[i]; });
  const Table second = approximation(r2, w2, pb2, "second");
  for (std::size_t i = 0; i < n; ++i) {
    const std::string label = molality_label(m[i]);
    ws.result("g0,2(" + label + ")", second.g0.cells[i]);
  }

  // E0' and E0''.
  const auto& w3 = sheet.workings.at(2).columns;
  const ColumnRef so4 = column(r3, "m(SO4) = m + m(Pb)", "mol/kg", w3[3].values,
                               [&](std::size_t i) { return data_cell(r3[i], 0) + "+" + pb2.cells[i]; });
  const ColumnRef mm = column(r3, "m+ x m-", "(mol/kg)^2", w3[4].values,
                              [&](std::size_t i) { return data_cell(r3[i], 0) + "*" + so4.cells[i]; });
  const ColumnRef log_mm =
      column(r3, "log10(m+m-)", "", w3[5].values, [&](std::size_t i) { return "LOG10(" + mm.cells[i] + ")"; });
  const ColumnRef rt_mm = column(r3, "RT/2F log10(m+m-)", "V", w3[6].values,
                                 [&](std::size_t i) { return "0.5*" + rtf + "*" + log_mm.cells[i]; });
  const ColumnRef e0p = column(r3, "E0'", "V", w3[7].values,
                               [&](std::size_t i) { return data_cell(r3[i], 1) + "+" + rt_mm.cells[i]; });
  const ColumnRef rt_g = column(r3, "RT/2F log10(g0^2)", "V", w3[8].values,
                                [&](std::size_t i) { return "0.5*" + rtf + "*2*" + second.log_g0.cells[i]; });
  const ColumnRef e0pp =
      column(r3, "E0''", "V", w3[9].values, [&](std::size_t i) { return e0p.cells[i] + "+" + rt_g.cells[i]; });

  std::vector<double> root_i, ionic, e0p_v(w3[7].values), e0pp_v(w3[9].values);
  for (std::size_t i = 0; i < n; ++i) {
    ionic.push_back(w2[4].values[i]);
    root_i.push_back(w2[5].values[i]);
  }
  // The lines through the most dilute solutions only, the first cells of
  // each column.
  const analysis::LineFit line_p = analysis::fit_line(dilute(root_i), dilute(e0p_v)),
                          line_pp = analysis::fit_line(dilute(ionic), dilute(e0pp_v));
  const auto first_cells = [&](const ColumnRef& c) {
    return c.cells.front() + ":" + c.cells[std::min(dilute_points, n) - 1];
  };
  const std::string dilute_e0p = first_cells(e0p), dilute_root_i = first_cells(second.root_i);
  const std::string dilute_e0pp = first_cells(e0pp), dilute_ionic = first_cells(second.ionic);
  const std::string slope_p = ws.value("slope of E0' against root(I), dilute points", "V (kg/mol)^1/2",
                                       "SLOPE(" + dilute_e0p + "," + dilute_root_i + ")", line_p.slope);
  const std::string e0_p = ws.result("E0'", "INTERCEPT(" + dilute_e0p + "," + dilute_root_i + ")");
  const std::string slope_pp = ws.value("slope of E0'' against I, dilute points", "V kg/mol",
                                        "SLOPE(" + dilute_e0pp + "," + dilute_ionic + ")", line_pp.slope);
  const std::string e0 = ws.result("E0", "INTERCEPT(" + dilute_e0pp + "," + dilute_ionic + ")");

  // The extrapolations from I = 0 (on the heading's record) through the rows.
  std::vector<std::size_t> line_rows{third_at};
  line_rows.insert(line_rows.end(), r3.begin(), r3.end());
  const auto extrapolation = [&](const std::string& name, const std::string& unit, const ColumnRef& x,
                                 const std::vector<double>& xv, const analysis::LineFit& fit, const std::string& slope,
                                 const std::string& icpt) {
    std::vector<std::string> fx{"0"}, fy;
    std::vector<double> vx{0.0}, vy;
    for (std::size_t i = 0; i < n; ++i) {
      fx.push_back(x.cells[i]);
      vx.push_back(xv[i]);
    }
    const ColumnRef cx = ws.column(name + " for the line", unit, line_rows, fx, vx);
    for (std::size_t i = 0; i <= n; ++i) {
      fy.push_back(icpt + "+" + slope + "*" + cx.cells[i]);
      vy.push_back(fit.at(vx[i]));
    }
    return std::pair{cx, ws.column("line of " + name, "V", line_rows, fy, vy)};
  };
  const auto [x_p, y_p] = extrapolation("root(I)", "(mol/kg)^1/2", second.root_i, root_i, line_p, slope_p, e0_p);
  const auto [x_pp, y_pp] = extrapolation("I", "mol/kg", second.ionic, ionic, line_pp, slope_pp, e0);

  // Experimental activity coefficients from E0.
  const auto& w4 = sheet.workings.at(3).columns;
  const ColumnRef e0_e =
      column(r4, "(E0-E)", "V", w4[2].values, [&](std::size_t i) { return e0 + "-" + data_cell(r4[i], 1); });
  const ColumnRef minus_rt = column(r4, "-RT/2F log10(m+m-)", "V", w4[3].values,
                                    [&](std::size_t i) { return "-" + rt_mm.cells[i]; });
  const ColumnRef rt_lg = column(r4, "RT/F log10(g)", "V", w4[4].values,
                                 [&](std::size_t i) { return e0_e.cells[i] + "+" + minus_rt.cells[i]; });
  const ColumnRef lg =
      column(r4, "log10(g)", "", w4[5].values, [&](std::size_t i) { return rt_lg.cells[i] + "/" + rtf; });
  const ColumnRef g = column(r4, "g(Exptl.)", "", w4[6].values, [&](std::size_t i) { return "10^" + lg.cells[i]; });
  const ColumnRef lg0 = column(r4, "log10(g0)", "", w4[7].values,
                               [&](std::size_t i) { return second.log_g0.cells[i]; });
  const ColumnRef g0 = column(r4, "g0", "", w4[8].values, [&](std::size_t i) { return "10^" + lg0.cells[i]; });
  for (std::size_t i = 0; i < n; ++i) ws.result("g(" + molality_label(m[i]) + ")", g.cells[i]);

  ws.note("m(Pb) of the second approximation is iterated " + std::to_string(workbook_steps) +
          " times from the first approximation's; the last steps no longer change it.");
  ws.note("The file's RT/F is (ln 10)RT/F: RT/2F log10(m+m-) is half of it times the decadic logarithm.");
  ws.note("E0' and E0 come from the lines through the " + std::to_string(std::min(dilute_points, n)) +
          " most dilute solutions (I up to about 0.01), drawn on through the other points.");
  ws.chart("Extrapolation of E0' against root(I) to I = 0", "root(I) ((mol/kg)^1/2)", "E0' (V)",
           {{.name = "E0'", .x_range = on_solution(second.root_i.range), .y_range = on_solution(e0p.range)},
            {.name = "least-squares line", .x_range = on_solution(x_p.range), .y_range = on_solution(y_p.range),
             .markers = false, .line = true, .colour = 0}});
  ws.chart("Extrapolation of E0'' against I to I = 0", "I (mol/kg)", "E0'' (V)",
           {{.name = "E0''", .x_range = on_solution(second.ionic.range), .y_range = on_solution(e0pp.range)},
            {.name = "least-squares line", .x_range = on_solution(x_pp.range), .y_range = on_solution(y_pp.range),
             .markers = false, .line = true, .colour = 0}});
  ws.chart("Mean activity coefficient of ZnSO4 against root(I)", "root(I) ((mol/kg)^1/2)", "g",
           {{.name = "g (Exptl.)", .x_range = on_solution(second.root_i.range), .y_range = on_solution(g.range)},
            {.name = "Debye-Hueckel limiting law g0", .x_range = on_solution(second.root_i.range),
             .y_range = on_solution(g0.range), .markers = false, .line = true}});
}

const analysis::Handout& handout() {
  static const analysis::Handout h = [] {
    analysis::Handout h{
        .task = "The EMF of the cell Zn | ZnSO4 (m), PbSO4(s) | Pb was measured at eleven molalities of ZnSO4. "
                "The solution also holds the lead sulfate that dissolves. Work out the Debye-Hueckel activity "
                "coefficients in a first and a second approximation, extrapolate to the standard EMF E0, and "
                "find the experimental mean activity coefficients of ZnSO4.",
        .data = "After the prologue (project, your name, your seeds):\n\n"
                "| record | quantity | unit |\n|---|---|---|\n"
                "| `T(C) =` | the temperature | °C |\n"
                "| `Debye-Hueckel Coeff:` | A of log10 g = −A·z+·z−·√I at that temperature | (kg/mol)^1/2 |\n"
                "| `Ksp =` | the solubility product of PbSO4, m(Pb)·m(SO4)·g² | (mol/kg)² |\n"
                "| `RT/F =` | (ln 10)·RT/F at that temperature, the factor of decadic logarithms | V |\n\n"
                "Then four tables, `First Approximation`, `Second Approximation`, the E0' and E0'' table and "
                "`Estimated E0`, each with the columns of its heading to fill in and eleven rows holding m "
                "(mol/kg) and E (V).",
        .conventions = {"The cell reaction Zn + PbSO4 → Zn2+ + SO4 2− + Pb: E = E0 − (RT/2F)·ln(m+·m−·g²) with "
                        "m+ = m and m− = m + m(Pb); every ion is divalent, so I = 4(m + m(Pb)) and "
                        "log10 g0 = −4A·√I.",
                        "The file's RT/F is (ln 10)·RT/F: (RT/2F)·log10(x) in the headings is half of it times "
                        "a decadic logarithm.",
                        "First approximation: m(Pb)(m + m(Pb)) = Ksp; second: m(Pb)(m + m(Pb))·g0² = Ksp, "
                        "iterated until m(Pb) no longer changes.",
                        "E0 and E0' are graded in volts; a g at or above 1, impossible for ZnSO4 here, is not "
                        "graded."},
    };
    const char* molalities[] = {"0.00025", "0.0005", "0.00075", "0.001", "0.0025", "0.005",
                                "0.0075",  "0.01",   "0.025",   "0.05",  "0.075"};
    for (int approx = 1; approx <= 2; ++approx)
      for (const char* m : molalities)
        h.results.push_back({.key = "g0," + std::to_string(approx) + "(" + m + ")",
                             .name = std::string(approx == 1 ? "first" : "second") + " approximation g0 at m = " +
                                     m + " mol/kg"});
    const std::string window = "the least-squares line over the five most dilute solutions (m up to 0.0025 "
                               "mol/kg, I up to about 0.01, where the limiting law holds), extrapolated to I = 0";
    h.results.push_back({.key = "E0'", .name = "E0 from E0' extrapolated to I = 0", .unit = "V",
                         .method = "E0' against √I: " + window});
    h.results.push_back({.key = "E0", .name = "standard EMF E0 from E0'' extrapolated to I = 0", .unit = "V",
                         .method = "E0'' against I: " + window});
    for (const char* m : molalities)
      h.results.push_back({.key = std::string("g(") + m + ")",
                           .name = std::string("experimental mean activity coefficient at m = ") + m + " mol/kg",
                           .method = "from E, m+·m− and the E0 of E0''"});
    return h;
  }();
  return h;
}

}  // namespace

extern const analysis::Analysis emf_activity_gen_answers{
    .program = "emf_activity_gen", .analyse = analyse, .workbook = workbook, .handout = handout};
