#include <unistd.h>

#include <iostream>

#include "instructor/instructor.hpp"

int main(int argc, char** argv) {
  return instructor::run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr, ::isatty(2) != 0);
}
