// answer_study [--pairs N] [PROGRAM...]: the recovery study of the answer
// sheets as Markdown on standard output (docs/answers.md is made by
// `make answers-study`). Without program names, every program that has an
// analysis; without --pairs, all of the seed sweep's pairs.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "labcore/registry.hpp"
#include "study/study.hpp"
#include "support/test_support.hpp"

int main(int argc, char** argv) {
  std::size_t count = 0;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--pairs" && i + 1 < argc) {
      count = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "-h" || arg == "--help") {
      std::cout << "usage: answer_study [--pairs N] [PROGRAM...]\n";
      return 0;
    } else {
      names.push_back(arg);
    }
  }
  if (names.empty())
    for (const analysis::Analysis* a : analysis::all_analyses()) names.emplace_back(a->program);

  auto pairs = labtest::sweep_seeds();
  if (count > 0) pairs = labtest::spread(pairs, count);
  std::vector<labtest::ProgramStudy> studies;
  for (const auto& name : names) {
    const labcore::Program* program = labcore::find_program(name);
    const analysis::Analysis* an = analysis::find_analysis(name);
    if (program == nullptr || an == nullptr) {
      std::cerr << "answer_study: " << name << (program ? " has no analysis yet\n" : " is no program\n");
      return 2;
    }
    studies.push_back(labtest::study(*program, *an, pairs));
  }
  labtest::print_markdown(std::cout, studies, pairs.size());
  return 0;
}
