// The instructor's tool: answer keys, class batches and verification of
// submitted data sets. It runs the very generators the students run, so a
// key or a regenerated file can never drift from the data.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace instructor {

// Runs one command line (without the program name). Output goes to `out`,
// messages to `err`; `progress` is true when err is a terminal that may
// show a progress line. Returns the exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress = false);

}  // namespace instructor
