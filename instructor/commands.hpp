// The commands of lab_instructor. Each command lives in its own file,
// instructor/<name>_command.cpp, and defines one function that declares the
// command's words on its CLI11 subcommand and returns what to run once the
// words are parsed. The table of commands is in instructor/instructor.cpp.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace instructor {

// Where a command writes: its product to `out`, messages to `err`;
// `progress` is true when err is a terminal that may show a progress line.
struct Io {
  std::ostream& out;
  std::ostream& err;
  bool progress = false;
};

// A parsed command, ready to run; returns the exit status.
using Action = std::function<int(Io&)>;

// Declares a command's operands and options on `cmd` and returns its action.
using Setup = Action (*)(CLI::App& cmd);

struct Command {
  const char* name;
  const char* summary;  // one line for the tool's --help
  Setup setup;
};

struct DataSetCheck;
// verify's report of one handed-in file (the first record that differs,
// both versions); returns verify's exit status.
int report_data_set(const std::string& path, const DataSetCheck& check, Io& io);

Action setup_key(CLI::App& cmd);
Action setup_batch(CLI::App& cmd);
Action setup_verify(CLI::App& cmd);
Action setup_answers(CLI::App& cmd);
Action setup_grade(CLI::App& cmd);
Action setup_workbook(CLI::App& cmd);
Action setup_handout(CLI::App& cmd);

}  // namespace instructor
