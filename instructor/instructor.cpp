#include "instructor/instructor.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <iterator>
#include <utility>

#include "instructor/commands.hpp"
#include "instructor/text_io.hpp"
#include "labcore/program.hpp"

namespace instructor {

namespace {

// The commands of the tool, in the order --help lists them. A command is
// one file, instructor/<name>_command.cpp, defining its setup function
// (declared in instructor/commands.hpp), and one row here.
const Command kCommands[] = {
    {"key", "the hidden values of one data set: key PROGRAM SEED1 SEED2 [--csv]", setup_key},
    {"batch", "a data set per roster row and a key file, all written or none: batch PROGRAM ROSTER.csv OUTDIR",
     setup_batch},
    {"verify", "whether handed-in data sets are exactly what their programs write: verify DATASET.csv...",
     setup_verify},
    {"answers", "the answer sheet of one data set: answers PROGRAM SEED1 SEED2, or answers DATASET.csv",
     setup_answers},
    {"grade", "scores what the students reported against their own answers: grade ANSWERS.csv RESULTS.csv OUTDIR",
     setup_grade},
    {"workbook", "the solution workbook of one data set: workbook PROGRAM SEED1 SEED2 OUT.xlsx | DATASET.csv OUT.xlsx",
     setup_workbook},
    {"handout", "the student's handout of a program as Markdown: handout PROGRAM", setup_handout},
};

int dispatch(std::vector<std::string> args, std::ostream& out, std::ostream& err, bool progress) {
  // "help" and "help COMMAND" as words, beside --help.
  if (!args.empty() && args[0] == "help") {
    args.erase(args.begin());
    args.push_back("--help");
  }
  if (!args.empty() && !args[0].empty() && args[0][0] != '-' &&
      std::none_of(std::begin(kCommands), std::end(kCommands), [&](const Command& c) { return args[0] == c.name; })) {
    err << "lab_instructor: no command named " << shown(args[0]) << "; the commands are";
    for (const Command& c : kCommands) err << ' ' << c.name;
    err << "\n(lab_instructor --help tells more)\n";
    return labcore::exit_input_error;
  }
  CLI::App app{"The instructor's tool: hidden values, class batches and checks of handed-in data sets, "
               "over the very generators the students run.",
               "lab_instructor"};
  app.require_subcommand(1);
  app.failure_message([](const CLI::App* a, const CLI::Error& e) {
    return "lab_instructor: " + std::string(e.what()) + "\n\n" + a->help();
  });
  std::vector<std::pair<CLI::App*, Action>> actions;
  for (const Command& c : kCommands) {
    CLI::App* cmd = app.add_subcommand(c.name, c.summary);
    actions.emplace_back(cmd, c.setup(*cmd));
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (app.exit(e, out, err) != 0) return labcore::exit_input_error;
    return output_written(out, err) ? 0 : labcore::exit_write_failed;
  }
  for (auto& [cmd, action] : actions) {
    if (!cmd->parsed()) continue;
    Io io{out, err, progress};
    const int status = action(io);
    return output_written(out, err) ? status : labcore::exit_write_failed;
  }
  return labcore::exit_input_error;  // require_subcommand(1) leaves no way here
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress) {
  // The last resort: whatever a command did not foresee is a message and
  // an internal-error status, never an abort.
  try {
    return dispatch(args, out, err, progress);
  } catch (const std::exception& e) {
    err << "lab_instructor: internal error: " << e.what() << '\n';
  } catch (...) {
    err << "lab_instructor: internal error\n";
  }
  return labcore::exit_internal_error;
}

}  // namespace instructor
