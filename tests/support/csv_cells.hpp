// The cells of a CSV record as the instructor's tool reads them, for the
// tests of the class files (the tests of the programs alone, built for
// every platform, do without the instructor's side).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/table_text.hpp"

namespace labtest {

// The cells of one CSV record (quotes taken off).
inline std::vector<std::string> cells(std::string_view record) {
  const auto records = analysis::read_csv(record, "record");
  return records.empty() ? std::vector<std::string>{} : records.front().cells;
}

}  // namespace labtest
