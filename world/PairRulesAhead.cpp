// Where a moving body's coming step stops at the walls on its way.
#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/Manifold.h"
#include "world/PairRules.h"
#include "world/RigidBody.h"

namespace Orv {

namespace {

// What the look-ahead leaves of the step into a face, so that the next pass
// meets the wall and records the contact, as tiles leave it.
constexpr double kLeftOverlap = 0.01;
constexpr double kNever = std::numeric_limits<double>::infinity();
// A step turns a body by at most this many degrees a second.
constexpr double kMostTurn = 60.0;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

// Where a box moving by motion from min..max first meets a wall's box, as a
// share of the motion: on the axis it reaches last (0 for x, 1 for y), coming
// from the wall's low side (-1) or high side (+1) there. A box already inside
// along both axes, or that never meets the wall, gives no entry.
struct Entry {
  bool meets = false;
  double time = 0;
  int axis = 0;
  double side = 0;
};

Entry EnterWall(const Vec2& min, const Vec2& max, const Vec2& motion, const Vec2& wallMin, const Vec2& wallMax) {
  double enter[2], leave[2], side[2];
  bool clear = false;
  for (int a = 0; a < 2; ++a) {
    const double lo = a == 0 ? min.x : min.y, hi = a == 0 ? max.x : max.y;
    const double wallLo = a == 0 ? wallMin.x : wallMin.y, wallHi = a == 0 ? wallMax.x : wallMax.y;
    const double m = a == 0 ? motion.x : motion.y;
    side[a] = hi - wallLo <= wallHi - lo ? -1 : 1;
    if (std::min(hi, wallHi) - std::max(lo, wallLo) > kRestingWallOverlap) {
      enter[a] = -kNever;
      leave[a] = m > 0 ? (wallHi - lo) / m : m < 0 ? (wallLo - hi) / m : kNever;
      continue;
    }
    // Clear of the slab: it has to move towards it to meet the wall at all.
    if (!(m * side[a] < 0)) return {};
    clear = true;
    const double gap = side[a] < 0 ? wallLo - hi : lo - wallHi;
    enter[a] = EntryTime(gap, m);
    leave[a] = side[a] < 0 ? (wallHi - lo) / m : (wallLo - hi) / m;
  }
  if (!clear) return {};
  // Over a corner, the face it reaches last; a tie goes to y.
  const int axis = enter[0] > enter[1] ? 0 : 1;
  const double time = enter[axis];
  if (!(time <= 1) || !(time <= std::min(leave[0], leave[1]))) return {};
  return {true, time, axis, side[axis]};
}

// How much nearer its centre a turning box's extent along an axis (0 for x,
// 1 for y) comes over one step of its turn.
double TurnLift(const Collider& body, const RigidBody& rigid, double step, int axis) {
  if (body.GetType() != Collider::TypeOBB || !rigid.rotationEnabled) return 0.0;
  const auto& box = static_cast<const OBB&>(body);
  const auto extent = [&](double degrees) {
    const double radians = degrees * kRadiansPerDegree;
    const double c = std::fabs(std::cos(radians)), s = std::fabs(std::sin(radians));
    return 0.5 * (axis == 0 ? box.GetWidth() * c + box.GetHeight() * s : box.GetWidth() * s + box.GetHeight() * c);
  };
  const double turn = std::clamp(rigid.angularVelocity, -kMostTurn, kMostTurn) * step;
  const double lift = extent(box.GetRotation()) - extent(box.GetRotation() + turn);
  return std::isfinite(lift) && lift > 0 ? lift : 0.0;
}

Vec2 AxisVector(int axis, double length) { return axis == 0 ? Vec2{length, 0} : Vec2{0, length}; }

// The face of a wall met on the way at which the step stops: the one the
// next pass would send the body back across, when it came from that side;
// otherwise (it would pass through, or leave by the far side or beside) the
// face it reached last. None for a shape beside whose box it only passes, or
// one that is no box, which the next pass answers as it stands.
Entry StopFace(Collider& body, const Collider& wall, const Vec2& min, const Vec2& max, const Vec2& motion,
               const Entry& entered) {
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax();
  const Vec2 aheadMin = min + motion, aheadMax = max + motion;
  // Past it: the step crossed the wall.
  if (aheadMin.x > wallMax.x || wallMin.x > aheadMax.x || aheadMin.y > wallMax.y || wallMin.y > aheadMax.y) {
    return entered;
  }
  const Vec2 centre = body.GetPosition();
  body.SetPosition(centre + motion);
  body.UpdateBounds();
  Manifold working;
  const bool touches = wall.Collide(body, working);
  body.SetPosition(centre);
  body.UpdateBounds();
  // A circle beside a box's corner meets it no sooner than the next step.
  if (!touches) return {};
  // Of the faces it was clear of when the step began, the one the answer
  // points out of most.
  Entry back;
  double most = 0;
  for (int a = 0; a < 2; ++a) {
    const double lo = a == 0 ? min.x : min.y, hi = a == 0 ? max.x : max.y;
    const double wallLo = a == 0 ? wallMin.x : wallMin.y, wallHi = a == 0 ? wallMax.x : wallMax.y;
    const double along = a == 0 ? working.normal.x : working.normal.y;
    for (const double side : {-1.0, 1.0}) {
      const bool clear = side < 0 ? hi - wallLo <= kRestingWallOverlap : wallHi - lo <= kRestingWallOverlap;
      if (clear && along * side > most) most = along * side, back = {true, entered.time, a, side};
    }
  }
  if (!back.meets) return entered;
  return wall.GetType() == Collider::TypeAABB ? back : Entry{};
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
  for (const Collider* wall : walls) {
    const Entry entry = EnterWall(body.GetMin(), body.GetMax(), motion, wall->GetMin(), wall->GetMax());
    if (entry.meets) met.push_back({entry.time, wall});
  }
  std::stable_sort(met.begin(), met.end(), [](const Met& a, const Met& b) { return a.time < b.time; });
  bool moved = false;
  for (const Met& each : met) {
    // A stop at an earlier wall moved the body back.
    const Vec2 min = body.GetMin(), max = body.GetMax();
    const Entry entry = EnterWall(min, max, motion, each.wall->GetMin(), each.wall->GetMax());
    if (!entry.meets) continue;
    const Entry stop = StopFace(body, *each.wall, min, max, motion, entry);
    if (!stop.meets) continue;
    // Moved back now by what the step will carry it past the face, it keeps
    // its velocity for the next pass to answer, bounce included.
    const Vec2 wallMin = each.wall->GetMin(), wallMax = each.wall->GetMax();
    const bool x = stop.axis == 0;
    // The step turns a box too, which can lift the corner that would reach
    // the face: it is left that much deeper, so the next pass meets the wall.
    const double left = kLeftOverlap + TurnLift(body, rigid, step, stop.axis);
    const double face =
        stop.side < 0 ? (x ? wallMin.x : wallMin.y) + left : (x ? wallMax.x : wallMax.y) - left;
    const double edge = stop.side < 0 ? (x ? max.x : max.y) : (x ? min.x : min.y);
    const double shift = face - edge - (x ? motion.x : motion.y);
    // Already ending no deeper than that.
    if (!(shift * stop.side > 0)) continue;
    const Vec2 moveTo = body.GetPosition() + AxisVector(stop.axis, shift);
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
