#include "world/Collider.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Report.h"
#include "world/PairTests.h"

namespace Orv {

namespace {

// The object ray cast's box test, shared by both boxes: the box's centre must
// lie along the segment, no corner past its end, and corners on both sides.
bool BoxIntersectsSegment(const Vec2& centre, double width, double height, const Vec2 (&corners)[4],
                          const Vec2& direction, const Vec2& start) {
  const double lengthSquared = direction.LengthSquared();
  const Vec2 unit = lengthSquared <= 1e-8 ? Vec2{} : direction / std::sqrt(lengthSquared);
  const double length = direction.Dot(unit);
  const Vec2 w = centre - start;
  const double along = direction.Dot(w);
  if (along < 0 || along > lengthSquared) return false;
  if (w.LengthSquared() - (width * width + height * height) > lengthSquared) return false;
  double lowest = std::numeric_limits<double>::infinity();
  double highest = -std::numeric_limits<double>::infinity();
  for (const Vec2& corner : corners) {
    if (unit.Dot(corner - start) > length) return false;
    const double side = unit.x * (corner.y - start.y) - unit.y * (corner.x - start.x);
    lowest = std::min(lowest, side);
    highest = std::max(highest, side);
  }
  return highest * lowest < 0;
}

}  // namespace

// ---- Corner arrays --------------------------------------------------------

void VertexArray::Transform(const double (&m)[9], const Vec2& centre) {
  for (Vec2& p : points_) {
    const Vec2 d = p - centre;
    p = {m[0] * d.x + m[1] * d.y + m[2] + centre.x, m[3] * d.x + m[4] * d.y + m[5] + centre.y};
  }
}

void VertexArray::Rotate(double radians, const Vec2& centre) {
  const double c = std::cos(radians), s = std::sin(radians);
  const double turn[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
  Transform(turn, centre);
}

// ---- The base -------------------------------------------------------------

void Collider::SetPosition(const Vec2& centre) {
  x_ = centre.x;
  y_ = centre.y;
}

// Every shape answers all four itself; these only say a shape forgot one.
bool Collider::CollideWithOBB(const OBB&, Manifold&) const {
  PrintLine("collider collision With OBB");
  return false;
}

bool Collider::CollideWithLine2D(const Line2D&, Manifold&) const {
  PrintLine("collider collision With Line2D");
  return false;
}

bool Collider::CollideWithCircle2D(const Circle2D&, Manifold&) const {
  PrintLine("what.. collision With Circle2D");
  return false;
}

bool Collider::CollideWithAABB(const AABB&, Manifold&) const {
  PrintLine("collider collision With AABB");
  return false;
}

bool Collider::Collide(const Collider& other, Manifold& manifold) const {
  switch (other.GetType()) {
    case TypeAABB: return CollideWithAABB(static_cast<const AABB&>(other), manifold);
    case TypeCircle2D: return CollideWithCircle2D(static_cast<const Circle2D&>(other), manifold);
    case TypeLine2D: return CollideWithLine2D(static_cast<const Line2D&>(other), manifold);
    case TypeOBB: return CollideWithOBB(static_cast<const OBB&>(other), manifold);
    default: return false;
  }
}

void Collider::Transform(const double (&m)[6]) {
  const double x = x_, y = y_;
  x_ = m[0] * x + m[1] * y + m[2];
  y_ = m[3] * x + m[4] * y + m[5];
  UpdateBounds();
}

// ---- Axis-aligned box ------------------------------------------------------

bool AABB::CollideWithOBB(const OBB& other, Manifold& manifold) const { return BoxOBBTest(*this, other, manifold); }

bool AABB::CollideWithLine2D(const Line2D&, Manifold&) const { return false; }

bool AABB::CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const {
  if (!CircleBoxTest(other, *this, manifold)) return false;
  manifold.normal = -manifold.normal;
  return true;
}

bool AABB::CollideWithAABB(const AABB& other, Manifold& manifold) const {
  return BoxBoxTest(*this, other, manifold);
}

void AABB::UpdateBounds() {
  corners_[0] = {x_ - width_ * 0.5, y_ - height_ * 0.5};
  corners_[1] = {x_ + width_ * 0.5, y_ + height_ * 0.5};
}

void AABB::SetWidth(double width) {
  width_ = width;
  corners_[0].x = x_ - width * 0.5;
  corners_[1].x = x_ + width * 0.5;
}

void AABB::SetHeight(double height) {
  height_ = height;
  corners_[0].y = y_ - height * 0.5;
  corners_[1].y = y_ + height * 0.5;
}

bool AABB::ContainsPoint(const Vec2& p) const {
  const Vec2 min = GetMin(), max = GetMax();
  return min.x <= p.x && p.x <= max.x && min.y <= p.y && p.y <= max.y;
}

bool AABB::IntersectsSegment(const Vec2& direction, const Vec2& start) const {
  const Vec2 min = GetMin(), max = GetMax();
  const Vec2 corners[4] = {{min.x, min.y}, {max.x, min.y}, {max.x, max.y}, {min.x, max.y}};
  return BoxIntersectsSegment(GetPosition(), width_, height_, corners, direction, start);
}

// ---- Circle ---------------------------------------------------------------

bool Circle2D::CollideWithOBB(const OBB& other, Manifold& manifold) const {
  return CircleOBBTest(*this, other, manifold);
}

bool Circle2D::CollideWithLine2D(const Line2D&, Manifold&) const { return false; }

bool Circle2D::CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const {
  return CircleCircleTest(*this, other, manifold);
}

bool Circle2D::CollideWithAABB(const AABB& other, Manifold& manifold) const {
  return CircleBoxTest(*this, other, manifold);
}

bool Circle2D::ContainsPoint(const Vec2& p) const {
  return (GetPosition() - p).LengthSquared() <= radius_ * radius_;
}

// True when some point of the segment lies within the radius of the centre.
bool Circle2D::IntersectsSegment(const Vec2& direction, const Vec2& start) const {
  const double lengthSquared = direction.LengthSquared();
  const Vec2 w = GetPosition() - start;
  // The segment's point nearest the centre; a segment of no length is its start.
  const double along = lengthSquared > 0 ? std::clamp(w.Dot(direction) / lengthSquared, 0.0, 1.0) : 0.0;
  const Vec2 gap = w - direction * along;
  return gap.LengthSquared() <= radius_ * radius_;
}

// ---- Oriented box ---------------------------------------------------------

void OBB::SetRotation(double degrees) {
  rotation_ = degrees;
  corners_.Rotate(degrees * kDegreesToRadians, GetPosition());
}

bool OBB::CollideWithOBB(const OBB& other, Manifold& manifold) const { return OBBOBBTest(*this, other, manifold); }

// An oriented box meeting a segment has no test: it says so every time.
bool OBB::CollideWithLine2D(const Line2D&, Manifold&) const {
  PrintLine("OBB collide With Line2D ");
  return false;
}

bool OBB::CollideWithCircle2D(const Circle2D& other, Manifold& manifold) const {
  if (!CircleOBBTest(other, *this, manifold)) return false;
  manifold.normal = -manifold.normal;
  return true;
}

bool OBB::CollideWithAABB(const AABB& other, Manifold& manifold) const {
  return OBBBoxTest(*this, other, manifold);
}

void OBB::UpdateBounds() {
  const double hw = width_ / 2, hh = height_ / 2;
  corners_[0] = {x_ - hw, y_ - hh};
  corners_[1] = {x_ + hw, y_ - hh};
  corners_[2] = {x_ + hw, y_ + hh};
  corners_[3] = {x_ - hw, y_ + hh};
  corners_.Rotate(rotation_ * kDegreesToRadians, GetPosition());
}

void OBB::SetWidth(double width) {
  width_ = width;
  corners_[0].x = corners_[3].x = x_ - width / 2;
  corners_[1].x = corners_[2].x = x_ + width / 2;
  corners_.Rotate(rotation_ * kDegreesToRadians, GetPosition());
}

void OBB::SetHeight(double height) {
  height_ = height;
  corners_[0].y = corners_[1].y = y_ - height / 2;
  corners_[2].y = corners_[3].y = y_ + height / 2;
  corners_.Rotate(rotation_ * kDegreesToRadians, GetPosition());
}

// Within both edge directions' spans, measured from corner 0.
bool OBB::ContainsPoint(const Vec2& p) const {
  const Vec2 along = corners_[1] - corners_[0];
  const Vec2 across = corners_[3] - corners_[0];
  const Vec2 offset = p - corners_[0];
  const double a = offset.Dot(along), b = offset.Dot(across);
  return 0 <= a && a <= along.LengthSquared() && 0 <= b && b <= across.LengthSquared();
}

Vec2 OBB::GetMin() const {
  Vec2 min = corners_[0];
  for (unsigned i = 1; i < 4; ++i) {
    min.x = std::min(min.x, corners_[i].x);
    min.y = std::min(min.y, corners_[i].y);
  }
  return min;
}

Vec2 OBB::GetMax() const {
  Vec2 max = corners_[0];
  for (unsigned i = 1; i < 4; ++i) {
    max.x = std::max(max.x, corners_[i].x);
    max.y = std::max(max.y, corners_[i].y);
  }
  return max;
}

bool OBB::IntersectsSegment(const Vec2& direction, const Vec2& start) const {
  const Vec2 corners[4] = {corners_[0], corners_[1], corners_[2], corners_[3]};
  return BoxIntersectsSegment(GetPosition(), width_, height_, corners, direction, start);
}

}  // namespace Orv
