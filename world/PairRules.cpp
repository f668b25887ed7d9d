#include "world/PairRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/Manifold.h"
#include "world/RigidBody.h"
#include "world/SweptShapes.h"

namespace Orv {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

}  // namespace

PairSide SideOf(const CollisionComponent& collision, const RigidBody* body) {
  return {&collision,
          collision.GetCollider(),
          body,
          collision.collisionId,
          !collision.avoidIds.empty(),
          collision.avoidTrigger};
}

PairAnswer AnswerOf(const PairSide& a, const PairSide& b) {
  if (a.collider == nullptr || b.collider == nullptr || a.collision->empty || b.collision->empty) {
    return PairAnswer::None;
  }
  if ((a.body == nullptr && b.body == nullptr) || a.collider == b.collider) return PairAnswer::None;
  if ((a.avoidsSome && a.collision->AvoidsId(b.collisionId)) ||
      (b.avoidsSome && b.collision->AvoidsId(a.collisionId))) {
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
  const Configuration shape = ConfigurationOf(ShapeOf(wall), ShapeOf(body));
  // Where the step began, measured from where the body stands: its box's
  // centre is its own.
  const Vec2 from = (startMin + startMax) * 0.5 - body.GetPosition();
  const Separation start = SeparationAt(shape, from);
  if (!(start.distance >= -kRestingWallOverlap)) return;
  // The plane it crossed: the face it rested on, or the one it met first.
  Vec2 out;
  double depth = 0;
  if (start.distance <= kTouchingGap) {
    out = start.normal;
    depth = out.Dot(from) - start.distance;
  } else {
    const Impact hit = FirstImpact(shape, from, -from);
    if (!hit.meets) return;
    out = hit.normal;
    depth = out.Dot(from * (1 - hit.time));
  }
  const Vec2 answered = wallIsA ? working.normal : -working.normal;
  // Only where the narrow phase would take it out elsewhere than back: its
  // centre past the wall's middle, or an answer through the wall.
  if (!(depth > 0) || (!wall.ContainsPoint(body.GetPosition()) && answered.Dot(out) >= 0)) return;
  working.normal = wallIsA ? out : -out;
  working.penetration = depth;
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

namespace {

// Whether the box min..max lies in a wall deeper than resting on it.
bool InsideBox(const Vec2& min, const Vec2& max, const Collider& wall) {
  const Vec2 wallMin = wall.GetMin(), wallMax = wall.GetMax();
  return std::min(max.x, wallMax.x) - std::max(min.x, wallMin.x) > kRestingWallOverlap &&
         std::min(max.y, wallMax.y) - std::max(min.y, wallMin.y) > kRestingWallOverlap;
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
  auto at =
      std::lower_bound(held_.begin(), held_.end(), body, [](const auto& a, std::size_t b) { return a.first < b; });
  for (; at != held_.end() && at->first == body; ++at) {
    if (std::find(out.begin(), out.end(), at->second) == out.end()) out.push_back(at->second);
  }
}

}  // namespace Orv
