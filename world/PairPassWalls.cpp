// The last phases of the pair pass. Bodies pushed apart by one another, or
// out of one wall into another, may end the loop inside a wall, one they
// were pushed out of earlier in the loop or one they never touched before,
// or past one: each is pushed out again on the side it began on and stopped
// against it, so no crowd can press a body through a wall. Then each moving
// body's coming step is stopped at the faces of the walls it would enter.
#include <algorithm>

#include "world/Collider.h"
#include "world/PairPass.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

namespace {

GridBox BoxOf(const Vec2& min, const Vec2& max) { return {min.x, min.y, max.x, max.y}; }

GridBox BoxOf(const Collider& collider) { return BoxOf(collider.GetMin(), collider.GetMax()); }

bool Overlap(const GridBox& a, const GridBox& b) {
  return !(b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY);
}

}  // namespace

void PairPass::WallsMeeting(const GridBox& box, std::size_t k) {
  grid_.Around(box, candidates_);
  const Object& body = objects_[k];
  std::erase_if(candidates_, [&](std::uint32_t wall) {
    const Object& w = objects_[wall];
    return !walls_[wall] || wall == k || !Overlap(box, boxes_[wall]) || !HoldsAsWall(w.kind, body.kind) ||
           AnswerOf(w.Side(), body.Side()) != PairAnswer::Respond;
  });
  // In the pass's order, which breaks ties between walls met at once.
  std::sort(candidates_.begin(), candidates_.end());
  nearWalls_.clear();
  for (const std::uint32_t wall : candidates_) nearWalls_.push_back(objects_[wall].collider);
}

void PairPass::SettleStaticContacts() {
  // A push out of one wall may end a body in another whose box its box did
  // not meet before: the bodies moved are asked again, a few rounds at most.
  slots_.clear();
  for (std::size_t k = 0; k < objects_.size(); ++k) {
    const Object& object = objects_[k];
    if (object.trigger || object.kind == BodyKind::Static || !object.motion.shoved) continue;
    slots_.push_back(static_cast<std::uint32_t>(k));
  }
  constexpr int kRounds = 4;
  for (int round = 0; round < kRounds && !slots_.empty(); ++round) SettleRound();
}

void PairPass::SettleRound() {
  // The walls stand where the pair pass's grid lists them, as they stand now,
  // and each body shoved asks it for the walls its box lies among: the
  // bodies are few after the first round, the walls as many as ever. An
  // immovable body may be both.
  ListWalls();
  PlaceWallsInGrid();
  // A box the loop moved still has its old corners.
  for (const std::uint32_t k : slots_) objects_[k].collider->UpdateBounds();
  if (wallCount_ == 0) {
    slots_.clear();
    return;
  }
  // Body by body, each one's walls in the pass's order; the bodies moved
  // are the next round's.
  asked_.swap(slots_);
  slots_.clear();
  for (const std::uint32_t k : asked_) {
    Object& body = objects_[k];
    // Where it began too: a crowd may have carried it through a wall whole.
    GridBox box = BoxOf(*body.collider);
    box = {std::min(box.minX, body.motion.startMin.x), std::min(box.minY, body.motion.startMin.y),
           std::max(box.maxX, body.motion.startMax.x), std::max(box.maxY, body.motion.startMax.y)};
    WallsMeeting(box, k);
    if (nearWalls_.empty()) continue;
    step_.HeldBy(k, heldWalls_);
    const std::size_t known = heldWalls_.size();
    if (!SettleAmongWalls(*body.collider, body.rigid->body, body.motion.startMin, body.motion.startMax, nearWalls_,
                          heldWalls_)) {
      continue;
    }
    // Held once the round is over, so that the list is sorted once a round.
    for (std::size_t w = known; w < heldWalls_.size(); ++w) newlyHeld_.emplace_back(k, heldWalls_[w]);
    slots_.push_back(k);
  }
  for (const auto& [k, wall] : newlyHeld_) step_.Hold(k, wall);
  newlyHeld_.clear();
}

void PairPass::ListWalls() {
  if (wallsListed_) return;
  wallsListed_ = true;
  wallCount_ = 0;
  bodyWalls_.clear();
  walls_.assign(objects_.size(), 0);
  for (std::size_t k = 0; k < objects_.size(); ++k) {
    const Object& object = objects_[k];
    // No trigger, and no body or an immovable one.
    if (object.trigger || object.kind == BodyKind::Moving) continue;
    walls_[k] = 1;
    ++wallCount_;
    if (object.kind == BodyKind::Immovable) bodyWalls_.push_back(static_cast<std::uint32_t>(k));
    // A script in the tile phase may have moved it after its corners were
    // last made.
    PlaceWallInGrid(k);
  }
}

void PairPass::PlaceWallsInGrid() {
  // Nothing in the pass moves a collider without a body: it stays where the
  // list of walls placed it.
  for (const std::uint32_t k : bodyWalls_) PlaceWallInGrid(k);
}

void PairPass::PlaceWallInGrid(std::size_t k) {
  Collider& collider = *objects_[k].collider;
  collider.UpdateBounds();
  const GridBox box = BoxOf(collider);
  GridBox& held = boxes_[k];
  if (box.minX == held.minX && box.minY == held.minY && box.maxX == held.maxX && box.maxY == held.maxY) return;
  held = box;
  grid_.Move(k, box);
}

void PairPass::StopAtWallsAhead() {
  // Each moving body asks the pair pass's grid for the walls on its way, all
  // swept boxes taken before any step is stopped.
  slots_.clear();
  sweptBoxes_.clear();
  for (std::size_t k = 0; k < objects_.size(); ++k) {
    const Object& object = objects_[k];
    if (object.trigger || object.kind == BodyKind::Static || !object.rigid->body.movementEnabled) continue;
    const Vec2 motion = object.rigid->body.velocity * step_.Step();
    if (!motion.IsFinite() || motion == Vec2{}) continue;
    // A box the loop moved still has its old corners.
    object.collider->UpdateBounds();
    Vec2 min, max;
    SweptBox(*object.collider, motion, min, max);
    slots_.push_back(static_cast<std::uint32_t>(k));
    sweptBoxes_.push_back(BoxOf(min, max));
  }
  if (slots_.empty()) return;
  ListWalls();
  if (wallCount_ == 0) return;
  PlaceWallsInGrid();
  for (std::size_t s = 0; s < slots_.size(); ++s) {
    const std::uint32_t k = slots_[s];
    WallsMeeting(sweptBoxes_[s], k);
    Object& body = objects_[k];
    StopStepAtWalls(*body.collider, body.rigid->body, step_.Step(), nearWalls_);
  }
}

}  // namespace Orv
