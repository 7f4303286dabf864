#include "gases/eos_eval.hpp"

#include "gases/param_set_mod.hpp"

namespace gases {

float eos_eval(float v, float t, float a, float b) {
  return (param_set_mod::r * t) / (v - b) - a / (v * v);
}

}  // namespace gases
