// lab_instructor grade ANSWERS.csv RESULTS.csv OUTDIR [--weights FILE]:
// every reported value scored against the student's own answer sheet;
// grades.csv, a feedback text per student and the class summary, all
// written or none.
#include <CLI/CLI.hpp>

#include <memory>

#include "analysis/grading.hpp"
#include "instructor/commands.hpp"
#include "instructor/class_folder.hpp"
#include "instructor/text_io.hpp"
#include "labcore/program.hpp"

namespace instructor {

namespace {

namespace grading = analysis::grading;

// Far more than any class's answers or results.
constexpr std::size_t kMaxTableBytes = 256u << 20;

struct GradeWords {
  std::string answers, results, outdir, weights;
};

bool read_input(const std::string& path, std::string& text, Io& io) {
  std::string error;
  if (read_bounded(path, kMaxTableBytes, text, error)) return true;
  io.err << error << '\n';
  return false;
}

int grade(const GradeWords& w, Io& io) {
  std::string answers_text, results_text, weights_text;
  if (!read_input(w.answers, answers_text, io) || !read_input(w.results, results_text, io) ||
      (!w.weights.empty() && !read_input(w.weights, weights_text, io)))
    return labcore::exit_input_error;
  grading::Answers answers;
  std::vector<grading::Submission> rows;
  std::vector<double> weights;
  try {
    answers = grading::read_answers(answers_text, w.answers);
    rows = grading::read_results(results_text, w.results, answers);
    weights = w.weights.empty() ? grading::default_weights(answers)
                                : grading::read_weights(weights_text, w.weights, answers);
  } catch (const grading::GradingError& e) {
    io.err << shown(e.what(), 4096) << "\nnothing graded\n";
    return labcore::exit_input_error;
  }
  const auto grades = grading::grade(answers, rows, weights);
  const grading::ClassSummary summary = grading::summarise(answers, grades, weights);
  const std::vector<std::string> feedback_names = grading::feedback_file_names(answers);

  // Grades are the instructor's: every file private, and the folder too
  // when grade makes it.
  const std::filesystem::path outdir = w.outdir;
  const std::string shown_outdir = shown(outdir.string(), 4096);
  ClassFolder folder;
  std::string error;
  if (const int status = folder.open(outdir, io.err, error, Access::instructor)) {
    io.err << shown(error, 4096) << '\n';
    return status;
  }
  const std::vector<std::string> clashes = folder.existing({"grades.csv", "summary.csv", "feedback"});
  for (const std::string& n : clashes) io.err << shown((outdir / n).string(), 4096) << " exists already\n";
  if (!clashes.empty()) {
    io.err << "nothing written: choose another folder\n";
    return labcore::exit_file_not_created;
  }
  auto failed = [&](int status) {
    io.err << shown(error, 4096) << "\nnothing written to " << shown_outdir << '\n';
    return status;
  };
  // grades.csv row by row.
  labcore::DataFile file;
  if (!folder.create("grades.csv", file, error, Access::instructor)) return failed(labcore::exit_write_failed);
  file.record(grading::grades_csv_heading(answers));
  for (const grading::Grade& g : grades) file.record(grading::grades_csv_row(answers, g));
  if (!folder.close(file, "grades.csv", error) ||
      !folder.write("summary.csv", grading::summary_csv(summary), error, Access::instructor) ||
      !folder.create_folder("feedback", error, Access::instructor))
    return failed(labcore::exit_write_failed);
  for (std::size_t i = 0; i < grades.size(); ++i)
    if (!folder.write("feedback/" + feedback_names[i], grading::feedback_text(answers, grades[i], weights), error,
                      Access::instructor, false))
      return failed(labcore::exit_write_failed);
  if (const int status = folder.commit(error)) return failed(status);
  grading::print_summary(io.out, answers, grades, summary);
  io.out << "\ngrades.csv, summary.csv and feedback/ written to " << shown_outdir << '\n';
  return 0;
}

}  // namespace

Action setup_grade(CLI::App& cmd) {
  auto w = std::make_shared<GradeWords>();
  cmd.add_option("ANSWERS", w->answers, "the class's answers.csv, as batch writes it")->required();
  cmd.add_option("RESULTS", w->results,
                 "what each student reported: results_template.csv filled in (name or identifier, seeds, "
                 "one column per result)")
      ->required();
  cmd.add_option("OUTDIR", w->outdir, "the folder for grades.csv, summary.csv and feedback/ (made when missing)")
      ->required();
  cmd.add_option("--weights", w->weights, "CSV rows result,weight (by result key); results not listed weigh 1");
  return [w](Io& io) { return grade(*w, io); };
}

}  // namespace instructor
