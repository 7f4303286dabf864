// Ternary solid-liquid phase diagram (project LUMAK).
//
// Two solids A and B in the solvent W. For three kinds of system the student
// receives the saturated solutions along the solubility curves and, beside
// each, its wet residue (the solid with adhering solution), all as weight
// percents of A and B. Extending each solution-residue line locates the
// solid in equilibrium with that branch of the curve:
//   case 1: pure A and pure B;
//   case 2: a compound H of A and W, then pure A, the curve ending on the
//           side A-B;
//   case 3: the compound H, pure A, then pure B.
// Each branch is built from its two end points: five tie lines fan out from
// the solid's point over the angle that the end points subtend there; each
// meets the chord between the end points and is pushed outward by 1, 2, 3,
// 2, 1 units, so the curve bulges. The wet residue lies on the tie line at a
// drawn fraction of the way from the solid. No scatter is added afterwards.
// Double precision throughout.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "labcore/program.hpp"
#include "phase_equilibria/ternutil.hpp"

namespace {

using ternutil::getslpint;
using ternutil::makepcnt;
using ternutil::sqrt3;

constexpr double r60 = 1.0471975511965976;   // 60 degrees: the side A-W seen from A
constexpr double r120 = 2.0943951023931953;  // 120 degrees: the side B-W seen from B

// Fractions of the fanned angle, and the outward bulge, of the five tie lines.
constexpr std::array<double, 5> f{1.0 / 6.0, 2.0 / 6.0, 3.0 / 6.0, 4.0 / 6.0, 5.0 / 6.0};
constexpr std::array<double, 5> m{1.0, 2.0, 3.0, 2.0, 1.0};

// A point of the diagram with its weight percents.
struct Point {
  double x = 0.0, y = 0.0;
  double pa = 0.0, pb = 0.0, pw = 0.0;
};

Point at(double x, double y) {
  Point p{x, y};
  makepcnt(p.x, p.y, p.pa, p.pb, p.pw);
  return p;
}

// The five saturated solutions of a branch (e) and their wet residues (w);
// entry i - 1 belongs to the tie line with fraction f(i).
struct Branch {
  std::array<Point, 5> e, w;
  std::array<double, 5> wetrand{};
};

// Solid A at the origin; tie lines at f*gamma + delta meet the chord
// y = s*x + c. Wet residues between 35 % and 70 % of the way from A.
Branch a_ray(labcore::random_mod_d& rnd, double delta, double gamma, double s, double c) {
  Branch br;
  for (int i = 1; i <= 5; ++i) {
    const double angle = f[i - 1] * gamma + delta;
    const double cosang = std::cos(angle), sinang = std::sin(angle), tanang = std::tan(angle);
    const double work1 = c / (tanang - s);
    const Point e = at(m[i - 1] * cosang + work1, tanang * work1 + m[i - 1] * sinang);
    const double wetrand = 0.35 * (rnd.r4_uni() + 1.0);
    br.e[i - 1] = e;
    br.w[i - 1] = at(e.x * wetrand, e.y * wetrand);
    br.wetrand[i - 1] = wetrand;
  }
  return br;
}

// The last branch of case 2: solid A at the origin, the chord ending on the
// side A-B, tie lines from the horizontal up to the invariant point. Wet
// residues within 35 % of the way from A.
Branch a_ray_to_base(labcore::random_mod_d& rnd, double gamma, double s, double c) {
  Branch br;
  for (int i = 1; i <= 5; ++i) {
    const double psi = f[i - 1] * gamma;
    const double cosang = std::cos(psi), sinang = std::sin(psi), tanang = std::tan(psi);
    const double work1 = c / (tanang - s);
    const Point e = at(m[i - 1] * cosang + work1, tanang * work1 + m[i - 1] * sinang);
    const double wetrand = 0.35 * rnd.r4_uni();
    br.e[i - 1] = e;
    br.w[i - 1] = at(e.x * wetrand, e.y * wetrand);
    br.wetrand[i - 1] = wetrand;
  }
  return br;
}

// The compound H on the side A-W; tie lines from the horizontal towards the
// side A-W (0 to 60 degrees) meet the chord y = sl*x + il. The solution's
// height comes from the chord's equation. Wet residues between 35 % and 70 %
// of the way from H.
Branch h_ray(labcore::random_mod_d& rnd, const Point& h, double delta, double gamma, double sl, double il) {
  Branch br;
  for (int i = 1; i <= 5; ++i) {
    const double angle = f[i - 1] * gamma + delta;
    const double cosang = std::cos(angle), sinang = std::sin(angle), tanang = std::tan(angle);
    const double work1 = ((il + h.x * tanang) - h.y) / (tanang - sl);
    const Point e = at(m[i - 1] * cosang + work1, sl * work1 + (m[i - 1] * sinang + il));
    const double wetrand = 0.35 * (rnd.r4_uni() + 1.0);
    br.e[i - 1] = e;
    br.w[i - 1] = at(h.x + (e.x - h.x) * wetrand, h.y + (e.y - h.y) * wetrand);
    br.wetrand[i - 1] = wetrand;
  }
  return br;
}

// Solid B at (100, 0); the chord y = sr*x + ir runs from the start point
// to the side B-W. Tie lines between the side B-W (120 degrees) and the
// start point. Wet residues within 35 % of the way from B.
Branch b_ray(labcore::random_mod_d& rnd, const Point& start, double sr, double ir, double& eta, double& zeta) {
  eta = std::atan2(start.y, 100.0 - start.x);
  zeta = r60 - eta;
  Branch br;
  for (int i = 1; i <= 5; ++i) {
    const double psi = r120 + f[i - 1] * zeta;
    const double sinang = std::sin(psi), cosang = std::cos(psi), tanang = std::tan(psi);
    const double work1 = (ir + tanang * 100.0) / (tanang - sr);
    const double work2 = (ir + sr * 100.0) / (tanang - sr);
    const Point e = at(m[i - 1] * cosang + work1, tanang * work2 + m[i - 1] * sinang);
    const double wetrand = 0.35 * rnd.r4_uni();
    br.e[i - 1] = e;
    br.w[i - 1] = at(100.0 - (100.0 - e.x) * wetrand, e.y * wetrand);
    br.wetrand[i - 1] = wetrand;
  }
  return br;
}

// The answer key of one case: every name carries the case, e.g. case2.xb.
class CaseKey {
 public:
  CaseKey(labcore::Run& run, int number) : run_(run), prefix_("case" + std::to_string(number) + ".") {}

  void value(const std::string& name, double v) { run_.hidden(prefix_ + name, v); }

  // x<s>, y<s>, pcnta<s>, pcntb<s>, pcntw<s>.
  void point(const std::string& s, const Point& p) {
    value("x" + s, p.x);
    value("y" + s, p.y);
    value("pcnta" + s, p.pa);
    value("pcntb" + s, p.pb);
    value("pcntw" + s, p.pw);
  }

  // xe<s>(i), ye<s>(i), xw<s>(i), yw<s>(i), their percentages and wetrand<s>(i).
  void branch(const std::string& s, const Branch& br) {
    for (int i = 1; i <= 5; ++i) {
      const Point& e = br.e[i - 1];
      const Point& w = br.w[i - 1];
      indexed("xe" + s, i, e.x);
      indexed("ye" + s, i, e.y);
      indexed("pcntae" + s, i, e.pa);
      indexed("pcntbe" + s, i, e.pb);
      indexed("pcntwe" + s, i, e.pw);
      indexed("wetrand" + s, i, br.wetrand[i - 1]);
      indexed("xw" + s, i, w.x);
      indexed("yw" + s, i, w.y);
      indexed("pcntaw" + s, i, w.pa);
      indexed("pcntbw" + s, i, w.pb);
      indexed("pcntww" + s, i, w.pw);
    }
  }

 private:
  void indexed(const std::string& name, int i, double v) { run_.hidden(prefix_ + name, i, v); }

  labcore::Run& run_;
  std::string prefix_;
};

constexpr const char* end_point_format = R"((f6.2,",",f6.2,",---,---,"))";
constexpr const char* branch_format = R"((f6.2,",",f6.2,",",f6.2,",",f6.2,","))";

void write_end_point(labcore::Records& file, const Point& p) { file.write(end_point_format, p.pa, p.pb); }

// A branch from the tie line nearest the end point written before it
// (f(5)) to the one nearest the end point written after it (f(1)).
void write_branch(labcore::Records& file, const Branch& br) {
  for (int j = 5; j >= 1; --j)
    file.write(branch_format, br.e[j - 1].pa, br.e[j - 1].pb, br.w[j - 1].pa, br.w[j - 1].pb);
}

void write_case_heading(labcore::Records& file, const char* title) {
  file.list(",");
  file.list(title);
  file.list(",");
  file.list("Saturated Solution,,Wet Residue,");
  file.list("wt%A,wt%B,wt%A,wt%B,");
}

// Case 1: pure A from L (side A-W) to the invariant point, pure B from there
// to R (side B-W).
void case1(labcore::Run& run, labcore::random_mod_d& rnd) {
  const double yl = 25.0 + 30.0 * rnd.r4_uni();
  const Point l = at(yl / sqrt3, yl);
  const double yr = 25.0 + 30.0 * rnd.r4_uni();
  const Point r = at(100.0 - yr / sqrt3, yr);
  const double yb = std::min(l.y, r.y) - rnd.r4_uni() * 6.0;
  const double xb = l.x + (100.0 - (r.y + l.y) / sqrt3) * rnd.r4_uni();
  const Point b = at(xb, yb);

  const double delta = std::atan2(b.y, b.x);
  const double gamma = r60 - delta;
  double sl = 0.0, il = 0.0;
  getslpint(l.x, l.y, b.x, b.y, sl, il);
  const Branch first = a_ray(rnd, delta, gamma, sl, il);

  double sr = 0.0, ir = 0.0, eta = 0.0, zeta = 0.0;
  getslpint(b.x, b.y, r.x, r.y, sr, ir);
  const Branch last = b_ray(rnd, b, sr, ir, eta, zeta);

  CaseKey key(run, 1);
  key.point("l", l);
  key.point("r", r);
  key.point("b", b);
  key.value("delta", delta);
  key.value("gamma", gamma);
  key.value("sl", sl);
  key.value("il", il);
  key.branch("l", first);
  key.value("sr", sr);
  key.value("ir", ir);
  key.value("eta", eta);
  key.value("zeta", zeta);
  key.branch("r", last);

  auto& file = run.file();
  write_case_heading(file, "Case 1,");
  write_end_point(file, l);
  write_branch(file, first);
  write_end_point(file, b);
  write_branch(file, last);
  write_end_point(file, r);
  file.list(",");
}

// Case 2: the compound H (side A-W) from L to the invariant point, level
// with H; pure A from there to R on the side A-B.
void case2(labcore::Run& run, labcore::random_mod_d& rnd) {
  const double yh = 25.0 + 30.0 * rnd.r4_uni();
  const Point h = at(yh / sqrt3, yh);
  const double yl = rnd.r4_uni() * 15.0 + (h.y + 10.0);
  const Point l = at(yl / sqrt3, yl);
  const double xb = l.x + std::abs(rnd.r4_uni() * ((75.0 - l.x) - h.x));
  const Point b = at(xb, h.y);
  const double xr = b.x + (95.0 - b.x) * rnd.r4_uni();
  const Point r = at(xr, 0.0);

  const double delta = 0.0;
  const double gamma = r60;
  double sl = 0.0, il = 0.0;
  getslpint(l.x, l.y, b.x, b.y, sl, il);
  const Branch first = h_ray(rnd, h, delta, gamma, sl, il);

  double sr = 0.0, ir = 0.0;
  getslpint(b.x, b.y, r.x, r.y, sr, ir);
  const double gamma_last = std::atan2(b.y, b.x);
  const Branch last = a_ray_to_base(rnd, gamma_last, sr, ir);

  CaseKey key(run, 2);
  key.point("h", h);
  key.point("l", l);
  key.point("b", b);
  key.point("r", r);
  key.value("sl", sl);
  key.value("il", il);
  key.branch("l", first);
  key.value("sr", sr);
  key.value("ir", ir);
  key.value("gamma", gamma_last);
  key.branch("r", last);

  auto& file = run.file();
  write_case_heading(file, "Case 2,");
  write_end_point(file, l);
  write_branch(file, first);
  write_end_point(file, b);
  write_branch(file, last);
  write_end_point(file, r);
  file.list(",");
}

// Case 3: the compound H from L to the invariant point, pure A from there
// to the second invariant point T, pure B from T to D on the side B-W.
// Nothing keeps T inside the triangle: when it falls beyond the side B-W,
// T and the last branch carry negative A percentages, written as they are.
void case3(labcore::Run& run, labcore::random_mod_d& rnd) {
  const double yh = 25.0 + 30.0 * rnd.r4_uni();
  const Point h = at(yh / sqrt3, yh);
  const double yl = rnd.r4_uni() * 15.0 + (h.y + 10.0);
  const Point l = at(yl / sqrt3, yl);
  const double yd = 25.0 + 30.0 * rnd.r4_uni();
  const Point d = at(100.0 - yd / sqrt3, yd);
  const double xb = l.x + std::abs(rnd.r4_uni() * ((75.0 - l.x) - h.x));
  const Point b = at(xb, h.y);
  const double yt = b.y - rnd.r4_uni() * 6.0;
  const double xt = b.x + (d.x - b.x) * rnd.r4_uni();
  const Point t = at(xt, yt);

  const double delta = 0.0;
  const double gamma = r60;
  double sl = 0.0, il = 0.0;
  getslpint(l.x, l.y, b.x, b.y, sl, il);
  const Branch first = h_ray(rnd, h, delta, gamma, sl, il);

  const double alpha = std::atan2(b.y, b.x);
  const double beta = std::atan2(t.y, t.x);
  const double theta = alpha - beta;
  double sm = 0.0, im = 0.0;
  getslpint(t.x, t.y, b.x, b.y, sm, im);
  const Branch middle = a_ray(rnd, beta, theta, sm, im);

  double sr = 0.0, ir = 0.0, eta = 0.0, zeta = 0.0;
  getslpint(t.x, t.y, d.x, d.y, sr, ir);
  const Branch last = b_ray(rnd, t, sr, ir, eta, zeta);

  CaseKey key(run, 3);
  key.point("h", h);
  key.point("l", l);
  key.point("d", d);
  key.point("b", b);
  key.point("t", t);
  key.value("sl", sl);
  key.value("il", il);
  key.branch("l", first);
  key.value("alpha", alpha);
  key.value("beta", beta);
  key.value("theta", theta);
  key.value("sm", sm);
  key.value("im", im);
  key.branch("m", middle);
  key.value("sr", sr);
  key.value("ir", ir);
  key.value("eta", eta);
  key.value("zeta", zeta);
  key.branch("r", last);

  auto& file = run.file();
  write_case_heading(file, "Case 3,");
  write_end_point(file, l);
  write_branch(file, first);
  write_end_point(file, b);
  write_branch(file, middle);
  write_end_point(file, t);
  write_branch(file, last);
  write_end_point(file, d);
  file.list(",");
}

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());
  case1(run, rnd);
  case2(run, rnd);
  case3(run, rnd);
}

}  // namespace

extern const labcore::Program sle_ternary_gen{
    .name = "sle_ternary_gen",
    .form = labcore::Form::A,
    .titles = {"Project LUMAK Ternary SLE Component Phase Diagram"},
    .header_format = R"fmt(('"Project LUMAK Student Data Set ",'))fmt",
    .generate = generate,
};
