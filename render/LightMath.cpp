#include "render/LightMath.h"

#include <algorithm>
#include <cmath>

namespace Orv {

Colour LightFalloff(const Vec2& position, const Vec2& light, double radius) {
  // Written so that a radius of 0 (or NaN) gives 0 rather than 1 - inf or NaN.
  double c = 0.0;
  if (radius > 0.0) c = std::clamp(1.0 - (position - light).Length() / radius, 0.0, 1.0);
  const float f = static_cast<float>(c);
  return {f, f, f, 1.0f};
}

void ClampColour(Colour& rgba) {
  for (float& channel : rgba) channel = std::clamp(channel, 0.0f, 1.0f);
}

Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b) {
  Matrix4 result{};
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
      result[col * 4 + row] = sum;
    }
  }
  return result;
}

}  // namespace Orv
