// verify_math: the proof that labcore's binary32 functions are correctly
// rounded, against MPFR (make verify-math; docs/elementary.md).
//
//   verify_math [--threads N] [--pairs N] [--only NAME]...
//
// 1. expf, logf, log10f, cosf, acosf and pow(10, y) (the one base the
//    generators raise to a power) at every one of the 2^32 float inputs;
// 2. powf at every input where x^y is, or nearly is, a midpoint between two
//    floats or a power of two: odd X^n and W^(2^s)-th roots times every power
//    of two, and their neighbours; and at y = 2, -1 and 1/2 over every base,
//    where IEEE arithmetic's x*x, 1/x and sqrt(x) are correctly rounded;
// 3. powf at N random pairs (default 10^8), mostly with a result in range.
// Each result is compared bit for bit with MPFR's correctly rounded value
// (NaN with NaN); in 1, a run of inputs with one result is settled by its
// two ends where the function is monotonic. Along the way the inputs whose
// exact value lies nearest a midpoint are listed: the hardest cases, which
// the unit test keeps.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "labcore/elementary.hpp"
#include "support/mpfr_reference.hpp"

namespace {

using labtest::bits_float;
using labtest::float_bits;
using labtest::same_float;

struct Options {
  unsigned threads = 2;
  std::uint64_t pairs = 100'000'000;
  std::vector<std::string> only;
};

struct Hard {
  double distance;  // from the nearest midpoint, in float spacings
  std::uint32_t bits;
};

// What one sweep found.
struct Tally {
  std::uint64_t checked = 0, mismatches = 0, asked_mpfr = 0;
  std::vector<std::string> examples;
  std::vector<Hard> hardest;

  void merge(const Tally& t) {
    checked += t.checked;
    mismatches += t.mismatches;
    asked_mpfr += t.asked_mpfr;
    for (const auto& e : t.examples)
      if (examples.size() < 8) examples.push_back(e);
    for (const Hard& h : t.hardest) keep_hard(h);
  }
  void keep_hard(Hard h) {
    hardest.push_back(h);
    std::sort(hardest.begin(), hardest.end(), [](Hard a, Hard b) { return a.distance < b.distance; });
    if (hardest.size() > 6) hardest.pop_back();
  }
};

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs body(first, last, tally) over [0, total) in chunks on every thread.
template <class Body>
Tally parallel(const Options& o, std::uint64_t total, Body body) {
  constexpr std::uint64_t chunk = 1u << 16;
  std::atomic<std::uint64_t> next{0};
  std::mutex lock;
  Tally all;
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < o.threads; ++t)
    pool.emplace_back([&] {
      Tally mine;
      for (;;) {
        const std::uint64_t first = next.fetch_add(chunk);
        if (first >= total) break;
        body(first, std::min(total, first + chunk), mine);
      }
      const std::lock_guard<std::mutex> g(lock);
      all.merge(mine);
    });
  for (auto& t : pool) t.join();
  return all;
}

// Relative distance of a double estimate from the nearest float midpoint.
double relative_gap(double est) {
  const auto f = static_cast<float>(est);
  if (std::isinf(f) || f == 0.0f) return 0.0;
  const float other = std::nextafter(f, static_cast<double>(f) < est ? INFINITY : -INFINITY);
  if (std::isinf(other)) return 0.0;
  const double mid = (static_cast<double>(f) + static_cast<double>(other)) / 2.0;
  return std::fabs(est - mid) / std::fabs(est);
}

std::string describe(const char* name, std::uint32_t bits, float got, float want) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%s(%a) [0x%08x] = %a, MPFR %a", name, static_cast<double>(bits_float(bits)), bits,
                static_cast<double>(got), static_cast<double>(want));
  return buf;
}

bool wanted(const Options& o, const std::string& name) {
  return o.only.empty() || std::find(o.only.begin(), o.only.end(), name) != o.only.end();
}

void report(const char* what, const Tally& t, double secs) {
  std::printf("%-34s %12llu checked  %llu mismatches  %8.0f s", what, static_cast<unsigned long long>(t.checked),
              static_cast<unsigned long long>(t.mismatches), secs);
  if (t.asked_mpfr != t.checked) std::printf("  (%llu MPFR values)", static_cast<unsigned long long>(t.asked_mpfr));
  std::printf("\n");
  for (const auto& e : t.examples) std::printf("    MISMATCH %s\n", e.c_str());
  std::fflush(stdout);
}

// Whether the exact function is monotonic between the inputs a <= b (same
// sign): all are but cos, which turns at the multiples of pi; a run that
// might hold one (its ends within 2^-40 of a multiple counted as holding
// it) is checked input by input.
bool monotonic_between(const labtest::UnaryFunction& fn, float a, float b) {
  if (std::string(fn.name) != "cosf") return true;
  constexpr double pi = 3.141592653589793;
  const double ka = static_cast<double>(a) / pi, kb = static_cast<double>(b) / pi;
  const double fa = std::floor(ka), fb = std::floor(kb);
  return fa == fb && ka - fa > 0x1p-40 && fa + 1.0 - kb > 0x1p-40;
}

// 1. Every input of a one-argument function. Within one sign the inputs
// are taken in order; a run of consecutive inputs with the same result F
// (not NaN) where the function is monotonic is correct when MPFR rounds its
// first and its last input to F, for every exact value in between lies
// between theirs and rounding to nearest is monotonic. Elsewhere each input
// is compared with MPFR.
std::uint64_t exhaustive(const Options& o, const labtest::UnaryFunction& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  const Tally t = parallel(o, std::uint64_t{1} << 32, [&](std::uint64_t first, std::uint64_t last, Tally& mine) {
    std::vector<float> ours(last - first);
    for (std::uint64_t b = first; b < last; ++b) ours[b - first] = fn.ours(bits_float(static_cast<std::uint32_t>(b)));
    auto compare = [&](std::uint64_t b) {
      const float want = labtest::mpfr_float(fn.mpfr, bits_float(static_cast<std::uint32_t>(b)));
      ++mine.asked_mpfr;
      if (!same_float(ours[b - first], want)) {
        ++mine.mismatches;
        if (mine.examples.size() < 8)
          mine.examples.push_back(describe(fn.name, static_cast<std::uint32_t>(b), ours[b - first], want));
      }
    };
    for (std::uint64_t b = first; b < last;) {
      std::uint64_t e = b + 1;  // the run is [b, e)
      const float f = ours[b - first];
      while (e < last && same_float(ours[e - first], f)) ++e;
      const float xa = bits_float(static_cast<std::uint32_t>(b)), xb = bits_float(static_cast<std::uint32_t>(e - 1));
      if (f == f && xa == xa && xb == xb && monotonic_between(fn, std::fmin(xa, xb), std::fmax(xa, xb))) {
        compare(b);
        if (e - 1 > b) compare(e - 1);
      } else {
        for (std::uint64_t k = b; k < e; ++k) compare(k);
      }
      b = e;
    }
    mine.checked += last - first;
    // The inputs nearest a midpoint: candidates from the C library's double
    // value, measured with MPFR.
    for (std::uint64_t b = first; b < last; ++b) {
      const float x = bits_float(static_cast<std::uint32_t>(b));
      const double est = fn.estimate(static_cast<double>(x));
      if (!std::isfinite(est) || est == 0.0) continue;
      const double gap = relative_gap(est);
      if (gap > 0.0 && gap < 0x1p-36) mine.keep_hard({labtest::midpoint_distance(fn.mpfr, x), static_cast<std::uint32_t>(b)});
    }
  });
  const std::string what = std::string(fn.name) + ", every float";
  report(what.c_str(), t, seconds_since(t0));
  for (const Hard& h : t.hardest)
    std::printf("    hardest: {\"%s\", 0x%08xu},  // %a, 2^%.1f of a spacing from a midpoint\n", fn.name, h.bits,
                static_cast<double>(bits_float(h.bits)), std::log2(h.distance));
  std::fflush(stdout);
  return t.mismatches;
}

void check_pow(Tally& t, float x, float y) {
  const float got = labcore::powf(x, y), want = labtest::mpfr_powf(x, y);
  ++t.checked;
  ++t.asked_mpfr;
  if (!same_float(got, want)) {
    ++t.mismatches;
    if (t.examples.size() < 8) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "powf(%a, %a) = %a, MPFR %a", static_cast<double>(x), static_cast<double>(y),
                    static_cast<double>(got), static_cast<double>(want));
      t.examples.emplace_back(buf);
    }
  }
}

// x and its two neighbours, both signs, against y.
void check_pow_near(Tally& t, float x, float y) {
  for (float b : {x, std::nextafter(x, 0.0f), std::nextafter(x, INFINITY)}) {
    check_pow(t, b, y);
    check_pow(t, -b, y);
  }
}

// 2. Bases and exponents where x^y is exactly, or next to, a power of two
// or a 25-bit odd number (a midpoint) times a power of two.
std::uint64_t pow_exact_cases(const Options& o) {
  const auto t0 = std::chrono::steady_clock::now();
  // Jobs: (odd X, exponent numerator Y, shift s): y = Y/2^s, X = W^(2^s).
  struct Job {
    std::uint64_t x_odd;
    std::int64_t y_num;
    int shift;
  };
  std::vector<Job> jobs;
  for (int s = 0; s <= 4; ++s)
    for (std::uint64_t w = 3; w < (1u << 24); w += 2) {
      std::uint64_t x = w;
      bool fits = true;
      for (int k = 0; k < s && fits; ++k) fits = (x *= x) < (1u << 24);
      if (!fits) break;
      std::uint64_t p = 1;
      for (std::int64_t yn = 1; yn < 64; ++yn) {
        p *= w;
        if (p >= (std::uint64_t{1} << 26)) break;
        if (s > 0 && yn % 2 == 0) continue;  // Y odd
        if (s == 0 && yn == 1) continue;     // x^1
        jobs.push_back({x, yn, s});
        jobs.push_back({x, -yn, s});
      }
    }
  const Tally t = parallel(o, jobs.size(), [&](std::uint64_t first, std::uint64_t last, Tally& mine) {
    for (std::uint64_t i = first; i < last; ++i) {
      const Job& j = jobs[i];
      const auto y = static_cast<float>(std::ldexp(static_cast<double>(j.y_num), -j.shift));
      const double log2x = std::log2(static_cast<double>(j.x_odd));
      for (int e = -149 - 24; e <= 127; ++e) {
        const double log2r = (log2x + e) * static_cast<double>(y);
        if (log2r < -152.0 || log2r > 129.0) continue;
        const auto x = static_cast<float>(std::ldexp(static_cast<double>(j.x_odd), e));
        if (x == 0.0f || std::isinf(x) || static_cast<double>(x) != std::ldexp(static_cast<double>(j.x_odd), e)) continue;
        check_pow_near(mine, x, y);
      }
    }
  });
  // Powers of two: 2^e to the power t/e, t from -152 to 129.
  Tally twos;
  for (int e = -149; e <= 127; ++e) {
    if (e == 0) continue;
    for (int target = -152; target <= 129; ++target) {
      const auto y = static_cast<float>(static_cast<double>(target) / e);
      if (static_cast<double>(y) * e != static_cast<double>(target)) continue;
      check_pow_near(twos, std::ldexp(1.0f, e), y);
    }
  }
  Tally all = t;
  all.merge(twos);
  report("powf, exact and tied cases", all, seconds_since(t0));
  return all.mismatches;
}

// 2b. pow at y = 2, -1 and 1/2 over every base: IEEE arithmetic rounds x*x,
// 1/x and sqrt(x) correctly, so they are the reference here (pow's own
// rules at zero, infinity and NaN bases aside).
std::uint64_t pow_ieee_exponents(const Options& o) {
  const auto t0 = std::chrono::steady_clock::now();
  const Tally t = parallel(o, std::uint64_t{1} << 32, [&](std::uint64_t first, std::uint64_t last, Tally& mine) {
    for (std::uint64_t b = first; b < last; ++b) {
      const float x = bits_float(static_cast<std::uint32_t>(b));
      if (!std::isfinite(x) || x == 0.0f) continue;
      const float cases[3][2] = {{labcore::powf(x, 2.0f), x * x},
                                 {labcore::powf(x, -1.0f), 1.0f / x},
                                 {labcore::powf(x, 0.5f), x < 0.0f ? NAN : std::sqrt(x)}};
      for (const auto& c : cases) {
        ++mine.checked;
        if (!same_float(c[0], c[1])) {
          ++mine.mismatches;
          if (mine.examples.size() < 8) mine.examples.push_back(describe("powf(x, 2|-1|0.5)", static_cast<std::uint32_t>(b), c[0], c[1]));
        }
      }
    }
  });
  Tally shown = t;
  shown.asked_mpfr = shown.checked;  // no MPFR needed: not worth a remark
  report("powf, y = 2, -1, 1/2, every base", shown, seconds_since(t0));
  return t.mismatches;
}

// 3. Random pairs (labtest::random_pow_pair), mostly with x^y in range.
std::uint64_t pow_random(const Options& o) {
  const auto t0 = std::chrono::steady_clock::now();
  const Tally t = parallel(o, o.pairs, [&](std::uint64_t first, std::uint64_t last, Tally& mine) {
    std::mt19937_64 rng(first * 0x9e3779b97f4a7c15u + 12345u);
    for (std::uint64_t i = first; i < last; ++i) {
      const auto [x, y] = labtest::random_pow_pair(rng(), i);
      check_pow(mine, x, y);
    }
  });
  report("powf, random pairs", t, seconds_since(t0));
  return t.mismatches;
}

int usage() {
  std::fprintf(stderr, "usage: verify_math [--threads N] [--pairs N] [--only NAME]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--threads" && i + 1 < argc) {
      o.threads = static_cast<unsigned>(std::max(1L, std::strtol(argv[++i], nullptr, 10)));
    } else if (a == "--pairs" && i + 1 < argc) {
      o.pairs = std::strtoull(argv[++i], nullptr, 10);
    } else if (a == "--only" && i + 1 < argc) {
      o.only.emplace_back(argv[++i]);
    } else {
      return usage();
    }
  }
  const auto t0 = std::chrono::steady_clock::now();
  std::printf("verify_math: labcore's binary32 functions against MPFR %s, %u threads\n", mpfr_get_version(), o.threads);
  std::uint64_t mismatches = 0;
  for (const labtest::UnaryFunction& fn : labtest::unary_functions())
    if (wanted(o, fn.name)) mismatches += exhaustive(o, fn);
  if (wanted(o, "powf")) {
    mismatches += pow_exact_cases(o);
    mismatches += pow_ieee_exponents(o);
    if (o.pairs > 0) mismatches += pow_random(o);
  }
  std::printf("verify_math: %llu mismatches in all, %.0f s\n", static_cast<unsigned long long>(mismatches),
              seconds_since(t0));
  return mismatches == 0 ? 0 : 1;
}
