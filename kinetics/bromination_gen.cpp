// Bromination of acetone (project SIPEL).
//
// Eight kinetic runs mix bromine, acid and ketone stock solutions to 50 mL;
// the bromine absorbance is read every 45 s while it is consumed. The
// reaction is zero order in bromine and first order in acid and in ketone,
// so the bromine concentration falls linearly at k [H+] [ketone]. The rate
// constant has a drawn reference value and its own deviation in each run,
// and each run starts a little short of the nominal bromine concentration.
// A run reports only its leading readings above 0.05. Double precision
// throughout.
#include <array>
#include <cmath>
#include <span>

#include "labcore/program.hpp"

namespace {

constexpr int nruns = 8;
constexpr int nreadings = 15;

// Acid and ketone concentrations of the runs, mol/L.
constexpr std::array<double, nruns> conchp{0.2, 0.3, 0.4, 0.5, 0.2, 0.2, 0.2, 0.2};
constexpr std::array<double, nruns> concket{0.8, 0.8, 0.8, 0.8, 0.8, 1.2, 1.6, 2.0};
constexpr double concbr2 = 0.004;  // nominal starting bromine, mol/L
constexpr double absorb = 160.0;   // absorbance per mol/L of bromine
constexpr double abs_floor = 0.05;  // readings at or below this are not reported

// Reading times, s.
constexpr std::array<double, nreadings> times{0.0,   45.0,  90.0,  135.0, 180.0, 225.0, 270.0, 315.0,
                                              360.0, 405.0, 450.0, 495.0, 540.0, 585.0, 630.0};

void generate(labcore::Run& run) {
  labcore::random_mod_d rnd(run.seeds());

  const double kref = 3e-5 + 2.35e-5 * rnd.r4_uni();
  run.hidden("kref", kref);

  // Each run: its own rate constant, its rate (formed through the
  // logarithms), and its starting bromine concentration.
  std::array<double, nruns> keff{}, rates{}, concbr2start{};
  for (int i = 0; i < nruns; ++i) {
    keff[i] = 8e-6 * (0.5 - rnd.r4_uni()) + kref;
    const double lnkeff = std::log(keff[i]);
    const double lnrates = std::log(concket[i]) + (std::log(conchp[i]) + lnkeff);
    rates[i] = std::exp(lnrates);
    concbr2start[i] = concbr2 - 0.000315 * rnd.r4_uni();
    run.hidden("keff", i + 1, keff[i]);
    run.hidden("rates", i + 1, rates[i]);
    run.hidden("concbr2start", i + 1, concbr2start[i]);
  }

  // Absorbances, and how many leading readings of each run stay above the
  // floor.
  std::array<std::array<double, nreadings>, nruns> absbr{};
  std::array<int, nruns> abspos{};
  for (int i = 0; i < nruns; ++i) {
    for (int j = 0; j < nreadings; ++j) {
      const double conc = concbr2start[i] - times[j] * rates[i];
      absbr[i][j] = absorb * conc;
    }
    abspos[i] = nreadings;
    for (int j = 0; j < nreadings; ++j) {
      if (!(absbr[i][j] > abs_floor)) {
        abspos[i] = j;
        break;
      }
    }
    run.hidden("abspos", i + 1, abspos[i]);
  }

  auto& out = run.file();
  out.list(",");
  out.list("Stock Solutions(M),,,run vol,50,mL");
  out.list("Br2,0.02,");
  out.list("HCl,1,");
  out.list("ketone,4,");
  out.list(",");
  out.list("initial amts(mL),,,,Starting Concentrations(M),");
  out.list("Run#,Br2,H+,ketone,Run#,Br2,H+,ketone,");
  out.list("1,10,10,10,1,");
  out.list("2,10,15,10,2,");
  out.list("3,10,20,10,3,");
  out.list("4,10,25,10,4,");
  out.list("5,10,10,10,5,");
  out.list("6,10,10,15,6,");
  out.list("7,10,10,20,7,");
  out.list("8,10,10,25,8,");
  out.list(",");
  out.list(",");
  out.list(",,time(sec),");
  out.write(R"(("abs,run,",15(f7.0,",")))", times);
  // A run record holds only its reported readings: it ends after the comma
  // that follows the last one.
  for (int i = 0; i < nruns; ++i) {
    out.write(R"((",",i3,",",15(f7.4,",")))", i + 1,
              std::span<const double>(absbr[i].data(), static_cast<std::size_t>(abspos[i])));
  }
}

}  // namespace

extern const labcore::Program bromination_gen{
    .name = "bromination_gen",
    .form = labcore::Form::A,
    .titles = {"Project10: Bromination of Acetone"},
    .header_format = R"(('"Project SIPEL Student Data Set ",'))",
    .generate = generate,
};
