// The instructor's side of a grading: grades.csv for the course site, the
// class summary per result, report.csv with every flag and its evidence,
// and the same on the terminal.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"

namespace analysis::grading {

namespace {

std::string fixed(double v, int digits) {
  if (std::isnan(v)) return {};
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string format_credit(double c) {
  if (std::isnan(c)) return {};
  if (c == 1) return "1";
  if (c == 0) return "0";
  return fixed(c, 3);
}


std::size_t width_of(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
  return n;
}

// Rows of cells padded to the widest cell of each column; the first column
// left-aligned, the others right-aligned.
void print_table(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> width;
  for (const auto& row : rows) {
    if (width.size() < row.size()) width.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], width_of(row[c]));
  }
  for (const auto& row : rows) {
    std::string line = "  ";
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - width_of(row[c]), ' ');
      line += c == 0 ? row[c] + pad : "  " + pad + row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

std::string share(int part, int whole) { return whole ? fixed(100.0 * part / whole, 1) : std::string(); }

std::string percent3(double v) {
  if (std::isnan(v)) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", 100 * v);
  return buf;
}

std::string chance_cell(double p) {
  if (std::isnan(p)) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2g", p);
  return buf;
}

// The keys of a flag's results, separated by blanks, and the cells reported.
std::string keys_of(const Answers& answers, const Flag& f) {
  std::string s;
  for (std::size_t r : f.results) s += (s.empty() ? "" : " ") + answers.results[r].key;
  return s;
}
std::string cells_of(const Grade& g, const Flag& f) {
  std::string s;
  for (std::size_t r : f.results) s += (s.empty() ? "" : " ") + g.marks[r].text;
  return s;
}

// What report.csv and the terminal list, one entry each: the flags, the
// cells that are not a number, the rows not graded and the students
// without a row.
struct Entry {
  const StudentAnswers* student;  // nullptr for a row that names none (or several)
  int line = 0;
  std::string kind, results, reported, evidence;
  double chance = not_a_number;
  bool evidence_shown = false;  // shown() already (a problem's text, a reading's reason)
};
std::vector<Entry> entries(const Answers& answers, const Results& results, std::span<const Grade> grades) {
  std::vector<Entry> out;
  for (const Grade& g : grades) {
    const StudentAnswers* st = &answers.students[g.student];
    for (const Flag& f : g.flags)
      out.push_back({st, g.line, std::string(flag_name(f.kind)), keys_of(answers, f), cells_of(g, f), f.detail, f.chance});
    if (!g.line) continue;
    for (std::size_t r = 0; r < g.marks.size(); ++r)
      if (g.marks[r].cell == Cell::unreadable)
        out.push_back({st, g.line, "unreadable", answers.results[r].key, g.marks[r].text, g.marks[r].why,
                       not_a_number, true});
  }
  for (const HeldRow& h : results.held)
    out.push_back({h.students.size() == 1 ? &answers.students[h.students[0]] : nullptr, h.problem.line,
                   "not graded", {}, {}, h.problem.text(), not_a_number, true});
  for (const Grade& g : grades)
    if (!g.line && g.held.empty())
      out.push_back({&answers.students[g.student], 0, "no row", {}, {}, "no row in the results"});
  return out;
}

}  // namespace

std::optional<Missing> missing_of(std::string_view word) {
  if (word == "empty") return Missing::empty;
  if (word == "zero") return Missing::zero;
  return std::nullopt;
}

std::string grades_csv_heading(const Answers& answers) {
  std::string s = text_cell(answers.id_heading.empty() ? std::string("id") : answers.id_heading) + ",name,total (%)";
  for (const auto& r : answers.results) s += ',' + text_cell(r.key);
  return s;
}

std::string grades_csv_row(const Answers& answers, const Grade& g, Missing missing) {
  const StudentAnswers& st = answers.students[g.student];
  std::string s = text_cell(st.id) + ',' + text_cell(st.name) + ',';
  if (!g.held.empty() || (!g.line && missing == Missing::empty)) return s + std::string(g.marks.size(), ',');
  if (!g.line) {
    // Missing::zero: no report is nothing earned, in every graded result.
    s += "0.0";
    for (const Expected& e : st.results) s += ',' + std::string(e.gradable() ? "0" : "");
    return s;
  }
  s += fixed(g.total, 1);
  for (const Mark& m : g.marks) s += ',' + format_credit(m.credit);
  return s;
}

ClassSummary summarise(const Answers& answers, std::span<const Grade> grades, std::span<const double> weights) {
  ClassSummary cs;
  cs.students = static_cast<int>(grades.size());
  std::vector<double> totals;
  for (const Grade& g : grades) {
    cs.held += !g.held.empty();
    if (!g.line || !g.held.empty()) continue;
    ++cs.graded;
    cs.flagged += g.flagged();
    cs.seed_flags += std::any_of(g.flags.begin(), g.flags.end(), [](const Flag& f) { return f.kind == FlagKind::seeds; });
    if (!std::isnan(g.total)) totals.push_back(g.total);
  }
  if (!totals.empty()) {
    double sum = 0;
    for (double t : totals) sum += t;
    cs.mean_total = sum / static_cast<double>(totals.size());
    cs.median_total = median(totals);
  }
  for (std::size_t r = 0; r < answers.results.size(); ++r) {
    ResultSummary rs;
    rs.key = answers.results[r].key;
    rs.unit = answers.results[r].unit;
    rs.weight = weights[r];
    std::vector<double> dev, abs_dev;
    for (const Grade& g : grades) {
      if (!g.line || !g.held.empty()) continue;
      const Mark& m = g.marks[r];
      if (m.cell == Cell::not_gradable) continue;
      ++rs.rows;
      for (const Flag& f : g.flags)
        if (std::find(f.results.begin(), f.results.end(), r) != f.results.end()) {
          rs.unit_flags += f.kind == FlagKind::unit;
          rs.shared_flags += f.kind == FlagKind::shared;
          rs.identical_flags += f.kind == FlagKind::identical;
          rs.leaked_flags += f.kind == FlagKind::leaked;
        }
      if (m.cell != Cell::scored) {
        ++rs.missing;
        continue;
      }
      ++rs.numbers;
      const Expected& e = answers.students[g.student].results[r];
      rs.within += m.credit == 1;
      if (e.value != 0) {
        dev.push_back((m.value - e.value) / std::fabs(e.value));
        abs_dev.push_back(std::fabs(dev.back()));
      }
    }
    rs.median_deviation = median(dev);
    rs.median_abs_deviation = median(abs_dev);
    cs.results.push_back(std::move(rs));
  }
  return cs;
}

std::string summary_csv(const ClassSummary& cs) {
  std::string s =
      "result,unit,weight,rows,numbers,within tolerance (%),median deviation (%),median |deviation| (%),"
      "empty or unreadable,unit flags,shared flags,identical flags,leaked flags\n";
  for (const ResultSummary& r : cs.results)
    s += text_cell(r.key) + ',' + text_cell(r.unit) + ',' + csv_number(r.weight) + ',' + std::to_string(r.rows) + ',' +
         std::to_string(r.numbers) + ',' + share(r.within, r.rows) + ',' + percent3(r.median_deviation) + ',' +
         percent3(r.median_abs_deviation) + ',' + std::to_string(r.missing) + ',' + std::to_string(r.unit_flags) +
         ',' + std::to_string(r.shared_flags) + ',' + std::to_string(r.identical_flags) + ',' +
         std::to_string(r.leaked_flags) + '\n';
  return s;
}

std::string report_csv(const Answers& answers, const Results& results, std::span<const Grade> grades) {
  std::string s = text_cell(answers.id_heading.empty() ? std::string("id") : answers.id_heading) +
                  ",name,line,kind,results,reported,chance,evidence\n";
  for (const Entry& e : entries(answers, results, grades))
    s += (e.student ? text_cell(e.student->id) + ',' + text_cell(e.student->name) : std::string(",")) + ',' +
         (e.line ? std::to_string(e.line) : "") + ',' + csv_cell(e.kind) + ',' + text_cell(e.results) + ',' +
         text_cell(e.reported) + ',' + chance_cell(e.chance) + ',' + text_cell(e.evidence) + '\n';
  return s;
}

void print_summary(std::ostream& out, const Answers& answers, const Results& results, std::span<const Grade> grades,
                   const ClassSummary& cs, std::span<const std::string> notes) {
  out << "Graded " << cs.graded << " of " << cs.students << " students";
  if (cs.graded) out << "; total: mean " << fixed(cs.mean_total, 1) << " %, median " << fixed(cs.median_total, 1) << " %";
  out << "; " << cs.flagged << " flagged";
  if (cs.held) out << "; " << cs.held << " not graded (rows to mend, below)";
  out << "\n\n";
  std::vector<std::vector<std::string>> rows{{"result", "within tol.", "median dev.", "median |dev.|", "missing",
                                              "unit", "shared", "identical", "leaked"}};
  for (const ResultSummary& r : cs.results)
    rows.push_back({shown(r.unit.empty() ? r.key : r.key + " (" + r.unit + ")"), share(r.within, r.rows) + " %",
                    percent3(r.median_deviation) + " %", percent3(r.median_abs_deviation) + " %",
                    std::to_string(r.missing), std::to_string(r.unit_flags), std::to_string(r.shared_flags),
                    std::to_string(r.identical_flags), std::to_string(r.leaked_flags)});
  print_table(out, rows);
  std::vector<std::string> all_notes = results.notes;
  all_notes.insert(all_notes.end(), notes.begin(), notes.end());
  if (!answers.routes)
    all_notes.push_back(answers.file + " has no routes columns (a class made by an earlier version): no \"leaked\" "
                        "flags, for a valid route cannot be told from the key; batch the roster again into a new "
                        "folder for answers with them");
  if (!all_notes.empty()) {
    out << "\nNotes:\n";
    for (const std::string& n : all_notes) out << "  " << shown(n, 1000) << '\n';
  }

  const std::vector<Entry> all = entries(answers, results, grades);
  const struct {
    const char* title;
    bool (*belongs)(const Entry&);
  } sections[] = {
      {"Flags (evidence for the instructor; no credit taken, nothing of it in the feedback):",
       [](const Entry& e) { return e.kind != "not graded" && e.kind != "unreadable" && e.kind != "no row"; }},
      {"Rows not graded (mend them and grade again into a new folder):",
       [](const Entry& e) { return e.kind == "not graded"; }},
      {"Cells that are not a number (no credit):", [](const Entry& e) { return e.kind == "unreadable"; }},
  };
  for (const auto& section : sections) {
    bool heading = false;
    for (const Entry& e : all) {
      if (!section.belongs(e)) continue;
      if (!heading) out << '\n' << section.title << '\n';
      heading = true;
      out << "  ";
      if (e.kind != "not graded")
        out << (e.line ? "line " + std::to_string(e.line) + ", " : std::string()) << shown(person(*e.student)) << ": "
            << (e.results.empty() ? "" : shown(e.results) + ": ") << (e.kind == "unreadable" ? "" : e.kind + ": ");
      out << (e.evidence_shown ? e.evidence : shown(e.evidence, 2000)) << '\n';
    }
  }
  bool heading = false;
  for (const Grade& g : grades) {
    if (!g.line || !g.held.empty()) continue;
    for (std::size_t r = 0; r < g.marks.size(); ++r) {
      if (g.marks[r].cell != Cell::empty) continue;
      if (!heading) out << "\nEmpty cells (no credit):\n";
      heading = true;
      out << "  line " << g.line << ", " << shown(person(answers.students[g.student])) << ": "
          << shown(answers.results[r].key) << '\n';
    }
  }
  heading = false;
  for (const Grade& g : grades) {
    if (g.line || !g.held.empty()) continue;
    if (!heading) out << "\nNo row in the results:\n";
    heading = true;
    out << "  " << shown(person(answers.students[g.student])) << '\n';
  }
}

}  // namespace analysis::grading
