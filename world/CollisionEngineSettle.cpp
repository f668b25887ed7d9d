// The last phases of the pair pass. Bodies pushed apart by one another, or
// out of one wall into another, may end the loop inside a wall, one they were
// pushed out of earlier in the loop or one they never touched before: each is
// pushed out again and stopped against it, so no crowd can press a body
// through a wall. Then each moving body's coming step is stopped at the faces
// of the walls it would enter.
#include <algorithm>

#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

namespace {

GridBox BoxOf(const Vec2& min, const Vec2& max) { return {min.x, min.y, max.x, max.y}; }

GridBox BoxOf(const Collider& collider) { return BoxOf(collider.GetMin(), collider.GetMax()); }

bool Overlap(const GridBox& a, const GridBox& b) {
  return !(b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY);
}

// A wall for some body: no rigid body, or an immovable one.
bool MayHold(const RigidBodyComponent* rigid) { return rigid == nullptr || rigid->body.mass == 0.0; }

}  // namespace

bool CollisionEngine::HoldsPair(std::size_t wall, std::size_t body) const {
  const PairObject& w = pairObjects_[wall];
  const PairObject& b = pairObjects_[body];
  return wall != body && b.rigid != nullptr &&
         HoldsAsWall(w.rigid != nullptr ? &w.rigid->body : nullptr, &b.rigid->body) &&
         AnswerOf(w.Side(), b.Side()) == PairAnswer::Respond;
}

void CollisionEngine::SettleStaticContacts(PairStep& step) {
  // A push out of one wall may end a body in another whose box its box did
  // not meet before: the bodies moved are asked again, a few rounds at most.
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds && SettleRound(step); ++round) {
  }
}

bool CollisionEngine::SettleRound(PairStep& step) {
  if (std::none_of(pairObjects_.begin(), pairObjects_.end(), [](const PairObject& o) { return o.shoved; })) {
    return false;
  }
  // The walls take the first slots of the grid, the bodies the rest: each
  // wall then asks for the bodies in its cells. An immovable body may be both.
  settleSlots_.clear();
  settleBoxes_.clear();
  std::size_t walls = 0;
  for (const bool bodies : {false, true}) {
    for (std::size_t k = 0; k < pairObjects_.size(); ++k) {
      const PairObject& object = pairObjects_[k];
      if (object.trigger || (bodies ? object.rigid == nullptr || !object.shoved : !MayHold(object.rigid))) continue;
      // A box the loop moved still has its old corners.
      object.collider->UpdateBounds();
      settleSlots_.push_back(static_cast<std::uint32_t>(k));
      settleBoxes_.push_back(BoxOf(*object.collider));
    }
    if (!bodies) walls = settleSlots_.size();
  }
  for (PairObject& object : pairObjects_) object.shoved = false;
  if (walls == 0 || walls == settleSlots_.size()) return false;
  settleGrid_.Build(settleBoxes_);
  settlePairs_.clear();
  for (std::size_t s = 0; s < walls; ++s) {
    settleGrid_.Candidates(s, walls - 1, candidates_);
    for (const std::uint32_t slot : candidates_) {
      if (!Overlap(settleBoxes_[s], settleBoxes_[slot]) || !HoldsPair(settleSlots_[s], settleSlots_[slot])) continue;
      settlePairs_.emplace_back(settleSlots_[slot], settleSlots_[s]);
    }
  }
  // Body by body, each one's walls in the pass's order.
  std::sort(settlePairs_.begin(), settlePairs_.end());
  bool moved = false;
  for (std::size_t p = 0; p < settlePairs_.size();) {
    const std::uint32_t k = settlePairs_[p].first;
    nearWalls_.clear();
    for (; p < settlePairs_.size() && settlePairs_[p].first == k; ++p) {
      nearWalls_.push_back(pairObjects_[settlePairs_[p].second].collider);
    }
    PairObject& body = pairObjects_[k];
    step.HeldBy(k, heldWalls_);
    const std::size_t known = heldWalls_.size();
    if (!SettleAmongWalls(*body.collider, body.rigid->body, body.startMin, body.startMax, nearWalls_, heldWalls_)) {
      continue;
    }
    // Held once the round is over, so that the list is sorted once a round.
    for (std::size_t w = known; w < heldWalls_.size(); ++w) newlyHeld_.emplace_back(k, heldWalls_[w]);
    body.shoved = moved = true;
  }
  for (const auto& [k, wall] : newlyHeld_) step.Hold(k, wall);
  newlyHeld_.clear();
  return moved;
}

void CollisionEngine::StopAtWallsAhead(const PairStep& step) {
  // The moving bodies' swept boxes take the first slots, the walls the rest:
  // each body asks for the walls on its way.
  settleSlots_.clear();
  settleBoxes_.clear();
  for (std::size_t k = 0; k < pairObjects_.size(); ++k) {
    const PairObject& object = pairObjects_[k];
    if (object.trigger || object.rigid == nullptr || !object.rigid->body.movementEnabled) continue;
    const Vec2 motion = object.rigid->body.velocity * step.Step();
    if (!motion.IsFinite() || motion == Vec2{}) continue;
    // A box the loop moved still has its old corners.
    object.collider->UpdateBounds();
    Vec2 min, max;
    SweptBox(*object.collider, motion, min, max);
    settleSlots_.push_back(static_cast<std::uint32_t>(k));
    settleBoxes_.push_back(BoxOf(min, max));
  }
  const std::size_t movers = settleSlots_.size();
  for (std::size_t k = 0; k < pairObjects_.size() && movers > 0; ++k) {
    const PairObject& object = pairObjects_[k];
    if (object.trigger || !MayHold(object.rigid)) continue;
    object.collider->UpdateBounds();
    settleSlots_.push_back(static_cast<std::uint32_t>(k));
    settleBoxes_.push_back(BoxOf(*object.collider));
  }
  const std::size_t walls = settleSlots_.size() - movers;
  if (movers == 0 || walls == 0) return;
  // A room's few walls are asked by every body faster than a grid is built.
  constexpr std::size_t kFewPairs = 1 << 15;
  const bool few = walls * movers <= kFewPairs;
  if (!few) settleGrid_.Build(settleBoxes_);
  for (std::size_t s = 0; s < movers; ++s) {
    if (few) {
      candidates_.clear();
      for (std::size_t w = movers; w < settleSlots_.size(); ++w) candidates_.push_back(static_cast<std::uint32_t>(w));
    } else {
      settleGrid_.Candidates(s, movers - 1, candidates_);
    }
    nearWalls_.clear();
    const std::uint32_t k = settleSlots_[s];
    for (const std::uint32_t slot : candidates_) {
      if (Overlap(settleBoxes_[s], settleBoxes_[slot]) && HoldsPair(settleSlots_[slot], k)) {
        nearWalls_.push_back(pairObjects_[settleSlots_[slot]].collider);
      }
    }
    PairObject& body = pairObjects_[k];
    StopStepAtWalls(*body.collider, body.rigid->body, step.Step(), nearWalls_);
  }
}

}  // namespace Orv
