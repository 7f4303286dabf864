// Ternary liquid-liquid phase diagram (project DORUX).
//
// Liquids A and B are only partly miscible; C mixes with both. The
// two-phase envelope at 25 deg C is a parabola over the side A-B of the
// composition triangle, from the solubility limit P of B in A to the limit Q
// of A in B. The student receives the envelope as weight percentages with
// the refractive index of each mixture (linear in the weight fractions), and
// eleven tie lines given only by the refractive indices of their two ends.
// Points are spread along the curve at drawn fractions of its arc length.
// No scatter is added to the written values. Double precision throughout.
#include <array>
#include <cmath>

#include "labcore/program.hpp"
#include "phase_equilibria/lle_tools.hpp"

namespace {

using lle_tools::arclength;
using lle_tools::compcalc;
using lle_tools::Point;
using lle_tools::point_at_arc;
using lle_tools::ycalc;

constexpr int numbenv = 16;  // envelope points between P and Q
constexpr int numbtie = 11;  // tie lines
constexpr double seventeenth = 1.0 / 17.0;
constexpr double twelveth = 1.0 / 12.0;

// Refractive index of a mixture, linear in the weight percentages.
double mixture_ri(double ria, double rib, double ric, double pca, double pcb, double pcc) {
  return (rib * pcb + (pca * ria + pcc * ric)) / 100.0;
}

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());
  auto& file = run.file();

  // Refractive indices of the pure liquids.
  const double ria = (rnd.r4_uni() - 0.5) * 0.002 + 1.333;
  const double rib = (rnd.r4_uni() - 0.5) * 0.1 + 1.46;
  const double ric = (rnd.r4_uni() - 0.5) * 0.06 + 1.38;
  run.hidden("ria", ria);
  run.hidden("rib", rib);
  run.hidden("ric", ric);

  file.list(",");
  file.list("T = 25 deg C,");
  file.list(",");
  file.list(",");

  // The envelope y = a (x - p)(x - q): mutual solubility limits p and q,
  // height m above the middle of P-Q.
  const double p = 10.0 + 10.0 * rnd.r4_uni();
  const double q = 90.0 - 10.0 * rnd.r4_uni();
  const double m = 50.0 - 15.0 * rnd.r4_uni();
  const double pqsum = q + p;
  const double pqdiff = p - q;
  const double pqprod = q * p;
  const double a = -((m * 4.0) / (pqdiff * pqdiff));
  const double b = -(a * pqsum);
  const double c = a * pqprod;
  run.hidden("p", p);
  run.hidden("q", q);
  run.hidden("m", m);
  run.hidden("a", a);
  run.hidden("b", b);
  run.hidden("c", c);

  // Where the lines from the corners A and B touch the curve; the plait
  // point lies between the two.
  const double xcl = std::sqrt(pqprod);
  const double arg1 = (pqprod - pqsum * 100.0) / 10000.0;
  const double xcr = 100.0 * (1.0 - std::sqrt(1.0 + arg1));
  const double fplait = rnd.r4_uni();
  const double xp = xcl + (xcr - xcl) * fplait;
  const double yp = ycalc(xp, a, b, c);
  run.hidden("xcl", xcl);
  run.hidden("xcr", xcr);
  run.hidden("fplait", fplait);
  run.hidden("xp", xp);
  run.hidden("yp", yp);

  // P and Q on the side A-B.
  double pcpa = 0.0, pcpc = 0.0, pcqa = 0.0, pcqc = 0.0;
  compcalc(p, 0.0, pcpa, pcpc);
  const double pcpb = (100.0 - pcpa) - pcpc;
  compcalc(q, 0.0, pcqa, pcqc);
  const double pcqb = (100.0 - pcqa) - pcqc;
  const double rip = (pcpc * ric + (pcpa * ria + rib * pcpb)) / 100.0;
  const double riq = (pcqc * ric + (pcqa * ria + rib * pcqb)) / 100.0;

  const double totarclen = arclength(p, q, a, b);
  const double parclen = arclength(p, xp, a, b);
  const double qarclen = arclength(xp, q, a, b);
  run.hidden("totarclen", totarclen);
  run.hidden("parclen", parclen);
  run.hidden("qarclen", qarclen);

  // Fractions of arc length: running sums of 1/17 and 1/12, each point
  // moved by up to +-0.02.
  std::array<double, numbenv> fracenv{};
  double stepenv = seventeenth;
  for (int i = 0; i < numbenv; ++i) {
    fracenv[i] = 0.04 * (rnd.r4_uni() - 0.5) + stepenv;
    stepenv = seventeenth + stepenv;
    run.hidden("fracenv", i + 1, fracenv[i]);
  }
  std::array<double, numbtie> fractie{};
  double steptie = twelveth;
  for (int i = 0; i < numbtie; ++i) {
    fractie[i] = 0.04 * (rnd.r4_uni() - 0.5) + steptie;
    steptie = twelveth + steptie;
    run.hidden("fractie", i + 1, fractie[i]);
  }

  // The envelope from P to Q.
  std::array<double, numbenv> pcenva{}, pcenvb{}, pcenvc{}, rienv{};
  for (int i = 0; i < numbenv; ++i) {
    const Point pt = point_at_arc(p, fracenv[i] * totarclen, p, q, a, b, c);
    compcalc(pt.x, pt.y, pcenva[i], pcenvc[i]);
    pcenvb[i] = (100.0 - pcenva[i]) - pcenvc[i];
    rienv[i] = mixture_ri(ria, rib, ric, pcenva[i], pcenvb[i], pcenvc[i]);
  }

  file.list(",");
  file.list("Envelope Points");
  file.list("%A,%B,%C,R.I.");
  // The tab after the opening parenthesis is part of the format as held.
  file.write("(\t\"100.0,0,0,\",F10.4,\",\")", ria);
  file.write(R"((4(f10.4,",")))", pcpa, pcpb, pcpc, rip);
  for (int i = 0; i < numbenv; ++i) {
    file.write(R"((4(f10.4,",")))", pcenva[i], pcenvb[i], pcenvc[i], rienv[i]);
  }
  file.write(R"((4(f10.4,",")))", pcqa, pcqb, pcqc, riq);
  file.write(R"(( "0,100.0,0,",F10.4,","))", rib);
  file.list(",");
  file.list(",");

  // Tie lines: the point at the fraction fractie of the arc from P towards
  // the plait point joins the point at the same fraction of the arc from Q.
  std::array<double, numbtie> ritiel{}, ritier{};
  for (int i = 0; i < numbtie; ++i) {
    const Point left = point_at_arc(p, fractie[i] * parclen, p, xp, a, b, c);
    double pctiela = 0.0, pctielc = 0.0;
    compcalc(left.x, left.y, pctiela, pctielc);
    const double pctielb = (100.0 - pctiela) - pctielc;
    ritiel[i] = mixture_ri(ria, rib, ric, pctiela, pctielb, pctielc);
    run.hidden("pctiela", i + 1, pctiela);
    run.hidden("pctielb", i + 1, pctielb);
    run.hidden("pctielc", i + 1, pctielc);
  }
  for (int i = 0; i < numbtie; ++i) {
    const Point right = point_at_arc(xp, (1.0 - fractie[i]) * qarclen, xp, q, a, b, c);
    double pctiera = 0.0, pctierc = 0.0;
    compcalc(right.x, right.y, pctiera, pctierc);
    const double pctierb = (100.0 - pctiera) - pctierc;
    ritier[i] = mixture_ri(ria, rib, ric, pctiera, pctierb, pctierc);
    run.hidden("pctiera", i + 1, pctiera);
    run.hidden("pctierb", i + 1, pctierb);
    run.hidden("pctierc", i + 1, pctierc);
  }

  file.list("Tie Lines,");
  file.list("Left points,,Right points,");
  file.list(",");
  file.list("R.I.,,R.I,");
  for (int i = 0; i < numbtie; ++i) {
    file.write(R"((f10.4,",,",f10.4,","))", ritiel[i], ritier[i]);
  }
}

}  // namespace

extern const labcore::Program lle_ternary_gen{
    .name = "lle_ternary_gen",
    .form = labcore::Form::A,
    .titles = {"Project DORUX Ternary LLE Phase Diagram"},
    .header_format = R"(('"Project DORUX Student Data ",'))",
    .generate = generate,
};
