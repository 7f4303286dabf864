#include "instructor/solution_files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "analysis/dataset.hpp"
#include "analysis/workbook.hpp"
#include "instructor/dataset_check.hpp"
#include "instructor/text_io.hpp"
#include "labcore/replies.hpp"

namespace instructor {

namespace fs = std::filesystem;

namespace {

// The student's name as the name record holds it (blanks at the end
// removed), the record after "Student Name:".
std::string student_in(const std::string& text) {
  const analysis::DataSet data = analysis::DataSet::parse(text);
  const auto heading = data.find_optional("\"Student Name:\"");
  if (!heading || *heading + 1 >= data.size()) return {};
  return data.text(*heading + 1, 0);
}

}  // namespace

int data_set_of_seeds(const std::string& program, const std::string& seed1, const std::string& seed2,
                      DataSetToAnalyse& d, std::ostream& err) {
  d.program = program_named(program, err);
  if (d.program == nullptr) return labcore::exit_input_error;
  if (!labcore::parse_int32(seed1, d.seed1) || !labcore::parse_int32(seed2, d.seed2)) {
    err << "the seeds must be whole numbers from -2147483648 to 2147483647\n";
    return labcore::exit_input_error;
  }
  Generated g = generate(*d.program, "", d.seed1, d.seed2);
  if (!g.failure.empty()) {
    err << "these seeds make the model fail, so there is no data set to analyse; the program says:\n";
    for (const std::string& r : g.failure) err << r << '\n';
    return labcore::exit_computation_failed;
  }
  d.text = std::move(g.text);
  d.key = std::move(g.key);
  return 0;
}

int data_set_of_file(const std::string& path, DataSetToAnalyse& d, std::ostream& err) {
  const DataSetCheck c = check_data_set(path);
  if (c.verdict == DataSetCheck::Verdict::unusable) {
    err << c.problem << '\n';
    return labcore::exit_input_error;
  }
  if (c.verdict == DataSetCheck::Verdict::differs) {
    err << shown(path) << " is not what " << c.program->name << " writes for seeds " << c.seed1 << ' ' << c.seed2
        << " (`lab_instructor verify` shows where); its answers would not be this data set's\n";
    return 1;
  }
  if (c.model_failed) {
    err << shown(path) << " ends with the model's failure message: there is nothing to analyse\n";
    return labcore::exit_computation_failed;
  }
  std::string text, error;
  if (!read_bounded(path, kMaxDataSetBytes, text, error)) {
    err << error << '\n';
    return labcore::exit_input_error;
  }
  // The records as the program wrote them: a re-saved file loses its
  // byte-order mark and carriage returns.
  if (c.bom && text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (c.crlf) std::erase(text, '\r');
  d.program = c.program;
  d.seed1 = c.seed1;
  d.seed2 = c.seed2;
  d.student = student_in(text);
  d.key = generate(*c.program, "", c.seed1, c.seed2).key;
  d.text = std::move(text);
  return 0;
}

bool sheet_of(const DataSetToAnalyse& d, analysis::TolerancePolicy policy, analysis::AnswerSheet& sheet,
              std::ostream& err) {
  const analysis::Analysis* an = analysis::find_analysis(d.program->name);
  if (an == nullptr) {
    err << d.program->name << " has no answer sheet yet\n";
    return false;
  }
  try {
    sheet = analysis::answer_sheet(*an, d.text, d.key, d.student, d.seed1, d.seed2, policy);
  } catch (const analysis::AnalysisError& e) {
    err << "the data set of " << d.program->name << " for seeds " << d.seed1 << ' ' << d.seed2
        << " cannot be analysed: " << e.what() << '\n';
    return false;
  }
  return true;
}

int write_new_workbook(const fs::path& out, const DataSetToAnalyse& d, const analysis::AnswerSheet& sheet,
                       std::size_t& charts, std::ostream& err, bool student) {
  std::error_code ec;
  if (fs::symlink_status(out, ec).type() != fs::file_type::not_found) {
    err << shown(out.string()) << " exists already; a workbook is written only as a new file\n";
    return labcore::exit_file_not_created;
  }
  const fs::path folder = out.parent_path().empty() ? fs::path(".") : out.parent_path();
  std::string temp = (folder / ("." + out.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    err << "cannot write in " << shown(folder.string()) << ": " << std::strerror(errno) << '\n';
    return labcore::exit_file_not_created;
  }
  // mkstemp makes the file private (0600), as a workbook of answers stays;
  // the student's gets the usual mode.
  if (student) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ::close(fd);
  try {
    const analysis::Analysis& a = *analysis::find_analysis(d.program->name);
    charts = student ? analysis::write_student_workbook(temp, a, d.text, d.key, sheet)
                     : analysis::write_workbook(temp, a, d.text, d.key, sheet).charts;
  } catch (const std::exception& e) {
    ::unlink(temp.c_str());
    err << shown(e.what()) << '\n';
    return labcore::exit_write_failed;
  }
  // link() fails rather than replace a file that appeared meanwhile.
  const int linked = ::link(temp.c_str(), out.c_str());
  const int reason = errno;
  ::unlink(temp.c_str());
  if (linked != 0) {
    err << "cannot place the workbook at " << shown(out.string()) << ": " << std::strerror(reason) << '\n';
    return reason == EEXIST ? labcore::exit_file_not_created : labcore::exit_write_failed;
  }
  return 0;
}

namespace {

// Per student, the workbook she starts from beside her data set, and the
// solution in the class's instructor folder (kSolutionsFolder), which only
// the instructor may enter.
class WorkbookOutput final : public BatchOutput {
 public:
  WorkbookOutput(const labcore::Program& program, analysis::TolerancePolicy policy)
      : program_(program), policy_(policy) {}
  std::string student_file_ending() const override { return ".xlsx"; }
  bool begin(ClassFolder& folder, std::string& error) override {
    return folder.open_folder(kSolutionsFolder, error, Access::instructor);
  }
  bool add(ClassFolder& folder, const BatchStudent& s, std::string& error) override {
    if (s.failed()) return true;
    DataSetToAnalyse d{&program_, s.student.seed1, s.student.seed2, s.student.name, s.generated.text,
                       s.generated.key};
    std::ostringstream why;
    analysis::AnswerSheet sheet;
    if (!sheet_of(d, policy_, sheet, why)) {
      error = why.str();
      return false;
    }
    const analysis::Analysis& a = *analysis::find_analysis(program_.name);
    const std::string student = s.stem + ".xlsx", solution = std::string(kSolutionsFolder) + "/" + s.stem + ".xlsx";
    // Each name taken in the working folder (the solution private from
    // its first byte), then the workbook written into that file.
    labcore::DataFile placeholder, private_placeholder;
    if (!folder.create(student, placeholder, error) || !folder.close(placeholder, student, error) ||
        !folder.create(solution, private_placeholder, error, Access::instructor) ||
        !folder.close(private_placeholder, solution, error))
      return false;
    try {
      analysis::write_student_workbook(folder.working(student), a, d.text, d.key, sheet);
      analysis::write_workbook(folder.working(solution), a, d.text, d.key, sheet);
    } catch (const std::exception& e) {
      error = e.what();
      return false;
    }
    return true;
  }

 private:
  const labcore::Program& program_;
  analysis::TolerancePolicy policy_;
};

}  // namespace

std::unique_ptr<BatchOutput> workbook_output(const labcore::Program& program, analysis::TolerancePolicy policy) {
  return std::make_unique<WorkbookOutput>(program, policy);
}

}  // namespace instructor
