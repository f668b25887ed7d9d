// How a body leaves the walls the pair pass left it in or carried it
// through: always back to the side it began the pass on, never across a
// wall's far face, and, among several walls, by a short way that crosses
// none, back the way it came, or not at all.
#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/Manifold.h"
#include "world/PairRules.h"
#include "world/RigidBody.h"

namespace Orv {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

double Along(const Vec2& v, int axis) { return axis == 0 ? v.x : v.y; }

Vec2 OnAxis(int axis, double value) { return axis == 0 ? Vec2{value, 0} : Vec2{0, value}; }

// The face of the box wall min..max that a body centred at from, its box
// half extent wide and high, began on: the axis (0 x, 1 y) and the side (-1
// the low face, 1 the high one); over a corner, the face its box was farther
// from. False when from lies inside the wall.
bool StartFace(const Vec2& wallMin, const Vec2& wallMax, const Vec2& from, const Vec2& half, int& axis,
               double& side) {
  const bool outX = from.x <= wallMin.x || from.x >= wallMax.x;
  const bool outY = from.y <= wallMin.y || from.y >= wallMax.y;
  if (!outX && !outY) return false;
  const double gapX = (from.x <= wallMin.x ? wallMin.x - from.x : from.x - wallMax.x) - half.x;
  const double gapY = (from.y <= wallMin.y ? wallMin.y - from.y : from.y - wallMax.y) - half.y;
  axis = outX && (!outY || gapX >= gapY) ? 0 : 1;
  side = Along(from, axis) <= Along(wallMin, axis) ? -1 : 1;
  return true;
}

// Whether the box min..max lies in a wall deeper than resting on it.
bool InsideBox(const Vec2& min, const Vec2& max, const Collider& wall) {
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax();
  return std::min(max.x, wallMax.x) - std::max(min.x, wallMin.x) > kRestingWallOverlap &&
         std::min(max.y, wallMax.y) - std::max(min.y, wallMin.y) > kRestingWallOverlap;
}

}  // namespace

bool BehindWall(const Collider& wall, const Vec2& from, const Vec2& centre, const Vec2& half) {
  // The box of a turned or round wall is not the wall.
  if (wall.GetType() != Collider::TypeAABB) return false;
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax();
  bool started = false, past = true;
  for (const int axis : {0, 1}) {
    const double low = Along(wallMin, axis), high = Along(wallMax, axis), at = Along(centre, axis);
    const double start = Along(from, axis), middle = (low + high) / 2;
    if (start <= low || start >= high) {
      started = true;
      past = past && (start <= low ? at > middle : at < middle);
    } else {
      // Touching counts: a box at the wall's corner is behind it.
      past = past && at >= low - Along(half, axis) && at <= high + Along(half, axis);
    }
  }
  return started && past;
}

void KeepToStartSide(const Collider& wall, const Collider& body, const Vec2& from, bool wallIsA,
                     Manifold& working) {
  if (wall.GetType() != Collider::TypeAABB) return;
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax(), middle = (wallMin + wallMax) * 0.5;
  const Vec2 min = body.GetMin(), max = body.GetMax(), centre = body.GetPosition();
  const Vec2 half = (max - min) * 0.5;
  int axis = 0;
  double side = 0;
  if (!StartFace(wallMin, wallMax, from, half, axis, side)) return;
  // Only a body past the middle is sent out across the far face; nearer,
  // the narrow phase's face is one it may leave by.
  const Vec2 out = wallIsA ? working.normal : -working.normal;
  const bool farFace = [&] {
    for (const int a : {0, 1}) {
      const double start = Along(from, a), low = Along(wallMin, a), high = Along(wallMax, a);
      if (start > low && start < high) continue;
      const double s = start <= low ? -1 : 1;
      if (Along(out, a) * s < 0 && (Along(centre, a) - Along(middle, a)) * s < 0) return true;
    }
    return false;
  }();
  if (!farFace && !BehindWall(wall, from, centre, half)) return;
  const Vec2 across = OnAxis(axis, side);
  working.normal = wallIsA ? across : -across;
  working.penetration = side < 0 ? Along(max, axis) - Along(wallMin, axis) : Along(wallMax, axis) - Along(min, axis);
}

Vec2 LeaveWalls(const Collider& body, const std::vector<const Collider*>& walls, const Vec2& from) {
  // The walls grown by the body's box: its centre has to end outside them
  // all. The nearest such point lies on a face of one, level with the centre,
  // or at a corner made by the faces of two.
  const Vec2 centre = body.GetPosition(), min = body.GetMin(), max = body.GetMax();
  const Vec2 half = (max - min) * 0.5;
  std::vector<Vec2> grownMin, grownMax;
  std::vector<double> xs{centre.x}, ys{centre.y};
  // A way out is short when it is no longer than the body's half size and
  // that of the walls its centre is in, or than the way back.
  double reach = std::max(half.x, half.y);
  double wallReach = 0;
  for (const Collider* wall : walls) {
    const Vec2 wallMin = wall->GetMin(), wallMax = wall->GetMax();
    grownMin.push_back(wallMin - (max - centre));
    grownMax.push_back(wallMax + (centre - min));
    xs.insert(xs.end(), {grownMin.back().x, grownMax.back().x});
    ys.insert(ys.end(), {grownMin.back().y, grownMax.back().y});
    if (centre.x > wallMin.x && centre.x < wallMax.x && centre.y > wallMin.y && centre.y < wallMax.y) {
      // As deep as it went in from the side it began on; made inside, as
      // deep as the wall is.
      int axis = 0;
      double side = 0;
      const double deep =
          StartFace(wallMin, wallMax, from, half, axis, side)
              ? (side < 0 ? Along(centre, axis) - Along(wallMin, axis) : Along(wallMax, axis) - Along(centre, axis))
              : std::max((wallMax.x - wallMin.x) / 2, (wallMax.y - wallMin.y) / 2);
      wallReach = std::max(wallReach, deep);
    }
  }
  reach = std::max(reach + wallReach, (from - centre).Length()) + kRestingWallOverlap;
  const auto inside = [&](const Vec2& p, double margin) {
    for (std::size_t k = 0; k < grownMin.size(); ++k) {
      if (p.x > grownMin[k].x + margin && p.x < grownMax[k].x - margin && p.y > grownMin[k].y + margin &&
          p.y < grownMax[k].y - margin) {
        return true;
      }
    }
    return false;
  };
  // Out of a wall across its far face, or past one, is through it.
  const auto through = [&](const Vec2& p) {
    return std::any_of(walls.begin(), walls.end(),
                       [&](const Collider* wall) { return BehindWall(*wall, from, p, half); });
  };
  Vec2 best;
  double nearest = kNever;
  for (const double x : xs) {
    for (const double y : ys) {
      const Vec2 p{x, y};
      const double distance = (p - centre).Length();
      if (distance < nearest && distance <= reach && !inside(p, 0) && !through(p)) {
        nearest = distance;
        best = p - centre;
      }
    }
  }
  if (nearest < kNever) return best;
  // Back the way it came, to the first place out of them all.
  const Vec2 back = from - centre;
  if (back == Vec2{}) return {};
  // Made among walls with no way out: back where it was rather than through one.
  const Vec2 stay = through(centre) ? back : Vec2{};
  double t = 0;
  for (std::size_t round = 0; round <= grownMin.size(); ++round) {
    const Vec2 p = centre + back * t;
    double exit = -1;
    for (std::size_t k = 0; k < grownMin.size() && exit < 0; ++k) {
      if (!(p.x > grownMin[k].x && p.x < grownMax[k].x && p.y > grownMin[k].y && p.y < grownMax[k].y)) continue;
      exit = kNever;
      for (const int axis : {0, 1}) {
        const double d = Along(back, axis), o = Along(centre, axis);
        if (d > 0) exit = std::min(exit, (Along(grownMax[k], axis) - o) / d);
        if (d < 0) exit = std::min(exit, (Along(grownMin[k], axis) - o) / d);
      }
    }
    if (exit < 0) break;
    t = exit;
    if (!(t <= 1)) return stay;
  }
  const Vec2 out = centre + back * t;
  if (inside(out, 1e-9) || through(out)) return stay;
  return back * t;
}

bool SettleAmongWalls(Collider& body, RigidBody& rigid, const Vec2& startMin, const Vec2& startMax,
                      const std::vector<const Collider*>& near, std::vector<const Collider*>& held) {
  const Vec2 from = (startMin + startMax) * 0.5, centre = body.GetPosition();
  const Vec2 half = (body.GetMax() - body.GetMin()) * 0.5;
  const Collider* inside = nullptr;
  Manifold single;
  bool behind = false;
  std::size_t count = 0;
  for (const Collider* wall : near) {
    Manifold working;
    const bool in = wall->Collide(body, working) && working.penetration > 0;
    // Carried through it whole, it no longer overlaps it.
    const bool past = !in && BehindWall(*wall, from, centre, half);
    if (!in && !past) continue;
    if (++count == 1) inside = wall, single = working, behind = past;
    if (std::find(held.begin(), held.end(), wall) == held.end()) held.push_back(wall);
  }
  if (count == 0) return false;
  Vec2 move;
  bool leaveAll = count > 1;
  if (!leaveAll) {
    if (behind) {
      // Back to touching the face on the side it began on.
      int axis = 0;
      double side = 0;
      StartFace(inside->GetMin(), inside->GetMax(), from, half, axis, side);
      const double to = side < 0 ? Along(inside->GetMin(), axis) - Along(half, axis)
                                 : Along(inside->GetMax(), axis) + Along(half, axis);
      move = OnAxis(axis, to - Along(centre, axis));
      single.normal = OnAxis(axis, side);
    } else {
      AimAcrossEnteredFace(*inside, body, startMin, startMax, true, single);
      KeepToStartSide(*inside, body, from, true, single);
      move = single.normal * std::fabs(single.penetration);
    }
    const Vec2 min = body.GetMin() + move, max = body.GetMax() + move;
    leaveAll = std::any_of(held.begin(), held.end(),
                           [&](const Collider* wall) { return wall != inside && InsideBox(min, max, *wall); });
  }
  if (leaveAll) {
    // Nor into a wall beside them.
    std::vector<const Collider*> walls = held;
    for (const Collider* wall : near) {
      if (std::find(walls.begin(), walls.end(), wall) == walls.end()) walls.push_back(wall);
    }
    move = LeaveWalls(body, walls, from);
  }
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

}  // namespace Orv
