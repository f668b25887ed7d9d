#include "world/WallRegion.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/ContactTolerances.h"
#include "world/PairRules.h"

namespace Orv {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

// A rounded part is taken as this many flat faces around it: outside them
// is outside the rounding, at most 2 % of its radius farther.
constexpr int kRoundFaces = 16;

}  // namespace

double ExtentAlong(const ConvexShape& shape, const Vec2& direction) {
  double low = kNever, high = -kNever;
  for (unsigned i = 0; i < shape.count; ++i) {
    low = std::min(low, shape.corners[i].Dot(direction));
    high = std::max(high, shape.corners[i].Dot(direction));
  }
  return shape.count > 0 ? (high - low) / 2 + shape.radius : 0.0;
}

WallFrame FrameOf(const Collider& wall, const Collider& body, const Vec2& from) {
  WallFrame frame;
  frame.middle = wall.GetPosition();
  switch (wall.GetType()) {
    case Collider::TypeAABB:
      frame.middle = (wall.GetMin() + wall.GetMax()) * 0.5;
      frame.half = (wall.GetMax() - wall.GetMin()) * 0.5;
      // The box it is pushed out by.
      frame.bodyHalf = (body.GetMax() - body.GetMin()) * 0.5;
      return frame;
    case Collider::TypeOBB: {
      const auto& box = static_cast<const OBB&>(wall);
      const double radians = box.GetRotation() * kDegreesToRadians;
      frame.u = {std::cos(radians), std::sin(radians)};
      frame.v = {-frame.u.y, frame.u.x};
      frame.half = {box.GetWidth() / 2, box.GetHeight() / 2};
      break;
    }
    case Collider::TypeCircle2D: {
      const double r = std::max(static_cast<const Circle2D&>(wall).GetRadius(), 0.0);
      const Vec2 away = from - frame.middle;
      const double length = away.Length();
      if (length > 0 && std::isfinite(length)) frame.u = away / length, frame.v = {-frame.u.y, frame.u.x};
      frame.half = {r, r};
      break;
    }
    default: break;
  }
  const ConvexShape shape = ShapeOf(body);
  frame.bodyHalf = {ExtentAlong(shape, frame.u), ExtentAlong(shape, frame.v)};
  return frame;
}

bool StartFace(const WallFrame& frame, const Vec2& from, int& axis, double& side) {
  const Vec2 at = frame.Local(from), half = frame.half, body = frame.bodyHalf;
  const bool outX = std::fabs(at.x) >= half.x, outY = std::fabs(at.y) >= half.y;
  if (!outX && !outY) return false;
  const double gapX = std::fabs(at.x) - half.x - body.x, gapY = std::fabs(at.y) - half.y - body.y;
  axis = outX && (!outY || gapX >= gapY) ? 0 : 1;
  side = Along(at, axis) < 0 ? -1 : 1;
  return true;
}

bool Behind(const WallFrame& frame, const Vec2& from, const Vec2& centre) {
  const Vec2 start = frame.Local(from), at = frame.Local(centre);
  bool started = false, past = true;
  for (const int axis : {0, 1}) {
    const double half = Along(frame.half, axis), s = Along(start, axis), c = Along(at, axis);
    if (std::fabs(s) >= half) {
      started = true;
      past = past && (s < 0 ? c > 0 : c < 0);
    } else {
      // Touching counts: a box at the wall's corner is behind it.
      past = past && std::fabs(c) <= half + Along(frame.bodyHalf, axis);
    }
  }
  return started && past;
}

Region RegionOf(const Collider& wall, const Collider& body, const Vec2& from) {
  Region region;
  region.frame = FrameOf(wall, body, from);
  ConvexShape point;
  point.count = 1;
  region.solid = ConfigurationOf(ShapeOf(wall), point);
  const Vec2 centre = body.GetPosition();
  if (wall.GetType() == Collider::TypeAABB) {
    const Vec2 min = wall.GetMin() - (body.GetMax() - centre), max = wall.GetMax() + (centre - body.GetMin());
    region.corners = {min, {max.x, min.y}, max, {min.x, max.y}};
  } else {
    const Configuration shape = ConfigurationOf(ShapeOf(wall), ShapeOf(body));
    if (shape.radius > 0) {
      const double reach = shape.radius / std::cos(M_PI / kRoundFaces);
      std::vector<Vec2> points;
      for (const Vec2& corner : shape.corners) {
        for (int k = 0; k < kRoundFaces; ++k) {
          const double angle = 2 * M_PI * k / kRoundFaces;
          points.push_back(centre + corner + Vec2{std::cos(angle), std::sin(angle)} * reach);
        }
      }
      region.corners = ConvexHull(std::move(points));
    } else {
      for (const Vec2& corner : shape.corners) region.corners.push_back(centre + corner);
    }
  }
  const std::size_t n = region.corners.size();
  for (std::size_t k = 0; n >= 3 && k < n; ++k) {
    const Vec2 e = region.corners[(k + 1) % n] - region.corners[k];
    region.normals.push_back(Vec2{e.y, -e.x} / e.Length());
  }
  if (region.normals.size() != n || n < 3) region.corners.clear(), region.normals.clear();
  for (const Vec2& normal : region.normals) {
    if (!normal.IsFinite()) region.corners.clear(), region.normals.clear();
  }
  return region;
}

bool InsideWall(const Collider& wall, const Collider& body, const Vec2& move) {
  if (wall.GetType() == Collider::TypeAABB) {
    const Vec2 min = body.GetMin() + move, max = body.GetMax() + move;
    const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax();
    return std::min(max.x, wallMax.x) - std::max(min.x, wallMin.x) > kRestingWallOverlap &&
           std::min(max.y, wallMax.y) - std::max(min.y, wallMin.y) > kRestingWallOverlap;
  }
  const Configuration shape = ConfigurationOf(ShapeOf(wall), ShapeOf(body));
  return SeparationAt(shape, move).distance < -kRestingWallOverlap;
}

}  // namespace Orv
