// Class rosters for batches of data sets: one student a row, with the
// student's seeds or with seeds derived from the name and a course word.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace instructor {

struct Student {
  int line = 0;  // line of the roster the row stands on
  std::string name;
  std::int32_t seed1 = 0;
  std::int32_t seed2 = 0;
  bool derived = false;  // seeds made from the name (or identifier) and the course word
  std::string id;        // student number or e-mail, when the roster has an identifier column
};

struct Roster {
  std::string id_heading;  // the identifier column's heading as written; empty when none
  std::vector<Student> students;
  std::vector<std::string> warnings;  // namesakes, students sharing seeds
};

// The fields of one CSV line; a field in double quotes may hold commas and
// doubled quotes. Nothing when the quotes do not close.
std::optional<std::vector<std::string>> split_csv(std::string_view line);

// Seeds in 1..2147483562 made from the course word and the student's name:
// the same name and word always give the same pair.
void derive_seeds(std::string_view course, std::string_view name, std::int32_t& seed1, std::int32_t& seed2);

// Reads a roster. Rows are "name" or "name,seed1,seed2"; blank lines and
// lines starting with '#' are skipped. The first row may be a heading (a
// byte-order mark before it, any case): one naming a column "name" gives
// the columns by their headings, in any order: name, seed1 and seed2, and
// an identifier (id, student number, e-mail, ...; see
// analysis::grading::is_identifier_heading).
// Rows without seeds take derived seeds, which need a course word: from the
// name, or from the identifier when the row has one. A second (third, ...)
// student of the same name without an identifier derives from the name and
// that number, with a warning; students sharing both seeds are warned of
// too. A row that gives one seed and leaves the other empty is refused. On
// a malformed row, returns false with a message naming its line (and the
// column, for a missing seed).
bool read_roster(std::string_view text, std::string_view course, Roster& roster, std::string& error);

}  // namespace instructor
