// Scoring a class: each reported cell read for its result, credited on the
// sliding scale against the student's own expected value, unit slips
// recognised; then the evidence flags.
#include "analysis/grading.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace analysis::grading {

double credit(double deviation, double tolerance) {
  if (std::isnan(deviation) || !(tolerance >= 0)) return 0;
  const double a = std::fabs(deviation);
  if (a <= tolerance) return 1;
  if (a <= 2 * tolerance) return 2.0 / 3.0;
  if (a <= 3 * tolerance) return 1.0 / 3.0;
  return 0;
}

std::string_view flag_name(FlagKind kind) {
  switch (kind) {
    case FlagKind::unit: return "unit";
    case FlagKind::shared: return "shared";
    case FlagKind::identical: return "identical";
    case FlagKind::leaked: return "leaked";
    case FlagKind::seeds: return "seeds";
  }
  return "?";
}

namespace {

// Credit of a value: on the sliding scale, or full within the tolerance of
// an accepted value (which `accepted` then names).
double credit_of(const Expected& e, double v, double& accepted) {
  double c = credit(v - e.value, e.tolerance);
  for (double a : e.accepted)
    if (c < 1 && std::fabs(v - a) <= e.tolerance) {
      c = 1;
      accepted = a;
    }
  return c;
}

// The values a result takes across the class: every expected value with
// three tolerances either side.
struct Range {
  double low = std::numeric_limits<double>::infinity(), high = -std::numeric_limits<double>::infinity();
  bool holds(double v) const { return v >= low && v <= high; }
};

Mark score(const std::string& text, const Expected& e, const ResultColumn& rc, bool decimal_comma,
           UnitSlip policy, const Range& range) {
  Mark m;
  m.text = text;
  if (!e.gradable()) {
    m.cell = Cell::not_gradable;
    m.credit = not_a_number;
    return m;
  }
  const Reading r = read_reported(text, rc.unit, decimal_comma);
  if (r.kind == Reading::Kind::empty) {
    m.cell = Cell::empty;
    return m;
  }
  if (r.kind == Reading::Kind::unreadable) {
    m.cell = Cell::unreadable;
    m.why = r.why;
    return m;
  }
  m.cell = Cell::scored;
  m.reported = m.value = r.value;
  m.half_unit = r.half_unit;
  m.digits = r.digits;
  m.unit_given = r.unit_given;
  m.credit = credit_of(e, r.value, m.accepted);
  m.within = m.credit == 1;
  if (m.within) return m;
  // A unit slip: the value read in another unit of the result's kind
  // lands within the tolerance. Only where no unit was typed (a typed unit
  // says what the student meant), and where the value as written is none
  // the result takes in the class: an Antoine b of 2883 K is a wrong b (or
  // a classmate's), not a temperature in °C.
  if (r.unit_given.empty() && !range.holds(r.value))
    for (const UnitConversion& c : unit_slips(rc.unit)) {
      const double converted = r.value * c.factor + c.offset;
      double accepted = not_a_number;
      if (credit_of(e, converted, accepted) == 1) {
        m.slip_unit = c.unit;
        m.value = converted;
        m.half_unit = r.half_unit * c.factor;
        m.within = true;
        m.credit = policy == UnitSlip::full ? 1 : policy == UnitSlip::partial ? 2.0 / 3.0 : m.credit;
        if (policy != UnitSlip::none) m.accepted = accepted;
        return m;
      }
    }
  double accepted = not_a_number;
  m.sign_slip = r.value != 0 && credit_of(e, -r.value, accepted) == 1;
  return m;
}

}  // namespace

std::vector<Grade> grade(const Answers& answers, const Results& results, std::span<const double> weights,
                         GradeOptions options) {
  const std::size_t nr = answers.results.size();
  std::vector<Grade> grades(answers.students.size());
  for (std::size_t i = 0; i < grades.size(); ++i) {
    grades[i].student = i;
    grades[i].marks.resize(nr);
  }
  std::vector<Range> ranges(nr);
  for (const StudentAnswers& st : answers.students)
    for (std::size_t r = 0; r < nr; ++r)
      if (const Expected& e = st.results[r]; e.gradable()) {
        ranges[r].low = std::min(ranges[r].low, e.value - 3 * e.tolerance);
        ranges[r].high = std::max(ranges[r].high, e.value + 3 * e.tolerance);
      }
  for (const HeldRow& h : results.held)
    for (std::size_t s : h.students)
      if (grades.at(s).held.empty()) grades[s].held = h.problem.text();
  for (const Submission& sub : results.rows) {
    Grade& g = grades.at(sub.student);
    const StudentAnswers& st = answers.students[sub.student];
    g.line = sub.line;
    double earned = 0, possible = 0;
    for (std::size_t r = 0; r < nr; ++r) {
      Mark& m = g.marks[r];
      m = score(sub.cells[r], st.results[r], answers.results[r], results.decimal_comma, options.unit_slip, ranges[r]);
      if (m.cell == Cell::not_gradable) continue;
      possible += weights[r];
      earned += weights[r] * m.credit;
    }
    g.total = possible > 0 ? 100 * earned / possible : not_a_number;
  }
  add_evidence(answers, results, grades);
  return grades;
}

}  // namespace analysis::grading
