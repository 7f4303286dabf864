// lab_instructor batch [--add] PROGRAM ROSTER.csv OUTDIR [--course WORD]
// [--relative PERCENT] [--workbooks]: a data set per roster row and the
// class files, all written or none.
#include <CLI/CLI.hpp>

#include <memory>

#include "instructor/class_batch.hpp"
#include "instructor/commands.hpp"
#include "instructor/text_io.hpp"

namespace instructor {

namespace {

// Far more than any class: a roster of this size is not a roster.
constexpr std::size_t kMaxRosterBytes = 64u << 20;

struct BatchWords {
  std::string program, roster, outdir, course;
  double relative = 2.0;
  bool relative_given = false;
  bool add = false;
  bool workbooks = false;
};

bool has_control_character(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
  return false;
}

int batch(const BatchWords& w, Io& io) {
  const labcore::Program* program = program_named(w.program, io.err);
  if (program == nullptr) return labcore::exit_input_error;
  if (w.workbooks && analysis::find_analysis(program->name) == nullptr) {
    io.err << program->name << " has no answer sheet yet, so no solution workbooks\n";
    return labcore::exit_input_error;
  }
  if (!(w.relative > 0 && w.relative < 100)) {
    io.err << "--relative is a percentage above 0 and below 100\n";
    return labcore::exit_input_error;
  }
  if (has_control_character(w.course)) {
    io.err << "--course holds a control character\n";
    return labcore::exit_input_error;
  }
  std::string text, error;
  if (!read_bounded(w.roster, kMaxRosterBytes, text, error)) {
    io.err << shown(error, 4096) << '\n';
    return labcore::exit_input_error;
  }
  const std::string outdir = shown(w.outdir, 4096);
  ClassSettings settings{std::string(program->name), w.course, w.relative, w.workbooks, {}};
  std::vector<std::string> notes;
  BatchCounts counts;

  if (w.add) {
    const AddRequest request{settings, w.relative_given};
    if (const int status = add_to_class(*program, text, w.roster, request, w.outdir, io.err, io.progress, counts, notes))
      return status;
    for (const std::string& note : notes) io.err << shown(note, 4096) << '\n';
    if (counts.written + counts.failed == 0) {
      io.out << "no new students: nothing added to " << outdir << '\n';
      return 0;
    }
    io.out << counts.written << " data sets of " << program->name << " added to " << outdir
           << "; the key, answers and results template extended\n";
    return counts.failed > 0 ? labcore::exit_computation_failed : 0;
  }

  Roster roster;
  if (!read_roster(text, w.course, roster, error)) {
    io.err << shown(w.roster, 4096) << ": " << shown(error, 4096) << '\n';
    return labcore::exit_input_error;
  }
  text = std::string();
  for (const std::string& warning : roster.warnings) io.err << shown(w.roster, 4096) << ": " << shown(warning, 4096) << '\n';
  settings.id_heading = roster.id_heading;
  if (const int status = write_batch(*program, roster.students, settings, w.outdir, io.err, io.progress, counts, notes))
    return status;
  if (counts.already) {
    io.out << outdir << " holds this class already (every student of the roster with these seeds, made by an "
           << "earlier run): nothing written\n";
    return 0;
  }
  for (const std::string& note : notes) io.err << shown(note, 4096) << '\n';
  const std::filesystem::path dir = w.outdir;
  io.out << counts.written << " data sets of " << program->name << " written to " << outdir << ", key in "
         << shown((dir / key_file_name(*program)).string(), 4096) << '\n';
  if (const analysis::Analysis* a = analysis::find_analysis(program->name)) {
    io.out << "answers in " << shown((dir / kAnswersFile).string(), 4096) << ", the form of the results in "
           << shown((dir / kTemplateFile).string(), 4096) << '\n';
    if (a->handout != nullptr)
      io.out << "the students' handout in " << shown((dir / kHandoutFile).string(), 4096) << '\n';
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
               "answers and results template extended, with the class's own settings (class_settings.txt)");
  cmd.add_option("--relative", w->relative, "the relative part of the answers' tolerance in percent (default 2)")
      ->each([w](const std::string&) { w->relative_given = true; });
  cmd.add_flag("--workbooks", w->workbooks,
               "also per student the workbook she starts from, STEM.xlsx, and its solution, solutions/STEM.xlsx");
  return [w](Io& io) { return batch(*w, io); };
}

}  // namespace instructor
