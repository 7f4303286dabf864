#include "gases/deriv2_eval.hpp"

namespace gases {

float deriv2_eval(float v, float t, float a, float b) {
  const float vb = v - b;
  // 166.29 is twice the gas constant 83.145.
  return (t * 166.29f) / (vb * (vb * vb)) - (a * 6.0f) / ((v * v) * (v * v));
}

}  // namespace gases
