#include "instructor/class_key.hpp"

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"
#include "instructor/class_batch.hpp"
#include "instructor/generate.hpp"
#include "instructor/text_io.hpp"

namespace instructor {

namespace {

// A key is a few hundred bytes a student.
constexpr std::size_t kMaxKeyBytes = 256u << 20;

}  // namespace

bool read_class_key(const std::filesystem::path& outdir, const labcore::Program& program, ClassKey& key,
                    std::string& error) {
  key = ClassKey{};
  const std::string path = (outdir / key_file_name(program)).string();
  std::string text;
  if (!read_bounded(path, kMaxKeyBytes, text, error)) return false;
  try {
    const auto records = analysis::grading::read_csv(text, path);
    if (records.empty()) {
      error = path + ": empty";
      return false;
    }
    const auto& heading = records[0].cells;
    std::size_t name = heading.size(), id = heading.size(), file = heading.size(), s1 = heading.size(),
                s2 = heading.size();
    for (std::size_t c = 0; c < heading.size(); ++c) {
      if (heading[c] == "student") name = c;
      else if (heading[c] == "file") file = c;
      else if (heading[c] == "seed1") s1 = c;
      else if (heading[c] == "seed2") s2 = c;
      else if (heading[c] == "seeds") key.columns.assign(heading.begin() + static_cast<std::ptrdiff_t>(c) + 1, heading.end());
      else if (c == 1 && analysis::grading::is_identifier_heading(heading[c])) {
        id = c;
        key.id_heading = heading[c];
      }
    }
    if (name == heading.size() || file == heading.size() || s1 == heading.size() || s2 == heading.size()) {
      error = path + ", line 1: not the heading of a class key (student,file,seed1,seed2,...)";
      return false;
    }
    for (std::size_t r = 1; r < records.size(); ++r) {
      const auto& cells = records[r].cells;
      auto cell = [&](std::size_t c) { return c < cells.size() ? cells[c] : std::string(); };
      KeyStudent s;
      s.line = records[r].line;
      // A name that would start a formula is kept as text with a leading
      // apostrophe (analysis::text_cell); the name is what follows.
      s.name = analysis::text_of_cell(cell(name));
      if (id != heading.size()) s.id = analysis::text_of_cell(cell(id));
      s.file = cell(file);
      const auto v1 = analysis::grading::parse_number(cell(s1)), v2 = analysis::grading::parse_number(cell(s2));
      if (!v1 || !v2) {
        error = path + ", line " + std::to_string(s.line) + ": the seeds cannot be read";
        return false;
      }
      s.seed1 = static_cast<std::int32_t>(*v1);
      s.seed2 = static_cast<std::int32_t>(*v2);
      key.students.push_back(std::move(s));
    }
  } catch (const analysis::grading::GradingError& e) {
    error = e.what();
    return false;
  }
  return true;
}

std::string class_mismatch(const ClassKey& key, const DataSetCheck& check) {
  std::vector<const KeyStudent*> owners;
  for (const KeyStudent& s : key.students)
    if (s.seed1 == check.seed1 && s.seed2 == check.seed2) owners.push_back(&s);
  const std::string in_file = "the file names \"" + check.student + "\"";
  if (owners.empty())
    return in_file + ", and its seeds " + std::to_string(check.seed1) + " " + std::to_string(check.seed2) +
           " are no student's of the class";
  // The name as the program writes it for each owner of these seeds.
  std::string names;
  for (const KeyStudent* s : owners) {
    const Generated g = generate(*check.program, s->name, s->seed1, s->seed2);
    const std::size_t first = g.text.find('\n'), second = g.text.find('\n', first + 1),
                      third = g.text.find('\n', second + 1);
    if (second != std::string::npos && g.text.substr(second + 1, third - second - 1) == check.name_record) return {};
    names += (names.empty() ? "" : " and ") + s->name + (s->id.empty() ? "" : " (" + s->id + ")");
  }
  return in_file + ", but its seeds " + std::to_string(check.seed1) + " " + std::to_string(check.seed2) +
         " were handed to " + names;
}

std::string file_name_mismatch(const ClassKey& key, const std::filesystem::path& path, const DataSetCheck& check) {
  const std::string name = path.filename().string();
  for (const KeyStudent& s : key.students) {
    if (s.file != name || (s.seed1 == check.seed1 && s.seed2 == check.seed2)) continue;
    std::string owners;
    for (const KeyStudent& o : key.students)
      if (o.seed1 == check.seed1 && o.seed2 == check.seed2)
        owners += (owners.empty() ? "" : " and ") + o.name + (o.id.empty() ? "" : " (" + o.id + ")");
    return "the file is named " + name + ", the data set of " + s.name + (s.id.empty() ? "" : " (" + s.id + ")") +
           " in the key, but holds the seeds " + std::to_string(check.seed1) + " " + std::to_string(check.seed2) +
           (owners.empty() ? std::string(", no student's of the class") : " of " + owners);
  }
  return {};
}

}  // namespace instructor
