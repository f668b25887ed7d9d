#pragma once
// Small colour and matrix helpers shared by the lit draws and the quad batch.
#include <array>

#include "core/Vec2.h"

namespace Orv {

// R, G, B, A.
using Colour = std::array<float, 4>;
// Column-major: element (column c, row r) is at c * 4 + r.
using Matrix4 = std::array<float, 16>;

constexpr Matrix4 kIdentity4 = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Grey (c, c, c, 1) with c = 1 - |position - light| / radius kept in [0, 1]:
// full at the light, nothing at its radius and beyond. A radius of 0 or less
// lights nothing.
Colour LightFalloff(const Vec2& position, const Vec2& light, double radius);

// Each of the four channels into [0, 1], in place.
void ClampColour(Colour& rgba);

// a x b: applied to a vector, b acts first.
Matrix4 MultiplyMatrices(const Matrix4& a, const Matrix4& b);

}  // namespace Orv
