// lab_instructor grade ANSWERS.csv RESULTS.csv OUTDIR [--weights FILE]
// [--unit-slip full|partial|none] [--missing empty|zero]: every reported
// value scored against the student's own answer sheet; grades.csv, the
// students' feedback, the class summary and the instructor's report of
// flags, all written or none.
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
  std::string unit_slip = "full", missing = "empty";
};

bool read_input(const std::string& path, std::string& text, Io& io) {
  std::string error;
  if (read_bounded(path, kMaxTableBytes, text, error)) return true;
  io.err << shown(error, 4096) << '\n';
  return false;
}

int grade(const GradeWords& w, Io& io) {
  const auto unit_slip = grading::unit_slip_of(w.unit_slip);
  const auto missing = grading::missing_of(w.missing);
  if (!unit_slip || !missing) {
    io.err << (unit_slip ? "--missing is empty or zero" : "--unit-slip is full, partial or none") << '\n';
    return labcore::exit_input_error;
  }
  std::string answers_text, results_text, weights_text;
  if (!read_input(w.answers, answers_text, io) || !read_input(w.results, results_text, io) ||
      (!w.weights.empty() && !read_input(w.weights, weights_text, io)))
    return labcore::exit_input_error;
  grading::Answers answers;
  grading::Results results;
  std::vector<double> weights;
  try {
    answers = grading::read_answers(answers_text, w.answers);
    results = grading::read_results(results_text, w.results, answers);
    weights = w.weights.empty() ? grading::default_weights(answers)
                                : grading::read_weights(weights_text, w.weights, answers);
  } catch (const grading::GradingError& e) {
    // Every problem at once: each has its file, line and column, its text
    // shown() where it came from the file.
    for (const analysis::Problem& p : e.problems()) io.err << p.text() << '\n';
    io.err << "nothing graded\n";
    return labcore::exit_input_error;
  }
  const auto grades = grading::grade(answers, results, weights, {.unit_slip = *unit_slip});
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
  const std::vector<std::string> clashes =
      folder.existing({"grades.csv", "summary.csv", "report.csv", "feedback"});
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
  for (const grading::Grade& g : grades) file.record(grading::grades_csv_row(answers, g, *missing));
  if (!folder.close(file, "grades.csv", error) ||
      !folder.write("summary.csv", grading::summary_csv(summary), error, Access::instructor) ||
      !folder.write("report.csv", grading::report_csv(answers, results, grades), error, Access::instructor) ||
      !folder.create_folder("feedback", error, Access::instructor))
    return failed(labcore::exit_write_failed);
  for (std::size_t i = 0; i < grades.size(); ++i)
    if (!folder.write("feedback/" + feedback_names[i], grading::feedback_text(answers, grades[i], weights), error,
                      Access::instructor, false))
      return failed(labcore::exit_write_failed);
  if (const int status = folder.commit(error)) return failed(status);

  std::vector<std::string> notes;
  int slips = 0;
  for (const grading::Grade& g : grades)
    for (const grading::Mark& m : g.marks) slips += !m.slip_unit.empty();
  if (slips > 0)
    notes.push_back(std::to_string(slips) + " value" + (slips == 1 ? "" : "s") + " read in another unit of the " +
                    "result's kind (flagged \"unit\"): " +
                    (*unit_slip == grading::UnitSlip::full      ? "full credit, as converted"
                     : *unit_slip == grading::UnitSlip::partial ? "one step down the scale (--unit-slip partial)"
                                                                : "no credit for the conversion (--unit-slip none)") +
                    (*unit_slip == grading::UnitSlip::full ? " (--unit-slip partial or none to change)" : ""));
  grading::print_summary(io.out, answers, results, grades, summary, notes);
  io.out << "\ngrades.csv, summary.csv, report.csv and feedback/ written to " << shown_outdir << '\n';
  if (summary.held > 0) {
    io.err << summary.held << " student" << (summary.held == 1 ? "" : "s")
           << " not graded: their rows are listed above (and in report.csv)\n";
    return 1;
  }
  return 0;
}

}  // namespace

Action setup_grade(CLI::App& cmd) {
  auto w = std::make_shared<GradeWords>();
  cmd.add_option("ANSWERS", w->answers, "the class's answers.csv, as batch writes it")->required();
  cmd.add_option("RESULTS", w->results,
                 "what each student reported: results_template.csv filled in (name or identifier, seeds, "
                 "one column per result); comma, semicolon or tab separated")
      ->required();
  cmd.add_option("OUTDIR", w->outdir,
                 "the folder for grades.csv, summary.csv, report.csv and feedback/ (made when missing)")
      ->required();
  cmd.add_option("--weights", w->weights, "CSV rows result,weight (by result key); results not listed weigh 1");
  cmd.add_option("--unit-slip", w->unit_slip,
                 "credit of a value given in another unit of the result's kind (kJ for J, °C for K, kPa or bar "
                 "for Pa, L for mL): full (default), partial (one step down the scale) or none");
  cmd.add_option("--missing", w->missing,
                 "grades.csv for a student without a row of results: empty (default) or zero");
  return [w](Io& io) { return grade(*w, io); };
}

}  // namespace instructor
