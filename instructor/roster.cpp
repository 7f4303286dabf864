#include "instructor/roster.hpp"

#include <algorithm>
#include <map>

#include "analysis/grading.hpp"
#include "analysis/table_text.hpp"
#include "labcore/replies.hpp"

namespace instructor {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

using analysis::lower;

bool parse_seed(std::string_view text, std::int32_t& seed) { return labcore::parse_int32(trim(text), seed); }

// 64-bit FNV-1a, stable across machines and releases.
std::uint64_t fnv1a(std::string_view text, std::uint64_t h = 14695981039346656037ull) {
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

void derive_seeds(std::string_view course, std::string_view name, std::int32_t& seed1, std::int32_t& seed2) {
  const std::uint64_t h1 = fnv1a(name, fnv1a("\n", fnv1a(course)));
  const std::uint64_t h2 = fnv1a(name, fnv1a("\n", fnv1a(course, fnv1a("second seed"))));
  seed1 = static_cast<std::int32_t>(1 + h1 % 2147483562u);
  seed2 = static_cast<std::int32_t>(1 + h2 % 2147483562u);
}

bool read_roster(std::string_view text, std::string_view course, Roster& roster, std::string& error) {
  roster = Roster{};
  std::vector<Student>& students = roster.students;
  analysis::Table table;
  try {
    // Separator, encoding and quoting as a spreadsheet or course site
    // writes them; lines starting with '#' are comments.
    table = analysis::read_table(text, "roster", {.comments = true});
  } catch (const analysis::InputError& e) {
    const analysis::Problem& p = e.problems().front();
    error = (p.line > 0 ? "roster line " + std::to_string(p.line) + ": " : std::string()) + p.what;
    return false;
  }
  // The table's notes name the file "roster, line N": the roster's own
  // messages say "roster line N".
  for (const std::string& note : table.notes)
    roster.warnings.push_back(note.rfind("roster, line ", 0) == 0 ? "roster line " + note.substr(13) : note);
  // The columns: by the heading when there is one, else name[,seed1,seed2].
  constexpr std::size_t none = std::string::npos;
  std::size_t name_col = 0, seed1_col = 1, seed2_col = 2, id_col = none, columns = 0;
  std::vector<std::string> heading;
  auto where = [&](int line, std::size_t column) {
    std::string w = "roster line " + std::to_string(line);
    if (column != none) {
      w += ", column " + std::to_string(column + 1);
      if (column < heading.size() && !heading[column].empty()) w += " (" + heading[column] + ")";
    }
    return w + ": ";
  };
  auto refuse = [&](int line, std::size_t column, const std::string& what) {
    error = where(line, column) + what;
    return false;
  };
  std::size_t first = 0;
  if (!table.records.empty()) {
    const auto& cells = table.records[0].cells;
    const bool is_heading = std::any_of(cells.begin(), cells.end(), [](const std::string& f) {
      const std::string h = lower(trim(f));
      return h == "name" || h == "student";
    });
    if (is_heading) {
      first = 1;
      const int line = table.records[0].line;
      name_col = seed1_col = seed2_col = none;
      columns = cells.size();
      for (const std::string& c : cells) heading.emplace_back(trim(c));
      std::vector<std::size_t> ids;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::string h = lower(heading[c]);
        if (analysis::grading::is_identifier_heading(h)) {
          ids.push_back(c);
          continue;
        }
        std::size_t* slot = h == "name" || h == "student" ? &name_col : h == "seed1" ? &seed1_col
                            : h == "seed2"                ? &seed2_col
                                                          : nullptr;
        if (slot == nullptr)
          return refuse(line, c,
                        "unknown column; a roster's columns are name, seed1, seed2 and an identifier (student "
                        "number, id, username, e-mail, ...)");
        if (*slot != none) return refuse(line, c, "a second column " + heading[c] + " (column " +
                                                     std::to_string(*slot + 1) + ")");
        *slot = c;
      }
      // Several identifier columns: the student number before an id, a
      // user name, an e-mail address.
      for (std::size_t c : ids) {
        if (id_col == none ||
            analysis::grading::identifier_rank(heading[c]) < analysis::grading::identifier_rank(heading[id_col])) {
          id_col = c;
        } else if (analysis::grading::identifier_rank(heading[c]) ==
                   analysis::grading::identifier_rank(heading[id_col])) {
          return refuse(line, c, "a second identifier column of the kind of " + heading[id_col] + " (column " +
                                     std::to_string(id_col + 1) + "): keep one of them");
        }
      }
      if (id_col != none) {
        roster.id_heading = heading[id_col];
        for (std::size_t c : ids)
          if (c != id_col)
            roster.warnings.push_back(where(line, c) + "another identifier; " + roster.id_heading +
                                      " (column " + std::to_string(id_col + 1) + ") is taken (student numbers "
                                      "before ids, user names and e-mail addresses), " + heading[c] + " left out");
      }
      if (name_col == none) return refuse(line, none, "no column name");
      if ((seed1_col == none) != (seed2_col == none)) return refuse(line, none, "seed1 and seed2 come together");
    }
  }
  std::map<std::string, int> name_count, id_line;
  for (std::size_t r = first; r < table.records.size(); ++r) {
    const analysis::CsvRecord& rec = table.records[r];
    const int line_no = rec.line;
    const std::vector<std::string>& fields = rec.cells;
    auto field = [&](std::size_t c) { return c < fields.size() ? std::string(trim(fields[c])) : std::string(); };
    Student s;
    s.line = line_no;
    s.name = field(name_col);
    if (s.name.empty()) return refuse(line_no, name_col, "the student's name is empty");
    if (s.name.find_first_of("\r\n") != std::string::npos)
      return refuse(line_no, name_col, "the name holds a line break (a quoted cell over two lines?)");
    if (columns != 0 && fields.size() > columns)
      return refuse(line_no, none, std::to_string(fields.size()) + " fields, the heading names " + std::to_string(columns));
    if (columns == 0 && fields.size() != 1 && fields.size() != 3)
      return refuse(line_no, none,
                    "expected: name or name,seed1,seed2 (" + std::to_string(fields.size()) + " fields found)");
    if (id_col != none) {
      s.id = field(id_col);
      if (s.id.empty()) {
        roster.warnings.push_back(where(line_no, id_col) + "no " + roster.id_heading + " for " + s.name +
                                  ": the class knows this student by name only");
      } else {
        const auto [at, fresh] = id_line.emplace(s.id, line_no);
        if (!fresh)
          return refuse(line_no, id_col, roster.id_heading + " " + s.id + " is on line " + std::to_string(at->second) + " too");
      }
    }
    const std::string seed1 = seed1_col == none ? std::string() : field(seed1_col);
    const std::string seed2 = seed2_col == none ? std::string() : field(seed2_col);
    if (seed1.empty() && seed2.empty()) {
      if (course.empty())
        return refuse(line_no, none,
                      "no seeds for " + s.name + "; give them in the roster or give a course word to derive them");
      if (!s.id.empty()) {
        // From the identifier: namesakes differ, and the seeds stay when the
        // name is spelled anew.
        derive_seeds(course, "id\n" + s.id, s.seed1, s.seed2);
      } else if (const int n = ++name_count[s.name]; n == 1) {
        derive_seeds(course, s.name, s.seed1, s.seed2);
      } else {
        derive_seeds(course, s.name + "\n" + std::to_string(n), s.seed1, s.seed2);
        roster.warnings.push_back("roster line " + std::to_string(line_no) + ": " + s.name + " again (student " +
                                  std::to_string(n) + " of that name): seeds derived from the name and that number; "
                                  "an identifier column tells namesakes apart for good");
      }
      s.derived = true;
    } else if (seed1.empty() != seed2.empty()) {
      // Derived seeds for the empty one would hand out a data set no one
      // asked for: the row is refused.
      const bool first_missing = seed1.empty();
      return refuse(line_no, first_missing ? seed1_col : seed2_col,
                    std::string("no ") + (first_missing ? "first" : "second") + " seed for " + s.name + ", though the " +
                        (first_missing ? "second" : "first") + " is given; give both seeds or neither");
    } else if (!parse_seed(seed1, s.seed1)) {
      return refuse(line_no, seed1_col, "the seeds of " + s.name + " must be whole numbers from -2147483648 to 2147483647");
    } else if (!parse_seed(seed2, s.seed2)) {
      return refuse(line_no, seed2_col, "the seeds of " + s.name + " must be whole numbers from -2147483648 to 2147483647");
    }
    students.push_back(std::move(s));
  }
  if (students.empty()) {
    error = "the roster names no student";
    return false;
  }
  std::map<std::pair<std::int32_t, std::int32_t>, const Student*> by_seeds;
  for (const Student& s : students) {
    const auto [at, fresh] = by_seeds.emplace(std::pair{s.seed1, s.seed2}, &s);
    if (!fresh)
      roster.warnings.push_back("roster lines " + std::to_string(at->second->line) + " and " + std::to_string(s.line) +
                                " have the same seeds " + std::to_string(s.seed1) + " " + std::to_string(s.seed2) +
                                ": " + at->second->name + " and " + s.name + " get the same data set");
  }
  return true;
}

}  // namespace instructor
