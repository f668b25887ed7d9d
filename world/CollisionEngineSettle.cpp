// The last phases of the pair pass. Bodies pushed apart by one another, or
// out of one wall into another, may end the loop inside a wall, one they were
// pushed out of earlier in the loop or one they never touched before, or past
// one: each is pushed out again on the side it began on and stopped against
// it, so no crowd can press a body through a wall. Then each moving body's coming step is stopped at the faces
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
  settleSlots_.clear();
  for (std::size_t k = 0; k < pairObjects_.size(); ++k) {
    const PairObject& object = pairObjects_[k];
    if (object.trigger || object.rigid == nullptr || !object.shoved) continue;
    settleSlots_.push_back(static_cast<std::uint32_t>(k));
  }
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds && !settleSlots_.empty(); ++round) SettleRound(step);
}

void CollisionEngine::SettleRound(PairStep& step) {
  // The walls stand where the pair pass's grid lists them, as they stand now,
  // and each body shoved asks it for the walls its box lies among: the
  // bodies are few after the first round, the walls as many as ever. An
  // immovable body may be both.
  ListWalls();
  PlaceWallsInGrid();
  // A box the loop moved still has its old corners.
  for (const std::uint32_t k : settleSlots_) pairObjects_[k].collider->UpdateBounds();
  if (wallCount_ == 0) {
    settleSlots_.clear();
    return;
  }
  settlePairs_.clear();
  for (const std::uint32_t k : settleSlots_) {
    // Where it began too: a crowd may have carried it through a wall whole.
    const PairObject& object = pairObjects_[k];
    GridBox box = BoxOf(*object.collider);
    box = {std::min(box.minX, object.startMin.x), std::min(box.minY, object.startMin.y),
           std::max(box.maxX, object.startMax.x), std::max(box.maxY, object.startMax.y)};
    grid_.Around(box, candidates_);
    for (const std::uint32_t wall : candidates_) {
      if (!pairWalls_[wall] || !Overlap(box, pairBoxes_[wall]) || !HoldsPair(wall, k)) continue;
      settlePairs_.emplace_back(k, wall);
    }
  }
  // Body by body, each one's walls in the pass's order; the bodies moved
  // are the next round's.
  std::sort(settlePairs_.begin(), settlePairs_.end());
  settleSlots_.clear();
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
    settleSlots_.push_back(k);
  }
  for (const auto& [k, wall] : newlyHeld_) step.Hold(k, wall);
  newlyHeld_.clear();
}

void CollisionEngine::ListWalls() {
  if (wallsListed_) return;
  wallsListed_ = true;
  wallCount_ = 0;
  bodyWalls_.clear();
  pairWalls_.assign(pairObjects_.size(), 0);
  for (std::size_t k = 0; k < pairObjects_.size(); ++k) {
    const PairObject& object = pairObjects_[k];
    // No trigger, and no body or an immovable one.
    if (object.trigger || !MayHold(object.rigid)) continue;
    pairWalls_[k] = 1;
    ++wallCount_;
    if (object.rigid != nullptr) bodyWalls_.push_back(static_cast<std::uint32_t>(k));
    // A script in the tile phase may have moved it after its corners were
    // last made.
    PlaceWallInGrid(k);
  }
}

void CollisionEngine::PlaceWallsInGrid() {
  // Nothing in the pass moves a collider without a body: it stays where the
  // list of walls placed it.
  for (const std::uint32_t k : bodyWalls_) PlaceWallInGrid(k);
}

void CollisionEngine::PlaceWallInGrid(std::size_t k) {
  Collider& collider = *pairObjects_[k].collider;
  collider.UpdateBounds();
  const GridBox box = BoxOf(collider);
  GridBox& held = pairBoxes_[k];
  if (box.minX == held.minX && box.minY == held.minY && box.maxX == held.maxX && box.maxY == held.maxY) return;
  held = box;
  grid_.Move(k, box);
}

void CollisionEngine::StopAtWallsAhead(const PairStep& step) {
  // Each moving body asks the pair pass's grid for the walls on its way, all
  // swept boxes taken before any step is stopped.
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
  if (settleSlots_.empty()) return;
  ListWalls();
  if (wallCount_ == 0) return;
  PlaceWallsInGrid();
  for (std::size_t s = 0; s < settleSlots_.size(); ++s) {
    const std::uint32_t k = settleSlots_[s];
    grid_.Around(settleBoxes_[s], candidates_);
    std::erase_if(candidates_, [&](std::uint32_t wall) {
      return !pairWalls_[wall] || !Overlap(settleBoxes_[s], pairBoxes_[wall]) || !HoldsPair(wall, k);
    });
    // In the pass's order, which breaks ties between walls met at once.
    std::sort(candidates_.begin(), candidates_.end());
    nearWalls_.clear();
    for (const std::uint32_t wall : candidates_) nearWalls_.push_back(pairObjects_[wall].collider);
    PairObject& body = pairObjects_[k];
    StopStepAtWalls(*body.collider, body.rigid->body, step.Step(), nearWalls_);
  }
}

}  // namespace Orv
