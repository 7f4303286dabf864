// Real gas isotherms and critical properties (project BIMOS).
//
// The student receives nine pressure-volume isotherms of an invented gas
// and locates its critical point from them. The gas has drawn critical
// temperature, pressure and compressibility factor; its isotherms follow
// the van der Waals equation, with the loop below the critical temperature
// replaced by the Maxwell equal-area tie line. The van der Waals volumes are
// rescaled so that the critical compressibility factor becomes the drawn
// one, and every written point carries a small scatter. Single precision
// throughout.
#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <utility>

#include "gases/eos_eval.hpp"
#include "gases/param_set_mod.hpp"
#include "labcore/cubic.hpp"
#include "labcore/elementary.hpp"
#include "labcore/numeric.hpp"
#include "labcore/program.hpp"

namespace {

using gases::eos_eval;
using gases::param_set_mod::r;
using gases::param_set_mod::rstep;
using gases::param_set_mod::tbase;
using gases::param_set_mod::threshold_p;
using labcore::cubic_eqn_mod::cubic_eqn_solver;

// Tabulated molar volumes are 10*i cm3/mol for i from 8 to 70.
constexpr int first_index = 8;
constexpr int last_index = 70;
// Every volume up to this index is written; beyond it one in four.
constexpr int always_written = 14;
constexpr float written_share = 0.25f;

// Ascending selection sort of three volumes, the first smallest found on
// ties; `carried` (when given) follows its volume.
void sort_volumes(std::array<float, 3>& vol, std::array<float, 3>* carried = nullptr) {
  for (int i = 0; i < 2; ++i) {
    int smallest = i;
    for (int k = i + 1; k < 3; ++k) {
      if (vol[k] < vol[smallest]) smallest = k;
    }
    if (smallest != i) {
      std::swap(vol[i], vol[smallest]);
      if (carried != nullptr) std::swap((*carried)[i], (*carried)[smallest]);
    }
  }
}

void generate(labcore::Run& run) {
  labcore::random_mod rnd(run.seeds());

  // The invented gas and its van der Waals constants; 186653.44 is 27*r^2.
  const float tc = rnd.r4_uni() * 120.0f + 263.0f;
  const float pc = tc * (0.14f + 0.09f * rnd.r4_uni());
  const float zc = 0.25f + 0.05f * rnd.r4_uni();
  const float a = ((186653.44f * tc) * tc) / (64.0f * pc);
  const float b = (r * tc) / (8.0f * pc);
  run.hidden("tc", tc);
  run.hidden("pc", pc);
  run.hidden("zc", zc);
  run.hidden("a", a);
  run.hidden("b", b);

  std::array<float, last_index + 1> isotherm{};
  std::array<float, 4> coeffs{};
  std::array<std::complex<float>, 3> v{};
  int numbrealroots = 0;

  int number = 0;  // isotherm 1 to 9
  for (int it = 0; it < 3; ++it) {
    for (int jt = 1; jt <= 3; ++jt) {
      ++number;
      // One random temperature in each of the band's three slots.
      float tfraction = rstep[it] * static_cast<float>(jt - 1) + tbase[it];
      tfraction = rnd.r4_uni() * rstep[it] + tfraction;
      const float t = tfraction * tc;
      run.hidden("t", number, t);
      run.file().write(R"fmt(('"isotherm temperature:",'/F8.3,","))fmt", t);
      run.file().list(",");

      for (int i = first_index; i <= last_index; ++i) {
        isotherm[i] = eos_eval(static_cast<float>(10 * i), t, a, b);
      }

      // Extrema of the isotherm, where dP/dV = 0: a cubic in V. Three real
      // roots mean a van der Waals loop, below the critical temperature.
      const float coeftemp = (a + a) / (r * t);
      coeffs = {1.0f, -coeftemp, (b + b) * coeftemp, -((b * b) * coeftemp)};
      cubic_eqn_solver(coeffs, numbrealroots, v);

      if (numbrealroots == 3) {
        std::array<float, 3> vreal{};
        std::array<float, 3> preal{};
        for (int k = 0; k < 3; ++k) {
          vreal[k] = v[k].real();
          preal[k] = eos_eval(vreal[k], t, a, b);
        }
        // The smallest root lies below b; the middle one is the loop's
        // minimum, the largest its maximum.
        sort_volumes(vreal, &preal);
        const float pmin = preal[1];
        const float pmax = preal[2];

        // Bisection on the tie-line pressure until the rectangle under it
        // equals the area under the isotherm between the liquid and gas
        // volumes (Maxwell's construction).
        float plower = pmin;
        float pupper = pmax;
        float ptrial = (plower + pupper) / 2.0f;
        float ptrial_old = 0.0f;
        bool converge = false;
        float vl = 0.0f;
        float vg = 0.0f;
        while (!converge) {
          coeffs = {1.0f, -(b + (r * t) / ptrial), a / ptrial, -((b * a) / ptrial)};
          cubic_eqn_solver(coeffs, numbrealroots, v);
          for (int k = 0; k < 3; ++k) vreal[k] = v[k].real();
          sort_volumes(vreal);
          vg = vreal[2];
          vl = vreal[0];
          const float rect_area = ptrial * (vg - vl);
          const float curve_area =
              a * (1.0f / vg - 1.0f / vl) + (t * r) * labcore::logf((vg - b) / (vl - b));
          if (std::fabs(ptrial - ptrial_old) <= threshold_p) {
            converge = true;
          } else {
            ptrial_old = ptrial;
            if (rect_area > curve_area) {
              pupper = ptrial;
            } else {
              plower = ptrial;
            }
            ptrial = (plower + pupper) / 2.0f;
          }
        }
        run.hidden("ptrial", number, ptrial);
        run.hidden("vl", number, vl);
        run.hidden("vg", number, vg);

        // The tie line replaces the loop between the tabulated volumes
        // nearest the liquid and gas volumes (kept within the table).
        const int index_l = labcore::nint(vl / 10.0f);
        const int index_g = labcore::nint(vg / 10.0f);
        for (int i = std::max(index_l, first_index); i <= std::min(index_g, last_index); ++i) {
          isotherm[i] = ptrial;
        }
      }

      // The measured points. The factor zc*8/3 takes the van der Waals
      // volumes, whose critical compressibility factor is 3/8, to the
      // drawn one.
      run.file().write(R"fmt(('"V(cm3)","P(bar)"'))fmt");
      for (int i = first_index; i <= last_index; ++i) {
        const float u = rnd.r4_uni();  // drawn for every volume
        if (u <= written_share || i <= always_written) {
          const float voltemp = static_cast<float>(10 * i);
          const float exptl_v = (voltemp * zc) * 2.6666667f + 0.0002f * (rnd.r4_uni() - 0.5f);
          const float exptl_p = isotherm[i] + 0.02f * (rnd.r4_uni() - 0.5f);
          run.file().write(R"((f10.5,",",f10.5))", exptl_v, exptl_p);
        }
      }
      run.file().list(",");
      run.file().list(",");
    }
  }
}

}  // namespace

extern const labcore::Program gas_isotherm_gen{
    .name = "gas_isotherm_gen",
    .form = labcore::Form::D,
    .titles = {"Project BIMOS -- Real Gas Isotherms and Critical Properties"},
    .header_format = R"fmt(('"Project BIMOS Student Data Set",'))fmt",
    .generate = generate,
};
