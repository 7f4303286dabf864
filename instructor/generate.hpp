// Running a generator without the dialog, and the words shared by the
// commands about programs and hidden values.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "labcore/program.hpp"

namespace instructor {

// A data set as the program writes it for a student name and seeds.
struct Generated {
  std::string text;                     // every record, each with its line end
  std::vector<labcore::HiddenValue> key;
  std::vector<std::string> failure;     // terminal records when the model failed
};

Generated generate(const labcore::Program& program, std::string_view name, std::int32_t seed1, std::int32_t seed2);

// A hidden value as the key shows it: float values to eight significant
// digits, doubles in their shortest exact form, integers as they are.
std::string format_value(const labcore::HiddenValue& h);

// The program of that name, or nothing with the list of programs on err.
const labcore::Program* program_named(const std::string& name, std::ostream& err);

}  // namespace instructor
