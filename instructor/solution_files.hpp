// Answer sheets and solution workbooks of data sets, for the commands: a
// data set named by its seeds or handed in as a file, analysed from its
// records as the student sees them, and a workbook written as a new file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "analysis/answer_sheet.hpp"
#include "instructor/class_batch.hpp"
#include "instructor/generate.hpp"

namespace instructor {

// A data set to analyse: its program, seeds and student, its records and
// the hidden values its generator names.
struct DataSetToAnalyse {
  const labcore::Program* program = nullptr;
  std::int32_t seed1 = 0, seed2 = 0;
  std::string student;
  std::string text;
  std::vector<labcore::HiddenValue> key;
};

// The data set of PROGRAM SEED1 SEED2 (words as typed), or 0 is not
// returned: the exit status with the reason on err.
int data_set_of_seeds(const std::string& program, const std::string& seed1, const std::string& seed2,
                      DataSetToAnalyse& d, std::ostream& err);
// The data set of a handed-in file, which must be exactly what its program
// writes (apart from re-saved line ends or a byte-order mark); a modified
// file is refused with the first record that differs.
int data_set_of_file(const std::string& path, DataSetToAnalyse& d, std::ostream& err);

// The answer sheet of a data set; false with the reason on err when the
// program has no analysis or the data set holds no answer.
bool sheet_of(const DataSetToAnalyse& d, analysis::TolerancePolicy policy, analysis::AnswerSheet& sheet,
              std::ostream& err);

// Writes the workbook as a new file `out` (never replacing one), readable
// by the instructor alone (0600): written beside it under a temporary name
// and linked into place. Returns 0 (with
// the number of chart sheets in `charts`) or the exit status with the
// reason on err.
// With `student`, the student's workbook instead (Data, the Analysis form
// and charts of the data alone; nothing of the solution), with the usual
// mode (as the umask allows).
int write_new_workbook(const std::filesystem::path& out, const DataSetToAnalyse& d,
                       const analysis::AnswerSheet& sheet, std::size_t& charts, std::ostream& err,
                       bool student = false);

// The folder of a class that holds the solution workbooks, the instructor's alone.
inline constexpr const char* kSolutionsFolder = "solutions";

// The batch's workbooks per student, for programs with an analysis: the
// student's (STEM.xlsx, beside the data set) and the solution
// (solutions/STEM.xlsx).
std::unique_ptr<BatchOutput> workbook_output(const labcore::Program& program, analysis::TolerancePolicy policy);

}  // namespace instructor
