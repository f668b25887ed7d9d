// The last phase of the pair pass: bodies pushed apart by one another, or out
// of one static collider into another, may end the loop inside a static
// collider, one they were pushed out of earlier in the loop or one they never
// touched before. Each is pushed out again and stopped against it, so no crowd
// can press a body through a wall.
#include <algorithm>
#include <cmath>

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

// The share of the pass's motion at which a gap of this size closed.
double EntryTime(double gap, double motion) { return motion != 0 ? std::max(gap, 0.0) / std::fabs(motion) : 0.0; }

}  // namespace

void CollisionEngine::AimAcrossEnteredFace(const Collider& wall, const Collider& body, const Vec2& startMin,
                                           const Vec2& startMax, bool wallIsA, Manifold& working) {
  // The nearest face of a wall can lead into the wall beside it, whose own
  // nearest face leads back: a body pressed into a corner would go to and fro
  // outside the room for ever.
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

bool CollisionEngine::AnswersPair(const PairObject& a, const PairObject& b) {
  if (a.trigger || b.trigger || a.collider == b.collider) return false;
  if (!(a.collider->GetZ() == b.collider->GetZ())) return false;
  return !((a.avoidsSome && a.collision->AvoidsId(b.collisionId)) ||
           (b.avoidsSome && b.collision->AvoidsId(a.collisionId)));
}

void CollisionEngine::SettleStaticContacts() {
  // A push out of one static collider may end a body in another whose box
  // its box did not meet before: the bodies moved are asked again, a few
  // rounds at most.
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds && SettleRound(); ++round) {
  }
}

bool CollisionEngine::SettleRound() {
  // A body no other body moved, pushed out of at most one static collider,
  // ends the loop outside it.
  if (std::none_of(pairObjects_.begin(), pairObjects_.end(), [](const PairObject& o) { return o.shoved; })) {
    return false;
  }
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
  for (PairObject& object : pairObjects_) object.shoved = false;
  if (statics == 0 || statics == settleSlots_.size()) return false;
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
  bool moved = false;
  for (const auto& [first, second] : settlePairs_) {
    PairObject& a = pairObjects_[first];
    PairObject& b = pairObjects_[second];
    Manifold working(a.collision, a.uniqueId, b.collision, b.uniqueId);
    if (!a.collider->Collide(*b.collider, working) || !(working.penetration > 0)) continue;
    if (a.rigid == nullptr) {
      AimAcrossEnteredFace(*a.collider, *b.collider, b.startMin, b.startMax, true, working);
      working.PushOutB();
      working.StopAgainstA(b.rigid->body);
      b.shoved = true;
    } else {
      AimAcrossEnteredFace(*b.collider, *a.collider, a.startMin, a.startMax, false, working);
      working.PushOutA();
      working.StopAgainstB(a.rigid->body);
      a.shoved = true;
    }
    moved = true;
  }
  return moved;
}

}  // namespace Orv
