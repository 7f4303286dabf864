// Class rosters for batches of data sets: one student a row, with the
// student's seeds or with seeds derived from the name and a course word.
#pragma once

#include <cstdint>
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

// Seeds in 1..2147483562 made from the course word and the student's name:
// the same name and word always give the same pair.
void derive_seeds(std::string_view course, std::string_view name, std::int32_t& seed1, std::int32_t& seed2);

// Reads a roster. Rows are "name" or "name,seed1,seed2"; blank lines and
// lines starting with '#' are skipped. The text is read as spreadsheets
// and course sites write it (analysis::read_table): comma, semicolon or
// tab as the separator, a byte-order mark, UTF-16, Windows-1252 with a
// warning; a file that is no text (a workbook, NUL bytes) is refused. The
// first row may be a heading (any case): one naming a column "name" (or
// "student") gives the columns by their headings, in any order: name,
// seed1 and seed2, and an identifier (student number, id, username,
// e-mail, ...; see analysis::grading::is_identifier_heading). Of several
// identifier columns the first kind in that order is taken, with a
// warning; two of one kind are refused. A row without an identifier in a
// roster with that column is warned of.
// Rows without seeds take derived seeds, which need a course word: from the
// name, or from the identifier when the row has one. A second (third, ...)
// student of the same name without an identifier derives from the name and
// that number, with a warning; students sharing both seeds are warned of
// too. A row that gives one seed and leaves the other empty is refused. On
// a malformed row, returns false with a message naming its line and,
// where one is at fault, its column: "roster line 3, column 2 (seed1): ...".
bool read_roster(std::string_view text, std::string_view course, Roster& roster, std::string& error);

}  // namespace instructor
