// lab_instructor workbook [--student] PROGRAM SEED1 SEED2 OUT.xlsx, or
// lab_instructor workbook [--student] DATASET.csv OUT.xlsx: the solution
// workbook of one data set (its records on a sheet "Data", the worked
// analysis as live formulas on "Solution", and the plots the student
// draws), or with --student the workbook a student starts from (the
// records, the handout's form on "Analysis", charts of the data alone).
#include <CLI/CLI.hpp>

#include <memory>

#include "instructor/commands.hpp"
#include "instructor/solution_files.hpp"

namespace instructor {

namespace {

struct WorkbookWords {
  std::vector<std::string> operands;
  double relative = 2.0;
  bool student = false;
};

int workbook(const WorkbookWords& w, Io& io) {
  DataSetToAnalyse d;
  int status = 0;
  if (w.operands.size() == 4)
    status = data_set_of_seeds(w.operands[0], w.operands[1], w.operands[2], d, io.err);
  else if (w.operands.size() == 2)
    status = data_set_of_file(w.operands[0], d, io.err);
  else {
    io.err << "workbook takes PROGRAM SEED1 SEED2 OUT.xlsx or DATASET.csv OUT.xlsx\n";
    return labcore::exit_input_error;
  }
  if (status != 0) return status;
  analysis::AnswerSheet sheet;
  if (!sheet_of(d, {.relative = w.relative / 100.0}, sheet, io.err)) return labcore::exit_input_error;
  const std::string& out = w.operands.back();
  std::size_t charts = 0;
  if (const int s = write_new_workbook(out, d, sheet, charts, io.err, w.student)) return s;
  io.out << (w.student ? "student's workbook of " : "solution workbook of ") << d.program->name << ", seeds " << d.seed1 << ' ' << d.seed2 << ", written to "
         << out << " (" << charts << (charts == 1 ? " chart)" : " charts)") << '\n';
  return 0;
}

}  // namespace

Action setup_workbook(CLI::App& cmd) {
  auto w = std::make_shared<WorkbookWords>();
  cmd.add_option("OPERANDS", w->operands, "PROGRAM SEED1 SEED2 OUT.xlsx, or DATASET.csv OUT.xlsx")
      ->required()
      ->expected(2, 4);
  cmd.add_option("--relative", w->relative, "relative part of the grading tolerance, in percent (default 2)")
      ->check(CLI::Range(0.0, 100.0));
  cmd.add_flag("--student", w->student,
               "the student's workbook: the data, the handout's form and charts of the data alone, no solution");
  return [w](Io& io) { return workbook(*w, io); };
}

}  // namespace instructor
