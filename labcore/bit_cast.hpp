// std::bit_cast for every build: the C++ library of the WebAssembly build
// (Emscripten's) does not have it yet.
#pragma once

#include <cstring>
#include <type_traits>

namespace labcore {

template <class To, class From>
To bit_cast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
                std::is_trivially_copyable_v<From>);
  To to;
  std::memcpy(&to, &from, sizeof to);
  return to;
}

}  // namespace labcore
