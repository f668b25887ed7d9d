#pragma once

#include <cmath>

namespace Orv {

// The engine's one 2D vector: positions, velocities, collider geometry and contact
// normals, all in double precision.
struct Vec2 {
  double x = 0.0;
  double y = 0.0;

  constexpr Vec2() = default;
  constexpr Vec2(double xValue, double yValue) : x(xValue), y(yValue) {}

  constexpr Vec2 operator+(const Vec2& o) const { return {x + o.x, y + o.y}; }
  constexpr Vec2 operator-(const Vec2& o) const { return {x - o.x, y - o.y}; }
  constexpr Vec2 operator-() const { return {-x, -y}; }
  constexpr Vec2 operator*(double s) const { return {x * s, y * s}; }
  constexpr Vec2 operator/(double s) const { return {x / s, y / s}; }
  constexpr Vec2& operator+=(const Vec2& o) { x += o.x; y += o.y; return *this; }
  constexpr Vec2& operator-=(const Vec2& o) { x -= o.x; y -= o.y; return *this; }
  constexpr Vec2& operator*=(double s) { x *= s; y *= s; return *this; }
  constexpr bool operator==(const Vec2& o) const = default;

  constexpr double Dot(const Vec2& o) const { return x * o.x + y * o.y; }
  // z of the 3D cross product: positive when o lies counter-clockwise of this.
  constexpr double Cross(const Vec2& o) const { return x * o.y - y * o.x; }
  constexpr double LengthSquared() const { return x * x + y * y; }
  double Length() const { return std::sqrt(LengthSquared()); }
  bool IsFinite() const { return std::isfinite(x) && std::isfinite(y); }
};

constexpr Vec2 operator*(double s, const Vec2& v) { return v * s; }

}  // namespace Orv
