// The class's tables: answers.csv and the results template written,
// answers.csv, results.csv and weights.csv read back with every problem
// named at once.
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"

namespace analysis::grading {

namespace {

// Lower case, underscores as blanks, runs of blanks as one.
std::string heading_word(std::string_view s) {
  std::string out;
  for (char ch : lower(trim(s))) {
    if (ch == '_' || ch == '\t') ch = ' ';
    if (ch == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += ch;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool same_text(std::string_view a, std::string_view b) { return lower(trim(a)) == lower(trim(b)); }

std::optional<std::int32_t> whole_number(std::string_view cell) {
  const auto v = parse_number(cell);
  if (!v || *v != std::floor(*v) || *v < -2147483648.0 || *v > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(*v);
}

// The problems of one file, each with its place.
struct Problems {
  std::string file;
  const std::vector<std::string>* heading = nullptr;
  std::vector<Problem> list;
  void add(int line, std::size_t column, std::string what) {
    std::string h;
    if (heading != nullptr && column > 0 && column <= heading->size()) h = (*heading)[column - 1];
    list.push_back(Problem{file, line, column, std::move(h), std::move(what)});
  }
  void raise() {
    if (!list.empty()) throw InputError(std::move(list));
  }
};

std::string in_quotes(std::string_view text) { return "\"" + shown(text) + "\""; }

// "name,<id>,seed1,seed2" or "name,seed1,seed2", and the row's first cells.
std::string person_heading(std::string_view id_heading) {
  return id_heading.empty() ? "name,seed1,seed2" : "name," + csv_cell(id_heading) + ",seed1,seed2";
}
std::string person_cells(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id) {
  std::string s = text_cell(sheet.student);
  if (!id_heading.empty()) s += ',' + text_cell(id);
  return s + ',' + std::to_string(sheet.seed1) + ',' + std::to_string(sheet.seed2);
}

// Numbers that share a cell, separated by blanks. A list that starts
// with a minus would be a formula to a spreadsheet ("-61.1 -61.0"): it is
// a text cell (text_cell's apostrophe); one number stays a number.
std::string number_list(const std::vector<double>& values) {
  std::string s;
  int n = 0;
  for (double v : values)
    if (!std::isnan(v)) {
      s += (s.empty() ? "" : " ") + csv_number(v);
      ++n;
    }
  return n > 1 ? text_cell(s) : s;
}

}  // namespace

bool is_identifier_heading(std::string_view heading) { return identifier_rank(heading) >= 0; }

int identifier_rank(std::string_view heading) {
  static const struct {
    const char* word;
    int rank;
  } words[] = {{"student id", 0},     {"studentid", 0},      {"student number", 0}, {"student no", 0},
               {"student no.", 0},    {"sis user id", 0},    {"id", 1},             {"identifier", 1},
               {"username", 2},       {"user name", 2},      {"sis login id", 2},   {"email", 3},
               {"e-mail", 3},         {"email address", 3},  {"e-mail address", 3}};
  const std::string h = heading_word(heading);
  for (const auto& w : words)
    if (h == w.word) return w.rank;
  return -1;
}

std::string heading_of(const ResultColumn& r) { return r.unit.empty() ? r.key : r.key + " (" + r.unit + ")"; }

std::string person(const StudentAnswers& s) { return s.id.empty() ? s.name : s.name + " (" + s.id + ")"; }

std::vector<ResultColumn> result_columns(const Handout& handout) {
  std::vector<ResultColumn> out;
  for (const HandoutResult& r : handout.results)
    if (r.not_graded.empty()) out.push_back({r.key, r.unit});
  return out;
}

std::vector<ResultColumn> result_columns(const AnswerSheet& sheet) {
  std::vector<ResultColumn> out;
  for (const Result& r : sheet.results) out.push_back({r.key, r.unit});
  return out;
}

std::string answers_csv_heading(std::span<const ResultColumn> results, std::string_view id_heading, bool routes) {
  std::string s = person_heading(id_heading);
  for (const auto& r : results)
    s += ',' + csv_cell(heading_of(r)) + ',' + csv_cell(heading_of({r.key + " tolerance", r.unit}));
  for (const auto& r : results) s += ',' + csv_cell(r.key + " true") + ',' + csv_cell(r.key + " u");
  for (const auto& r : results)
    s += ',' + csv_cell(heading_of({r.key + " accepted", r.unit})) + ',' + csv_cell(r.key + " not graded");
  if (routes) {
    for (const auto& r : results) s += ',' + csv_cell(heading_of({r.key + " routes", r.unit}));
    for (const auto& r : results) s += ',' + csv_cell(heading_of({r.key + " nulls", r.unit}));
  }
  return s;
}

std::string answers_csv_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                            std::string_view id_heading, std::string_view id, bool routes) {
  std::vector<const Result*> of;
  for (const auto& c : results) of.push_back(sheet.find(c.key));
  std::string s = person_cells(sheet, id_heading, id);
  for (const Result* r : of) {
    if (r == nullptr || !r->graded())
      s += ",,";
    else
      s += ',' + csv_number(r->value) + ',' + csv_number(r->tolerance);
  }
  for (const Result* r : of) {
    if (r == nullptr)
      s += ",,";
    else
      s += ',' + csv_number(r->true_value) + ',' + csv_number(r->uncertainty);
  }
  for (const Result* r : of) {
    const bool graded = r != nullptr && r->graded();
    s += ',' + (graded ? number_list(r->accepted) : std::string()) + ',' +
         (r != nullptr ? csv_cell(r->not_graded) : std::string());
  }
  if (routes)
    for (const bool nulls : {false, true})
      for (const Result* r : of) {
        std::vector<double> values;
        if (r != nullptr && r->graded())
          for (const Alternative& a : nulls ? r->nulls : r->routes) values.push_back(a.value);
        s += ',' + number_list(values);
      }
  return s;
}

std::string answers_csv_heading(const AnswerSheet& sheet, std::string_view id_heading) {
  return answers_csv_heading(result_columns(sheet), id_heading);
}

std::string answers_csv_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id) {
  return answers_csv_row(result_columns(sheet), sheet, id_heading, id);
}

bool answers_have_routes(std::string_view heading_line) {
  for (const CsvRecord& r : read_csv(heading_line, "answers.csv"))
    for (const std::string& c : r.cells)
      if (c.find(" routes") != std::string::npos) return true;
  return false;
}

std::string results_template_heading(std::span<const ResultColumn> results, std::string_view id_heading) {
  std::string s = person_heading(id_heading);
  for (const auto& r : results) s += ',' + csv_cell(heading_of(r));
  return s;
}

std::string results_template_row(std::span<const ResultColumn> results, const AnswerSheet& sheet,
                                 std::string_view id_heading, std::string_view id) {
  return person_cells(sheet, id_heading, id) + std::string(results.size(), ',');
}

std::string results_template_heading(const AnswerSheet& sheet, std::string_view id_heading) {
  return results_template_heading(result_columns(sheet), id_heading);
}

std::string results_template_row(const AnswerSheet& sheet, std::string_view id_heading, std::string_view id) {
  return results_template_row(result_columns(sheet), sheet, id_heading, id);
}

Answers read_answers(std::string_view text, std::string_view file_name) {
  const Table table = read_table(text, file_name);
  const std::vector<CsvRecord>& records = table.records;
  if (records.empty()) throw InputError(file_name, 0, "no heading, the file is empty");
  Answers a;
  a.file = std::string(file_name);
  const auto& heading = records[0].cells;
  const int head_line = records[0].line;
  Problems problems{std::string(file_name), &heading, {}};
  const std::size_t none = heading.size();
  std::size_t name_col = none, id_col = none, s1_col = none, s2_col = none;
  struct ValueColumns {
    std::size_t value, tolerance, true_value = 0, uncertainty = 0, accepted = 0, not_graded = 0, routes = 0, nulls = 0;
  };
  std::vector<ValueColumns> cols;
  for (std::size_t c = 0; c < heading.size(); ++c) {
    const std::string h = heading_word(heading[c]);
    auto take = [&](std::size_t& slot) {
      if (slot != none)
        problems.add(head_line, c + 1, "a second column of this name");
      else
        slot = c;
    };
    if (h == "name" || h == "student") {
      take(name_col);
    } else if (h == "seed1") {
      take(s1_col);
    } else if (h == "seed2") {
      take(s2_col);
    } else if (is_identifier_heading(h) && id_col == none) {
      take(id_col);
      a.id_heading = heading[c];
    } else if (c + 1 < heading.size() && heading[c + 1].find(" tolerance") != std::string::npos) {
      // "<key> (<unit>)" then "<key> tolerance (<unit>)"
      const std::string& tol = heading[c + 1];
      const std::size_t at = tol.find(" tolerance");
      const std::string key = tol.substr(0, at);
      const std::string suffix = tol.substr(at + 10);
      ResultColumn r{key, {}};
      if (suffix.size() > 3 && suffix.substr(0, 2) == " (" && suffix.back() == ')')
        r.unit = suffix.substr(2, suffix.size() - 3);
      else if (!suffix.empty())
        problems.add(head_line, c + 2, "the unit must be written \" (unit)\"");
      if (heading[c] != key + suffix)
        problems.add(head_line, c + 1, "expected the column " + in_quotes(key + suffix) + " before " + in_quotes(tol));
      else if (std::any_of(a.results.begin(), a.results.end(), [&](const ResultColumn& k) { return k.key == key; }))
        problems.add(head_line, c + 1, "the result " + shown(key) + " twice");
      a.results.push_back(std::move(r));
      cols.push_back({c, c + 1});
      ++c;
    } else {
      // "<key> true", "<key> u", "<key> accepted (<unit>)", "<key> not
      // graded", "<key> routes (<unit>)" and "<key> nulls (<unit>)",
      // after every result
      bool known = false;
      for (std::size_t r = 0; r < a.results.size() && !known; ++r) {
        const ResultColumn& rc = a.results[r];
        std::size_t* slot = heading[c] == rc.key + " true"                             ? &cols[r].true_value
                            : heading[c] == rc.key + " u"                              ? &cols[r].uncertainty
                            : heading[c] == heading_of({rc.key + " accepted", rc.unit}) ? &cols[r].accepted
                            : heading[c] == rc.key + " not graded"                     ? &cols[r].not_graded
                            : heading[c] == heading_of({rc.key + " routes", rc.unit})   ? &cols[r].routes
                            : heading[c] == heading_of({rc.key + " nulls", rc.unit})    ? &cols[r].nulls
                                                                                      : nullptr;
        if (slot != nullptr) {
          *slot = c;
          known = true;
          a.routes = a.routes || slot == &cols[r].routes;
        }
      }
      if (!known) problems.add(head_line, c + 1, "unknown column");
    }
  }
  if (name_col == none) problems.add(head_line, 0, "no column \"name\"");
  if (s1_col == none || s2_col == none) problems.add(head_line, 0, "no columns \"seed1\" and \"seed2\"");
  if (a.results.empty()) problems.add(head_line, 0, "no results (\"<key>\", \"<key> tolerance\")");
  problems.raise();

  std::unordered_map<std::string, int> ids;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& rec = records[i];
    if (rec.cells.size() > heading.size()) {
      problems.add(rec.line, 0,
                   std::to_string(rec.cells.size()) + " cells, the heading has " + std::to_string(heading.size()));
      continue;
    }
    auto cell = [&](std::size_t c) { return c < rec.cells.size() ? std::string(trim(rec.cells[c])) : std::string(); };
    auto number = [&](std::size_t c) {
      if (c == 0) return not_a_number;  // column absent (column 0 is never a number)
      const std::string s = cell(c);
      if (s.empty()) return not_a_number;
      if (const auto v = parse_number(s)) return *v;
      problems.add(rec.line, c + 1, in_quotes(s) + " is not a number");
      return not_a_number;
    };
    auto numbers = [&](std::size_t c) {
      std::vector<double> out;
      if (c == 0) return out;
      const std::string list = text_of_cell(cell(c));
      std::size_t at = 0;
      while ((at = list.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(list.find(' ', at), list.size());
        const std::string word = list.substr(at, end - at);
        if (const auto v = parse_number(word))
          out.push_back(*v);
        else
          problems.add(rec.line, c + 1, in_quotes(word) + " is not a number");
        at = end;
      }
      return out;
    };
    StudentAnswers s;
    s.line = rec.line;
    s.name = text_of_cell(cell(name_col));
    if (id_col != none) s.id = text_of_cell(cell(id_col));
    for (const auto& [col, seed] : {std::pair{s1_col, &s.seed1}, std::pair{s2_col, &s.seed2}}) {
      if (const auto v = whole_number(cell(col)))
        *seed = *v;
      else
        problems.add(rec.line, col + 1, in_quotes(cell(col)) + " is not a seed");
    }
    if (!s.id.empty()) {
      const auto [it, fresh] = ids.emplace(lower(s.id), rec.line);
      if (!fresh) problems.add(rec.line, id_col + 1, shown(s.id) + " already on line " + std::to_string(it->second));
    }
    for (const auto& c : cols) {
      Expected e{number(c.value), number(c.tolerance), number(c.true_value), number(c.uncertainty)};
      if (e.tolerance < 0) problems.add(rec.line, c.tolerance + 1, "a negative tolerance, " + shown(cell(c.tolerance)));
      e.accepted = numbers(c.accepted);
      e.routes = numbers(c.routes);
      e.nulls = numbers(c.nulls);
      if (c.not_graded != 0) e.not_graded = cell(c.not_graded);
      s.results.push_back(std::move(e));
    }
    a.students.push_back(std::move(s));
  }
  problems.raise();
  return a;
}

namespace {

// The student a row names, or why none: by the identifier (whose name, if
// given, must not be another student's), else by the name (namesakes told
// apart by their seeds).
struct Who {
  std::size_t student;
  std::vector<std::size_t> maybe;  // the students a row that is held may belong to
  std::string problem;
  std::size_t column = 0;  // of the problem, from 1
  std::string note;        // a name spelled otherwise than in the answers
};

}  // namespace

Results read_results(std::string_view text, std::string_view file_name, const Answers& answers) {
  const Table table = read_table(text, file_name);
  const std::vector<CsvRecord>& records = table.records;
  if (records.empty()) throw InputError(file_name, 0, "no heading, the file is empty");
  Results out;
  out.file = std::string(file_name);
  out.decimal_comma = table.decimal_comma;
  out.notes = table.notes;
  const auto& heading = records[0].cells;
  const int head_line = records[0].line;
  Problems problems{std::string(file_name), &heading, {}};
  const std::size_t none = heading.size();
  std::size_t name_col = none, id_col = none, s1_col = none, s2_col = none;
  std::vector<std::size_t> result_col(answers.results.size(), none), ids;
  for (std::size_t c = 0; c < heading.size(); ++c) {
    const std::string h = heading_word(heading[c]);
    auto take = [&](std::size_t& slot) {
      if (slot != none)
        problems.add(head_line, c + 1, "a second column of this name (column " + std::to_string(slot + 1) + ")");
      else
        slot = c;
    };
    if (h == "name" || h == "student") {
      take(name_col);
      continue;
    }
    if (h == "seed1") {
      take(s1_col);
      continue;
    }
    if (h == "seed2") {
      take(s2_col);
      continue;
    }
    if (is_identifier_heading(h)) {
      ids.push_back(c);
      continue;
    }
    bool known = false;
    for (std::size_t r = 0; r < answers.results.size() && !known; ++r) {
      const ResultColumn& rc = answers.results[r];
      if (same_text(heading[c], heading_of(rc)) || same_text(heading[c], rc.key)) {
        take(result_col[r]);
        known = true;
      }
    }
    if (!known) {
      std::string list;
      for (const auto& rc : answers.results) list += (list.empty() ? "" : ", ") + shown(heading_of(rc));
      problems.add(head_line, c + 1, "unknown column; the results of " + shown(answers.file) + " are " + list);
    }
  }
  // Several identifier columns (a course site's export): the answers'
  // own, else the first kind of is_identifier_heading's order.
  for (std::size_t c : ids) {
    const bool answers_own = heading_word(heading[c]) == heading_word(answers.id_heading);
    if (id_col == none || answers_own ||
        (heading_word(heading[id_col]) != heading_word(answers.id_heading) &&
         identifier_rank(heading[c]) < identifier_rank(heading[id_col])))
      id_col = c;
  }
  for (std::size_t c : ids)
    if (c != id_col)
      out.notes.push_back(out.file + ", line " + std::to_string(head_line) + ": the identifier column " +
                          shown(heading[c]) + " left out; students are found by " + shown(heading[id_col]));
  if (name_col == none && id_col == none) problems.add(head_line, 0, "no column \"name\" nor an identifier column");
  if ((s1_col == none) != (s2_col == none)) problems.add(head_line, 0, "\"seed1\" and \"seed2\" come together");
  for (std::size_t r = 0; r < answers.results.size(); ++r)
    if (result_col[r] == none)
      problems.add(head_line, 0, "no column for the result " + shown(heading_of(answers.results[r])));
  if (records.size() == 1) problems.add(head_line, 0, "only a heading: no student's row to grade");
  problems.raise();

  // The students of the answers by identifier and by name.
  std::unordered_map<std::string, std::size_t> by_id;
  std::unordered_multimap<std::string, std::size_t> by_name;
  for (std::size_t i = 0; i < answers.students.size(); ++i) {
    if (!answers.students[i].id.empty()) by_id.emplace(lower(answers.students[i].id), i);
    by_name.emplace(lower(trim(answers.students[i].name)), i);
  }
  auto named = [&](const std::string& name) {
    std::vector<std::size_t> found;
    const auto [first, last] = by_name.equal_range(lower(trim(name)));
    for (auto it = first; it != last; ++it) found.push_back(it->second);
    std::sort(found.begin(), found.end());
    return found;
  };

  std::vector<Submission> rows;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& rec = records[i];
    auto cell = [&](std::size_t c) { return c < rec.cells.size() ? std::string(trim(rec.cells[c])) : std::string(); };
    Submission sub;
    sub.line = rec.line;
    if (s1_col != none) {
      const std::string a = cell(s1_col), b = cell(s2_col);
      const auto v1 = whole_number(a), v2 = whole_number(b);
      if (v1 && v2) {
        sub.seeds_given = true;
        sub.seed1 = *v1;
        sub.seed2 = *v2;
      } else if (!a.empty() || !b.empty()) {
        sub.seeds_cell = a + " " + b;
      }
    }
    const std::string id = id_col != none ? text_of_cell(cell(id_col)) : std::string();
    const std::string name = name_col != none ? text_of_cell(cell(name_col)) : std::string();
    Who who{answers.students.size(), {}, {}, 0, {}};
    if (!id.empty() && !by_id.empty()) {
      const auto it = by_id.find(lower(id));
      const std::vector<std::size_t> of_name = name.empty() ? std::vector<std::size_t>{} : named(name);
      if (it == by_id.end()) {
        who.problem = "no student " + shown(id) + " in " + shown(answers.file);
        who.column = id_col + 1;
        who.maybe = of_name;
        if (!of_name.empty()) who.problem += " (the name is that of " + shown(person(answers.students[of_name[0]])) + ")";
      } else if (!name.empty() && !same_text(name, answers.students[it->second].name)) {
        if (!of_name.empty()) {
          who.problem = "the identifier " + shown(id) + " is " + shown(person(answers.students[it->second])) +
                        "'s, the name " + in_quotes(name) + " is " + shown(person(answers.students[of_name[0]])) +
                        "'s: which student is this row?";
          who.column = id_col + 1;
          who.maybe = of_name;
          who.maybe.push_back(it->second);
        } else {
          who.student = it->second;
          who.note = out.file + ", line " + std::to_string(rec.line) + ": the name \"" + shown(name) +
                     "\" is not the answers' \"" + shown(answers.students[it->second].name) +
                     "\"; graded by the identifier " + shown(id);
        }
      } else {
        who.student = it->second;
      }
    } else if (!name.empty()) {
      const std::vector<std::size_t> candidates = named(name);
      if (candidates.empty()) {
        who.problem = "no student " + in_quotes(name) + " in " + shown(answers.file);
        who.column = name_col + 1;
      } else if (candidates.size() == 1) {
        who.student = candidates[0];
      } else {
        // Namesakes: the seeds tell them apart.
        for (std::size_t c : candidates)
          if (sub.seeds_given && answers.students[c].seed1 == sub.seed1 && answers.students[c].seed2 == sub.seed2)
            who.student = c;
        if (who.student == answers.students.size()) {
          who.problem = std::to_string(candidates.size()) + " students named " + in_quotes(name) + " in " +
                        shown(answers.file) + "; give the identifier or their seeds";
          who.column = name_col + 1;
          who.maybe = candidates;
        }
      }
    } else {
      who.problem = "the row names no student";
    }
    if (who.student != answers.students.size()) who.maybe = {who.student};
    if (rec.cells.size() > heading.size()) {
      // A decimal comma in a comma-separated file splits its cell in two.
      std::string hint;
      for (std::size_t c = 0; table.separator == ',' && c + 1 < rec.cells.size() && hint.empty(); ++c) {
        const std::string& whole = rec.cells[c];
        const std::string& fraction = rec.cells[c + 1];
        const bool result_column = std::find(result_col.begin(), result_col.end(), c) != result_col.end();
        if (result_column && !whole.empty() && whole.find_first_not_of("0123456789-+") == std::string::npos &&
            !fraction.empty() && fraction.size() <= 4 && fraction.find_first_not_of("0123456789") == std::string::npos)
          hint = " (" + in_quotes(whole + "," + fraction) + " with a decimal comma, split in two? write " + shown(whole) +
                 "." + fraction + ", or quote the cell)";
      }
      out.held.push_back(HeldRow{Problem{out.file, rec.line, 0, {},
                                         std::to_string(rec.cells.size()) + " cells, the heading has " +
                                             std::to_string(heading.size()) + hint},
                                 who.maybe});
      continue;
    }
    if (!who.problem.empty()) {
      out.held.push_back(HeldRow{Problem{out.file, rec.line, who.column,
                                         who.column > 0 ? heading[who.column - 1] : std::string(), who.problem},
                                 who.maybe});
      continue;
    }
    if (!who.note.empty()) out.notes.push_back(who.note);
    sub.student = who.student;
    for (std::size_t r = 0; r < answers.results.size(); ++r) sub.cells.push_back(cell(result_col[r]));
    rows.push_back(std::move(sub));
  }

  // A student with two rows: neither is graded.
  std::map<std::size_t, std::vector<const Submission*>> of_student;
  for (const Submission& s : rows) of_student[s.student].push_back(&s);
  const std::size_t who_col = id_col != none && !by_id.empty() ? id_col : name_col;
  for (const Submission& s : rows) {
    const auto& all = of_student[s.student];
    if (all.size() == 1) {
      out.rows.push_back(s);
      continue;
    }
    std::string lines;
    for (const Submission* o : all)
      if (o != &s) lines += (lines.empty() ? "" : " and ") + std::to_string(o->line);
    out.held.push_back(HeldRow{Problem{out.file, s.line, who_col + 1, heading[who_col],
                                       shown(person(answers.students[s.student])) + " also on line " + lines +
                                           ": no row of this student is graded"},
                               {s.student}});
  }
  std::sort(out.held.begin(), out.held.end(),
            [](const HeldRow& a, const HeldRow& b) { return a.problem.line < b.problem.line; });
  return out;
}

std::vector<double> default_weights(const Answers& answers) { return std::vector<double>(answers.results.size(), 1.0); }

std::vector<double> read_weights(std::string_view text, std::string_view file_name, const Answers& answers) {
  std::vector<double> w = default_weights(answers);
  std::vector<int> line_of(w.size(), 0);
  const Table table = read_table(text, file_name);
  Problems problems{std::string(file_name), nullptr, {}};
  for (std::size_t i = 0; i < table.records.size(); ++i) {
    const CsvRecord& rec = table.records[i];
    if (i == 0 && rec.cells.size() >= 1 && heading_word(rec.cells[0]) == "result") continue;
    if (rec.cells.size() != 2) {
      problems.add(rec.line, 0, "a row is \"result,weight\"");
      continue;
    }
    std::size_t r = 0;
    while (r < answers.results.size() && !same_text(rec.cells[0], answers.results[r].key)) ++r;
    if (r == answers.results.size()) {
      problems.add(rec.line, 1, "no result " + in_quotes(rec.cells[0]) + " in " + shown(answers.file));
      continue;
    }
    if (line_of[r]) {
      problems.add(rec.line, 1, shown(answers.results[r].key) + " already on line " + std::to_string(line_of[r]));
      continue;
    }
    // Weights are relative: a bound far above any use keeps the weighted
    // sums finite (weights near 1e308 made every total empty).
    const auto v = read_written_number(rec.cells[1], table.decimal_comma);
    if (!v || !v->rest.empty() || v->value < 0 || v->value > 1e6) {
      problems.add(rec.line, 2, in_quotes(rec.cells[1]) + " is not a weight (a number from 0 to 1000000)");
      continue;
    }
    w[r] = v->value;
    line_of[r] = rec.line;
  }
  problems.raise();
  double sum = 0;
  for (double x : w) sum += x;
  if (!(sum > 0)) throw InputError(file_name, 0, "every weight is 0");
  return w;
}

}  // namespace analysis::grading
