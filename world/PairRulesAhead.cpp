// Where a moving body's coming step stops at the walls on its way.
#include <algorithm>
#include <cmath>

#include "world/Collider.h"
#include "world/ContactTolerances.h"
#include "world/PairRules.h"
#include "world/RigidBody.h"
#include "world/SweptShapes.h"

namespace Orv {

namespace {

// Two normals closer than this are one face's: rounding aside, the same.
constexpr double kSameFace = 1 - 1e-9;

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

// The body's centre at centre lies outside wall.
bool CentreOutside(const ConvexShape& wall, const Vec2& centre) {
  ConvexShape point;
  point.corners[0] = centre;
  point.count = 1;
  return SeparationAt(ConfigurationOf(wall, point), {}).distance > 0;
}

Stop StopAt(const Configuration& shape, const Vec2& motion, const ConvexShape& wall, const Vec2& centre) {
  const EnteredFace entered = FaceEntered(shape, {}, motion);
  if (!entered.meets) return {};
  // Deeper inside than resting on it: the pass's settling has it. Left a
  // little inside by a squeeze, its centre still out, its step goes no
  // deeper than the face it lies behind.
  if (!(entered.height >= -kRestingWallOverlap) && !CentreOutside(wall, centre)) return {};
  Stop stop{true, entered.time, entered.normal, entered.height, !entered.resting, motion * entered.time};
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
    const double radians = degrees * kDegreesToRadians;
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
  // The step's path, from where it starts (or where it last touched a wall)
  // to where it ends, offsets from where the body stands. A stop at the
  // first wall the path meets ends the step on that wall's face, the body
  // sliding along it from where it touched: on that slide it may meet a
  // wall its first path passed (in a room's corner, the wall beside the
  // floor it slides on), which stops it again. A few rounds at most.
  const ConvexShape moving = ShapeOf(body);
  Vec2 start, end = motion;
  const int rounds = static_cast<int>(std::min<std::size_t>(walls.size(), 4)) + 1;
  for (int round = 0; round < rounds; ++round) {
    const ConvexShape from = Moved(moving, start);
    const Vec2 path = end - start;
    if (path == Vec2{}) break;
    double first = 2;
    Vec2 firstEnd, firstTouch;
    for (const Collider* wall : walls) {
      const ConvexShape still = ShapeOf(*wall);
      const Configuration shape = ConfigurationOf(still, from);
      const Stop stop = StopAt(shape, path, still, body.GetPosition() + start);
      if (!stop.meets || !(stop.time < first)) continue;
      // Moved back now by what the step will carry it past the plane, it
      // keeps its velocity for the next pass to answer, bounce included,
      // and its slide along the plane. The step turns a box too, which can
      // lift the corner that would reach the plane: it is left that much
      // deeper, so the next pass meets the wall.
      const double left = kLeftOverlap + TurnLift(body, rigid, step, stop.normal);
      const double below = -left - (stop.height + stop.normal.Dot(path));
      // Already ending no deeper than that, rounding aside.
      if (!(below > kTouchingGap)) continue;
      Vec2 shift = stop.normal * below;
      // A slide that carries it off the wall's end would leave no contact to
      // answer its velocity into the wall, and one that ends round its
      // corner, still touching, a contact whose normal is the corner's, which
      // turns part of its fall along the wall's end: it ends where it landed.
      if (stop.landed) {
        const Separation slid = SeparationAt(shape, path + shift);
        if (slid.distance > 0 || slid.normal.Dot(stop.normal) < kSameFace)
          shift = stop.touch - stop.normal * left - path;
      }
      if (!(path + shift).IsFinite()) continue;
      first = stop.time;
      firstEnd = start + path + shift;
      firstTouch = start + stop.touch;
    }
    if (!(first <= 1)) break;
    start = firstTouch, end = firstEnd;
  }
  const Vec2 moveTo = body.GetPosition() + (end - motion);
  if (end == motion || !moveTo.IsFinite()) return false;
  body.SetPosition(moveTo);
  body.UpdateBounds();
  return true;
}

void SweptBox(const Collider& body, const Vec2& motion, Vec2& min, Vec2& max) {
  min = body.GetMin(), max = body.GetMax();
  if (!motion.IsFinite()) return;
  min += Vec2{std::min(motion.x, 0.0), std::min(motion.y, 0.0)};
  max += Vec2{std::max(motion.x, 0.0), std::max(motion.y, 0.0)};
}

}  // namespace Orv
