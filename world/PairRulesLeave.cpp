// How a body leaves the walls the pair pass left it in or carried it
// through: always back to the side it began the pass on, never across a
// wall's far face, and, among several walls, by a short way that crosses
// none, back the way it came, or not at all. Each wall is taken by its real
// shape: the box of a turned or round wall is not the wall.
#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/ContactTolerances.h"
#include "world/Manifold.h"
#include "world/PairRules.h"
#include "world/RigidBody.h"
#include "world/SweptShapes.h"
#include "world/WallRegion.h"

namespace Orv {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

// Whether body centred at centre lies behind a wall as seen from from: past
// the wall's middle along each of its axes (a circle's: the way to from) on
// which from lies outside the wall, and within reach of the wall along the
// others. Never for a wall from lies inside.
bool BehindWall(const Collider& wall, const Collider& body, const Vec2& from, const Vec2& centre) {
  return Behind(FrameOf(wall, body, from), from, centre);
}

}  // namespace

void KeepToStartSide(const Collider& wall, const Collider& body, const Vec2& from, bool wallIsA, Manifold& working) {
  const WallFrame frame = FrameOf(wall, body, from);
  const Vec2 centre = body.GetPosition();
  int axis = 0;
  double side = 0;
  if (!StartFace(frame, from, axis, side)) return;
  // Only a body past the middle is sent out across the far face; nearer,
  // the narrow phase's face is one it may leave by.
  const Vec2 out = frame.Local(frame.middle + (wallIsA ? working.normal : -working.normal));
  const Vec2 start = frame.Local(from), at = frame.Local(centre);
  const bool farFace = [&] {
    for (const int a : {0, 1}) {
      const double s = Along(start, a);
      if (std::fabs(s) < Along(frame.half, a)) continue;
      const double sign = s < 0 ? -1 : 1;
      if (Along(out, a) * sign < 0 && Along(at, a) * sign < 0) return true;
    }
    return false;
  }();
  if (!farFace && !Behind(frame, from, centre)) return;
  const Vec2 across = frame.World(OnAxis(axis, side));
  working.normal = wallIsA ? across : -across;
  working.penetration = Along(frame.half, axis) + Along(frame.bodyHalf, axis) - side * Along(at, axis);
}

namespace {

// The shortest move that takes the body out of every wall at once, each
// taken by its real shape (a box wall by the body's box), touching counting
// as out, that ends it behind no wall as seen from from (its centre when the
// pass began) and is short: no longer than its own half size and the half
// size of the walls its centre is in, or than the way back to from. Failing
// that, the first place out of them all on the way back to from; (0, 0) when
// it is out already or there is none.
Vec2 LeaveWalls(const Collider& body, const std::vector<const Collider*>& walls, const Vec2& from) {
  // The centres at which the body overlaps each wall: its centre has to end
  // outside them all. The nearest such point lies on a face of one, level
  // with the centre, or where the faces of two meet.
  const Vec2 centre = body.GetPosition();
  const Vec2 half = (body.GetMax() - body.GetMin()) * 0.5;
  std::vector<Region> regions;
  regions.reserve(walls.size());
  // A way out is short when it is no longer than the body's half size and
  // that of the walls its centre is in, or than the way back.
  double wallReach = 0;
  for (const Collider* wall : walls) {
    regions.push_back(RegionOf(*wall, body, from));
    const WallFrame& frame = regions.back().frame;
    const Vec2 at = frame.Local(centre);
    if (std::fabs(at.x) < frame.half.x && std::fabs(at.y) < frame.half.y) {
      // As deep as it went in from the side it began on; made inside, as
      // deep as the wall is.
      int axis = 0;
      double side = 0;
      const double deep = StartFace(frame, from, axis, side) ? Along(frame.half, axis) + side * Along(at, axis)
                                                             : std::max(frame.half.x, frame.half.y);
      wallReach = std::max(wallReach, deep);
    }
  }
  const double reach = std::max(std::max(half.x, half.y) + wallReach, (from - centre).Length()) + kRestingWallOverlap;
  const auto inside = [&](const Vec2& p, double margin) {
    return std::any_of(regions.begin(), regions.end(), [&](const Region& r) { return r.Inside(p, margin); });
  };
  // Out of a wall across its far face, or past one, is through it; so is a
  // way whose centre, seen from where it began, passes through a wall (past
  // the outer corner where two walls meet).
  const auto through = [&](const Vec2& p) {
    return std::any_of(regions.begin(), regions.end(), [&](const Region& r) {
      return Behind(r.frame, from, p) || (p != from && FirstImpact(r.solid, from, p - from).meets);
    });
  };
  // The faces within reach, as lines normal . p = offset.
  struct Line {
    Vec2 normal;
    double offset;
  };
  std::vector<Line> lines;
  for (const Region& region : regions) {
    for (std::size_t k = 0; k < region.corners.size(); ++k) {
      const Line line{region.normals[k], region.normals[k].Dot(region.corners[k])};
      if (std::fabs(line.offset - line.normal.Dot(centre)) <= reach) lines.push_back(line);
    }
  }
  Vec2 best;
  double nearest = kNever;
  const auto consider = [&](const Vec2& p) {
    const double distance = (p - centre).Length();
    // On a turned face by rounding's hair: on it.
    if (distance < nearest && distance <= reach && !inside(p, kTouchingGap) && !through(p)) {
      nearest = distance;
      best = p - centre;
    }
  };
  consider(centre);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    consider(centre + lines[i].normal * (lines[i].offset - lines[i].normal.Dot(centre)));
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
      const Vec2 a = lines[i].normal, b = lines[j].normal;
      const double det = a.Cross(b);
      if (std::fabs(det) < 1e-9) continue;
      consider(Vec2{(lines[i].offset * b.y - lines[j].offset * a.y) / det,
                    (a.x * lines[j].offset - b.x * lines[i].offset) / det});
    }
  }
  if (nearest < kNever) return best;
  // Back the way it came, to the first place out of them all.
  const Vec2 back = from - centre;
  if (back == Vec2{}) return {};
  // Made among walls with no way out: back where it was rather than through one.
  const Vec2 stay = through(centre) ? back : Vec2{};
  double t = 0;
  for (std::size_t round = 0; round <= regions.size(); ++round) {
    const Vec2 p = centre + back * t;
    double exit = -1;
    for (std::size_t k = 0; k < regions.size() && exit < 0; ++k) {
      const Region& region = regions[k];
      if (!region.Inside(p, 0)) continue;
      exit = kNever;
      for (std::size_t e = 0; e < region.corners.size(); ++e) {
        const double closing = region.normals[e].Dot(back);
        if (closing > 0) exit = std::min(exit, region.normals[e].Dot(region.corners[e] - centre) / closing);
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

}  // namespace

bool SettleAmongWalls(Collider& body, RigidBody& rigid, const Vec2& startMin, const Vec2& startMax,
                      const std::vector<const Collider*>& near, std::vector<const Collider*>& held) {
  const Vec2 from = (startMin + startMax) * 0.5, centre = body.GetPosition();
  const Collider* inside = nullptr;
  Manifold single;
  bool behind = false;
  std::size_t count = 0;
  for (const Collider* wall : near) {
    Manifold working;
    const bool in = wall->Collide(body, working) && working.penetration > 0;
    // Carried through it whole, it no longer overlaps it.
    const bool past = !in && BehindWall(*wall, body, from, centre);
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
      const WallFrame frame = FrameOf(*inside, body, from);
      int axis = 0;
      double side = 0;
      StartFace(frame, from, axis, side);
      const double to = side * (Along(frame.half, axis) + Along(frame.bodyHalf, axis));
      move = frame.World(OnAxis(axis, to - Along(frame.Local(centre), axis)));
      single.normal = frame.World(OnAxis(axis, side));
    } else {
      AimAcrossEnteredFace(*inside, body, startMin, startMax, true, single);
      KeepToStartSide(*inside, body, from, true, single);
      move = single.normal * std::fabs(single.penetration);
    }
    leaveAll = std::any_of(held.begin(), held.end(),
                           [&](const Collider* wall) { return wall != inside && InsideWall(*wall, body, move); });
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
    // Out of a corner of two walls, it stops against both; out of turned
    // ones, against the way it was moved too.
    rigid.StopTowards(-move / move.Length());
    if (move.x != 0) rigid.StopTowards({move.x > 0 ? -1.0 : 1.0, 0});
    if (move.y != 0) rigid.StopTowards({0, move.y > 0 ? -1.0 : 1.0});
  }
  return true;
}

}  // namespace Orv
