#pragma once
// The shapes a collision component holds: an axis-aligned box, a circle, an
// oriented box and a line segment. Each knows its centre, its layer and its
// extent, and tests itself against any other shape, filling a manifold when
// the two overlap. Only geometry here: no object, component or system.
#include <cstdint>
#include <vector>

#include "core/Vec2.h"

namespace Orv {

struct Manifold;
class AABB;
class Circle2D;
class OBB;
class Line2D;

// Degrees to radians as the world simulation has always turned them:
// 3.14159265358 / 180, a little short of the exact value.
inline constexpr double kDegreesToRadians = 0.017453292519888888;

// A shape's corner points, all (0, 0) when made.
class VertexArray {
 public:
  explicit VertexArray(unsigned count) : points_(count) {}
  unsigned Count() const { return static_cast<unsigned>(points_.size()); }
  Vec2& operator[](unsigned i) { return points_[i]; }
  const Vec2& operator[](unsigned i) const { return points_[i]; }
  // Every point p becomes (m0·dx + m1·dy + m2 + cx, m3·dx + m4·dy + m5 + cy)
  // with (dx, dy) = p − centre; m is 3x3, row by row.
  void Transform(const double (&m)[9], const Vec2& centre);
  // Turns every point about centre by radians, +x towards +y.
  void Rotate(double radians, const Vec2& centre);

 private:
  std::vector<Vec2> points_;
};

class Collider {
 public:
  // The narrow phase dispatches on these; other values never collide.
  enum Type : std::uint32_t { TypeAABB = 1, TypeCircle2D = 2, TypeLine2D = 4, TypeOBB = 8 };

  explicit Collider(std::uint32_t type) : type_(type) {}
  virtual ~Collider() = default;
  Collider(const Collider&) = delete;
  Collider& operator=(const Collider&) = delete;

  // Moves the centre only: box corners keep their old place until UpdateBounds.
  virtual void SetPosition(const Vec2& centre);
  virtual void SetRotation(double /*degrees*/) {}
  virtual double GetRotation() const { return 0.0; }
  // The normal written into the manifold points from this shape to other.
  virtual bool CollideWithOBB(const OBB& other, Manifold& manifold) const;
  virtual bool CollideWithLine2D(const Line2D& other, Manifold& manifold) const;
  virtual bool CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const;
  virtual bool CollideWithAABB(const AABB& other, Manifold& manifold) const;
  // One of the four, chosen by other's type; other types never collide.
  bool Collide(const Collider& other, Manifold& manifold) const;
  // The centre through a 2x3 matrix (row by row), then UpdateBounds.
  void Transform(const double (&m)[6]);
  // Rebuilds the corners from centre and extent.
  virtual void UpdateBounds() {}
  virtual bool ContainsPoint(const Vec2& p) const = 0;
  virtual Vec2 GetMin() const { return {}; }
  virtual Vec2 GetMax() const { return {}; }
  // The segment from start to start + direction.
  virtual bool IntersectsSegment(const Vec2& direction, const Vec2& start) const = 0;

  Vec2 GetPosition() const { return {x_, y_}; }
  double GetZ() const { return z_; }
  void SetZ(double z) { z_ = z; }
  std::uint32_t GetType() const { return type_; }

 protected:
  double x_ = 0.0;
  double y_ = 0.0;
  // The collision layer: only colliders of exactly equal z meet.
  double z_ = 0.0;

 private:
  std::uint32_t type_;
};

class AABB : public Collider {
 public:
  AABB() : Collider(TypeAABB) {}

  bool CollideWithOBB(const OBB& other, Manifold& manifold) const override;
  bool CollideWithLine2D(const Line2D& other, Manifold& manifold) const override;
  bool CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const override;
  bool CollideWithAABB(const AABB& other, Manifold& manifold) const override;
  void UpdateBounds() override;
  bool ContainsPoint(const Vec2& p) const override;
  // The corners as they stand, fresh or not.
  Vec2 GetMin() const override { return corners_[0]; }
  Vec2 GetMax() const override { return corners_[1]; }
  bool IntersectsSegment(const Vec2& direction, const Vec2& start) const override;

  // Store the extent and move only the corners' coordinates on that axis.
  void SetWidth(double width);
  void SetHeight(double height);
  double GetWidth() const { return width_; }
  double GetHeight() const { return height_; }

 private:
  double width_ = 0.0;
  double height_ = 0.0;
  // 0: smallest x and y; 1: largest.
  VertexArray corners_{2};
};

class Circle2D : public Collider {
 public:
  Circle2D() : Collider(TypeCircle2D) {}

  // Only kept and given back: a circle looks the same at any angle.
  void SetRotation(double degrees) override { rotation_ = degrees; }
  double GetRotation() const override { return rotation_; }
  bool CollideWithOBB(const OBB& other, Manifold& manifold) const override;
  bool CollideWithLine2D(const Line2D& other, Manifold& manifold) const override;
  bool CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const override;
  bool CollideWithAABB(const AABB& other, Manifold& manifold) const override;
  bool ContainsPoint(const Vec2& p) const override;
  // Computed from the centre on each call, so never stale.
  Vec2 GetMin() const override { return {x_ - radius_, y_ - radius_}; }
  Vec2 GetMax() const override { return {x_ + radius_, y_ + radius_}; }
  bool IntersectsSegment(const Vec2& direction, const Vec2& start) const override;

  void SetRadius(double radius) { radius_ = radius; }
  double GetRadius() const { return radius_; }

 private:
  double radius_ = 0.0;
  double rotation_ = 0.0;
};

class OBB : public Collider {
 public:
  OBB() : Collider(TypeOBB) {}

  // Turns the corners as they stand by the new angle: a second turn before
  // UpdateBounds adds to the first.
  void SetRotation(double degrees) override;
  double GetRotation() const override { return rotation_; }
  bool CollideWithOBB(const OBB& other, Manifold& manifold) const override;
  bool CollideWithLine2D(const Line2D& other, Manifold& manifold) const override;
  bool CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const override;
  bool CollideWithAABB(const AABB& other, Manifold& manifold) const override;
  void UpdateBounds() override;
  bool ContainsPoint(const Vec2& p) const override;
  Vec2 GetMin() const override;
  Vec2 GetMax() const override;
  bool IntersectsSegment(const Vec2& direction, const Vec2& start) const override;

  // Store the extent, rewrite that axis of the corners, turn them all by the
  // stored rotation.
  void SetWidth(double width);
  void SetHeight(double height);
  double GetWidth() const { return width_; }
  double GetHeight() const { return height_; }
  // Before turning: 0 (−w/2, −h/2), 1 (+w/2, −h/2), 2 (+w/2, +h/2), 3 (−w/2, +h/2).
  const VertexArray& GetCorners() const { return corners_; }

 private:
  VertexArray corners_{4};
  double width_ = 0.0;
  double height_ = 0.0;
  double rotation_ = 0.0;
};

// Takes part in nothing: every test answers no, and it has no bounds.
class Line2D : public Collider {
 public:
  Line2D() : Collider(TypeLine2D) {}

  bool CollideWithOBB(const OBB& /*other*/, Manifold& /*manifold*/) const override { return false; }
  bool CollideWithLine2D(const Line2D& /*other*/, Manifold& /*manifold*/) const override { return false; }
  bool CollideWithCircle2D(const Circle2D& /*other*/, Manifold& /*manifold*/) const override { return false; }
  bool CollideWithAABB(const AABB& /*other*/, Manifold& /*manifold*/) const override { return false; }
  bool ContainsPoint(const Vec2& /*p*/) const override { return false; }
  bool IntersectsSegment(const Vec2& /*direction*/, const Vec2& /*start*/) const override { return false; }
};

}  // namespace Orv
