// lab_instructor batch PROGRAM ROSTER.csv OUTDIR [--course WORD]: a data set
// per roster row and the key, all written or none.
#include <CLI/CLI.hpp>

#include <memory>

#include <map>

#include "instructor/class_batch.hpp"
#include "instructor/class_key.hpp"
#include "instructor/commands.hpp"
#include "instructor/solution_files.hpp"
#include "instructor/text_io.hpp"

namespace instructor {

namespace {

// Far more than any class: a roster of this size is not a roster.
constexpr std::size_t kMaxRosterBytes = 64u << 20;

struct BatchWords {
  std::string program, roster, outdir, course;
  double relative = 2.0;
  bool add = false;
  bool workbooks = false;
};

// batch --add: the roster's students not yet in the class are added to it.
int add(const BatchWords& w, const labcore::Program& program, const Roster& roster, Io& io) {
  ClassKey key;
  std::string error;
  if (!read_class_key(w.outdir, program, key, error)) {
    io.err << shown(error, 4096) << "\n--add needs the class folder of an earlier batch of " << program.name << '\n';
    return labcore::exit_input_error;
  }
  if (!roster.id_heading.empty() && key.id_heading.empty())
    io.err << "the class has no identifier column: the roster's " << shown(roster.id_heading, 200)
           << " is not carried into it\n";
  // A roster student is a student of the key by identifier, or else by
  // name and occurrence (the second Sam Lee of the roster is the key's
  // second Sam Lee).
  std::map<std::string, int> occurrence;
  std::vector<Student> fresh;
  for (const Student& s : roster.students) {
    const KeyStudent* known = nullptr;
    if (!s.id.empty() && !key.id_heading.empty()) {
      for (const KeyStudent& k : key.students)
        if (k.id == s.id) known = &k;
    } else {
      int n = ++occurrence[s.name];
      for (const KeyStudent& k : key.students)
        if (k.name == s.name && (key.id_heading.empty() || k.id.empty()) && --n == 0) {
          known = &k;
          break;
        }
    }
    if (known == nullptr) {
      fresh.push_back(s);
      continue;
    }
    if (known->seed1 != s.seed1 || known->seed2 != s.seed2) {
      io.err << shown(w.roster, 4096) << ": roster line " << s.line << ", " << shown(s.name) << ": in the class with seeds "
             << known->seed1 << ' ' << known->seed2 << " (key line " << known->line << "), the roster gives "
             << s.seed1 << ' ' << s.seed2 << "\nnothing added to " << w.outdir << '\n';
      return labcore::exit_input_error;
    }
    io.err << "roster line " << s.line << ", " << shown(s.name) << ": in the class already (" << known->file
           << "), skipped\n";
  }
  if (fresh.empty()) {
    io.out << "no new students: nothing added to " << w.outdir << '\n';
    return 0;
  }
  std::vector<std::string> notes;
  BatchCounts counts;
  if (const int status = add_to_class(program, fresh, w.outdir, key.id_heading, {.relative = w.relative / 100},
                                      io.err, io.progress, counts, notes))
    return status;
  for (const std::string& note : notes) io.err << shown(note, 4096) << '\n';
  io.out << counts.written << " data sets of " << program.name << " added to " << w.outdir
         << "; the key, answers and results template extended\n";
  return counts.failed > 0 ? labcore::exit_computation_failed : 0;
}

int batch(const BatchWords& w, Io& io) {
  const labcore::Program* program = program_named(w.program, io.err);
  if (program == nullptr) return labcore::exit_input_error;
  if (w.workbooks && analysis::find_analysis(program->name) == nullptr) {
    io.err << program->name << " has no answer sheet yet, so no solution workbooks\n";
    return labcore::exit_input_error;
  }
  std::string text, error;
  if (!read_bounded(w.roster, kMaxRosterBytes, text, error)) {
    io.err << error << '\n';
    return labcore::exit_input_error;
  }
  if (!(w.relative > 0 && w.relative < 100)) {
    io.err << "--relative is a percentage above 0 and below 100\n";
    return labcore::exit_input_error;
  }
  Roster roster;
  if (!read_roster(text, w.course, roster, error)) {
    io.err << w.roster << ": " << shown(error, 4096) << '\n';
    return labcore::exit_input_error;
  }
  text = std::string();
  for (const std::string& warning : roster.warnings) io.err << shown(w.roster, 4096) << ": " << shown(warning, 4096) << '\n';

  if (w.add) return add(w, *program, roster, io);

  std::vector<std::string> notes;
  BatchOutputs outputs = standard_batch_outputs(*program, roster.id_heading, {.relative = w.relative / 100}, notes);
  if (w.workbooks) outputs.push_back(workbook_output(*program, {}));
  BatchCounts counts;
  const std::filesystem::path outdir = w.outdir;
  if (const int status = write_batch(*program, roster.students, outdir, outputs, io.err, io.progress, counts))
    return status;
  for (const std::string& note : notes) io.err << shown(note, 4096) << '\n';
  io.out << counts.written << " data sets of " << program->name << " written to " << outdir.string()
         << ", key in " << (outdir / key_file_name(*program)).string() << '\n';
  if (const analysis::Analysis* a = analysis::find_analysis(program->name)) {
    io.out << "answers in " << (outdir / kAnswersFile).string() << ", the form of the results in "
           << (outdir / kTemplateFile).string() << '\n';
    if (a->handout != nullptr) io.out << "the students' handout in " << (outdir / kHandoutFile).string() << '\n';
  } else
    io.out << "no answer sheet for " << program->name << " yet: no " << kAnswersFile << " nor " << kTemplateFile
           << '\n';
  return counts.failed > 0 ? labcore::exit_computation_failed : 0;
}

}  // namespace

Action setup_batch(CLI::App& cmd) {
  auto w = std::make_shared<BatchWords>();
  cmd.add_option("PROGRAM", w->program, "the generator, e.g. vapor_pressure_gen")->required();
  cmd.add_option("ROSTER", w->roster, "CSV rows: name, or name,seed1,seed2")->required();
  cmd.add_option("OUTDIR", w->outdir, "the folder for the data sets and the key (made when missing)")->required();
  cmd.add_option("--course", w->course, "word from which seeds are derived for rows without seeds");
  cmd.add_flag("--add", w->add,
               "add the roster's students not yet in the class folder OUTDIR: their data sets written, the key, "
               "answers and results template extended");
  cmd.add_option("--relative", w->relative, "the relative part of the answers' tolerance in percent (default 2)");
  cmd.add_flag("--workbooks", w->workbooks, "also a solution workbook per student, STEM.xlsx");
  return [w](Io& io) { return batch(*w, io); };
}

}  // namespace instructor
