#include "instructor/class_batch.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <charconv>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "analysis/grading.hpp"
#include "instructor/text_io.hpp"
#include "labcore/datafile.hpp"
#include "analysis/answer_sheet.hpp"

namespace instructor {

namespace fs = std::filesystem;

namespace {

// The data set of each student, exactly as the interactive program writes it.
class DataSetOutput final : public BatchOutput {
 public:
  std::string student_file_ending() const override { return ".csv"; }
  bool add(StagedFolder& folder, const BatchStudent& s, std::string& error) override {
    if (s.failed()) return true;
    const std::string name = s.stem + ".csv";
    labcore::DataFile file;
    if (!folder.create(name, file, error)) return false;
    const std::string& text = s.generated.text;
    file.record(std::string_view(text).substr(0, text.size() - 1));
    if (!file.close()) {
      error = "writing " + (folder.target() / name).string() + " failed: " + std::strerror(errno);
      return false;
    }
    return true;
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
  KeyOutput(const labcore::Program& program, std::string id_heading)
      : name_(key_file_name(program)), id_heading_(std::move(id_heading)) {}
  std::vector<std::string> class_files() const override { return {name_}; }

  bool begin(StagedFolder& folder, std::string& error) override {
    return folder.create(scratch_name(), rows_, error, false);
  }

  bool add(StagedFolder&, const BatchStudent& s, std::string& error) override {
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
    row += csv_cell(spreadsheet_safe_cell(s.student.name));
    row += ',';
    if (!id_heading_.empty()) row += csv_cell(spreadsheet_safe_cell(s.student.id)) + ',';
    row += s.failed() ? std::string("(model failed)") : csv_cell(s.stem + ".csv");
    row += ',' + std::to_string(s.student.seed1) + ',' + std::to_string(s.student.seed2) + ',';
    row += s.student.derived ? "derived" : "roster";
    for (const std::string& v : values) row += ',' + v;
    rows_.record(row);
    return true;
  }

  bool finish(StagedFolder& folder, std::string& error) override {
    const std::string where = (folder.target() / name_).string();
    if (!rows_.close()) {
      error = "writing " + where + " failed: " + std::strerror(errno);
      return false;
    }
    labcore::DataFile key;
    if (!folder.create(name_, key, error)) return false;
    std::string heading = "student,";
    if (!id_heading_.empty()) heading += csv_cell(id_heading_) + ',';
    heading += "file,seed1,seed2,seeds";
    for (const std::string& c : columns_) heading += ',' + csv_cell(c);
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
    if (!key.close()) {
      error = "writing " + where + " failed: " + std::strerror(errno);
      return false;
    }
    return true;
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
                std::vector<std::string>& notes)
      : analysis_(analysis), id_heading_(std::move(id_heading)), policy_(policy), notes_(notes) {
    if (analysis_.handout != nullptr) {
      columns_ = analysis::grading::result_columns(analysis_.handout());
      started_ = true;
    }
  }
  std::vector<std::string> class_files() const override { return {kAnswersFile, kTemplateFile}; }

  bool begin(StagedFolder& folder, std::string& error) override {
    if (!folder.create(kAnswersFile, answers_, error) || !folder.create(kTemplateFile, template_, error)) return false;
    if (started_) write_headings();
    return true;
  }

  bool add(StagedFolder&, const BatchStudent& s, std::string& error) override {
    if (s.failed()) return true;  // no data set, nothing to answer
    analysis::AnswerSheet sheet;
    try {
      sheet = analysis::answer_sheet(analysis_, s.generated.text, s.generated.key, s.student.name, s.student.seed1,
                                     s.student.seed2, policy_);
    } catch (const analysis::AnalysisError& e) {
      notes_.push_back("roster line " + std::to_string(s.student.line) + ", " + s.student.name +
                       ": the analysis cannot read this data set (" + e.what() + "); the answers row is empty");
      if (!started_) {
        pending_.push_back(s.student);
        return true;
      }
      sheet = blank(s.student);
    }
    if (!started_) {
      started_ = true;
      columns_ = analysis::grading::result_columns(sheet);
      write_headings();
      for (const Student& p : pending_) write(blank(p), p.id);
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

  bool finish(StagedFolder& folder, std::string& error) override {
    if (!started_) write_headings();  // no sheet at all: headings of the name and seeds only
    for (auto [file, name] : {std::pair{&answers_, kAnswersFile}, std::pair{&template_, kTemplateFile}})
      if (!file->close()) {
        error = "writing " + (folder.target() / name).string() + " failed: " + std::strerror(errno);
        return false;
      }
    return true;
  }

 private:
  analysis::AnswerSheet blank(const Student& s) const {
    analysis::AnswerSheet b;
    b.student = s.name;
    b.seed1 = s.seed1;
    b.seed2 = s.seed2;
    return b;
  }
  void write_headings() {
    answers_.record(analysis::grading::answers_csv_heading(columns_, id_heading_));
    template_.record(analysis::grading::results_template_heading(columns_, id_heading_));
  }
  void write(const analysis::AnswerSheet& sheet, const std::string& id) {
    answers_.record(analysis::grading::answers_csv_row(columns_, sheet, id_heading_, id));
    template_.record(analysis::grading::results_template_row(columns_, sheet, id_heading_, id));
  }

  const analysis::Analysis& analysis_;
  std::string id_heading_;
  analysis::TolerancePolicy policy_;
  std::vector<std::string>& notes_;
  labcore::DataFile answers_, template_;
  bool started_ = false;
  std::vector<analysis::grading::ResultColumn> columns_;
  std::set<std::string> uncatalogued_;  // results of sheets that are no column, noted once each
  std::vector<Student> pending_;
};

// handout.md: the student's handout of the program, once for the class.
class HandoutOutput final : public BatchOutput {
 public:
  HandoutOutput(const labcore::Program& program, const analysis::Handout& handout)
      : program_(program), handout_(handout) {}
  std::vector<std::string> class_files() const override { return {kHandoutFile}; }
  bool appends_rows() const override { return false; }
  bool begin(StagedFolder& folder, std::string& error) override {
    labcore::DataFile file;
    if (!folder.create(kHandoutFile, file, error)) return false;
    std::ostringstream text;
    analysis::print_handout(text, program_, handout_);
    const std::string md = text.str();
    file.record(std::string_view(md).substr(0, md.size() - 1));
    if (!file.close()) {
      error = "writing " + (folder.target() / kHandoutFile).string() + " failed: " + std::strerror(errno);
      return false;
    }
    return true;
  }
  bool add(StagedFolder&, const BatchStudent&, std::string&) override { return true; }

 private:
  const labcore::Program& program_;
  const analysis::Handout& handout_;
};

// `stem` cut to at most `limit` bytes, never inside a UTF-8 character, and
// without a trailing underscore.
std::string cut_stem(std::string stem, std::size_t limit) {
  if (stem.size() <= limit) return stem;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(stem[end]) & 0xC0) == 0x80) --end;
  stem.resize(end);
  while (!stem.empty() && stem.back() == '_') stem.pop_back();
  return stem;
}

}  // namespace

std::string key_file_name(const labcore::Program& program) { return std::string(program.name) + "_key.csv"; }

BatchOutputs standard_batch_outputs(const labcore::Program& program, const std::string& id_heading,
                                    const analysis::TolerancePolicy& policy, std::vector<std::string>& notes) {
  BatchOutputs outputs;
  outputs.push_back(std::make_unique<DataSetOutput>());
  outputs.push_back(std::make_unique<KeyOutput>(program, id_heading));
  if (const analysis::Analysis* a = analysis::find_analysis(program.name)) {
    outputs.push_back(std::make_unique<AnswersOutput>(*a, id_heading, policy, notes));
    if (a->handout != nullptr) outputs.push_back(std::make_unique<HandoutOutput>(program, a->handout()));
  }
  return outputs;
}

std::vector<std::string> plan_stems(const std::vector<Student>& students, const std::vector<std::string>& endings,
                                    const std::vector<std::string>& class_files) {
  std::vector<std::string> base;
  for (const Student& s : students) {
    std::string stem = cut_stem(file_stem(s.name), kMaxStemBytes);
    if (stem.empty()) stem = "student_line" + std::to_string(s.line);
    base.push_back(std::move(stem));
  }
  std::set<std::string> taken(class_files.begin(), class_files.end());
  auto free_stem = [&](const std::string& stem) {
    for (const std::string& e : endings)
      if (taken.count(stem + e) != 0) return false;
    return true;
  };
  auto take = [&](const std::string& stem) {
    for (const std::string& e : endings) taken.insert(stem + e);
  };
  // The first holder of each stem keeps it, unless a class file has that
  // name: claim all of them first, so that no number given to a duplicate
  // can land on another student's own stem.
  std::set<std::string> kept;
  for (const std::string& stem : base)
    if (kept.count(stem) == 0 && free_stem(stem)) {
      kept.insert(stem);
      take(stem);
    }
  std::vector<std::string> stems;
  std::set<std::string> given;
  for (const std::string& stem : base) {
    if (kept.count(stem) != 0 && given.insert(stem).second) {
      stems.push_back(stem);
      continue;
    }
    for (int n = 2;; ++n) {
      const std::string candidate = stem + "_" + std::to_string(n);
      if (free_stem(candidate)) {
        take(candidate);
        stems.push_back(candidate);
        break;
      }
    }
  }
  return stems;
}

int write_batch(const labcore::Program& program, const std::vector<Student>& students, const fs::path& outdir,
                BatchOutputs& outputs, std::ostream& err, bool progress, BatchCounts& counts,
                const std::vector<std::string>& taken) {
  std::vector<std::string> endings, class_files;
  for (const auto& o : outputs) {
    if (const std::string e = o->student_file_ending(); !e.empty()) endings.push_back(e);
    for (const std::string& f : o->class_files()) class_files.push_back(f);
  }
  std::vector<std::string> avoid = class_files;
  avoid.insert(avoid.end(), taken.begin(), taken.end());
  const std::vector<std::string> stems = plan_stems(students, endings, avoid);

  StagedFolder folder;
  std::string error;
  if (!folder.open(outdir, error)) {
    err << error << '\n';
    return labcore::exit_file_not_created;
  }
  // Every name first, all of them new, so that nothing is overwritten.
  std::vector<std::string> names = class_files;
  for (const std::string& stem : stems)
    for (const std::string& e : endings) names.push_back(stem + e);
  const std::vector<std::string> clashes = folder.existing(names);
  for (const std::string& n : clashes) err << (outdir / n).string() << " exists already\n";
  if (!clashes.empty()) {
    err << "nothing written: choose an empty folder\n";
    return labcore::exit_file_not_created;
  }

  auto failed = [&](int status) {
    if (progress) err << '\n';
    err << error << "\nnothing written to " << outdir.string() << '\n';
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
  if (!folder.commit(error)) return failed(labcore::exit_file_not_created);
  return 0;
}

namespace {

bool read_whole(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// A working folder inside outdir, removed with all it holds.
struct WorkFolder {
  fs::path path;
  ~WorkFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

}  // namespace

int add_to_class(const labcore::Program& program, const std::vector<Student>& students, const fs::path& outdir,
                 const std::string& id_heading, const analysis::TolerancePolicy& policy, std::ostream& err,
                 bool progress, BatchCounts& counts, std::vector<std::string>& notes) {
  std::vector<std::string> taken;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(outdir, ec)) taken.push_back(e.path().filename().string());
  if (ec) {
    err << "cannot read the folder " << outdir.string() << ": " << ec.message() << '\n';
    return labcore::exit_file_not_created;
  }
  WorkFolder work;
  std::string templ = (outdir / ".lab_instructor_add.XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) {
    err << "cannot write in the folder " << outdir.string() << ": " << std::strerror(errno) << '\n';
    return labcore::exit_file_not_created;
  }
  work.path = templ;
  const fs::path fresh = work.path / "new";
  BatchOutputs outputs = standard_batch_outputs(program, id_heading, policy, notes);
  if (const int status = write_batch(program, students, fresh, outputs, err, progress, counts, taken)) return status;

  // The class files extended: the old text, then the new rows under the
  // same heading. A class file written once for the class (the handout)
  // stays as the class has it, and moves in only where the class lacks it.
  std::vector<std::string> class_files, kept;
  for (const auto& o : outputs)
    for (const std::string& f : o->class_files()) {
      if (o->appends_rows())
        class_files.push_back(f);
      else if (fs::exists(outdir / f))
        kept.push_back(f);
    }
  std::vector<std::string> replace;
  for (const std::string& name : class_files) {
    std::string old_text, new_text;
    if (!fs::exists(outdir / name)) {
      notes.push_back(outdir.string() + " has no " + name + " (a class of an earlier version): left without one");
      continue;
    }
    if (!read_whole(outdir / name, old_text) || !read_whole(fresh / name, new_text)) {
      err << "cannot read " << (outdir / name).string() << "\nnothing added to " << outdir.string() << '\n';
      return labcore::exit_input_error;
    }
    const std::size_t old_end = old_text.find('\n'), new_end = new_text.find('\n');
    if (old_end == std::string::npos || new_end == std::string::npos ||
        old_text.compare(0, old_end, new_text, 0, new_end) != 0) {
      err << (outdir / name).string() << ": its heading is not that of the new students' rows ("
          << shown(new_text.substr(0, new_end), 300) << ")\nnothing added to " << outdir.string() << '\n';
      return labcore::exit_input_error;
    }
    if (old_text.back() != '\n') old_text += '\n';
    labcore::DataFile merged;
    if (!merged.create(work.path / name)) {
      err << "cannot create a file in " << work.path.string() << ": " << std::strerror(errno) << '\n';
      return labcore::exit_file_not_created;
    }
    const std::string text = old_text + new_text.substr(new_end + 1);
    merged.record(std::string_view(text).substr(0, text.size() - 1));
    if (!merged.close()) {
      err << "writing " << (outdir / name).string() << " failed: " << std::strerror(errno) << "\nnothing added to "
          << outdir.string() << '\n';
      return labcore::exit_write_failed;
    }
    replace.push_back(name);
  }

  // The new data sets move in, never over a file; then each class file is
  // replaced, its old version kept aside until all are done.
  std::vector<std::string> moved, replaced;
  auto undo = [&] {
    for (const std::string& n : moved) ::unlink((outdir / n).c_str());
    for (const std::string& n : replaced)
      ::rename((work.path / (n + ".old")).c_str(), (outdir / n).c_str());
  };
  for (const auto& e : fs::directory_iterator(fresh, ec)) {
    const std::string n = e.path().filename().string();
    if (std::find(class_files.begin(), class_files.end(), n) != class_files.end() ||
        std::find(kept.begin(), kept.end(), n) != kept.end())
      continue;
    if (::renameat2(AT_FDCWD, e.path().c_str(), AT_FDCWD, (outdir / n).c_str(), RENAME_NOREPLACE) != 0) {
      err << "cannot move " << n << " into " << outdir.string() << ": " << std::strerror(errno)
          << "\nnothing added to " << outdir.string() << '\n';
      undo();
      return labcore::exit_file_not_created;
    }
    moved.push_back(n);
  }
  for (const std::string& n : replace) {
    if (::link((outdir / n).c_str(), (work.path / (n + ".old")).c_str()) != 0 ||
        ::rename((work.path / n).c_str(), (outdir / n).c_str()) != 0) {
      err << "cannot replace " << (outdir / n).string() << ": " << std::strerror(errno) << "\nnothing added to "
          << outdir.string() << '\n';
      undo();
      return labcore::exit_file_not_created;
    }
    replaced.push_back(n);
  }
  return 0;
}

}  // namespace instructor
