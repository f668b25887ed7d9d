#include "world/PairRules.h"

#include <algorithm>
#include <cmath>

#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/ContactTolerances.h"
#include "world/Manifold.h"
#include "world/RigidBody.h"
#include "world/SweptShapes.h"

namespace Orv {

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

BodyKind KindOf(const RigidBody* body) {
  if (body == nullptr) return BodyKind::Static;
  return body->mass == 0.0 ? BodyKind::Immovable : BodyKind::Moving;
}

bool HoldsAsWall(BodyKind wall, BodyKind body) {
  return body != BodyKind::Static &&
         (wall == BodyKind::Static || (wall == BodyKind::Immovable && body == BodyKind::Moving));
}

void BounceOffWall(RigidBody& body, const RigidBody& wall, const Vec2& out) {
  const double length = out.Length();
  if (!(length > 0)) return;
  const Vec2 n = out / length;
  const double closing = (body.velocity - wall.velocity).Dot(n);
  if (!(closing < 0)) return;
  const double bounce = closing < -kRestingApproach ? std::min(body.bouncy, wall.bouncy) : 0.0;
  body.Accept(body.velocity, body.velocity - n * ((1 + bounce) * closing), "velocity");
}

void AimAcrossEnteredFace(const Collider& wall, const Collider& body, const Vec2& startMin, const Vec2& startMax,
                          bool wallIsA, Manifold& working) {
  // The nearest face of a wall can lead into the wall beside it, whose own
  // nearest face leads back, or out the far side of a thin one.
  const Configuration shape = ConfigurationOf(ShapeOf(wall), ShapeOf(body));
  // Where the step began, measured from where the body stands: its box's
  // centre is its own.
  const Vec2 from = (startMin + startMax) * 0.5 - body.GetPosition();
  // The plane it crossed on its way from there: the face it rested on, or
  // the one it met first.
  const EnteredFace entered = FaceEntered(shape, from, -from);
  if (!entered.meets || !(entered.height >= -kRestingWallOverlap)) return;
  const Vec2 out = entered.normal;
  // How deep it lies behind that plane now: the face it rested on by its way
  // since, the face it met by what was left of its way after the touch.
  const double depth = entered.resting ? out.Dot(from) - entered.height : out.Dot(from * (1 - entered.time));
  const Vec2 answered = wallIsA ? working.normal : -working.normal;
  // Only where the narrow phase would take it out elsewhere than back: its
  // centre past the wall's middle, or an answer through the wall.
  if (!(depth > 0) || (!wall.ContainsPoint(body.GetPosition()) && answered.Dot(out) >= 0)) return;
  working.normal = wallIsA ? out : -out;
  working.penetration = depth;
}

void PairStep::BeginFor(double seconds) {
  step_ = seconds;
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
