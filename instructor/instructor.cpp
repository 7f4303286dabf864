#include "instructor/instructor.hpp"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "instructor/roster.hpp"
#include "labcore/datafile.hpp"
#include "labcore/registry.hpp"
#include "labcore/replies.hpp"

namespace instructor {

namespace {

namespace fs = std::filesystem;
using labcore::HiddenValue;
using labcore::Program;

constexpr int kUsage = 2;

const char* const kUsageText =
    "usage:\n"
    "  lab_instructor key PROGRAM SEED1 SEED2 [--csv]\n"
    "      the hidden values of one data set\n"
    "  lab_instructor batch PROGRAM ROSTER.csv OUTDIR [--course WORD]\n"
    "      one data set per roster row (name, or name,seed1,seed2) and a key file\n"
    "  lab_instructor verify DATASET.csv\n"
    "      whether a data set is exactly what its program writes for its seeds\n";

std::string format_value(const HiddenValue& h) {
  char buf[64];
  std::to_chars_result r{};
  switch (h.kind) {
    case labcore::Value::Kind::real4:
      // Eight significant digits: every float value, as a person reads it.
      r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(h.real), std::chars_format::general, 8);
      break;
    case labcore::Value::Kind::real8:
      r = std::to_chars(buf, buf + sizeof buf, h.real);
      break;
    default:
      r = std::to_chars(buf, buf + sizeof buf, h.integer);
      break;
  }
  return std::string(buf, r.ptr);
}

const Program* program_named(const std::string& name, std::ostream& err) {
  if (const Program* p = labcore::find_program(name)) return p;
  err << "no program named " << name << "; the programs are:\n";
  for (const Program* p : labcore::all_programs()) err << "  " << p->name << '\n';
  return nullptr;
}

struct Generated {
  std::string text;
  std::vector<HiddenValue> key;
  std::vector<std::string> failure;  // terminal records when the model failed
};

Generated generate(const Program& program, std::string_view name, std::int32_t s1, std::int32_t s2) {
  Generated g;
  labcore::StringSink sink;
  try {
    labcore::write_data_set(program, name, s1, s2, sink, &g.key);
  } catch (const labcore::Failure& f) {
    g.failure = f.records();
  }
  g.text = std::move(sink.text);
  return g;
}

// The words after a command: its operands and its options.
struct Words {
  std::vector<std::string> pos;
  bool csv = false;
  std::string course;
};

Words split_words(const std::vector<std::string>& args) {
  Words w;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--csv")
      w.csv = true;
    else if (args[i] == "--course" && i + 1 < args.size())
      w.course = args[++i];
    else
      w.pos.push_back(args[i]);
  }
  return w;
}

// The program named by the first of three operands, or nothing (with the
// reason on err).
const Program* program_operand(const Words& w, std::ostream& err) {
  if (w.pos.size() != 3) {
    err << kUsageText;
    return nullptr;
  }
  return program_named(w.pos[0], err);
}

int key(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Words w = split_words(args);
  const std::vector<std::string>& pos = w.pos;
  const bool csv = w.csv;
  const Program* program = program_operand(w, err);
  if (program == nullptr) return kUsage;
  std::int32_t s1 = 0, s2 = 0;
  if (!labcore::parse_int32(pos[1], s1) || !labcore::parse_int32(pos[2], s2)) {
    err << "the seeds must be whole numbers from -2147483648 to 2147483647\n";
    return kUsage;
  }
  const Generated g = generate(*program, "", s1, s2);
  if (csv) {
    out << "name,value\n";
    for (const HiddenValue& h : g.key) out << csv_cell(h.name) << ',' << format_value(h) << '\n';
  } else {
    out << program->name << ", seeds " << s1 << ' ' << s2 << '\n';
    std::size_t width = 4;
    for (const HiddenValue& h : g.key) width = std::max(width, h.name.size());
    for (const HiddenValue& h : g.key)
      out << "  " << h.name << std::string(width - h.name.size() + 2, ' ') << format_value(h) << '\n';
  }
  if (!g.failure.empty()) {
    err << "these seeds make the model fail; the program says:\n";
    for (const std::string& r : g.failure) err << r << '\n';
    return labcore::exit_computation_failed;
  }
  return 0;
}

int batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress) {
  const Words w = split_words(args);
  const std::vector<std::string>& pos = w.pos;
  const std::string& course = w.course;
  const Program* program = program_operand(w, err);
  if (program == nullptr) return kUsage;
  std::ifstream in(pos[1], std::ios::binary);
  if (!in) {
    err << "cannot read the roster " << pos[1] << '\n';
    return kUsage;
  }
  std::stringstream text;
  text << in.rdbuf();
  std::vector<Student> students;
  std::string error;
  if (!read_roster(text.str(), course, students, error)) {
    err << pos[1] << ": " << error << '\n';
    return kUsage;
  }
  const fs::path outdir = pos[2];
  std::error_code ec;
  fs::create_directories(outdir, ec);
  if (!fs::is_directory(outdir)) {
    err << "cannot make the folder " << outdir.string() << '\n';
    return kUsage;
  }

  // File names first, all of them new, so that nothing is overwritten and
  // a batch is either written whole or not started.
  std::vector<std::string> files;
  std::map<std::string, int> used;
  for (const Student& s : students) {
    std::string stem = file_stem(s.name);
    if (stem.empty()) stem = "student_line" + std::to_string(s.line);
    const int n = ++used[stem];
    if (n > 1) stem += "_" + std::to_string(n);
    files.push_back(stem + ".csv");
  }
  const std::string key_file = std::string(program->name) + "_key.csv";
  int clashes = 0;
  for (const std::string& f : files) {
    if (fs::exists(fs::symlink_status(outdir / f))) {
      err << (outdir / f).string() << " exists already\n";
      ++clashes;
    }
  }
  if (fs::exists(fs::symlink_status(outdir / key_file))) {
    err << (outdir / key_file).string() << " exists already\n";
    ++clashes;
  }
  if (clashes > 0) {
    err << "nothing written: choose an empty folder\n";
    return labcore::exit_file_not_created;
  }

  std::vector<std::string> columns;
  std::map<std::string, bool> known;
  std::vector<std::vector<HiddenValue>> keys;
  std::vector<bool> failed;
  int failures = 0;
  for (std::size_t k = 0; k < students.size(); ++k) {
    const Student& s = students[k];
    if (progress) err << "\r  " << k + 1 << '/' << students.size() << "  " << s.name << "\x1b[K" << std::flush;
    Generated g = generate(*program, s.name, s.seed1, s.seed2);
    failed.push_back(!g.failure.empty());
    if (!g.failure.empty()) {
      if (progress) err << '\n';
      err << "roster line " << s.line << ", " << s.name << ": seeds " << s.seed1 << ' ' << s.seed2
          << " make the model fail; no data set written, give this student other seeds\n";
      ++failures;
    } else {
      labcore::DataFile file;
      if (!file.create(outdir / files[k])) {
        err << "cannot create " << (outdir / files[k]).string() << '\n';
        return labcore::exit_file_not_created;
      }
      file.record(std::string_view(g.text).substr(0, g.text.size() - 1));
      if (!file.close()) {
        err << "writing " << (outdir / files[k]).string() << " failed\n";
        return labcore::exit_write_failed;
      }
    }
    for (const HiddenValue& h : g.key)
      if (!known[h.name]) {
        known[h.name] = true;
        columns.push_back(h.name);
      }
    keys.push_back(std::move(g.key));
  }
  if (progress) err << '\n';

  std::ostringstream csv;
  csv << "student,file,seed1,seed2,seeds";
  for (const std::string& c : columns) csv << ',' << csv_cell(c);
  csv << '\n';
  for (std::size_t k = 0; k < students.size(); ++k) {
    const Student& s = students[k];
    csv << csv_cell(s.name) << ',' << (failed[k] ? std::string("(model failed)") : csv_cell(files[k])) << ','
        << s.seed1 << ',' << s.seed2 << ',' << (s.derived ? "derived" : "roster");
    std::map<std::string, std::string> values;
    for (const HiddenValue& h : keys[k]) values[h.name] = format_value(h);
    for (const std::string& c : columns) csv << ',' << values[c];
    csv << '\n';
  }
  labcore::DataFile key_out;
  if (!key_out.create(outdir / key_file)) {
    err << "cannot create " << (outdir / key_file).string() << '\n';
    return labcore::exit_file_not_created;
  }
  const std::string key_text = csv.str();
  key_out.record(std::string_view(key_text).substr(0, key_text.size() - 1));
  if (!key_out.close()) {
    err << "writing " << (outdir / key_file).string() << " failed\n";
    return labcore::exit_write_failed;
  }
  out << students.size() - static_cast<std::size_t>(failures) << " data sets of " << program->name << " written to "
      << outdir.string() << ", key in " << (outdir / key_file).string() << '\n';
  return failures > 0 ? labcore::exit_computation_failed : 0;
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// The seeds as the prologue of the program's dialog form records them.
bool read_seeds(const std::vector<std::string>& lines, labcore::Form form, std::int32_t& s1, std::int32_t& s2) {
  auto number_after = [](const std::string& line, std::string_view label, std::int32_t& v) {
    const std::size_t at = line.find(label);
    if (at == std::string::npos) return false;
    std::size_t p = at + label.size();
    while (p < line.size() && line[p] == ' ') ++p;
    std::size_t e = p;
    if (e < line.size() && line[e] == '-') ++e;
    while (e < line.size() && line[e] >= '0' && line[e] <= '9') ++e;
    auto [ptr, ec] = std::from_chars(line.data() + p, line.data() + e, v);
    return ec == std::errc() && ptr == line.data() + e && e > p;
  };
  for (std::size_t i = 3; i < lines.size() && i < 12; ++i) {
    const std::string& l = lines[i];
    switch (form) {
      case labcore::Form::A:
        if (number_after(l, "\"seed1: \",", s1) && i + 1 < lines.size() && number_after(lines[i + 1], "\"seed2: \",", s2))
          return true;
        break;
      case labcore::Form::B:
        if (number_after(l, "seed1: ,", s1) && i + 1 < lines.size() && number_after(lines[i + 1], "seed2: ,", s2))
          return true;
        break;
      case labcore::Form::C:
        if (number_after(l, "first seed:, ", s1) && number_after(l, ",second seed:, ", s2)) return true;
        break;
      case labcore::Form::D:
        if (number_after(l, "iseed1 = ", s1) && number_after(l, "iseed2 = ", s2)) return true;
        break;
    }
  }
  return false;
}

int verify(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsageText;
    return kUsage;
  }
  std::ifstream in(args[1], std::ios::binary);
  if (!in) {
    err << "cannot read " << args[1] << '\n';
    return kUsage;
  }
  std::stringstream buf;
  buf << in.rdbuf();
  const std::string text = buf.str();
  const std::vector<std::string> lines = split_lines(text);
  if (lines.size() < 3) {
    err << args[1] << ": not a data set of this suite (too short)\n";
    return kUsage;
  }
  const Program* program = nullptr;
  for (const Program* p : labcore::all_programs()) {
    labcore::StringSink header;
    labcore::Records(header).write(p->header_format);
    if (header.text == lines[0] + "\n") program = p;
  }
  if (program == nullptr) {
    err << args[1] << ": the first record names no program of this suite\n";
    return kUsage;
  }
  const std::string& name_record = lines[2];
  if (name_record.size() != 33 || name_record.front() != '"' || name_record.substr(31) != "\",") {
    err << args[1] << ": record 3 is not a student name record\n";
    return kUsage;
  }
  const std::string name = name_record.substr(1, 30);
  std::int32_t s1 = 0, s2 = 0;
  if (!read_seeds(lines, program->form, s1, s2)) {
    err << args[1] << ": the seed records cannot be read\n";
    return kUsage;
  }
  const Generated g = generate(*program, name, s1, s2);
  const std::vector<std::string> want = split_lines(g.text);
  out << args[1] << ": " << program->name << ", seeds " << s1 << ' ' << s2 << '\n';
  const bool ends_with_newline = !text.empty() && text.back() == '\n';
  for (std::size_t i = 0; i < std::max(lines.size(), want.size()); ++i) {
    const bool has_file = i < lines.size(), has_want = i < want.size();
    if (has_file && has_want && lines[i] == want[i]) continue;
    out << "record " << i + 1 << " differs:\n";
    out << "  in the file:      " << (has_file ? "\"" + lines[i] + "\"" : std::string("(no record)")) << '\n';
    out << "  program writes:   " << (has_want ? "\"" + want[i] + "\"" : std::string("(no record)")) << '\n';
    return 1;
  }
  if (!ends_with_newline) {
    out << "the last record has no line end\n";
    return 1;
  }
  out << "identical: the file is exactly what " << program->name << " writes for these seeds";
  if (!g.failure.empty()) out << " (a run that ends with the model's failure message)";
  out << '\n';
  return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress) {
  if (args.empty()) {
    err << kUsageText;
    return kUsage;
  }
  if (args[0] == "key") return key(args, out, err);
  if (args[0] == "batch") return batch(args, out, err, progress);
  if (args[0] == "verify") return verify(args, out, err);
  if (args[0] == "--help" || args[0] == "help") {
    out << kUsageText;
    return 0;
  }
  err << kUsageText;
  return kUsage;
}

}  // namespace instructor
