#include "world/PairRules.h"

#include <algorithm>
#include <cmath>

#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/Manifold.h"
#include "world/RigidBody.h"

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

bool HoldsAsWall(const RigidBody* wall, const RigidBody* body) {
  return body != nullptr && (wall == nullptr || (wall->mass == 0.0 && body->mass > 0.0));
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

void PairStep::Begin(float dt) { BeginFor(StepTime(dt)); }

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
