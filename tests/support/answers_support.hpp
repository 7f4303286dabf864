// Helpers of the answer-sheet tests: the sheet of a committed data set,
// its results and workings by name, and data sets with edited cells.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "analysis/answer_sheet.hpp"
#include "labcore/registry.hpp"
#include "support/test_support.hpp"

namespace answers_test {

// The committed data set of `program` for seeds 12345 67890.
inline std::string expected_text(const std::string& program) {
  return labtest::read_file(labtest::expected_dir() / program / "12345_67890.csv");
}

// The sheet of `text` with the hidden values of seeds 12345 67890.
inline analysis::AnswerSheet sheet_of(const std::string& program, const std::string& text) {
  const labcore::Program& p = *labcore::find_program(program);
  const auto ds = labtest::data_set(p, 12345, 67890);
  return analysis::answer_sheet(p, text, ds.key, "Jane Doe", 12345, 67890);
}

inline const analysis::Result& result(const analysis::AnswerSheet& sheet, std::string_view key) {
  const analysis::Result* r = sheet.find(key);
  if (r == nullptr) throw std::runtime_error("no result " + std::string(key));
  return *r;
}

// The value of the route or null answer of `r` whose name begins with
// `name`.
inline double alternative(const analysis::Result& r, std::string_view name) {
  for (const auto* list : {&r.routes, &r.nulls})
    for (const analysis::Alternative& a : *list)
      if (std::string_view(a.name).starts_with(name)) return a.value;
  throw std::runtime_error("no route or null answer " + std::string(name) + " of " + r.key);
}

// Whether `v` lies within the tolerance of the result's expected value.
inline bool within(const analysis::Result& r, double v) { return std::fabs(v - r.value) <= r.tolerance; }

// Column `heading` of the table `title` of the workings.
inline const std::vector<double>& column(const analysis::AnswerSheet& sheet, const std::string& title,
                                         const std::string& heading) {
  for (const analysis::Workings& w : sheet.workings)
    if (w.title == title)
      for (const analysis::Column& c : w.columns)
        if (c.heading == heading) return c.values;
  throw std::runtime_error("no column " + heading + " in " + title);
}

// `text` with cell `cell` (0-based, split at commas) of the first `rows`
// numeric records after the first record at or after `from` that holds
// `marker` replaced by edit(old value), written with the printf format
// `format`. A record is numeric when its first non-blank character is a
// digit.
inline std::string edited(std::string text, std::size_t from, const std::string& marker, int rows,
                          std::size_t cell, const char* format, const std::function<double(double)>& edit) {
  const auto next_line = [&text](std::size_t at) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) throw std::runtime_error("the data set ends before the edited rows do");
    return end + 1;
  };
  const auto numeric = [&text](std::size_t at) {
    const std::size_t first = text.find_first_not_of(' ', at);
    return first != std::string::npos && std::isdigit(static_cast<unsigned char>(text[first]));
  };
  std::size_t at = text.find(marker, from);
  if (at == std::string::npos) throw std::runtime_error("no " + marker);
  at = next_line(at);
  for (int row = 0; row < rows; ++row, at = next_line(at)) {
    while (!numeric(at)) at = next_line(at);
    std::size_t start = at;
    for (std::size_t k = 0; k < cell; ++k) start = text.find(',', start) + 1;
    const std::size_t end = text.find(',', start);
    char value[32];
    std::snprintf(value, sizeof value, format, edit(std::stod(text.substr(start, end - start))));
    text.replace(start, end - start, value);
  }
  return text;
}

// A valid route or a null answer of a result against a number worked out
// independently: its value, and whether it earns full credit (a route must,
// a null answer must not).
struct AlternativeCheck {
  const char* key;
  const char* name;  // the start of the alternative's name
  double expected;
  bool route;        // false: a null answer
};
inline void expect_alternatives(const analysis::AnswerSheet& sheet, std::span<const AlternativeCheck> checks,
                                double relative) {
  for (const AlternativeCheck& c : checks) {
    SCOPED_TRACE(std::string(c.key) + (c.route ? ", route " : ", null answer ") + c.name);
    const analysis::Result& r = result(sheet, c.key);
    const double v = alternative(r, c.name);
    EXPECT_NEAR(v, c.expected, relative * std::fabs(c.expected));
    EXPECT_EQ(within(r, v), c.route) << v << " against " << r.value << " ± " << r.tolerance;
  }
}

}  // namespace answers_test
