// Where a moving body's coming step stops at the walls on its way.
#include <algorithm>
#include <cmath>

#include "world/Collider.h"
#include "world/PairRules.h"
#include "world/RigidBody.h"
#include "world/SweptShapes.h"

namespace Orv {

namespace {

// What the look-ahead leaves of the step into a face, so that the next pass
// meets the wall and records the contact, as tiles leave it.
constexpr double kLeftOverlap = 0.01;
// A step turns a body by at most this many degrees a second.
constexpr double kMostTurn = 60.0;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

// Where a body's step meets one wall: when (a share of the step) and the
// plane through the first touch, by its normal out of the wall and the
// body's height over it when the step began.
struct Stop {
  bool meets = false;
  double time = 0;
  Vec2 normal;
  double height = 0;
  // It came from clear of the wall and first touched it here.
  bool landed = false;
  Vec2 touch;
};

Stop StopAt(const Configuration& shape, const Vec2& motion) {
  const Separation start = SeparationAt(shape, {});
  // Deeper inside than resting on it: the pass's settling has it.
  if (!(start.distance >= -kRestingWallOverlap)) return {};
  Stop stop;
  if (start.distance <= kTouchingGap) {
    stop = {true, 0, start.normal, start.distance, false, {}};
  } else {
    const Impact hit = FirstImpact(shape, {}, motion);
    if (!hit.meets) return {};
    stop = {true, hit.time, hit.normal, -hit.time * hit.normal.Dot(motion), true, motion * hit.time};
  }
  // The next pass sends a body that ends inside a box back across the face
  // it lies least deep behind. When it was clear of that face as the step
  // began, the step stops there: a body sliding along a floor of boxes meets
  // the next box's top, not its side.
  if (shape.radius == 0 && shape.corners.size() >= 3) {
    const Separation end = SeparationAt(shape, motion);
    if (end.distance < 0 && end.edge >= 0) {
      const Vec2 normal = shape.normals[static_cast<std::size_t>(end.edge)];
      const double height = -normal.Dot(shape.corners[static_cast<std::size_t>(end.edge)]);
      if (height >= -kRestingWallOverlap) stop.normal = normal, stop.height = height, stop.landed = false;
    }
  }
  if (!(stop.normal.Dot(motion) < 0)) return {};
  return stop;
}

// How much nearer its centre a turning box's extent along normal comes over
// one step of its turn.
double TurnLift(const Collider& body, const RigidBody& rigid, double step, const Vec2& normal) {
  if (body.GetType() != Collider::TypeOBB || !rigid.rotationEnabled) return 0.0;
  const auto& box = static_cast<const OBB&>(body);
  const auto extent = [&](double degrees) {
    const double radians = degrees * kRadiansPerDegree;
    const Vec2 across{std::cos(radians), std::sin(radians)}, up{-across.y, across.x};
    return 0.5 * (box.GetWidth() * std::fabs(across.Dot(normal)) + box.GetHeight() * std::fabs(up.Dot(normal)));
  };
  const double turn = std::clamp(rigid.angularVelocity, -kMostTurn, kMostTurn) * step;
  const double lift = extent(box.GetRotation()) - extent(box.GetRotation() + turn);
  return std::isfinite(lift) && lift > 0 ? lift : 0.0;
}

}  // namespace

bool StopStepAtWalls(Collider& body, const RigidBody& rigid, double step, const std::vector<const Collider*>& walls) {
  const Vec2 motion = rigid.velocity * step;
  if (!motion.IsFinite() || motion == Vec2{} || walls.empty()) return false;
  struct Met {
    double time;
    const Collider* wall;
  };
  std::vector<Met> met;
  const ConvexShape moving = ShapeOf(body);
  for (const Collider* wall : walls) {
    const Stop stop = StopAt(ConfigurationOf(ShapeOf(*wall), moving), motion);
    if (stop.meets) met.push_back({stop.time, wall});
  }
  std::stable_sort(met.begin(), met.end(), [](const Met& a, const Met& b) { return a.time < b.time; });
  bool moved = false;
  for (const Met& each : met) {
    // A stop at an earlier wall moved the body back.
    const Configuration shape = ConfigurationOf(ShapeOf(*each.wall), ShapeOf(body));
    const Stop stop = StopAt(shape, motion);
    if (!stop.meets) continue;
    // Moved back now by what the step will carry it past the plane, it keeps
    // its velocity for the next pass to answer, bounce included, and its
    // slide along the plane. The step turns a box too, which can lift the
    // corner that would reach the plane: it is left that much deeper, so the
    // next pass meets the wall.
    const double left = kLeftOverlap + TurnLift(body, rigid, step, stop.normal);
    const double below = -left - (stop.height + stop.normal.Dot(motion));
    // Already ending no deeper than that.
    if (!(below > 0)) continue;
    Vec2 shift = stop.normal * below;
    // A slide that carries it off the wall's end or round its corner would
    // leave no contact to answer its velocity into the wall: it ends where
    // it landed.
    if (stop.landed && SeparationAt(shape, motion + shift).distance > 0) {
      shift = stop.touch - stop.normal * left - motion;
    }
    const Vec2 moveTo = body.GetPosition() + shift;
    if (!moveTo.IsFinite()) continue;
    body.SetPosition(moveTo);
    body.UpdateBounds();
    moved = true;
  }
  return moved;
}

void SweptBox(const Collider& body, const Vec2& motion, Vec2& min, Vec2& max) {
  min = body.GetMin(), max = body.GetMax();
  if (!motion.IsFinite()) return;
  min += Vec2{std::min(motion.x, 0.0), std::min(motion.y, 0.0)};
  max += Vec2{std::max(motion.x, 0.0), std::max(motion.y, 0.0)};
}

}  // namespace Orv
