// A class batch: every student of a roster generated once, each result
// handed to a list of outputs (the data set per student, the key, ...),
// all written into a working folder and moved into the class folder
// together, only when every file is complete.
//
// More class files join the batch as more outputs: a class derived from
// BatchOutput, added to the list that write_batch() is given.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "instructor/generate.hpp"
#include "instructor/roster.hpp"
#include "instructor/staged_folder.hpp"

namespace instructor {

// One student as the outputs see it, in roster order.
struct BatchStudent {
  const Student& student;
  const std::string& stem;       // the student's file stem, unique in the batch
  const Generated& generated;    // data set, hidden values, or the model's failure
  bool failed() const { return !generated.failure.empty(); }
};

class BatchOutput {
 public:
  virtual ~BatchOutput() = default;
  // The class files it writes (one for the class, not per student); their
  // names are planned before anything is written.
  virtual std::vector<std::string> class_files() const { return {}; }
  // The ending of its file per student, e.g. ".csv": the file is
  // stem + ending. Empty when it writes none.
  virtual std::string student_file_ending() const { return {}; }
  // Called before the first student: open the class files in `folder`.
  virtual bool begin(StagedFolder& folder, std::string& error) {
    (void)folder, (void)error;
    return true;
  }
  // Called for each student: write the student's file and/or append to
  // the class files.
  virtual bool add(StagedFolder& folder, const BatchStudent& student, std::string& error) = 0;
  // Whether its class files are tables of a row per student, which batch
  // --add extends by the new students' rows; false for a file written once
  // for the class (the handout), which --add leaves as the class has it.
  virtual bool appends_rows() const { return true; }
  // Called after the last student: complete the class files.
  virtual bool finish(StagedFolder& folder, std::string& error) {
    (void)folder, (void)error;
    return true;
  }
};

using BatchOutputs = std::vector<std::unique_ptr<BatchOutput>>;

// The file name of a program's key.
std::string key_file_name(const labcore::Program& program);

// The class files of the answers: the answer sheet's numbers per student,
// and the form of what each student reported, to be filled in.
inline constexpr const char* kAnswersFile = "answers.csv";
inline constexpr const char* kTemplateFile = "results_template.csv";
// The student's handout (analysis::print_handout), for programs with one.
inline constexpr const char* kHandoutFile = "handout.md";

// The outputs of `lab_instructor batch`: a data set per student (ending
// ".csv"; none for a student whose seeds make the model fail), the key,
// PROGRAM_key.csv ("student,[<id_heading>,]file,seed1,seed2,seeds,<hidden
// values>"), and, when the program has an analysis, answers.csv and
// results_template.csv (analysis::grading's layouts, with the identifier
// column when id_heading is not empty; the results of the program's
// catalogue when it has a handout) and handout.md when it has a handout;
// every file written row by row as the students are generated. Students whose data set the analysis cannot
// read get a note in `notes` (which must outlive the outputs).
BatchOutputs standard_batch_outputs(const labcore::Program& program, const std::string& id_heading,
                                    const analysis::TolerancePolicy& policy, std::vector<std::string>& notes);

// The longest file stem made from a name, in bytes: room is left for a
// number and the longest ending within the file system's 255 bytes.
constexpr std::size_t kMaxStemBytes = 200;

// A file stem per student, unique: file_stem() of the name cut to
// kMaxStemBytes at a character boundary ("student_lineN" when nothing is
// left). The first student with a stem keeps it; later ones take "_2",
// "_3", ... choosing a number whose files collide with no other student's
// stem and no class file, for every ending.
std::vector<std::string> plan_stems(const std::vector<Student>& students, const std::vector<std::string>& endings,
                                    const std::vector<std::string>& class_files);

struct BatchCounts {
  std::size_t written = 0;  // students whose seeds gave a data set
  std::size_t failed = 0;   // students whose seeds make the model fail
};

// Writes the batch into `outdir`, all or nothing. Returns 0 when every file
// is in place (students whose model failed are counted, not an error), or
// the exit status with the reason on err: exit_file_not_created when a file
// exists already or the folder cannot be used, exit_write_failed when a
// file cannot be written. Nothing is left in outdir unless 0 is returned.
int write_batch(const labcore::Program& program, const std::vector<Student>& students,
                const std::filesystem::path& outdir, BatchOutputs& outputs, std::ostream& err, bool progress,
                BatchCounts& counts, const std::vector<std::string>& taken = {});

// Adds students to an existing class folder (batch --add): the new
// students' data sets are written beside the others (file names clear of
// every file there, given in `taken`), and the key, answers.csv and
// results_template.csv are extended by their rows. All or nothing: the new
// files are made in a working folder inside outdir; the data sets are moved
// in (never replacing a file) and each class file replaced by its extended
// copy, everything taken back when a step fails. Returns 0 or the exit
// status with the reason on err; notes (class files the folder lacks) go
// to `notes`.
int add_to_class(const labcore::Program& program, const std::vector<Student>& students,
                 const std::filesystem::path& outdir, const std::string& id_heading,
                 const analysis::TolerancePolicy& policy, std::ostream& err, bool progress, BatchCounts& counts,
                 std::vector<std::string>& notes);

}  // namespace instructor
