// lab_instructor batch PROGRAM ROSTER.csv OUTDIR [--course WORD]: a data set
// per roster row and the key, all written or none.
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
};

int batch(const BatchWords& w, Io& io) {
  const labcore::Program* program = program_named(w.program, io.err);
  if (program == nullptr) return labcore::exit_input_error;
  std::string text, error;
  if (!read_bounded(w.roster, kMaxRosterBytes, text, error)) {
    io.err << error << '\n';
    return labcore::exit_input_error;
  }
  std::vector<Student> students;
  if (!read_roster(text, w.course, students, error)) {
    io.err << w.roster << ": " << shown(error, 4096) << '\n';
    return labcore::exit_input_error;
  }
  text = std::string();

  BatchOutputs outputs = standard_batch_outputs(*program);
  BatchCounts counts;
  const std::filesystem::path outdir = w.outdir;
  if (const int status = write_batch(*program, students, outdir, outputs, io.err, io.progress, counts))
    return status;
  io.out << counts.written << " data sets of " << program->name << " written to " << outdir.string()
         << ", key in " << (outdir / key_file_name(*program)).string() << '\n';
  return counts.failed > 0 ? labcore::exit_computation_failed : 0;
}

}  // namespace

Action setup_batch(CLI::App& cmd) {
  auto w = std::make_shared<BatchWords>();
  cmd.add_option("PROGRAM", w->program, "the generator, e.g. vapor_pressure_gen")->required();
  cmd.add_option("ROSTER", w->roster, "CSV rows: name, or name,seed1,seed2")->required();
  cmd.add_option("OUTDIR", w->outdir, "the folder for the data sets and the key (made when missing)")->required();
  cmd.add_option("--course", w->course, "word from which seeds are derived for rows without seeds");
  return [w](Io& io) { return batch(*w, io); };
}

}  // namespace instructor
