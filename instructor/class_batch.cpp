#include "instructor/class_batch.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "analysis/grading.hpp"
#include "analysis/safe_text.hpp"
#include "analysis/table_text.hpp"
#include "instructor/class_key.hpp"
#include "instructor/solution_files.hpp"
#include "instructor/text_io.hpp"
#include "labcore/datafile.hpp"

namespace instructor {

namespace fs = std::filesystem;
using analysis::lower;

namespace {

// The data set of each student, exactly as the interactive program writes it.
class DataSetOutput final : public BatchOutput {
 public:
  std::string student_file_ending() const override { return ".csv"; }
  bool add(ClassFolder& folder, const BatchStudent& s, std::string& error) override {
    if (s.failed()) return true;
    const std::string name = s.stem + ".csv";
    return folder.write(name, s.generated.text, error);
  }
};

// The key: one row per student with the seeds and every hidden value. The
// columns are the hidden values' names in the order they first appear, so
// the heading is known only at the end: the rows go to a scratch file as
// the students are generated, each led by the number of value cells it
// has, and are copied under the heading, padded to the full width, at the
// end.
class KeyOutput final : public BatchOutput {
 public:
  // `columns`: the hidden values' columns to begin with (a class's, when
  // late students join it), so that their rows line up with its rows.
  KeyOutput(const labcore::Program& program, std::string id_heading, const std::vector<std::string>& columns)
      : name_(key_file_name(program)), id_heading_(std::move(id_heading)) {
    for (const std::string& c : columns) column_of_.try_emplace(c, columns_.size()), columns_.push_back(c);
  }
  std::vector<std::string> class_files() const override { return {name_}; }

  bool begin(ClassFolder& folder, std::string& error) override {
    return folder.create(scratch_name(), rows_, error, Access::instructor, false);
  }

  bool add(ClassFolder&, const BatchStudent& s, std::string& error) override {
    (void)error;
    std::vector<std::string> values(columns_.size());
    for (const labcore::HiddenValue& h : s.generated.key) {
      auto [at, added] = column_of_.try_emplace(h.name, columns_.size());
      if (added) {
        columns_.push_back(h.name);
        values.emplace_back();
      }
      values[at->second] = format_value(h);
    }
    std::string row = std::to_string(values.size()) + ' ';
    row += analysis::text_cell(s.student.name);
    row += ',';
    if (!id_heading_.empty()) row += analysis::text_cell(s.student.id) + ',';
    row += s.failed() ? std::string("(model failed)") : analysis::text_cell(s.stem + ".csv");
    row += ',' + std::to_string(s.student.seed1) + ',' + std::to_string(s.student.seed2) + ',';
    row += s.student.derived ? "derived" : "roster";
    for (const std::string& v : values) row += ',' + v;
    rows_.record(row);
    return true;
  }

  bool finish(ClassFolder& folder, std::string& error) override {
    const std::string where = (folder.target() / name_).string();
    if (!folder.close(rows_, name_, error)) return false;
    labcore::DataFile key;
    if (!folder.create(name_, key, error, Access::instructor)) return false;
    std::string heading = "student,";
    if (!id_heading_.empty()) heading += analysis::text_cell(id_heading_) + ',';
    heading += "file,seed1,seed2,seeds";
    for (const std::string& c : columns_) heading += ',' + analysis::csv_cell(c);
    key.record(heading);
    std::ifstream rows(folder.working(scratch_name()), std::ios::binary);
    std::string line;
    while (std::getline(rows, line)) {
      const std::size_t space = line.find(' ');
      std::size_t cells = 0;
      std::from_chars(line.data(), line.data() + space, cells);
      line.erase(0, space + 1);
      line.append(columns_.size() - cells, ',');
      key.record(line);
    }
    if (rows.bad() || !rows.eof()) {
      error = "reading back the rows of " + where + " failed";
      return false;
    }
    return folder.close(key, name_, error);
  }

 private:
  std::string scratch_name() const { return "." + name_ + ".rows"; }

  std::string name_, id_heading_;
  labcore::DataFile rows_;
  std::vector<std::string> columns_;
  std::map<std::string, std::size_t> column_of_;
};

// answers.csv and results_template.csv: a row each per student, written as
// the student is generated, from the answer sheet of the student's data
// set. The columns are the graded results of the program's catalogue (its
// handout), so every sheet fits them: a result a student's data set does
// not give is an empty cell in that row. A program without a handout yet
// takes its columns from the first sheet, and refuses a later sheet with
// other results; the students before that first sheet whose data set the
// analysis cannot read are held until then (their rows have empty cells).
class AnswersOutput final : public BatchOutput {
 public:
  AnswersOutput(const analysis::Analysis& analysis, std::string id_heading, analysis::TolerancePolicy policy,
                std::vector<std::string>& notes, bool routes)
      : analysis_(analysis), id_heading_(std::move(id_heading)), policy_(policy), notes_(notes), routes_(routes) {
    if (analysis_.handout != nullptr) {
      columns_ = analysis::grading::result_columns(analysis_.handout());
      started_ = true;
    }
  }
  std::vector<std::string> class_files() const override { return {kAnswersFile, kTemplateFile}; }

  bool begin(ClassFolder& folder, std::string& error) override {
    if (!folder.create(kAnswersFile, answers_, error, Access::instructor) ||
        !folder.create(kTemplateFile, template_, error))
      return false;
    if (started_) write_headings();
    return true;
  }

  bool add(ClassFolder&, const BatchStudent& s, std::string& error) override {
    if (s.failed()) return true;  // no data set, nothing to answer
    analysis::AnswerSheet sheet;
    try {
      sheet = analysis::answer_sheet(analysis_, s.generated.text, s.generated.key, s.student.name, s.student.seed1,
                                     s.student.seed2, policy_);
    } catch (const analysis::AnalysisError& e) {
      notes_.push_back("roster line " + std::to_string(s.student.line) + ", " + s.student.name +
                       ": the analysis cannot read this data set (" + e.what() + "); the answers row is empty");
      // The reason every result of the row is not graded, for the feedback.
      const std::string why = dynamic_cast<const analysis::NoAnswer*>(&e) != nullptr
                                  ? std::string("it holds no answer (") + e.what() + ")"
                                  : std::string("the analysis cannot read it (") + e.what() + ")";
      if (!started_) {
        pending_.emplace_back(s.student, why);
        return true;
      }
      sheet = blank(s.student, why);
    }
    if (!started_) {
      started_ = true;
      columns_ = analysis::grading::result_columns(sheet);
      write_headings();
      for (const auto& [p, why] : pending_) write(blank(p, why), p.id);
      pending_.clear();
    } else if (analysis_.handout == nullptr && analysis::grading::result_columns(sheet) != columns_) {
      error = "the answer sheet of " + s.student.name + " has other results than the first student's";
      return false;
    }
    for (const analysis::Result& r : sheet.results)
      if (r.graded() && std::none_of(columns_.begin(), columns_.end(), [&](const auto& c) { return c.key == r.key; }) &&
          uncatalogued_.insert(r.key).second)
        notes_.push_back("roster line " + std::to_string(s.student.line) + ", " + s.student.name + ": the result " +
                         r.key + " of the answer sheet is not in the handout's list of results; left out of " +
                         kAnswersFile + " for every student");
    write(sheet, s.student.id);
    return true;
  }

  bool finish(ClassFolder& folder, std::string& error) override {
    if (!started_) write_headings();  // no sheet at all: headings of the name and seeds only
    return folder.close(answers_, kAnswersFile, error) && folder.close(template_, kTemplateFile, error);
  }

 private:
  // The row of a student whose data set the analysis cannot read: every
  // result not graded, for that reason.
  analysis::AnswerSheet blank(const Student& s, const std::string& why) const {
    analysis::AnswerSheet b;
    b.student = s.name;
    b.seed1 = s.seed1;
    b.seed2 = s.seed2;
    for (const auto& c : columns_) b.add(analysis::Result{.key = c.key, .unit = c.unit, .not_graded = why});
    return b;
  }
  void write_headings() {
    answers_.record(analysis::grading::answers_csv_heading(columns_, id_heading_, routes_));
    template_.record(analysis::grading::results_template_heading(columns_, id_heading_));
  }
  void write(const analysis::AnswerSheet& sheet, const std::string& id) {
    answers_.record(analysis::grading::answers_csv_row(columns_, sheet, id_heading_, id, routes_));
    template_.record(analysis::grading::results_template_row(columns_, sheet, id_heading_, id));
  }

  const analysis::Analysis& analysis_;
  std::string id_heading_;
  analysis::TolerancePolicy policy_;
  std::vector<std::string>& notes_;
  bool routes_;  // the routes columns (a class made before them has none)
  labcore::DataFile answers_, template_;
  bool started_ = false;
  std::vector<analysis::grading::ResultColumn> columns_;
  std::set<std::string> uncatalogued_;  // results of sheets that are no column, noted once each
  std::vector<std::pair<Student, std::string>> pending_;  // with the reason their rows are empty
};

// handout.md: the student's handout of the program, once for the class.
class HandoutOutput final : public BatchOutput {
 public:
  HandoutOutput(const labcore::Program& program, const analysis::Handout& handout)
      : program_(program), handout_(handout) {}
  std::vector<std::string> class_files() const override { return {kHandoutFile}; }
  bool appends_rows() const override { return false; }
  bool begin(ClassFolder& folder, std::string& error) override {
    std::ostringstream text;
    analysis::print_handout(text, program_, handout_);
    return folder.write(kHandoutFile, text.str(), error);
  }
  bool add(ClassFolder&, const BatchStudent&, std::string&) override { return true; }

 private:
  const labcore::Program& program_;
  const analysis::Handout& handout_;
};

// The names every output will write, and the endings of its student files.
struct Plan {
  std::vector<std::string> endings, class_files, growing, fixed;
};

Plan plan_of(const BatchOutputs& outputs) {
  Plan p;
  for (const auto& o : outputs) {
    if (const std::string e = o->student_file_ending(); !e.empty()) p.endings.push_back(e);
    for (const std::string& f : o->class_files()) {
      p.class_files.push_back(f);
      (o->appends_rows() ? p.growing : p.fixed).push_back(f);
    }
  }
  return p;
}

// Every student through every output, into the open folder; nothing is
// committed. Returns 0 or the exit status with the reason on err.
int write_students(const labcore::Program& program, const std::vector<Student>& students,
                   const std::vector<std::string>& stems, ClassFolder& folder, BatchOutputs& outputs,
                   std::ostream& err, bool progress, BatchCounts& counts) {
  std::string error;
  auto failed = [&](int status) {
    if (progress) err << '\n';
    err << shown(error, 4096) << "\nnothing written to " << shown(folder.target().string(), 4096) << '\n';
    return status;
  };
  for (const auto& o : outputs)
    if (!o->begin(folder, error)) return failed(labcore::exit_write_failed);
  counts = {};
  for (std::size_t k = 0; k < students.size(); ++k) {
    const Student& s = students[k];
    if (progress) err << "\r  " << k + 1 << '/' << students.size() << "  " << shown(s.name, 60) << "\x1b[K" << std::flush;
    const Generated g = generate(program, s.name, s.seed1, s.seed2);
    const BatchStudent bs{s, stems[k], g};
    if (bs.failed()) {
      if (progress) err << '\n';
      err << "roster line " << s.line << ", " << shown(s.name) << ": seeds " << s.seed1 << ' ' << s.seed2
          << " make the model fail; no data set written, give this student other seeds\n";
      ++counts.failed;
    } else {
      ++counts.written;
    }
    for (const auto& o : outputs)
      if (!o->add(folder, bs, error)) return failed(labcore::exit_write_failed);
  }
  if (progress) err << '\n';
  for (const auto& o : outputs)
    if (!o->finish(folder, error)) return failed(labcore::exit_write_failed);
  return 0;
}

int commit(ClassFolder& folder, std::ostream& err) {
  std::string error;
  const int status = folder.commit(error);
  if (status != 0)
    err << shown(error, 4096) << "\nnothing written to " << shown(folder.target().string(), 4096) << '\n';
  return status;
}

// Identifier headings compared as a person reads them: case, blanks and
// underscores aside.
std::string heading_key(std::string_view h) {
  std::string out;
  for (char c : h) {
    if (c == '_' || c == '\t') c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The class's students as the roster names them: by identifier when the
// row has one and the class has identifiers, else by name and occurrence
// (the second Sam Lee of the roster is the class's second Sam Lee, whether
// or not the class knows an identifier of hers).
class ClassMembers {
 public:
  explicit ClassMembers(const ClassKey& key) : key_(key) {}
  const KeyStudent* find(const Student& s) {
    if (!s.id.empty() && !key_.id_heading.empty()) {
      for (const KeyStudent& k : key_.students)
        if (lower(k.id) == lower(s.id)) return &k;
      return nullptr;
    }
    int n = ++occurrence_[s.name];
    for (const KeyStudent& k : key_.students)
      if (k.name == s.name && --n == 0) return &k;
    return nullptr;
  }

 private:
  const ClassKey& key_;
  std::map<std::string, int> occurrence_;
};

// batch into a folder that holds this very class already (the same
// settings, every roster student with the same seeds, no other, every data
// set there): the run that made it was stopped after its commit.
bool same_class(const labcore::Program& program, const std::vector<Student>& students,
                const ClassSettings& settings, const fs::path& outdir) {
  ClassSettings there;
  std::string error;
  if (read_settings(outdir, there, error) != SettingsFile::found) return false;
  if (there.program != settings.program || there.course != settings.course || there.relative != settings.relative ||
      there.workbooks != settings.workbooks || there.id_heading != settings.id_heading)
    return false;
  ClassKey key;
  if (!read_class_key(outdir, program, key, error) || key.students.size() != students.size()) return false;
  ClassMembers members(key);
  for (const Student& s : students) {
    const KeyStudent* k = members.find(s);
    if (k == nullptr || k->seed1 != s.seed1 || k->seed2 != s.seed2) return false;
    struct stat st{};
    if (k->file != "(model failed)" && ::lstat((outdir / k->file).c_str(), &st) != 0) return false;
  }
  return true;
}

// A class file's text with the new students' rows added: the headings must
// agree (a byte-order mark and CR LF line ends of a re-saved file set
// aside); the rows follow the old file's line ends.
bool extended(std::string old_text, const std::string& new_text, std::string& text, std::string& why) {
  auto heading = [](const std::string& t) {
    std::string_view h(t);
    if (h.substr(0, 3) == "\xEF\xBB\xBF") h.remove_prefix(3);
    h = h.substr(0, h.find('\n'));
    if (!h.empty() && h.back() == '\r') h.remove_suffix(1);
    return h;
  };
  const std::size_t new_end = new_text.find('\n');
  if (old_text.find('\n') == std::string::npos || new_end == std::string::npos ||
      heading(old_text) != heading(new_text)) {
    why = "its heading is not that of the new students' rows:\n  the class's: \"" + shown(heading(old_text), 600) +
          "\"\n  the new:     \"" + shown(heading(new_text), 600) + "\"";
    return false;
  }
  const bool crlf = old_text.find("\r\n") == old_text.find('\n') - 1;
  if (old_text.back() != '\n') old_text += crlf ? "\r\n" : "\n";
  std::string rows = new_text.substr(new_end + 1);
  if (crlf) {
    std::string with_cr;
    for (char c : rows) {
      if (c == '\n') with_cr += '\r';
      with_cr += c;
    }
    rows = std::move(with_cr);
  }
  text = old_text + rows;
  return true;
}

}  // namespace

std::string key_file_name(const labcore::Program& program) { return std::string(program.name) + "_key.csv"; }

BatchOutputs class_outputs(const labcore::Program& program, const ClassSettings& settings,
                           std::vector<std::string>& notes, const std::vector<std::string>& key_columns,
                           bool answers_routes) {
  const analysis::TolerancePolicy policy{.relative = settings.relative / 100};
  BatchOutputs outputs;
  outputs.push_back(std::make_unique<DataSetOutput>());
  outputs.push_back(std::make_unique<KeyOutput>(program, settings.id_heading, key_columns));
  if (const analysis::Analysis* a = analysis::find_analysis(program.name)) {
    outputs.push_back(std::make_unique<AnswersOutput>(*a, settings.id_heading, policy, notes, answers_routes));
    if (a->handout != nullptr) outputs.push_back(std::make_unique<HandoutOutput>(program, a->handout()));
    if (settings.workbooks) outputs.push_back(workbook_output(program, policy));
  }
  return outputs;
}

std::vector<std::string> plan_stems(const std::vector<Student>& students, const std::vector<std::string>& endings,
                                    const std::vector<std::string>& taken) {
  std::vector<std::string> base;
  for (const Student& s : students) {
    std::string stem = analysis::file_stem(s.name);
    if (stem.empty()) stem = "student_line" + std::to_string(s.line);
    base.push_back(std::move(stem));
  }
  return analysis::unique_stems(base, endings, taken);
}

int write_batch(const labcore::Program& program, const std::vector<Student>& students,
                const ClassSettings& settings, const fs::path& outdir, std::ostream& err, bool progress,
                BatchCounts& counts, std::vector<std::string>& notes) {
  BatchOutputs outputs = class_outputs(program, settings, notes);
  Plan plan = plan_of(outputs);
  plan.class_files.push_back(kSettingsFile);
  const std::vector<std::string> stems = plan_stems(students, plan.endings, plan.class_files);

  ClassFolder folder;
  std::string error;
  if (const int status = folder.open(outdir, err, error)) {
    err << shown(error, 4096) << '\n';
    return status;
  }
  // Every name first, all of them new, so that nothing is overwritten.
  std::vector<std::string> names = plan.class_files;
  for (const std::string& stem : stems)
    for (const std::string& e : plan.endings) names.push_back(stem + e);
  const std::vector<std::string> clashes = folder.existing(names);
  if (!clashes.empty() && same_class(program, students, settings, outdir)) {
    counts = {};
    counts.already = true;
    return 0;
  }
  for (const std::string& n : clashes) err << shown((outdir / n).string(), 4096) << " exists already\n";
  if (!clashes.empty()) {
    err << "nothing written: choose an empty folder";
    if (!folder.existing({kSettingsFile}).empty()) err << " (batch --add adds students to the class there)";
    err << '\n';
    return labcore::exit_file_not_created;
  }
  if (const int status = write_students(program, students, stems, folder, outputs, err, progress, counts))
    return status;
  if (!folder.write(kSettingsFile, settings_text(settings), error)) {
    err << shown(error, 4096) << "\nnothing written to " << shown(outdir.string(), 4096) << '\n';
    return labcore::exit_write_failed;
  }
  return commit(folder, err);
}

int add_to_class(const labcore::Program& program, std::string_view roster_text, const std::string& roster_name,
                 const AddRequest& request, const fs::path& outdir, std::ostream& err, bool progress,
                 BatchCounts& counts, std::vector<std::string>& notes) {
  const std::string where = shown(outdir.string(), 4096), roster_where = shown(roster_name, 4096);
  auto refuse = [&](const std::string& why) {
    err << why << "\nnothing added to " << where << '\n';
    return labcore::exit_input_error;
  };
  struct stat st{};
  if (::stat(outdir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return refuse(where + " is no class folder: --add needs the folder of an earlier batch of " +
                  std::string(program.name));
  // The class is read under its lock: a run that adds to it meanwhile
  // waits, so that no row is lost.
  ClassFolder folder;
  std::string error;
  if (const int status = folder.open(outdir, err, error)) {
    err << shown(error, 4096) << '\n';
    return status;
  }
  ClassSettings settings;
  const SettingsFile found = read_settings(outdir, settings, error);
  if (found == SettingsFile::unreadable) return refuse(shown(error, 4096));
  ClassKey key;
  if (!read_class_key(outdir, program, key, error))
    return refuse(shown(error, 4096) + "\n--add needs the class folder of an earlier batch of " +
                  std::string(program.name));
  const ClassSettings& given = request.settings;
  bool settings_change = false;
  if (found == SettingsFile::found) {
    const std::string file = where + "/" + kSettingsFile;
    if (settings.program != program.name)
      return refuse(where + " is a class of " + shown(settings.program) + " (" + file + ")");
    if (request.relative_given && given.relative != settings.relative)
      return refuse("the class was made with --relative " + shown(std::to_string(settings.relative)) +
                    " (" + file + "); late students get the same tolerance: leave --relative out");
    if (!given.course.empty() && !settings.course.empty() && given.course != settings.course)
      return refuse("the class's seeds are derived with --course " + shown(settings.course) + " (" + file +
                    "); leave --course out");
    if (given.workbooks && !settings.workbooks)
      return refuse("the class was made without solution workbooks (" + file +
                    "); a workbook for late students only would leave the class half with them");
    if (settings.course.empty() && !given.course.empty()) {
      settings.course = given.course;  // remembered from now on
      settings_change = true;
    }
  } else {
    // A class of an earlier version: the words given now, the identifier
    // of its key, and workbooks when its first student has one.
    settings = given;
    settings.program = program.name;
    settings.id_heading = key.id_heading;
    if (!key.students.empty()) {
      const std::string& f = key.students.front().file;
      if (f.size() > 4 && ::lstat((outdir / (f.substr(0, f.size() - 4) + ".xlsx")).c_str(), &st) == 0)
        settings.workbooks = true;
    }
    notes.push_back(where + " has no " + kSettingsFile +
                    " (a class of an earlier version): the late students get --relative " +
                    std::to_string(settings.relative) + (settings.workbooks ? " and workbooks" : ", no workbooks"));
  }

  Roster roster;
  if (!read_roster(roster_text, settings.course, roster, error)) return refuse(roster_where + ": " + shown(error, 4096));
  for (const std::string& warning : roster.warnings) err << roster_where << ": " << shown(warning, 4096) << '\n';
  if (!roster.id_heading.empty() && heading_key(roster.id_heading) != heading_key(key.id_heading)) {
    if (key.id_heading.empty() && found == SettingsFile::absent) {
      err << "the class has no identifier column: the roster's " << shown(roster.id_heading)
          << " is not carried into it\n";
    } else {
      return refuse(roster_where + ": the roster's identifier column is " + shown(roster.id_heading) +
                    (key.id_heading.empty() ? std::string(", the class has none")
                                            : ", the class's is " + shown(key.id_heading)) +
                    ": give the late students under the class's heading (or without one)");
    }
  }

  ClassMembers members(key);
  std::vector<Student> fresh;
  for (const Student& s : roster.students) {
    const KeyStudent* known = members.find(s);
    if (known == nullptr) {
      for (const KeyStudent& k : key.students)
        if (k.seed1 == s.seed1 && k.seed2 == s.seed2)
          err << roster_where << ": roster line " << s.line << ", " << shown(s.name) << ": the same seeds as "
              << shown(k.name) << " of the class (key line " << k.line << "): the same data set\n";
      fresh.push_back(s);
      continue;
    }
    // Seeds the roster gives must be the class's; a row that asks for
    // derived seeds is the class's student with the seeds she has (derived
    // from her identifier, say, where this roster has only her name).
    if (!s.derived && (known->seed1 != s.seed1 || known->seed2 != s.seed2))
      return refuse(roster_where + ": roster line " + std::to_string(s.line) + ", " + shown(s.name) +
                    ": in the class with seeds " + std::to_string(known->seed1) + " " + std::to_string(known->seed2) +
                    " (key line " + std::to_string(known->line) + "), the roster gives " + std::to_string(s.seed1) +
                    " " + std::to_string(s.seed2));
    err << "roster line " << s.line << ", " << shown(s.name) << ": in the class already (" << shown(known->file)
        << "), skipped\n";
  }
  counts = {};
  if (fresh.empty()) return 0;

  std::vector<std::string> taken;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(outdir, ec)) taken.push_back(e.path().filename().string());
  if (ec) {
    err << "cannot read the folder " << where << ": " << ec.message() << '\n';
    return labcore::exit_file_not_created;
  }
  // answers.csv in the class's own layout: a class made before the routes
  // columns keeps its heading.
  bool answers_routes = true;
  {
    std::string answers_text;
    if (::lstat((outdir / kAnswersFile).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        read_bounded((outdir / kAnswersFile).string(), 1u << 30, answers_text, error))
      answers_routes = analysis::grading::answers_have_routes(answers_text.substr(0, answers_text.find('\n')));
  }
  BatchOutputs outputs = class_outputs(program, settings, notes, key.columns, answers_routes);
  const Plan plan = plan_of(outputs);
  // The tables are made aside and extended below; a file written once for
  // the class (the handout) stays as the class has it, and moves in only
  // where the class lacks it.
  folder.set_aside(plan.growing);
  folder.set_aside(folder.existing(plan.fixed));
  taken.insert(taken.end(), plan.class_files.begin(), plan.class_files.end());
  taken.push_back(kSettingsFile);
  const std::vector<std::string> stems = plan_stems(fresh, plan.endings, taken);
  if (const int status = write_students(program, fresh, stems, folder, outputs, err, progress, counts)) return status;

  // Each class file replaced by its old text with the new rows added.
  for (const std::string& name : plan.growing) {
    std::string old_text, new_text, text, why;
    if (::lstat((outdir / name).c_str(), &st) != 0 && errno == ENOENT) {
      notes.push_back(where + " has no " + name + " (a class of an earlier version): left without one");
      continue;
    }
    // A symbolic link is not followed: its target is not the class's file.
    if (S_ISLNK(st.st_mode)) return refuse(where + "/" + name + " is a symbolic link, not a file of the class");
    if (!read_bounded((outdir / name).string(), 1u << 30, old_text, error) ||
        !read_bounded(folder.aside(name).string(), 1u << 30, new_text, error))
      return refuse(shown(error, 4096));
    if (!extended(std::move(old_text), new_text, text, why)) return refuse(where + "/" + name + ": " + why);
    if (!folder.replace(name, text, error)) {
      err << shown(error, 4096) << "\nnothing added to " << where << '\n';
      return labcore::exit_write_failed;
    }
  }
  if (settings_change && !folder.replace(kSettingsFile, settings_text(settings), error)) {
    err << shown(error, 4096) << "\nnothing added to " << where << '\n';
    return labcore::exit_write_failed;
  }
  const int status = folder.commit(error);
  if (status != 0) err << shown(error, 4096) << "\nnothing added to " << where << '\n';
  return status;
}

}  // namespace instructor
