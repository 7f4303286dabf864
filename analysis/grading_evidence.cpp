// The evidence an instructor may need, as odds a panel can weigh: a value
// counts against a student only where an honest report is improbable
// given the digits written, and never one result alone.
//
// Leaked. A result "sits on" its hidden true value when the true value
// rounds to the number written, in digits no coarser than the tolerance.
// An honest student gets there too: with the expected value of the data
// set (when it lies that close), a valid route, an accepted value, by
// chance among the honest spread of work, or by an honest mistake (a null
// answer). honest_chance() is the probability of the number written under
// that mixture; its inverse is the likelihood ratio of a leak (a leaked
// value sits on the true value with certainty). The ratios of the three
// strongest results multiply to one statistic, divided by the ways of
// choosing them among the results on their true values; a flag needs it
// above 10^8 with at least two results above 10 each. Under the honest
// mixture a likelihood ratio exceeds L with probability at most 1/L
// (Markov), so the flag is wrong for fewer than one honest student in
// 10^8 if the mixture holds, and still rare when it is off by a factor of
// a hundred in each of two results.
//
// Shared and identical. A value no honest work on the data set gives
// that equals a classmate's expected value (or a classmate's own such
// value) to the digits written: the chance of that for one result is the
// width of the rounding interval over the spread of the class's values
// (its density at the centre of a normal spread, 1/(2.5·σ), σ from the
// median absolute deviation of the class's expected values, at least the
// median tolerance; for a value far outside them, where a common mistake
// gathers its own values, σ at most the class's relative spread times
// the value). The results of a data set hang together (the sixteen
// volumes of one curve follow from a few constants): once some results
// match, the next one is judged against what they leave open, σ times
// √(1 − R²), R² that of the class's expected values of this result on
// those of the results counted before it. The chances multiply, times the
// number of classmates and the ways of choosing the matching results
// among the row's wrong ones (the search over them); a flag needs that
// below 1/10000, and two results or four significant digits.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "analysis/grading.hpp"

namespace analysis::grading {

namespace {

constexpr double kLeakOdds = 1e8;        // the combined likelihood ratio a leak flag needs
constexpr double kLeakEach = 10;         // and at least two results with this much each
constexpr std::size_t kMostLeaked = 3;   // results on their true values that count at most
constexpr double kShareChance = 1e-4;    // a share flag needs the chance of its match by accident below this
constexpr double kLeastOpen = 1e-3;      // the least share of a result's spread that other results leave open
constexpr int kLoneDigits = 4;           // a lone matching result needs this many significant digits

// P(lo < Z < hi) for a standard normal Z, accurate in both tails.
double normal_between(double lo, double hi) {
  if (!(hi > lo)) return 0;
  const double r = 1 / std::sqrt(2.0);
  if (lo >= 0) return 0.5 * (std::erfc(lo * r) - std::erfc(hi * r));
  if (hi <= 0) return 0.5 * (std::erfc(-hi * r) - std::erfc(-lo * r));
  return 1 - 0.5 * std::erfc(-lo * r) - 0.5 * std::erfc(hi * r);
}

std::string number(double v, int digits = 6) {
  if (std::isnan(v)) return "-";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return buf;
}

// "1 in 4000", "1 in 7.6e16".
std::string odds(double chance) {
  if (!(chance > 1e-30)) return "less than 1 in 1e30";
  const double n = 1 / chance;
  char buf[48];
  if (n < 1e6)
    std::snprintf(buf, sizeof buf, "1 in %.0f", n);
  else
    std::snprintf(buf, sizeof buf, "1 in %.2g", n);
  return buf;
}

std::string seeds_of(const StudentAnswers& s) { return std::to_string(s.seed1) + " " + std::to_string(s.seed2); }

// A classmate named in a flag: by name and identifier, or by name and
// seeds when there is no identifier (namesakes).
std::string classmate(const StudentAnswers& s) {
  return s.id.empty() ? s.name + " (seeds " + seeds_of(s) + ")" : person(s);
}

// C(n, k), as a double.
double choose(std::size_t n, std::size_t k) {
  double c = 1;
  for (std::size_t i = 0; i < k; ++i) c = c * static_cast<double>(n - i) / static_cast<double>(i + 1);
  return c;
}

void seeds_flags(const Answers& answers, const Results& results, std::vector<Grade>& grades) {
  std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> by_seeds;
  for (std::size_t i = 0; i < answers.students.size(); ++i)
    by_seeds.emplace(std::pair{answers.students[i].seed1, answers.students[i].seed2}, i);
  for (const Submission& sub : results.rows) {
    const StudentAnswers& st = answers.students[sub.student];
    Grade& g = grades[sub.student];
    if (sub.seeds_given && (sub.seed1 != st.seed1 || sub.seed2 != st.seed2)) {
      Flag f{FlagKind::seeds, {}, static_cast<std::size_t>(-1), not_a_number,
             "seeds " + std::to_string(sub.seed1) + " " + std::to_string(sub.seed2) + " reported, " + seeds_of(st) +
                 " handed out"};
      const auto it = by_seeds.find({sub.seed1, sub.seed2});
      if (it != by_seeds.end()) {
        f.other = it->second;
        f.detail += "; they are the seeds of " + classmate(answers.students[it->second]);
      }
      g.flags.push_back(std::move(f));
    } else if (!sub.seeds_cell.empty()) {
      g.flags.push_back({FlagKind::seeds, {}, static_cast<std::size_t>(-1), not_a_number,
                         "seeds \"" + sub.seeds_cell + "\" do not read as two whole numbers"});
    }
  }
}

void unit_flags(const Answers& answers, std::vector<Grade>& grades) {
  for (Grade& g : grades)
    for (std::size_t r = 0; r < g.marks.size(); ++r) {
      const Mark& m = g.marks[r];
      if (m.slip_unit.empty()) continue;
      const ResultColumn& rc = answers.results[r];
      g.flags.push_back({FlagKind::unit, {r}, static_cast<std::size_t>(-1), not_a_number,
                         m.text + " given in " + m.slip_unit + " where " + rc.unit + " is expected: it reads " +
                             number(m.value) + " " + rc.unit + ", within the tolerance; credit " + number(m.credit, 3)});
    }
}

void leak_flags(const Answers& answers, std::vector<Grade>& grades) {
  // Without the valid routes (answers.csv of an earlier version) an honest
  // route that lands nearer the true value than the expected one cannot
  // be told from a leak: no flag then.
  if (!answers.routes) return;
  for (Grade& g : grades) {
    if (!g.line) continue;
    const StudentAnswers& st = answers.students[g.student];
    struct On {
      std::size_t result;
      double ratio;
    };
    std::vector<On> on;
    for (std::size_t r = 0; r < g.marks.size(); ++r) {
      const Mark& m = g.marks[r];
      const Expected& e = st.results[r];
      if (m.cell != Cell::scored || !e.gradable() || std::isnan(e.true_value) || !(e.uncertainty > 0) ||
          !(m.half_unit > 0))
        continue;
      // Digits coarser than the tolerance tell nothing at its scale.
      if (m.half_unit > e.tolerance) continue;
      // The true value rounds to the number written (the key's own rounding
      // and the last bit of a float allowed for).
      const double h = m.half_unit * (1 + 1e-9) + 1e-12 * std::fabs(e.true_value);
      if (std::fabs(m.value - e.true_value) > h) continue;
      on.push_back({r, 1 / std::max(honest_chance(e, m.value, m.half_unit), 1e-300)});
    }
    // The results of a data set hang together: no more than the three
    // strongest count, and picking them among all is paid for.
    std::vector<double> ratios;
    for (const On& o : on) ratios.push_back(o.ratio);
    std::sort(ratios.rbegin(), ratios.rend());
    const std::size_t k = std::min(ratios.size(), kMostLeaked);
    double product = 1 / choose(ratios.size(), k);
    int strong = 0;
    for (std::size_t i = 0; i < ratios.size(); ++i) {
      if (i < k) product *= ratios[i];
      strong += ratios[i] >= kLeakEach;
    }
    if (strong < 2 || !(product >= kLeakOdds)) continue;
    Flag f{FlagKind::leaked, {}, static_cast<std::size_t>(-1), 1 / product, {}};
    std::string list;
    for (const On& o : on) {
      const Expected& e = st.results[o.result];
      const Mark& m = g.marks[o.result];
      f.results.push_back(o.result);
      list += (list.empty() ? "" : "; ") + answers.results[o.result].key + " " + m.text + " (true value " +
              number(e.true_value, 9) + "; this data set gives " + number(e.value) + ", u " + number(e.uncertainty, 2) +
              ")";
    }
    f.detail = "on the hidden true values to every digit written, where this data set leads elsewhere: " + list +
               ". The odds of an honest report landing on all of them: " + odds(f.chance);
    g.flags.push_back(std::move(f));
  }
}

// A value no honest work on this data set gives: beyond the tolerance of
// the expected value, of every accepted value, of every valid route and
// of every null answer (an honest mistake), by more than the rounding of
// the digits written (a value within the tolerance rounded to two
// figures may well lie outside it).
bool wrong(const Expected& e, const Mark& m) {
  if (m.cell != Cell::scored || m.within || !(m.half_unit > 0) || !e.gradable()) return false;
  // A zero or a single digit (no effect, an integer order) is what common
  // mistakes give: no evidence of anything shared.
  if (m.digits < 2) return false;
  const double reach = e.tolerance + m.half_unit;
  if (std::fabs(m.value - e.value) <= reach) return false;
  for (const auto* list : {&e.accepted, &e.routes, &e.nulls})
    for (double v : *list)
      if (std::fabs(m.value - v) <= reach) return false;
  return true;
}

// The correlation of two results' expected values across the class
// (students whose data sets grade both); 0 with fewer than three.
double correlation(const Answers& answers, std::size_t r, std::size_t s) {
  double n = 0, mr = 0, ms = 0;
  for (const StudentAnswers& st : answers.students)
    if (st.results[r].gradable() && st.results[s].gradable()) {
      ++n;
      mr += st.results[r].value;
      ms += st.results[s].value;
    }
  if (n < 3) return 0;
  mr /= n;
  ms /= n;
  double rr = 0, ss = 0, rs = 0;
  for (const StudentAnswers& st : answers.students)
    if (st.results[r].gradable() && st.results[s].gradable()) {
      const double a = st.results[r].value - mr, b = st.results[s].value - ms;
      rr += a * a;
      ss += b * b;
      rs += a * b;
    }
  return rr > 0 && ss > 0 ? rs / std::sqrt(rr * ss) : 0;
}

// R² of one result on others, from their correlations: c·A⁻¹·c with A
// the correlations among the others (a little ridge keeps nearly equal
// results solvable), clamped to [0, 1].
double explained(const std::vector<std::vector<double>>& rho, std::size_t t, const std::vector<std::size_t>& given) {
  const std::size_t m = given.size();
  if (m == 0) return 0;
  std::vector<std::vector<double>> a(m, std::vector<double>(m + 1));
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < m; ++j) a[i][j] = rho[given[i]][given[j]] + (i == j ? 1e-6 : 0);
    a[i][m] = rho[given[i]][t];
  }
  for (std::size_t col = 0; col < m; ++col) {  // Gaussian elimination, partial pivoting
    std::size_t pivot = col;
    for (std::size_t i = col + 1; i < m; ++i)
      if (std::fabs(a[i][col]) > std::fabs(a[pivot][col])) pivot = i;
    std::swap(a[col], a[pivot]);
    if (a[col][col] == 0) return 0;
    for (std::size_t i = col + 1; i < m; ++i) {
      const double f = a[i][col] / a[col][col];
      for (std::size_t j = col; j <= m; ++j) a[i][j] -= f * a[col][j];
    }
  }
  std::vector<double> x(m);
  for (std::size_t i = m; i-- > 0;) {
    double v = a[i][m];
    for (std::size_t j = i + 1; j < m; ++j) v -= a[i][j] * x[j];
    x[i] = v / a[i][i];
  }
  double r2 = 0;
  for (std::size_t i = 0; i < m; ++i) r2 += rho[given[i]][t] * x[i];
  return std::clamp(r2, 0.0, 1.0);
}

void share_flags(const Answers& answers, std::vector<Grade>& grades) {
  const std::size_t nr = answers.results.size(), n = answers.students.size();
  // The spread of the class's values per result, and the class's values
  // sorted: expected values, and the wrong values reported.
  std::vector<double> spread(nr, 0), relative(nr, 1), low(nr, 0), high(nr, 0);
  std::vector<std::vector<std::pair<double, std::size_t>>> expected(nr), wrong_values(nr);
  std::vector<double> widest(nr, 0);
  for (std::size_t r = 0; r < nr; ++r) {
    std::vector<double> values, tolerances;
    for (std::size_t i = 0; i < n; ++i) {
      const Expected& e = answers.students[i].results[r];
      if (!e.gradable()) continue;
      values.push_back(e.value);
      tolerances.push_back(e.tolerance);
      expected[r].emplace_back(e.value, i);
      const Mark& m = grades[i].marks[r];
      if (grades[i].line && wrong(e, m)) {
        wrong_values[r].emplace_back(m.value, i);
        widest[r] = std::max(widest[r], m.half_unit);
      }
    }
    if (values.empty()) continue;
    const double mid = median(values);
    std::vector<double> deviations;
    for (double v : values) deviations.push_back(std::fabs(v - mid));
    spread[r] = std::max(1.4826 * median(deviations), median(tolerances));
    relative[r] = mid != 0 ? spread[r] / std::fabs(mid) : 1.0;
    low[r] = mid - 3 * spread[r];
    high[r] = mid + 3 * spread[r];
    std::sort(expected[r].begin(), expected[r].end());
    std::sort(wrong_values[r].begin(), wrong_values[r].end());
  }
  // The chance that a value lands within h of a given one: the rounding
  // interval over the spread of the values there. Among the class's
  // values, their spread; far outside them (a mistake's own cluster:
  // temperatures in °C make an A of 9 where the class's are 1e15), the
  // class's relative spread at that size.
  auto chance = [&](std::size_t r, double x, double h) {
    double s = spread[r];
    if (x < low[r] || x > high[r]) s = std::min(s, relative[r] * std::fabs(x));
    return s > 0 ? std::min(1.0, 2 * h / (2.5 * s)) : 1.0;
  };
  // The correlations between results, computed once a pair of results is
  // first needed.
  std::vector<std::vector<double>> rho(nr, std::vector<double>(nr, not_a_number));
  auto correlations = [&](const std::vector<std::size_t>& results) {
    for (std::size_t a : results)
      for (std::size_t b : results)
        if (std::isnan(rho[a][b])) rho[a][b] = rho[b][a] = a == b ? 1.0 : correlation(answers, a, b);
  };

  struct Match {
    std::size_t result;
    bool shared;  // the classmate's expected value; else the classmate's wrong value
    double chance;
    int digits;
  };
  for (std::size_t i = 0; i < n; ++i) {
    Grade& g = grades[i];
    if (!g.line) continue;
    const StudentAnswers& me = answers.students[i];
    std::map<std::size_t, std::vector<Match>> with;
    auto other_data = [&](std::size_t j) {
      return j != i && (answers.students[j].seed1 != me.seed1 || answers.students[j].seed2 != me.seed2);
    };
    for (std::size_t r = 0; r < nr; ++r) {
      const Mark& m = g.marks[r];
      if (!wrong(me.results[r], m)) continue;
      const double x = m.value, h = m.half_unit;
      std::map<std::size_t, Match> found;
      for (auto it = std::lower_bound(expected[r].begin(), expected[r].end(), std::pair{x - h, std::size_t{0}});
           it != expected[r].end() && it->first <= x + h; ++it)
        if (other_data(it->second)) found.emplace(it->second, Match{r, true, chance(r, x, h), m.digits});
      const double w = std::max(h, widest[r]);
      for (auto it = std::lower_bound(wrong_values[r].begin(), wrong_values[r].end(), std::pair{x - w, std::size_t{0}});
           it != wrong_values[r].end() && it->first <= x + w; ++it) {
        const std::size_t j = it->second;
        const Mark& theirs = grades[j].marks[r];
        const double coarse = std::max(h, theirs.half_unit);
        if (!other_data(j) || found.count(j) || std::fabs(theirs.value - x) > coarse) continue;
        found.emplace(j, Match{r, false, chance(r, x, coarse), std::min(m.digits, theirs.digits)});
      }
      for (const auto& [j, match] : found) with[j].push_back(match);
    }
    // The classmate whose values this row matches least likely by chance:
    // the matches from the least likely on, each judged against what the
    // ones before it leave open.
    std::size_t wrong_results = 0;
    for (std::size_t r = 0; r < nr; ++r) wrong_results += wrong(me.results[r], g.marks[r]);
    std::size_t best = n;
    double best_chance = 1;
    for (auto& [j, matches] : with) {
      std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) { return a.chance < b.chance; });
      std::vector<std::size_t> counted;
      for (const Match& mt : matches) counted.push_back(mt.result);
      if (matches.size() > 1) correlations(counted);
      counted.clear();
      double p = static_cast<double>(n - 1) * choose(wrong_results, matches.size());
      int digits = 0;
      for (const Match& mt : matches) {
        const double open = std::max(std::sqrt(1 - explained(rho, mt.result, counted)), kLeastOpen);
        p *= std::min(1.0, mt.chance / open);
        counted.push_back(mt.result);
        digits = std::max(digits, mt.digits);
      }
      if ((matches.size() >= 2 || digits >= kLoneDigits) && p < kShareChance && p < best_chance) {
        best = j;
        best_chance = p;
      }
    }
    if (best == n) continue;
    const StudentAnswers& other = answers.students[best];
    bool any_shared = false;
    std::string list;
    Flag f{FlagKind::identical, {}, best, best_chance, {}};
    for (const Match& mt : with[best]) {
      const Mark& m = g.marks[mt.result];
      const Expected& mine = me.results[mt.result];
      any_shared = any_shared || mt.shared;
      f.results.push_back(mt.result);
      list += (list.empty() ? "" : "; ") + answers.results[mt.result].key + " " + m.text + " (" +
              (mt.shared ? "their expected value " + number(other.results[mt.result].value, 9)
                         : "they reported " + grades[best].marks[mt.result].text) +
              "; this data set gives " + number(mine.value) + " ± " + number(mine.tolerance, 3) + ")";
    }
    f.kind = any_shared ? FlagKind::shared : FlagKind::identical;
    f.detail = std::string(any_shared ? "the values of " : "the same wrong values as ") + classmate(other) + ": " +
               list + ". The odds of such a match with any of " + std::to_string(n - 1) + " classmates by chance: " +
               odds(best_chance);
    g.flags.push_back(std::move(f));
  }
}

}  // namespace

double median(std::vector<double> v) {
  if (v.empty()) return not_a_number;
  const std::size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
  const double upper = v[mid];
  if (v.size() % 2) return upper;
  return (*std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)) + upper) / 2;
}

double honest_chance(const Expected& e, double x, double h) {
  // Honest work: the expected value, a valid route or an accepted value
  // (as a student rounds it, or near it within the uncertainty, or
  // anywhere within the tolerance); and one report in twenty an honest
  // mistake, a null answer of the data set.
  std::vector<double> honest{e.value}, mistakes;
  for (const auto* list : {&e.accepted, &e.routes})
    for (double v : *list)
      if (std::isfinite(v)) honest.push_back(v);
  for (double v : e.nulls)
    if (std::isfinite(v)) mistakes.push_back(v);
  auto pool = [&](const std::vector<double>& values, double& point, double& near) {
    const double share = 1.0 / static_cast<double>(values.size());
    for (double v : values) {
      point += std::fabs(v - x) <= h ? share : 0;
      near += e.uncertainty > 0 ? share * normal_between((x - h - v) / e.uncertainty, (x + h - v) / e.uncertainty)
                                : 0;
    }
  };
  double point = 0, near = 0, slip_point = 0, slip_near = 0;
  pool(honest, point, near);
  if (!mistakes.empty()) pool(mistakes, slip_point, slip_near);
  const double broad = e.tolerance > 0 ? normal_between((x - h - e.value) / e.tolerance, (x + h - e.value) / e.tolerance)
                                       : (std::fabs(x - e.value) <= h ? 1.0 : 0.0);
  const double honest_share = mistakes.empty() ? 1.0 : 0.95;
  return honest_share * (0.5 * point + 0.3 * near + 0.2 * broad) + (1 - honest_share) * (0.6 * slip_point + 0.4 * slip_near);
}

void add_evidence(const Answers& answers, const Results& results, std::vector<Grade>& grades) {
  seeds_flags(answers, results, grades);
  unit_flags(answers, grades);
  leak_flags(answers, grades);
  share_flags(answers, grades);
}

}  // namespace analysis::grading
