#include "instructor/roster.hpp"

#include "labcore/replies.hpp"

namespace instructor {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
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

std::string csv_cell(std::string_view text) {
  if (text.find_first_of(",\"\n\r") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string spreadsheet_safe_cell(std::string_view text) {
  if (!text.empty() && (text.front() == '=' || text.front() == '+' || text.front() == '-' || text.front() == '@'))
    return "'" + std::string(text);
  return std::string(text);
}

void derive_seeds(std::string_view course, std::string_view name, std::int32_t& seed1, std::int32_t& seed2) {
  const std::uint64_t h1 = fnv1a(name, fnv1a("\n", fnv1a(course)));
  const std::uint64_t h2 = fnv1a(name, fnv1a("\n", fnv1a(course, fnv1a("second seed"))));
  seed1 = static_cast<std::int32_t>(1 + h1 % 2147483562u);
  seed2 = static_cast<std::int32_t>(1 + h2 % 2147483562u);
}

std::string file_stem(std::string_view name) {
  std::string out;
  bool gap = false;
  for (unsigned char c : name) {
    // Letters beyond ASCII (UTF-8 bytes) are kept as they are.
    const bool keep = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c >= 0x80;
    if (keep) {
      if (gap && !out.empty()) out.push_back('_');
      out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
      gap = false;
    } else {
      gap = true;
    }
  }
  return out;
}

bool read_roster(std::string_view text, std::string_view course, std::vector<Student>& students,
                 std::string& error) {
  int line_no = 0;
  std::size_t start = 0;
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
    if (students.empty() && line_no == 1 && fields->size() >= 1 && trim((*fields)[0]) == "name") continue;
    Student s;
    s.line = line_no;
    s.name = std::string(trim((*fields)[0]));
    if (s.name.empty()) return where("the student's name is empty");
    if (fields->size() == 1 || (fields->size() == 3 && trim((*fields)[1]).empty() && trim((*fields)[2]).empty())) {
      if (course.empty())
        return where("no seeds for " + s.name + "; give them in the roster or give a course word to derive them");
      derive_seeds(course, s.name, s.seed1, s.seed2);
      s.derived = true;
    } else if (fields->size() == 3) {
      if (!parse_seed((*fields)[1], s.seed1) || !parse_seed((*fields)[2], s.seed2))
        return where("the seeds of " + s.name + " must be whole numbers from -2147483648 to 2147483647");
    } else {
      return where("expected: name or name,seed1,seed2 (" + std::to_string(fields->size()) + " fields found)");
    }
    students.push_back(std::move(s));
  }
  if (students.empty()) {
    error = "the roster names no student";
    return false;
  }
  return true;
}

}  // namespace instructor
