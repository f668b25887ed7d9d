#include "world/PairRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/Manifold.h"
#include "world/RigidBody.h"

namespace Orv {

namespace {

// A box pushed out of a wall is left touching it, or overlapping it by the
// 0.01 a look-ahead leaves; with rounding, an overlap no deeper than this is
// a box resting on the face, not one inside.
constexpr double kRestingOverlap = 0.05;
// What the look-ahead leaves of the step into a face, so that the next pass
// meets the wall and records the contact, as tiles leave it.
constexpr double kLeftOverlap = 0.01;
constexpr double kNever = std::numeric_limits<double>::infinity();

// The share of the pass's motion at which a gap of this size closed.
double EntryTime(double gap, double motion) { return motion != 0 ? std::max(gap, 0.0) / std::fabs(motion) : 0.0; }

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
    if (std::min(hi, wallHi) - std::max(lo, wallLo) > kRestingOverlap) {
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
      const bool clear = side < 0 ? hi - wallLo <= kRestingOverlap : wallHi - lo <= kRestingOverlap;
      if (clear && along * side > most) most = along * side, back = {true, entered.time, a, side};
    }
  }
  if (!back.meets) return entered;
  return wall.GetType() == Collider::TypeAABB ? back : Entry{};
}

}  // namespace

PairSide SideOf(const CollisionComponent& collision, const RigidBody* body) {
  return {&collision,       collision.GetCollider(), body, collision.collisionId, !collision.avoidIds.empty(),
          collision.avoidTrigger};
}

PairAnswer AnswerOf(const PairSide& a, const PairSide& b) {
  if (a.collider == nullptr || b.collider == nullptr || a.collision->empty || b.collision->empty) {
    return PairAnswer::None;
  }
  if ((a.body == nullptr && b.body == nullptr) || a.collider == b.collider) return PairAnswer::None;
  if ((a.avoidsSome && a.collision->AvoidsId(b.collisionId)) || (b.avoidsSome && b.collision->AvoidsId(a.collisionId))) {
    return PairAnswer::None;
  }
  if (!(a.collider->GetZ() == b.collider->GetZ())) return PairAnswer::None;
  return a.trigger || b.trigger ? PairAnswer::Record : PairAnswer::Respond;
}

bool HoldsAsWall(const RigidBody* wall, const RigidBody* body) {
  return body != nullptr && (wall == nullptr || (wall->mass == 0.0 && body->mass > 0.0));
}

void BounceOffWall(RigidBody& body, const RigidBody& wall, const Vec2& out) {
  const double length = out.Length();
  if (!(length > 0)) return;
  const Vec2 n = out / length;
  const double closing = (body.velocity - wall.velocity).Dot(n);
  if (!(closing < 0)) return;
  body.Accept(body.velocity, body.velocity - n * ((1 + std::min(body.bouncy, wall.bouncy)) * closing), "velocity");
}

void AimAcrossEnteredFace(const Collider& wall, const Collider& body, const Vec2& startMin, const Vec2& startMax,
                          bool wallIsA, Manifold& working) {
  // The nearest face of a wall can lead into the wall beside it, whose own
  // nearest face leads back, or out the far side of a thin one.
  if (wall.GetType() != Collider::TypeAABB) return;
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax(), centre = body.GetPosition();
  if (!(centre.x > wallMin.x && centre.x < wallMax.x && centre.y > wallMin.y && centre.y < wallMax.y)) return;
  const bool clearX = startMax.x <= wallMin.x || startMin.x >= wallMax.x;
  const bool clearY = startMax.y <= wallMin.y || startMin.y >= wallMax.y;
  if (!clearX && !clearY) return;
  const Vec2 min = body.GetMin(), max = body.GetMax();
  const double sideX = startMax.x <= wallMin.x ? -1 : 1, sideY = startMax.y <= wallMin.y ? -1 : 1;
  bool acrossX = clearX;
  if (clearX && clearY) {
    // Over a corner: back across the face it reached last.
    const double gapX = sideX < 0 ? wallMin.x - startMax.x : startMin.x - wallMax.x;
    const double gapY = sideY < 0 ? wallMin.y - startMax.y : startMin.y - wallMax.y;
    acrossX = EntryTime(gapX, min.x - startMin.x) > EntryTime(gapY, min.y - startMin.y);
  }
  const Vec2 out = acrossX ? Vec2{sideX, 0} : Vec2{0, sideY};
  working.normal = wallIsA ? out : -out;
  if (acrossX) {
    working.penetration = sideX < 0 ? max.x - wallMin.x : wallMax.x - min.x;
  } else {
    working.penetration = sideY < 0 ? max.y - wallMin.y : wallMax.y - min.y;
  }
}

Vec2 LeaveWalls(const Collider& body, const std::vector<const Collider*>& walls) {
  // The walls grown by the body's box: its centre has to end outside them
  // all. The nearest such point lies on a face of one, level with the centre,
  // or at a corner made by the faces of two.
  const Vec2 centre = body.GetPosition(), min = body.GetMin(), max = body.GetMax();
  std::vector<Vec2> grownMin, grownMax;
  std::vector<double> xs{centre.x}, ys{centre.y};
  for (const Collider* wall : walls) {
    grownMin.push_back(wall->GetMin() - (max - centre));
    grownMax.push_back(wall->GetMax() + (centre - min));
    xs.insert(xs.end(), {grownMin.back().x, grownMax.back().x});
    ys.insert(ys.end(), {grownMin.back().y, grownMax.back().y});
  }
  const auto inside = [&](double x, double y) {
    for (std::size_t k = 0; k < grownMin.size(); ++k) {
      if (x > grownMin[k].x && x < grownMax[k].x && y > grownMin[k].y && y < grownMax[k].y) return true;
    }
    return false;
  };
  Vec2 best;
  double nearest = kNever;
  for (const double x : xs) {
    for (const double y : ys) {
      const double distance = (Vec2{x, y} - centre).LengthSquared();
      if (distance < nearest && !inside(x, y)) {
        nearest = distance;
        best = Vec2{x, y} - centre;
      }
    }
  }
  return best;
}

bool StopAtFirstWall(Collider& body, const RigidBody& rigid, double step, const std::vector<const Collider*>& walls) {
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
    const double face = stop.side < 0 ? (x ? wallMin.x : wallMin.y) + kLeftOverlap
                                      : (x ? wallMax.x : wallMax.y) - kLeftOverlap;
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

namespace {

// Whether the box min..max lies in a wall deeper than resting on it.
bool InsideBox(const Vec2& min, const Vec2& max, const Collider& wall) {
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax();
  return std::min(max.x, wallMax.x) - std::max(min.x, wallMin.x) > kRestingOverlap &&
         std::min(max.y, wallMax.y) - std::max(min.y, wallMin.y) > kRestingOverlap;
}

}  // namespace

bool SettleAmongWalls(Collider& body, RigidBody& rigid, const Vec2& startMin, const Vec2& startMax,
                      const std::vector<const Collider*>& near, std::vector<const Collider*>& held) {
  const Collider* inside = nullptr;
  Manifold single;
  std::size_t count = 0;
  for (const Collider* wall : near) {
    Manifold working;
    if (!wall->Collide(body, working) || !(working.penetration > 0)) continue;
    if (++count == 1) inside = wall, single = working;
    if (std::find(held.begin(), held.end(), wall) == held.end()) held.push_back(wall);
  }
  if (count == 0) return false;
  Vec2 move;
  bool leaveAll = count > 1;
  if (!leaveAll) {
    AimAcrossEnteredFace(*inside, body, startMin, startMax, true, single);
    move = single.normal * std::fabs(single.penetration);
    const Vec2 min = body.GetMin() + move, max = body.GetMax() + move;
    leaveAll = std::any_of(held.begin(), held.end(),
                           [&](const Collider* wall) { return wall != inside && InsideBox(min, max, *wall); });
  }
  if (leaveAll) move = LeaveWalls(body, held);
  const Vec2 moveTo = body.GetPosition() + move;
  if (!moveTo.IsFinite() || move == Vec2{}) return false;
  body.SetPosition(moveTo);
  body.UpdateBounds();
  if (!leaveAll) {
    rigid.StopTowards(-single.normal);
  } else {
    // Out of a corner of two walls, it stops against both.
    if (move.x != 0) rigid.StopTowards({move.x > 0 ? -1.0 : 1.0, 0});
    if (move.y != 0) rigid.StopTowards({0, move.y > 0 ? -1.0 : 1.0});
  }
  return true;
}

void PairStep::Begin(float dt) {
  step_ = StepTime(dt);
  held_.clear();
  sorted_ = true;
}

void PairStep::Hold(std::size_t body, const Collider* wall) {
  sorted_ = sorted_ && (held_.empty() || held_.back().first <= body);
  held_.emplace_back(body, wall);
}

void PairStep::HeldBy(std::size_t body, std::vector<const Collider*>& out) {
  out.clear();
  if (!sorted_) {
    std::stable_sort(held_.begin(), held_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    sorted_ = true;
  }
  auto at = std::lower_bound(held_.begin(), held_.end(), body, [](const auto& a, std::size_t b) { return a.first < b; });
  for (; at != held_.end() && at->first == body; ++at) {
    if (std::find(out.begin(), out.end(), at->second) == out.end()) out.push_back(at->second);
  }
}

}  // namespace Orv
