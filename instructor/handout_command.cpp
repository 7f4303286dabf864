// lab_instructor handout PROGRAM: the student's handout of a program as
// Markdown: what the data set holds, the constants and conventions the
// analysis needs, and the results to report with their keys and units.
#include <CLI/CLI.hpp>

#include <memory>

#include "analysis/answer_sheet.hpp"
#include "instructor/commands.hpp"
#include "instructor/generate.hpp"

namespace instructor {

namespace {

struct HandoutWords {
  std::string program;
};

int handout(const HandoutWords& w, Io& io) {
  const labcore::Program* program = program_named(w.program, io.err);
  if (program == nullptr) return labcore::exit_input_error;
  const analysis::Analysis* a = analysis::find_analysis(program->name);
  if (a == nullptr || a->handout == nullptr) {
    io.err << "no handout for " << program->name << " yet; the programs with one are:\n";
    for (const analysis::Analysis* each : analysis::all_analyses())
      if (each->handout != nullptr) io.err << "  " << each->program << '\n';
    return labcore::exit_input_error;
  }
  analysis::print_handout(io.out, *program, a->handout());
  return 0;
}

}  // namespace

Action setup_handout(CLI::App& cmd) {
  auto w = std::make_shared<HandoutWords>();
  cmd.add_option("PROGRAM", w->program, "the generator, e.g. vapor_pressure_gen")->required();
  return [w](Io& io) { return handout(*w, io); };
}

}  // namespace instructor
