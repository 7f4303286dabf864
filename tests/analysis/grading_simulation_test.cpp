// Whole classes of simulated students for every program with an analysis,
// graded as the tool grades them: honest work never flagged, the usual
// cheats caught. The students' reports are made from the answer sheets
// of their own data sets: honest students report the expected value or
// a valid route of the sheet (the conventions a program declares among
// them, such as T = t + 273), rounded to 2, 3 or 4 significant figures;
// cheats hand in the key's values, a classmate's values, or the same
// made-up values as a classmate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/grading.hpp"
#include "labcore/registry.hpp"
#include "support/csv_cells.hpp"
#include "support/test_support.hpp"

namespace {

using namespace analysis;
using namespace analysis::grading;

// The data sets of a simulated class: their answer sheets and the
// columns of answers.csv.
struct ClassSheets {
  std::vector<ResultColumn> columns;
  std::vector<AnswerSheet> sheets;
};

std::vector<std::string> keys_of(const std::vector<ResultColumn>& columns) {
  std::vector<std::string> keys;
  for (const ResultColumn& c : columns) keys.push_back(c.key);
  return keys;
}

ClassSheets class_sheets(const Analysis& an, int data_sets, std::uint32_t start) {
  const labcore::Program& program = *labcore::find_program(an.program);
  ClassSheets c;
  std::vector<labcore::HiddenValue> key;
  labcore::StringSink sink;
  int n = 0;
  for (const auto& [seed1, seed2] : labtest::seed_pairs(data_sets, start)) {
    const std::string name = "Student " + std::to_string(n++);
    key.clear();
    sink.text.clear();
    try {
      labcore::write_data_set(program, name, seed1, seed2, sink, &key);
      c.sheets.push_back(answer_sheet(an, sink.text, key, name, seed1, seed2));
    } catch (const labcore::Failure&) {
    } catch (const AnalysisError&) {
      // a data set the model or the analysis gives up on: not in the class
    }
  }
  if (an.handout != nullptr) {
    c.columns = result_columns(an.handout());
  } else if (!c.sheets.empty()) {
    // A program without a catalogue yet: the sheets that share the
    // results most of them have, as a class of it would be.
    std::map<std::vector<std::string>, int> layouts;
    for (const AnswerSheet& s : c.sheets) {
      std::vector<std::string> keys;
      for (const Result& r : s.results) keys.push_back(r.key);
      if (++layouts[keys] > layouts[keys_of(c.columns)]) c.columns = result_columns(s);
    }
    std::erase_if(c.sheets, [&](const AnswerSheet& s) { return result_columns(s) != c.columns; });
  }
  return c;
}

std::string id_of(std::size_t i) { return "s" + std::to_string(1000 + i); }

std::string answers_text(const ClassSheets& c, bool routes) {
  std::string s = answers_csv_heading(c.columns, "id", routes) + "\n";
  for (std::size_t i = 0; i < c.sheets.size(); ++i)
    s += answers_csv_row(c.columns, c.sheets[i], "id", id_of(i), routes) + "\n";
  return s;
}

// A value to `digits` significant figures as a person writes it: 36000,
// 399.1, 0.00512 (an exponent only beyond that).
std::string rounded(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
  if (exponent < -4 || exponent > 14) return buf;
  std::snprintf(buf, sizeof buf, "%.*f", std::max(0, digits - 1 - exponent), std::atof(buf));
  return buf;
}

// The reports of a class, one vector of cells per student, as a results
// file in the template's layout.
std::string results_text(const ClassSheets& c, const std::vector<std::vector<std::string>>& cells) {
  std::string s = results_template_heading(c.columns, "id") + "\n";
  for (std::size_t i = 0; i < c.sheets.size(); ++i) {
    s += csv_cell(c.sheets[i].student) + "," + id_of(i) + "," + std::to_string(c.sheets[i].seed1) + "," +
         std::to_string(c.sheets[i].seed2);
    for (const std::string& cell : cells[i]) s += "," + csv_cell(cell);
    s += "\n";
  }
  return s;
}

// An honest report of each result: the expected value or one of the
// valid routes, rounded to 2, 3 or 4 significant figures; one result in
// ten, where the sheet names them, an honest mistake (a null answer).
std::vector<std::string> honest_report(const ClassSheets& c, const AnswerSheet& sheet, std::mt19937& rng) {
  std::vector<std::string> cells;
  for (const ResultColumn& col : c.columns) {
    const Result* r = sheet.find(col.key);
    if (r == nullptr || !r->graded()) {
      cells.emplace_back();
      continue;
    }
    std::vector<double> honest{r->value}, mistakes;
    for (const Alternative& a : r->routes)
      if (std::isfinite(a.value)) honest.push_back(a.value);
    for (const Alternative& a : r->nulls)
      if (std::isfinite(a.value)) mistakes.push_back(a.value);
    const std::vector<double>& from =
        !mistakes.empty() && std::uniform_int_distribution<int>(0, 9)(rng) == 0 ? mistakes : honest;
    const double v = from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    cells.push_back(rounded(v, std::uniform_int_distribution<int>(2, 4)(rng)));
  }
  return cells;
}

std::string flags_of(const Answers& a, const Grade& g) {
  std::string s;
  for (const Flag& f : g.flags) s += std::string(flag_name(f.kind)) + ": " + f.detail + "\n";
  return a.students[g.student].name + ":\n" + s;
}

class GradingSimulation : public ::testing::TestWithParam<const Analysis*> {};

// A thousand honest students, in five classes of the same two hundred
// data sets (so that classmates' values are as close as a class makes
// them), answers.csv with the routes columns for three classes and
// without (as a class made before them) for two: not one flag.
TEST_P(GradingSimulation, AThousandHonestStudentsNeverFlagged) {
  const Analysis& an = *GetParam();
  const ClassSheets c = class_sheets(an, 200, 20261207u);
  if (an.handout == nullptr && c.sheets.size() < 150)
    GTEST_SKIP() << an.program << " has no handout yet: its data sets have different results";
  ASSERT_GE(c.sheets.size(), 150u) << "the model or the analysis gave up on too many data sets";
  std::mt19937 rng(7);
  int students = 0, flagged = 0;
  for (int k = 0; k < 5; ++k) {
    const Answers answers = read_answers(answers_text(c, k < 3), "answers.csv");
    std::vector<std::vector<std::string>> cells;
    for (const AnswerSheet& s : c.sheets) cells.push_back(honest_report(c, s, rng));
    const Results results = read_results(results_text(c, cells), "results.csv", answers);
    ASSERT_TRUE(results.held.empty());
    const auto grades = grade(answers, results, default_weights(answers));
    for (const Grade& g : grades) {
      ++students;
      if (g.flagged() && flagged++ < 3) ADD_FAILURE() << "class " << k << ", " << flags_of(answers, g);
    }
  }
  EXPECT_EQ(flagged, 0) << "of " << students << " honest students";
}

// Two hundred students, one in five of each: the key's values handed in
// (the true value of every result that has one, to the eight digits the
// key writes), a classmate's expected values copied in full, the same
// made-up wrong values as a classmate (two students each), a classmate's
// values copied to four digits for two results, and honest work.
TEST_P(GradingSimulation, TheKeyAClassmatesValuesAndSharedWrongValuesCaught) {
  const Analysis& an = *GetParam();
  const ClassSheets c = class_sheets(an, 200, 20261208u);
  if (an.handout == nullptr && c.sheets.size() < 150)
    GTEST_SKIP() << an.program << " has no handout yet: its data sets have different results";
  ASSERT_GE(c.sheets.size(), 150u);
  const std::size_t n = c.sheets.size();
  std::mt19937 rng(11);
  enum Role { key, copy, made_up, four_digits, honest };
  std::vector<std::vector<std::string>> cells(n);
  std::vector<Role> role(n);
  for (std::size_t i = 0; i < n; ++i) {
    role[i] = static_cast<Role>(i % 5);
    const AnswerSheet& own = c.sheets[i];
    const AnswerSheet& next = c.sheets[(i + 1) % n];
    cells[i] = honest_report(c, own, rng);
    int copied = 0;
    for (std::size_t r = 0; r < c.columns.size(); ++r) {
      const Result* mine = own.find(c.columns[r].key);
      const Result* theirs = next.find(c.columns[r].key);
      if (mine == nullptr || !mine->graded()) continue;
      switch (role[i]) {
        case key:
          if (std::isfinite(mine->true_value)) cells[i][r] = rounded(mine->true_value, 8);
          break;
        case copy:
          if (theirs != nullptr && theirs->graded()) cells[i][r] = csv_number(theirs->value);
          break;
        case made_up: {
          // The pair's numbers, to five figures: the first student's
          // expected value a quarter or so off, by the first factor that
          // leaves it wrong for both students.
          const std::size_t first = i % 10 < 5 ? i : i - 5, second = first + 5;
          const Result* f = c.sheets[first].find(c.columns[r].key);
          const Result* g = second < n ? c.sheets[second].find(c.columns[r].key) : nullptr;
          if (f == nullptr || !f->graded()) break;
          for (double factor : {1.25, 0.77, 1.41, 0.63}) {
            const double v = factor * f->value + 3 * f->tolerance;
            if (g == nullptr || !g->graded() || (!full_credit(*g, v) && std::fabs(v - g->value) > 3 * g->tolerance)) {
              cells[i][r] = rounded(v, 5);
              break;
            }
          }
          break;
        }
        case four_digits:
          if (theirs != nullptr && theirs->graded() && copied < 2 && !full_credit(*mine, theirs->value)) {
            cells[i][r] = rounded(theirs->value, 4);
            ++copied;
          }
          break;
        case honest: break;
      }
    }
  }
  const Answers answers = read_answers(answers_text(c, true), "answers.csv");
  const Results results = read_results(results_text(c, cells), "results.csv", answers);
  const auto grades = grade(answers, results, default_weights(answers));
  // Where a flag is due: the key's values in two results or more (never
  // one result alone), a copied value that no honest work on the own data
  // gives (beyond the tolerance of the expected value, of every valid
  // route and of every null answer: a classmate's VE near 0 is what the
  // ideal-mixture mistake gives), made-up values in two results or more.
  auto beyond = [](const Result& mine, double v) {
    if (std::fabs(v - mine.value) <= mine.tolerance || full_credit(mine, v)) return false;
    for (const auto* list : {&mine.routes, &mine.nulls})
      for (const Alternative& a : *list)
        if (std::fabs(v - a.value) <= mine.tolerance) return false;
    return true;
  };
  int due[5] = {}, caught[5] = {}, wrongly = 0, lone_keys = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Grade& g = grades[i];
    const AnswerSheet& own = c.sheets[i];
    const AnswerSheet& next = c.sheets[(i + 1) % n];
    const std::size_t partner = i % 10 < 5 ? i + 5 : i - 5;
    int with_true = 0, graded = 0, copied_beyond = 0;
    for (const ResultColumn& col : c.columns) {
      const Result* mine = own.find(col.key);
      const Result* theirs = next.find(col.key);
      if (mine == nullptr || !mine->graded()) continue;
      ++graded;
      with_true += std::isfinite(mine->true_value) && mine->uncertainty > 0;
      copied_beyond += theirs != nullptr && theirs->graded() && beyond(*mine, theirs->value);
    }
    auto has = [&](FlagKind k, std::size_t other) {
      for (const Flag& f : g.flags)
        if (f.kind == k && (other == n || f.other == other)) return true;
      return false;
    };
    bool is_due = false, is_caught = false;
    switch (role[i]) {
      case key:
        is_due = with_true >= 2;
        is_caught = has(FlagKind::leaked, n);
        lone_keys += !is_due && is_caught;
        break;
      case copy:
        is_due = copied_beyond >= 1;
        is_caught = has(FlagKind::shared, n);  // the classmate's, or another's with the same values
        break;
      case made_up:
        is_due = partner < n && graded >= 2;
        is_caught = partner < n && has(FlagKind::identical, partner);
        break;
      case four_digits:
        is_due = true;  // counted, not required: two results at four digits may be chance in a class this size
        is_caught = has(FlagKind::shared, (i + 1) % n);
        break;
      case honest: break;
    }
    due[role[i]] += is_due;
    caught[role[i]] += is_due && is_caught;
    // Honest work is never flagged; no cheat gets a unit or seeds flag.
    for (const Flag& f : g.flags)
      if ((role[i] == honest || f.kind == FlagKind::unit || f.kind == FlagKind::seeds) && wrongly++ < 3)
        ADD_FAILURE() << "role " << role[i] << ", " << flags_of(answers, g);
  }
  EXPECT_EQ(wrongly, 0);
  EXPECT_EQ(lone_keys, 0) << "a leak flagged from one result";
  EXPECT_GE(caught[key], 0.95 * due[key]) << "the key's values";
  EXPECT_GE(caught[copy], 0.95 * due[copy]) << "a classmate's values in full";
  EXPECT_GE(caught[made_up], 0.95 * due[made_up]) << "the same made-up values";
  // Two results copied to four digits may be chance in a class this size:
  // counted for the record, not required.
  const char* names[] = {"key_caught", "copy_caught", "made_up_caught", "two_at_four_digits_caught"};
  for (int k = key; k <= four_digits; ++k)
    RecordProperty(names[k], std::to_string(caught[k]) + " of " + std::to_string(due[k]));
}

INSTANTIATE_TEST_SUITE_P(Programs, GradingSimulation,
                         ::testing::ValuesIn(all_analyses().begin(), all_analyses().end()),
                         [](const auto& info) { return std::string(info.param->program); });

}  // namespace
