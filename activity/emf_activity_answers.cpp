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
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "analysis/fit.hpp"

namespace {

using analysis::Column;
using analysis::Result;

constexpr int charge_product = 4;  // |z+ z-| of ZnSO4 (and of PbSO4)

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
  analysis::LineFit e0p_line, e0pp_line;  // E0' against sqrt(I), E0'' against I
};

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
  x.e0p_line = analysis::fit_line(x.root_i, x.e0p);
  x.e0pp_line = analysis::fit_line(x.ionic, x.e0pp);
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
      });
    }
  }

  // E0 by the two extrapolations; the one of E0'' is the estimate adopted.
  sheet.add(Result{
      .key = "E0'",
      .name = "E0 from E0' extrapolated to I = 0",
      .unit = "V",
      .true_value = t.e0p_line.intercept,
      .value = x.e0p_line.intercept,
      .uncertainty = x.e0p_line.se_intercept,
      .method = "intercept of the least-squares line of E0' against sqrt(I), " + std::to_string(n) + " points",
      .bias = "the law has no E0 of its own; true value: the same line through the law's exact EMF",
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
      .method = "intercept of the least-squares line of E0'' against I, " + std::to_string(n) + " points",
      .bias = "the law has no E0 of its own; true value: the same line through the law's exact EMF",
  });

  // Experimental activity coefficients from E0 (the uncertainty of E0 is
  // the whole of theirs: u(log10 g) = u(E0)/(RT/F)).
  std::vector<double> log_g(n), g(n);
  for (std::size_t i = 0; i < n; ++i) {
    log_g[i] = log_g_experimental(e0, e[i], x.log_mm[i], rtf);
    g[i] = std::pow(10.0, log_g[i]);
    const double g_true = std::pow(10.0, log_g_experimental(e0_true, e_law[i], t.log_mm[i], rtf_true));
    sheet.add(Result{
        .key = "g(" + molality_label(m[i]) + ")",
        .name = "experimental mean activity coefficient at m = " + molality_label(m[i]) + " mol/kg",
        .unit = "",
        .true_value = g_true,
        .value = g[i],
        .uncertainty = g[i] * std::log(10.0) * u_e0 / rtf,
        .method = "(RT/F) log10 g = (E0 - E) - (RT/2F) log10(m+ m-), with E0 from E0''",
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
      "have no finite limit at m -> 0). The true E0 is what the extrapolation estimates in that law: the "
      "same least-squares lines through E0' and E0'' made from the law's exact EMF e(i) with the exact "
      "A, Ksp and (ln 10)RT/F; the true g(Exptl.) follow from that E0. The lines through the eleven points "
      "are not straight, so E0 depends on the points used by some millivolts.");
}

}  // namespace

extern const analysis::Analysis emf_activity_gen_answers{.program = "emf_activity_gen", .analyse = analyse};
