// The student's feedback: what was reported, how it was read and credited,
// the tolerance in plain words and a hint where a slip is recognised. It
// is handed to the student: no flag, no hidden true value and no
// classmate ever appears in it.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"

namespace analysis::grading {

namespace {

// A number to `digits` significant figures, as a person writes it: 7280,
// 36081.5, 0.0512 (an exponent only for the very small or large).
std::string number(double v, int digits = 6) {
  if (std::isnan(v)) return "-";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  const double r = std::strtod(buf, nullptr);
  if (r != 0 && (std::fabs(r) < 1e-4 || std::fabs(r) >= 1e15)) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%.15g", r);
  return buf;
}

std::string in_unit(double v, const std::string& unit, int digits = 6) {
  return number(v, digits) + (unit.empty() ? "" : " " + shown(unit));
}

std::string credit_words(double c) {
  if (c == 1) return "1";
  if (c == 0) return "0";
  if (std::fabs(c - 2.0 / 3.0) < 1e-12) return "2/3";
  if (std::fabs(c - 1.0 / 3.0) < 1e-12) return "1/3";
  return number(c, 3);
}

// Where a value lies on the scale, in words.
std::string scale_words(double c) {
  if (c == 1) return "within the tolerance";
  if (std::fabs(c - 2.0 / 3.0) < 1e-12) return "within twice the tolerance";
  if (std::fabs(c - 1.0 / 3.0) < 1e-12) return "within three times the tolerance";
  return "more than three times the tolerance away";
}

// "within 722 J/mol (2 %) of it"
std::string tolerance_words(const Expected& e, const std::string& unit) {
  std::string s = "full credit within " + in_unit(e.tolerance, unit, 4);
  if (e.value != 0) s += " (" + number(100 * e.tolerance / std::fabs(e.value), 2) + " %)";
  return s + " of it";
}

}  // namespace

std::string feedback_text(const Answers& answers, const Grade& g, std::span<const double> weights) {
  const StudentAnswers& st = answers.students[g.student];
  // Names, identifiers, headings and cells come from files others wrote:
  // every one is shown() (control bytes escaped) in the text.
  std::string s = shown(person(st)) + ", seeds " + std::to_string(st.seed1) + " " + std::to_string(st.seed2) + "\n";
  if (!g.held.empty()) return s + "Your row of the results is being checked: no grade yet.\n";
  if (!g.line) return s + "No results reported.\n";
  char total[32];
  std::snprintf(total, sizeof total, "%.1f", g.total);
  s += "Total: " + (std::isnan(g.total) ? std::string("-") : std::string(total) + " %") + "\n\n";
  bool weighted = false;
  for (double w : weights) weighted = weighted || w != 1;
  s += "Each result is compared with the value your own data set gives. Credit 1 within the tolerance, 2/3 "
       "within twice the tolerance, 1/3 within three times, 0 beyond it or for a cell that is empty or not a "
       "number. ";
  s += weighted ? "The total weighs the results as noted.\n" : "The results weigh alike in the total.\n";

  for (std::size_t r = 0; r < g.marks.size(); ++r) {
    const Mark& m = g.marks[r];
    const Expected& e = st.results[r];
    const ResultColumn& rc = answers.results[r];
    s += "\n" + shown(heading_of(rc)) + ": ";
    if (m.cell == Cell::not_gradable) {
      s += (m.text.empty() ? std::string() : "you reported " + shown(m.text) + ", ") + "not graded for your data set";
      if (!e.not_graded.empty()) s += ": " + shown(e.not_graded, 1000);
      s += " (no credit either way)\n";
      continue;
    }
    switch (m.cell) {
      case Cell::empty: s += "nothing reported\n"; break;
      case Cell::unreadable: s += "you reported " + shown(m.text) + ": " + m.why + "\n"; break;
      default: s += "you reported " + shown(m.text) + "\n"; break;
    }
    s += "  your data give " + in_unit(e.value, rc.unit);
    if (!e.accepted.empty()) {
      s += " (";
      for (std::size_t k = 0; k < e.accepted.size(); ++k) s += (k ? ", " : "") + number(e.accepted[k]);
      s += std::string(e.accepted.size() == 1 ? " is" : " are") + " accepted too)";
    }
    s += "; " + tolerance_words(e, rc.unit) + "\n";
    s += "  credit " + credit_words(m.credit);
    if (weights[r] != 1) s += " (weight " + number(weights[r]) + ")";
    if (m.cell != Cell::scored) {
      s += "\n";
      continue;
    }
    if (!m.unit_given.empty()) s += "; read as " + in_unit(m.reported, rc.unit) + " from the unit given";
    if (!m.slip_unit.empty()) {
      s += ": the value reads as " + shown(m.slip_unit) + " (" + in_unit(m.value, rc.unit) +
           "), within the tolerance; report it in " + shown(rc.unit) + " as asked";
      if (m.credit == 1)
        s += " (a unit slip, counted in full)";
      else if (m.credit > 0)
        s += " (a unit slip costs a step of the scale)";
      else
        s += " (a value in another unit earns no credit)";
    } else if (!std::isnan(m.accepted)) {
      s += ": on " + number(m.accepted) + ", which is accepted";
    } else {
      const double d = m.value - e.value;
      s += ": " + scale_words(m.credit);
      if (m.credit < 1) {
        s += ", " + in_unit(std::fabs(d), rc.unit, 3) + (d > 0 ? " above" : " below");
        if (e.value != 0) s += " (" + number(100 * std::fabs(d) / std::fabs(e.value), 2) + " %)";
      }
    }
    if (m.sign_slip) s += ".\n  Hint: with the opposite sign the value would lie within the tolerance: check the sign";
    s += "\n";
  }
  return s;
}

std::vector<std::string> feedback_file_names(const Answers& answers) {
  std::vector<std::string> stems;
  for (const StudentAnswers& st : answers.students) {
    std::string stem = file_stem(st.id.empty() ? st.name : st.id);
    stems.push_back(stem.empty() ? std::string("student") : std::move(stem));
  }
  std::vector<std::string> names = unique_stems(stems, {".txt"}, {});
  for (std::string& n : names) n += ".txt";
  return names;
}

}  // namespace analysis::grading
