// lab_instructor key PROGRAM SEED1 SEED2 [--csv]: the hidden values of one
// data set.
#include <CLI/CLI.hpp>

#include <memory>

#include "instructor/commands.hpp"
#include "instructor/generate.hpp"
#include "analysis/safe_text.hpp"
#include "labcore/replies.hpp"

namespace instructor {

namespace {

struct KeyWords {
  std::string program, seed1, seed2;
  bool csv = false;
};

int key(const KeyWords& w, Io& io) {
  const labcore::Program* program = program_named(w.program, io.err);
  if (program == nullptr) return labcore::exit_input_error;
  std::int32_t s1 = 0, s2 = 0;
  if (!labcore::parse_int32(w.seed1, s1) || !labcore::parse_int32(w.seed2, s2)) {
    io.err << "the seeds must be whole numbers from -2147483648 to 2147483647\n";
    return labcore::exit_input_error;
  }
  const Generated g = generate(*program, "", s1, s2);
  if (w.csv) {
    io.out << "name,value\n";
    for (const labcore::HiddenValue& h : g.key) io.out << analysis::csv_cell(h.name) << ',' << format_value(h) << '\n';
  } else {
    io.out << program->name << ", seeds " << s1 << ' ' << s2 << '\n';
    std::size_t width = 4;
    for (const labcore::HiddenValue& h : g.key) width = std::max(width, h.name.size());
    for (const labcore::HiddenValue& h : g.key)
      io.out << "  " << h.name << std::string(width - h.name.size() + 2, ' ') << format_value(h) << '\n';
  }
  if (!g.failure.empty()) {
    io.err << "these seeds make the model fail; the program says:\n";
    for (const std::string& r : g.failure) io.err << r << '\n';
    return labcore::exit_computation_failed;
  }
  return 0;
}

}  // namespace

Action setup_key(CLI::App& cmd) {
  auto w = std::make_shared<KeyWords>();
  cmd.add_option("PROGRAM", w->program, "the generator, e.g. vapor_pressure_gen")->required();
  cmd.add_option("SEED1", w->seed1, "first seed")->required();
  cmd.add_option("SEED2", w->seed2, "second seed")->required();
  cmd.add_flag("--csv", w->csv, "as CSV rows name,value instead of a table");
  return [w](Io& io) { return key(*w, io); };
}

}  // namespace instructor
