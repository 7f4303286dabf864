// Every generator program of the suite, in name order.
#pragma once

#include <span>
#include <string_view>

#include "labcore/program.hpp"

namespace labcore {

std::span<const Program* const> all_programs();

inline const Program* find_program(std::string_view name) {
  for (const Program* p : all_programs())
    if (p->name == name) return p;
  return nullptr;
}

}  // namespace labcore
