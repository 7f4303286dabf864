// lab_instructor run in-process on a command line, its screen and
// messages kept.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "instructor/instructor.hpp"

namespace labtest {

struct Outcome {
  int status;
  std::string out, err;
};

inline Outcome run_tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = instructor::run(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace labtest
