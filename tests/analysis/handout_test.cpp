// The handouts: the catalogue of results against the sheets the analysis
// makes over a spread of the seed sweep, every number the sheet computes
// with given to the student (in the data set or the handout) or
// elementary, and the Markdown a handout is printed as.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "study/study.hpp"
#include "support/recording_sheet.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;

std::vector<const analysis::Analysis*> with_handout() {
  std::vector<const analysis::Analysis*> out;
  for (const analysis::Analysis* a : analysis::all_analyses())
    if (a->handout != nullptr) out.push_back(a);
  return out;
}

// Every analysis hands its student a handout: a class is made from its
// catalogue, and the handout states the constants the data set leaves out.
TEST(Handouts, EveryProgramWithAnAnalysisHasOne) {
  for (const analysis::Analysis* a : analysis::all_analyses())
    EXPECT_NE(a->handout, nullptr) << a->program;
  EXPECT_EQ(with_handout().size(), analysis::all_analyses().size());
}

std::string name_of(const ::testing::TestParamInfo<const analysis::Analysis*>& info) {
  return std::string(info.param->program);
}

class HandoutOf : public ::testing::TestWithParam<const analysis::Analysis*> {};

// The data set of the seeds and its sheet; false where the model fails for
// them (no data set) or the data set holds no answer.
bool graded(const analysis::Analysis& an, std::int32_t seed1, std::int32_t seed2, labtest::DataSet& ds,
            analysis::AnswerSheet& sheet) {
  try {
    ds = labtest::data_set(*labcore::find_program(an.program), seed1, seed2);
    sheet = analysis::answer_sheet(an, ds.text, ds.key, "Jane Doe", seed1, seed2);
    return true;
  } catch (const labcore::Failure&) {
    return false;
  } catch (const analysis::NoAnswer&) {
    return false;
  }
}

// Every key the sheets give is in the catalogue, once, with the sheet's
// unit, in the catalogue's order; a result the catalogue leaves to the
// workings is never graded.
TEST_P(HandoutOf, CatalogueHoldsEveryResultOfTheSheetsOnce) {
  const analysis::Analysis& an = *GetParam();
  const analysis::Handout& h = an.handout();
  std::set<std::string> keys;
  for (const analysis::HandoutResult& r : h.results) {
    EXPECT_FALSE(r.key.empty());
    EXPECT_FALSE(r.name.empty()) << r.key;
    EXPECT_TRUE(keys.insert(r.key).second) << r.key << " twice in the catalogue";
  }
  EXPECT_FALSE(h.data.empty());
  for (const auto& [seed1, seed2] : labtest::spread(labtest::sweep_seeds(), 60)) {
    labtest::DataSet ds;
    analysis::AnswerSheet sheet;
    if (!graded(an, seed1, seed2, ds, sheet)) continue;
    std::ptrdiff_t last = -1;
    for (const analysis::Result& r : sheet.results) {
      const analysis::HandoutResult* c = h.find(r.key);
      ASSERT_NE(c, nullptr) << "seeds " << seed1 << " " << seed2 << ": " << r.key << " is not in the catalogue";
      EXPECT_EQ(r.unit, c->unit) << r.key;
      const std::ptrdiff_t at = c - h.results.data();
      EXPECT_GT(at, last) << "seeds " << seed1 << " " << seed2 << ": " << r.key << " out of the catalogue's order";
      last = at;
      if (!c->not_graded.empty()) {
        EXPECT_FALSE(r.graded()) << r.key << " is left to the workings by the handout";
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Numbers the sheet computes with.

// The numeric literals of a text: a number starts with a digit (or a point
// before a digit) that follows no letter, digit, '$' or '_' (so the 13 of
// "B13" or "$B$13" and the 10 of "LOG10" are no numbers); text in quotes
// is left out. A C++ suffix (f, u, l) is dropped.
std::vector<double> literals(std::string_view text) {
  std::vector<double> out;
  const auto word = [](char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '$' ||
           static_cast<unsigned char>(ch) >= 0x80;
  };
  for (std::size_t i = 0; i < text.size();) {
    const char ch = text[i];
    if (ch == '"' || ch == '\'') {
      const std::size_t end = text.find(ch, i + 1);
      i = end == std::string_view::npos ? text.size() : end + 1;
    } else if (std::isdigit(static_cast<unsigned char>(ch)) ||
               (ch == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      std::size_t end = i;
      while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
      if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exp = end + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
        if (exp < text.size() && std::isdigit(static_cast<unsigned char>(text[exp]))) {
          end = exp;
          while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        }
      }
      out.push_back(std::strtod(std::string(text.substr(i, end - i)).c_str(), nullptr));
      i = end;
      while (i < text.size() && word(text[i])) ++i;  // 1.5f, 10u
    } else if (word(ch)) {
      while (i < text.size() && word(text[i])) ++i;
    } else {
      ++i;
    }
  }
  return out;
}

// Numbers anyone may write without being told: small whole numbers (a
// power, a count, an INDEX position), powers of ten (units, percent), a
// half and a quarter, 50 (the middle of a percentage scale), minutes and
// hours in seconds, and the constants of mathematics (√3 of the ternary
// diagram).
bool elementary(double v) {
  v = std::fabs(v);
  if (v == std::floor(v) && v <= 20) return true;
  for (int k = -15; k <= 15; ++k)
    if (v == std::pow(10.0, k) || std::fabs(v - std::pow(10.0, k)) <= 1e-15 * std::pow(10.0, k)) return true;
  const double known[] = {0.5, 0.25, 50, 60, 3600, 1.7320508075688772, 0.8660254037844386, 3.141592653589793,
                          2.302585092994046, 2.718281828459045};
  return std::any_of(std::begin(known), std::end(known), [&](double k) { return std::fabs(v - k) <= 1e-15 * k; });
}

bool among(double v, const std::vector<double>& values) {
  return std::any_of(values.begin(), values.end(),
                     [&](double x) { return std::fabs(std::fabs(v) - std::fabs(x)) <= 1e-12 * std::fabs(x); });
}

// Every number the handout states: its constants, and every number in
// its words (a convention "T(K) = t(°C) + 273.15", a method "at 30 bar").
std::vector<double> handout_numbers(const analysis::Handout& h) {
  std::vector<double> out;
  auto add = [&](std::string_view text) {
    for (double v : literals(text)) out.push_back(v);
  };
  add(h.task);
  add(h.data);
  for (const auto& c : h.constants) {
    out.push_back(c.value);
    add(c.name);
    add(c.use);
  }
  for (const auto& c : h.conventions) add(c);
  for (const auto& r : h.results) {
    add(r.name);
    add(r.method);
  }
  return out;
}

// The constants of an analysis's source: the initialisers of its
// `constexpr double` and `constexpr float` declarations (arrays and
// std::array of them too), comments left out. A constant that sets how a
// result is graded, not what the student computes with, is left out: one
// whose name ends in _tolerance, _floor or _least_relative, or that a
// result takes as its floor (`.absolute = name`, `.least_relative = name`).
struct SourceConstant {
  std::string declaration;
  std::vector<double> values;
};
std::vector<SourceConstant> source_constants(const std::string& source) {
  std::string code;  // the source without // comments
  std::istringstream in(source);
  for (std::string line; std::getline(in, line);) {
    const std::size_t comment = line.find("//");
    code += (comment == std::string::npos ? line : line.substr(0, comment)) + '\n';
  }
  std::vector<SourceConstant> out;
  for (std::size_t at = code.find("constexpr "); at != std::string::npos; at = code.find("constexpr ", at + 1)) {
    const std::size_t end = code.find(';', at);
    std::string decl = code.substr(at, end - at);
    std::replace(decl.begin(), decl.end(), '\n', ' ');
    const std::string type = decl.substr(10, decl.find_first_of(" <", 10) - 10);
    const bool real = type == "double" || type == "float" ||
                      decl.starts_with("constexpr std::array<double") || decl.starts_with("constexpr std::array<float");
    if (!real) continue;
    const std::size_t init = decl.find_first_of("={", decl.find_first_of(" >", 10) + 1);
    if (init == std::string::npos || decl.find('(') < init) continue;  // a function
    std::string name = decl.substr(0, init);
    while (!name.empty() && (name.back() == ' ' || name.back() == '[' || name.back() == ']')) name.pop_back();
    name = name.substr(name.rfind(' ') + 1);
    if (name.ends_with("_tolerance") || name.ends_with("_floor") || name.ends_with("_least_relative")) continue;
    const auto floor_of_a_result = [&](const std::string& field) {
      const std::string use = "." + field + " = " + name;
      for (std::size_t u = code.find(use); u != std::string::npos; u = code.find(use, u + 1)) {
        const char after = u + use.size() < code.size() ? code[u + use.size()] : ' ';
        if (!std::isalnum(static_cast<unsigned char>(after)) && after != '_') return true;
      }
      return false;
    };
    if (floor_of_a_result("absolute") || floor_of_a_result("least_relative")) continue;
    out.push_back({decl, literals(decl.substr(init))});
  }
  return out;
}

fs::path source_of(const analysis::Analysis& an) {
  std::string stem(an.program);
  stem = stem.substr(0, stem.size() - 4);  // without "_gen"
  for (const auto& dir : fs::directory_iterator(LAB_SOURCE_DIR))
    if (dir.is_directory() && fs::exists(dir.path() / (stem + "_answers.cpp")))
      return dir.path() / (stem + "_answers.cpp");
  return {};
}

// Every number in the workbook's formulas (a spread of the sweep) and in
// the analysis's constants is a value of the data set, a number the
// handout states, or elementary.
TEST_P(HandoutOf, EveryNumberTheSheetUsesIsGivenOrElementary) {
  const analysis::Analysis& an = *GetParam();
  const std::vector<double> stated = handout_numbers(an.handout());

  const fs::path source = source_of(an);
  ASSERT_FALSE(source.empty()) << "no source of the analysis of " << an.program;
  for (const SourceConstant& c : source_constants(labtest::read_file(source)))
    for (double v : c.values)
      EXPECT_TRUE(elementary(v) || among(v, stated))
          << source.filename().string() << ": " << v << " in \"" << c.declaration
          << "\" is neither in the handout nor elementary";

  if (an.workbook == nullptr) return;
  std::set<double> reported;  // each number once per program, with the first formula that uses it
  for (const auto& [seed1, seed2] : labtest::spread(labtest::sweep_seeds(), 8)) {
    labtest::DataSet ds;
    analysis::AnswerSheet sheet;
    if (!graded(an, seed1, seed2, ds, sheet)) continue;
    const analysis::DataSet data = analysis::DataSet::parse(ds.text);
    const analysis::Case cs(data, ds.key);
    labtest::RecordingSheet ws;
    an.workbook(cs, sheet, ws);
    std::vector<double> in_data;
    for (std::size_t r = 0; r < data.size(); ++r)
      for (std::size_t c = 0; c < data.cells(r).size(); ++c)
        if (const auto v = data.number(r, c)) in_data.push_back(*v);
    std::vector<std::string> formulas;
    for (const auto& c : ws.columns) formulas.insert(formulas.end(), c.formulas.begin(), c.formulas.end());
    for (const auto& v : ws.values) formulas.push_back(v.formula);
    for (const auto& [key, f] : ws.results) formulas.push_back(f);
    for (const std::string& f : formulas)
      for (double v : literals(f))
        if (!elementary(v) && !among(v, stated) && !among(v, in_data) && reported.insert(v).second)
          ADD_FAILURE() << "seeds " << seed1 << " " << seed2 << ": " << v << " in the formula =" << f
                        << " is neither in the data set nor in the handout nor elementary";
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, HandoutOf, ::testing::ValuesIn(with_handout()), name_of);

TEST(HandoutNumbers, LiteralsOfFormulasAndSourcesAndWhatIsElementary) {
  EXPECT_EQ(literals("-8.314462618*$B$14+LN(101325)-Data!$A$13/LOG10(E13)^2"),
            (std::vector<double>{8.314462618, 101325, 2}));
  EXPECT_EQ(literals("INDEX(LINEST(K5:K9,L5:M9),1,3)*1E-3+.5+'Sheet 2'!A1+\"7\""),
            (std::vector<double>{1, 3, 1e-3, 0.5}));
  EXPECT_EQ(literals("{30.0, 75.0, 125.0f}; 3.0 / 8.0"), (std::vector<double>{30, 75, 125, 3, 8}));
  const auto found = source_constants(
      "constexpr double gas_constant = 8.314;  // J/(mol K), not 1.5\n"
      "constexpr int steps = 7;\nconstexpr std::array<double, 2> at{30.0,\n 75.0};\n"
      "constexpr double rounding(double unit) { return 0.5 * unit; }\nconstexpr double u = rounding(1e-3);\n"
      "constexpr double boiling_point_floor = 0.4;\nconstexpr double cut[] = {0.02};\n"
      "  constexpr double plait_least_relative = 0.035;\nconstexpr double spread = 0.03;\n"
      "constexpr double spreads = 0.05;\nResult r{.absolute = spread, .relative = false};\n");
  ASSERT_EQ(found.size(), 5u);  // the last: spreads, which no result takes as its floor
  EXPECT_EQ(found[0].values, std::vector<double>{8.314});
  EXPECT_EQ(found[1].values, (std::vector<double>{30, 75}));
  EXPECT_EQ(found[2].values, std::vector<double>{1e-3});
  EXPECT_EQ(found[3].values, std::vector<double>{0.02});
  EXPECT_EQ(found[4].values, std::vector<double>{0.05});
  for (double v : {0.0, 2.0, 20.0, 1e-3, 100.0, 0.5, 1.7320508075688772}) EXPECT_TRUE(elementary(v)) << v;
  for (double v : {21.0, 8.314, 273.15, 0.02, 160.0, 0.511}) EXPECT_FALSE(elementary(v)) << v;
}

// ---------------------------------------------------------------------------
// The Markdown of a handout.

TEST(HandoutMarkdown, SectionsTablesAndResultsLeftToTheWorkings) {
  const analysis::Handout h{
      .task = "Find k.",
      .data = "Rows of t and A.\n\n",
      .constants = {{.name = "ε·l", .value = 160, .unit = "L/mol", .use = "A | [Br2]"}},
      .conventions = {"t in s"},
      .results = {{.key = "k", .name = "rate constant", .unit = "L/(mol·s)", .method = "slope"},
                  {.key = "n", .name = "order"},
                  {.key = "r(1)", .name = "rate of run 1", .unit = "mol/(L·s)", .not_graded = "shown in the workings"}},
  };
  std::ostringstream out;
  analysis::print_handout(out, *labcore::find_program("bromination_gen"), h);
  const std::string md = out.str();
  EXPECT_EQ(md.rfind("# Project10: Bromination of Acetone\n\nYour data set was written by `bromination_gen`", 0), 0u);
  EXPECT_NE(md.find("Find k.\n\n## Your data set\n\nRows of t and A.\n\n## Constants you need\n"), std::string::npos);
  EXPECT_NE(md.find("| ε·l | 160 | L/mol | A \\| [Br2] |\n"), std::string::npos);
  EXPECT_NE(md.find("## Conventions\n\n- t in s\n"), std::string::npos);
  EXPECT_NE(md.find("| `k` | rate constant | L/(mol·s) | slope |\n| `n` | order |  | any sound method |\n\n"),
            std::string::npos);
  EXPECT_NE(md.find("## Left to your workings (not graded)\n\n- `r(1)`, rate of run 1 (mol/(L·s)): shown in the "
                    "workings\n"),
            std::string::npos);
  EXPECT_EQ(md.find("| `r(1)`"), std::string::npos);
}

}  // namespace
