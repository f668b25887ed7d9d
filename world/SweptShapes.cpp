#include "world/SweptShapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/ContactTolerances.h"

namespace Orv {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();
// How far past its ends a point on an edge may lie and still count: the
// corners' own rounding.
constexpr double kEdgeSlack = 1e-9;

// The share of a motion at which a gap of this size closed.
double EntryTime(double gap, double motion) { return motion != 0 ? std::max(gap, 0.0) / std::fabs(motion) : 0.0; }

}  // namespace

std::vector<Vec2> ConvexHull(std::vector<Vec2> points) {
  std::sort(points.begin(), points.end(),
            [](const Vec2& a, const Vec2& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() < 3) return points;
  std::vector<Vec2> hull(2 * points.size());
  std::size_t k = 0;
  const auto turn = [&](const Vec2& p) {
    while (k >= 2 && (hull[k - 1] - hull[k - 2]).Cross(p - hull[k - 2]) <= 0) --k;
    hull[k++] = p;
  };
  for (const Vec2& p : points) turn(p);
  const std::size_t lower = k + 1;
  for (std::size_t i = points.size() - 1; i-- > 0;) {
    while (k >= lower && (hull[k - 1] - hull[k - 2]).Cross(points[i] - hull[k - 2]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

namespace {

// The point of segment a..b nearest p, and whether it lies strictly between
// the ends.
Vec2 NearestOnSegment(const Vec2& a, const Vec2& b, const Vec2& p, bool& between) {
  const Vec2 e = b - a;
  const double length = e.LengthSquared();
  const double s = length > 0 ? (p - a).Dot(e) / length : 0.0;
  between = s > 0 && s < 1;
  return a + e * std::clamp(s, 0.0, 1.0);
}

}  // namespace

ConvexShape ShapeOf(const Collider& collider) {
  // From the centre and extent, not the corners: a box moved in the pass
  // keeps its old corners until they are made again.
  ConvexShape shape;
  const Vec2 centre = collider.GetPosition();
  const auto box = [&](double width, double height, double radians) {
    const double c = std::cos(radians), s = std::sin(radians), hw = width / 2, hh = height / 2;
    const Vec2 offsets[4] = {{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}};
    for (unsigned i = 0; i < 4; ++i) {
      shape.corners[i] = centre + Vec2{c * offsets[i].x - s * offsets[i].y, s * offsets[i].x + c * offsets[i].y};
    }
    shape.count = 4;
  };
  switch (collider.GetType()) {
    case Collider::TypeAABB: {
      const auto& aabb = static_cast<const AABB&>(collider);
      box(aabb.GetWidth(), aabb.GetHeight(), 0);
      break;
    }
    case Collider::TypeOBB: {
      const auto& obb = static_cast<const OBB&>(collider);
      box(obb.GetWidth(), obb.GetHeight(), obb.GetRotation() * kDegreesToRadians);
      break;
    }
    case Collider::TypeCircle2D:
      shape.corners[0] = centre;
      shape.count = 1;
      shape.radius = std::max(static_cast<const Circle2D&>(collider).GetRadius(), 0.0);
      break;
    default: break;
  }
  return shape;
}

ConvexShape Moved(const ConvexShape& shape, const Vec2& offset) {
  ConvexShape moved = shape;
  for (unsigned i = 0; i < moved.count; ++i) moved.corners[i] += offset;
  return moved;
}

Configuration ConfigurationOf(const ConvexShape& still, const ConvexShape& mover) {
  Configuration shape;
  std::vector<Vec2> points;
  for (unsigned j = 0; j < still.count; ++j) {
    for (unsigned i = 0; i < mover.count; ++i) points.push_back(still.corners[j] - mover.corners[i]);
  }
  for (const Vec2& p : points) {
    if (!p.IsFinite()) return shape;
  }
  shape.corners = ConvexHull(std::move(points));
  shape.radius = still.radius + mover.radius;
  const std::size_t n = shape.corners.size();
  if (n >= 2) {
    for (std::size_t k = 0; k < n; ++k) {
      const Vec2 e = shape.corners[(k + 1) % n] - shape.corners[k];
      shape.normals.push_back(Vec2{e.y, -e.x} / e.Length());
    }
  }
  return shape;
}

Separation SeparationAt(const Configuration& shape, const Vec2& offset) {
  const std::size_t n = shape.corners.size();
  if (n == 0) return {kNever, {}, -1};
  double deepest = -kNever;
  int deepestEdge = 0;
  for (std::size_t k = 0; n >= 3 && k < n; ++k) {
    const double f = shape.normals[k].Dot(offset - shape.corners[k]);
    if (f > deepest) deepest = f, deepestEdge = static_cast<int>(k);
  }
  if (n >= 3 && deepest <= 0) return {deepest - shape.radius, shape.normals[deepestEdge], deepestEdge};
  Separation best{kNever, {1, 0}, -1};
  Vec2 away;
  for (std::size_t k = 0; k < n; ++k) {
    bool between = false;
    const Vec2 nearest =
        n == 1 ? shape.corners[0] : NearestOnSegment(shape.corners[k], shape.corners[(k + 1) % n], offset, between);
    const double distance = (offset - nearest).Length();
    if (distance < best.distance) {
      best.distance = distance;
      best.edge = between ? static_cast<int>(k) : -1;
      away = offset - nearest;
    }
  }
  // Along an edge its own normal; a hair from a corner, where rounding
  // leaves no direction, the face it is furthest out of.
  if (best.edge >= 0) {
    best.normal = shape.normals[static_cast<std::size_t>(best.edge)];
    // A flat shape's two edges lie on one line: the side it is on.
    if (n == 2 && best.normal.Dot(away) < 0) best.normal = -best.normal;
  } else if (best.distance > kTouchingGap) {
    best.normal = away / best.distance;
  } else if (n >= 2) {
    best.normal = shape.normals[static_cast<std::size_t>(deepestEdge)];
  }
  best.distance -= shape.radius;
  return best;
}

Impact FirstImpact(const Configuration& shape, const Vec2& from, const Vec2& motion) {
  const std::size_t n = shape.corners.size();
  if (n == 0 || !motion.IsFinite() || motion == Vec2{}) return {};
  if (!from.IsFinite() || !(SeparationAt(shape, from).distance > 0)) return {};
  const double r = shape.radius;
  Impact first;
  first.time = kNever;
  // Across an edge pushed out by the radius.
  for (std::size_t k = 0; n >= 2 && k < n; ++k) {
    const Vec2 normal = shape.normals[k];
    const double closing = normal.Dot(motion);
    if (!(closing < 0)) continue;
    const Vec2 a = shape.corners[k] + normal * r - from, e = shape.corners[(k + 1) % n] - shape.corners[k];
    // A start a hair inside the face by rounding meets it at once.
    const double t = std::max(normal.Dot(a) / closing, 0.0);
    if (!(normal.Dot(a) <= kTouchingGap && t <= 1 && t < first.time)) continue;
    const double s = (motion * t - a).Dot(e) / e.LengthSquared();
    if (s < -kEdgeSlack || s > 1 + kEdgeSlack) continue;
    first = {true, t, normal, static_cast<int>(k)};
  }
  // Or a corner's rounding.
  const double a = motion.LengthSquared();
  for (std::size_t k = 0; r > 0 && k < n; ++k) {
    const Vec2 corner = shape.corners[k] - from;
    const double b = -2 * motion.Dot(corner), c = corner.LengthSquared() - r * r;
    const double discriminant = b * b - 4 * a * c;
    if (!(discriminant >= 0)) continue;
    const double early = (-b - std::sqrt(discriminant)) / (2 * a), t = std::max(early, 0.0);
    if (!(early * std::sqrt(a) >= -kTouchingGap && t <= 1 && t < first.time)) continue;
    first = {true, t, (motion * t - corner) / r, -1};
  }
  return first;
}

EnteredFace FaceEntered(const Configuration& shape, const Vec2& from, const Vec2& motion) {
  const Separation start = SeparationAt(shape, from);
  if (start.distance <= kTouchingGap) return {true, true, 0, start.normal, start.distance};
  const Impact hit = FirstImpact(shape, from, motion);
  if (!hit.meets) return {};
  return {true, false, hit.time, hit.normal, -hit.time * hit.normal.Dot(motion)};
}

bool EnteredAcrossX(const Vec2& gaps, const Vec2& motion) {
  return EntryTime(gaps.x, motion.x) > EntryTime(gaps.y, motion.y);
}

}  // namespace Orv
