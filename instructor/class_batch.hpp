// A class batch: every student of a roster generated once, each result
// handed to a list of outputs (the data set per student, the key, ...),
// all written into the class folder's working folder and committed
// together (instructor/class_folder.hpp), only when every file is complete.
//
// More class files join the batch as more outputs: a class derived from
// BatchOutput, added to the list that class_outputs() makes.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/answer_sheet.hpp"
#include "instructor/class_folder.hpp"
#include "instructor/generate.hpp"
#include "instructor/roster.hpp"

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
  virtual bool begin(ClassFolder& folder, std::string& error) {
    (void)folder, (void)error;
    return true;
  }
  // Called for each student: write the student's file and/or append to
  // the class files.
  virtual bool add(ClassFolder& folder, const BatchStudent& student, std::string& error) = 0;
  // Whether its class files are tables of a row per student, which batch
  // --add extends by the new students' rows; false for a file written once
  // for the class (the handout), which --add leaves as the class has it
  // (and writes where the class lacks it).
  virtual bool appends_rows() const { return true; }
  // Called after the last student: complete the class files.
  virtual bool finish(ClassFolder& folder, std::string& error) {
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

// The outputs of a class: a data set per student (ending ".csv"; none for
// a student whose seeds make the model fail), the key, PROGRAM_key.csv
// ("student,[<id_heading>,]file,seed1,seed2,seeds,<hidden values>"; the
// hidden values' columns start with `key_columns`, those of the class a
// late student joins), and, when the program has an analysis, answers.csv
// and results_template.csv (analysis::grading's layouts, with the
// identifier column when the settings name one; the results of the
// program's catalogue when it has a handout), handout.md when it has a
// handout and, with the settings' workbooks, a solution workbook per
// student; every file written row by row as the students are generated.
// The key, answers.csv and the workbooks are the instructor's alone
// (Access::instructor). Students whose data set the analysis cannot read
// get a note in `notes` (which must outlive the outputs). `answers_routes`
// false writes answers.csv without its routes columns, as a class made
// before them has it.
BatchOutputs class_outputs(const labcore::Program& program, const ClassSettings& settings,
                           std::vector<std::string>& notes, const std::vector<std::string>& key_columns = {},
                           bool answers_routes = true);

// A file stem per student, unique: analysis::file_stem() of the name
// ("student_lineN" when nothing is left), made unique by
// analysis::unique_stems() against each other and `taken` for every ending.
std::vector<std::string> plan_stems(const std::vector<Student>& students, const std::vector<std::string>& endings,
                                    const std::vector<std::string>& taken);

struct BatchCounts {
  std::size_t written = 0;  // students whose seeds gave a data set
  std::size_t failed = 0;   // students whose seeds make the model fail
  bool already = false;     // batch: the folder holds this very class already; nothing written
};

// `lab_instructor batch`: the class of `students` written into `outdir`
// with the settings file, all or nothing. Returns 0 when every file is in
// place (students whose model failed are counted, not an error; a folder
// that holds this very class already, made by an earlier run, is counted
// as `already`), or the exit status with the reason on err:
// exit_file_not_created when a file exists already or the folder cannot be
// used, exit_write_failed when a file cannot be written or the run is
// interrupted. Nothing is left in outdir unless 0 is returned.
int write_batch(const labcore::Program& program, const std::vector<Student>& students,
                const ClassSettings& settings, const std::filesystem::path& outdir, std::ostream& err,
                bool progress, BatchCounts& counts, std::vector<std::string>& notes);

// What batch --add was told: the settings from the words and the roster,
// and whether --relative and --course were given.
struct AddRequest {
  ClassSettings settings;  // id_heading unused: the roster's own is read here
  bool relative_given = false;
};

// `lab_instructor batch --add`: the roster's students not in the class yet
// join it. The class's settings file decides the tolerance, the course
// word the roster's seeds are derived from, the workbooks and the
// identifier column; words that contradict it are refused (a class of an
// earlier version has none: the words given are used, with a note). The
// roster (its text; `roster_name` for messages) is read with the class's
// course word; a student is the class's by identifier, or, for a row
// without one, by name and occurrence (the second Sam Lee of the roster is
// the class's second Sam Lee); one the roster gives other seeds is refused
// (a row without seeds keeps the class's). The new
// students' data sets go beside the others (names clear of every file
// there) and the key, answers.csv and results_template.csv are replaced by
// their old text with the new rows added, all or nothing. Returns 0 (with
// counts.written == 0 when no student was new) or the exit status with the
// reason on err.
int add_to_class(const labcore::Program& program, std::string_view roster_text, const std::string& roster_name,
                 const AddRequest& request, const std::filesystem::path& outdir, std::ostream& err, bool progress,
                 BatchCounts& counts, std::vector<std::string>& notes);

}  // namespace instructor
