#include "instructor/roster.hpp"

#include <map>

#include "analysis/grading.hpp"
#include "labcore/replies.hpp"

namespace instructor {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

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

std::optional<std::vector<std::string>> split_csv(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back().push_back('"');
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back().push_back(c);
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  if (quoted) return std::nullopt;
  return fields;
}

void derive_seeds(std::string_view course, std::string_view name, std::int32_t& seed1, std::int32_t& seed2) {
  const std::uint64_t h1 = fnv1a(name, fnv1a("\n", fnv1a(course)));
  const std::uint64_t h2 = fnv1a(name, fnv1a("\n", fnv1a(course, fnv1a("second seed"))));
  seed1 = static_cast<std::int32_t>(1 + h1 % 2147483562u);
  seed2 = static_cast<std::int32_t>(1 + h2 % 2147483562u);
}

bool read_roster(std::string_view text, std::string_view course, Roster& roster, std::string& error) {
  roster = Roster{};
  std::vector<Student>& students = roster.students;
  // A spreadsheet's export may begin with a byte-order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  int line_no = 0;
  std::size_t start = 0;
  bool first = true;
  // The columns: by the heading when there is one, else name[,seed1,seed2].
  std::size_t name_col = 0, seed1_col = 1, seed2_col = 2, id_col = std::string::npos, columns = 0;
  std::map<std::string, int> name_count, id_line;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trim(text.substr(start, end - start));
    start = end + 1;
    ++line_no;
    auto where = [&](const std::string& what) {
      error = "roster line " + std::to_string(line_no) + ": " + what;
      return false;
    };
    if (line.empty() || line.front() == '#') continue;
    const auto fields = split_csv(line);
    if (!fields) return where("a double quote is not closed");
    if (first) {
      first = false;
      bool heading = false;
      for (const std::string& f : *fields) heading = heading || lower(trim(f)) == "name";
      if (heading) {
        name_col = seed1_col = seed2_col = std::string::npos;
        columns = fields->size();
        for (std::size_t c = 0; c < fields->size(); ++c) {
          const std::string h = lower(trim((*fields)[c]));
          std::size_t* slot = h == "name" ? &name_col : h == "seed1" ? &seed1_col : h == "seed2" ? &seed2_col
                              : analysis::grading::is_identifier_heading(h) ? &id_col : nullptr;
          if (slot == nullptr)
            return where("unknown column " + std::string(trim((*fields)[c])) +
                         "; a roster's columns are name, seed1, seed2 and an identifier (id, student number, "
                         "e-mail, ...)");
          if (*slot != std::string::npos) return where("a second column " + std::string(trim((*fields)[c])));
          *slot = c;
          if (slot == &id_col) roster.id_heading = std::string(trim((*fields)[c]));
        }
        if ((seed1_col == std::string::npos) != (seed2_col == std::string::npos))
          return where("seed1 and seed2 come together");
        continue;
      }
    }
    auto field = [&](std::size_t c) {
      return c < fields->size() ? std::string(trim((*fields)[c])) : std::string();
    };
    Student s;
    s.line = line_no;
    s.name = field(name_col);
    if (s.name.empty()) return where("the student's name is empty");
    if (columns != 0 && fields->size() > columns)
      return where(std::to_string(fields->size()) + " fields, the heading names " + std::to_string(columns));
    if (columns == 0 && fields->size() != 1 && fields->size() != 3)
      return where("expected: name or name,seed1,seed2 (" + std::to_string(fields->size()) + " fields found)");
    if (id_col != std::string::npos) {
      s.id = field(id_col);
      if (!s.id.empty()) {
        const auto [at, fresh] = id_line.emplace(s.id, line_no);
        if (!fresh) return where(roster.id_heading + " " + s.id + " is on line " + std::to_string(at->second) + " too");
      }
    }
    const std::string seed1 = seed1_col == std::string::npos ? std::string() : field(seed1_col);
    const std::string seed2 = seed2_col == std::string::npos ? std::string() : field(seed2_col);
    if (seed1.empty() && seed2.empty()) {
      if (course.empty())
        return where("no seeds for " + s.name + "; give them in the roster or give a course word to derive them");
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
      const bool first = seed1.empty();
      return where("column " + std::to_string((first ? seed1_col : seed2_col) + 1) + ": no " +
                   (first ? "first" : "second") + " seed for " + s.name + ", though the " + (first ? "second" : "first") +
                   " is given; give both seeds or neither");
    } else if (!parse_seed(seed1, s.seed1) || !parse_seed(seed2, s.seed2)) {
      return where("the seeds of " + s.name + " must be whole numbers from -2147483648 to 2147483647");
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
