// The last phase of the pair pass: bodies pushed apart by one another, or out
// of one static collider into another, may end the loop inside a static
// collider, one they were pushed out of earlier in the loop or one they never
// touched before. Each is pushed out again and stopped against it, so no crowd
// can press a body through a wall.
#include <algorithm>

#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

namespace {

GridBox BoxOf(const Collider& collider) {
  const Vec2 min = collider.GetMin(), max = collider.GetMax();
  return {min.x, min.y, max.x, max.y};
}

bool Overlap(const GridBox& a, const GridBox& b) {
  return !(b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY);
}

}  // namespace

bool CollisionEngine::AnswersPair(const PairObject& a, const PairObject& b) {
  if (a.trigger || b.trigger || a.collider == b.collider) return false;
  if (!(a.collider->GetZ() == b.collider->GetZ())) return false;
  return !((a.avoidsSome && a.collision->AvoidsId(b.collisionId)) ||
           (b.avoidsSome && b.collision->AvoidsId(a.collisionId)));
}

void CollisionEngine::SettleStaticContacts() {
  // A body no other body moved, pushed out of at most one static collider,
  // ends the loop outside it.
  if (std::none_of(pairObjects_.begin(), pairObjects_.end(), [](const PairObject& o) { return o.shoved; })) return;
  // The static colliders take the first slots of the grid, the bodies the
  // rest: each static collider then asks for the bodies in its cells.
  settleSlots_.clear();
  settleBoxes_.clear();
  std::size_t statics = 0;
  for (const bool bodies : {false, true}) {
    for (std::size_t k = 0; k < pairObjects_.size(); ++k) {
      const PairObject& object = pairObjects_[k];
      if (object.trigger || (object.rigid != nullptr) != bodies || (bodies && !object.shoved)) continue;
      // A box the loop moved still has its old corners.
      if (bodies) object.collider->UpdateBounds();
      settleSlots_.push_back(static_cast<std::uint32_t>(k));
      settleBoxes_.push_back(BoxOf(*object.collider));
    }
    if (!bodies) statics = settleSlots_.size();
  }
  if (statics == 0 || statics == settleSlots_.size()) return;
  settleGrid_.Build(settleBoxes_);
  settlePairs_.clear();
  for (std::size_t s = 0; s < statics; ++s) {
    settleGrid_.Candidates(s, statics - 1, candidates_);
    for (const std::uint32_t body : candidates_) {
      if (!Overlap(settleBoxes_[s], settleBoxes_[body])) continue;
      const std::uint32_t a = std::min(settleSlots_[s], settleSlots_[body]);
      const std::uint32_t b = std::max(settleSlots_[s], settleSlots_[body]);
      if (AnswersPair(pairObjects_[a], pairObjects_[b])) settlePairs_.emplace_back(a, b);
    }
  }
  // In the order of the pair loop.
  std::sort(settlePairs_.begin(), settlePairs_.end());
  for (const auto& [first, second] : settlePairs_) {
    const PairObject& a = pairObjects_[first];
    const PairObject& b = pairObjects_[second];
    Manifold working(a.collision, a.uniqueId, b.collision, b.uniqueId);
    if (!a.collider->Collide(*b.collider, working) || !(working.penetration > 0)) continue;
    if (a.rigid == nullptr) {
      working.PushOutB();
      working.StopAgainstA(b.rigid->body);
    } else {
      working.PushOutA();
      working.StopAgainstB(a.rigid->body);
    }
  }
}

}  // namespace Orv
