// The pair pass's first phases: the snapshot of every usable collision
// object, the broad phase that finds the pairs whose boxes may overlap, and
// the narrow phase with the answer of each pair.
#include "world/PairPass.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "core/GameObject.h"
#include "core/ObjectFunc.h"
#include "core/TransformComponent.h"
#include "world/CollisionComponent.h"
#include "world/ManifoldSystem.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

namespace {

// The pass asks after every move: the common shapes answer inline.
GridBox BoundsOf(const Collider& collider) {
  Vec2 min, max;
  if (collider.GetType() == Collider::TypeCircle2D) {
    const auto& circle = static_cast<const Circle2D&>(collider);
    min = circle.Circle2D::GetMin(), max = circle.Circle2D::GetMax();
  } else if (collider.GetType() == Collider::TypeAABB) {
    const auto& box = static_cast<const AABB&>(collider);
    min = box.AABB::GetMin(), max = box.AABB::GetMax();
  } else {
    min = collider.GetMin(), max = collider.GetMax();
  }
  return {min.x, min.y, max.x, max.y};
}

}  // namespace

PairSide PairPass::Object::Side() const {
  return {collision, collider, rigid != nullptr ? &rigid->body : nullptr, collisionId, avoidsSome, trigger};
}

void PairPass::Begin(double seconds, const std::vector<ObjectLockPtr<GameObject>>& objects, ManifoldSystem& manifolds) {
  step_.BeginFor(seconds);
  manifolds_ = &manifolds;
  objects_.clear();
  boxes_.clear();
  layers_.clear();
  bodies_.clear();
  contacts_.clear();
  wallsListed_ = false;
  for (const ObjectLockPtr<GameObject>& handle : objects) {
    Object held;
    held.object = handle.Lock();
    if (!Lives(held.object)) continue;
    // Held objects keep their components, and no script runs in the pass.
    auto* collision = held.object->FindComponent<CollisionComponent>();
    if (collision == nullptr || collision->GetCollider() == nullptr || collision->empty) continue;
    held.collision = collision;
    held.collider = collision->GetCollider();
    held.rigid = held.object->FindComponent<RigidBodyComponent>();
    held.transform = held.object->FindComponent<TransformComponent>();
    held.id = static_cast<std::int32_t>(held.object->GetID());
    held.uniqueId = static_cast<std::int32_t>(held.object->GetUniqueId());
    held.collisionId = collision->collisionId;
    held.avoidsSome = !collision->avoidIds.empty();
    held.trigger = collision->avoidTrigger;
    held.kind = KindOf(held.rigid != nullptr ? &held.rigid->body : nullptr);
    boxes_.push_back(BoundsOf(*held.collider));
    held.motion.startMin = {boxes_.back().minX, boxes_.back().minY};
    held.motion.startMax = {boxes_.back().maxX, boxes_.back().maxY};
    layers_.push_back(held.collider->GetZ());
    bodies_.push_back(held.kind != BodyKind::Static ? 1 : 0);
    objects_.push_back(std::move(held));
  }
}

void PairPass::End() {
  objects_.clear();
  contacts_.clear();
  wallsListed_ = false;
}

void PairPass::FindAndAnswerPairs() {
  // For each i, the j above it that share a cell, one of the two with a
  // body, ascending. Only the pair's own colliders move, so the list stays
  // complete unless i leaves its cells; then the rest is asked for again.
  BuildGrid();
  for (std::size_t i = 0; i < boxes_.size(); ++i) {
    std::size_t after = i;
    do {
      grid_.Candidates(i, after, candidates_);
      after = AnswerCandidates(i);
    } while (after != kAllAnswered);
  }
}

std::size_t PairPass::AnswerCandidates(std::size_t i) {
  for (const std::uint32_t j : candidates_) {
    const PairMoves moved = AnswerPair(i, j);
    if (moved.b) grid_.Move(j, RereadBox(j));
    if (moved.a && grid_.Move(i, RereadBox(i))) return j;
  }
  return kAllAnswered;
}

void PairPass::BuildGrid() { grid_.Build(boxes_, bodies_); }

const GridBox& PairPass::RereadBox(std::size_t k) {
  boxes_[k] = BoundsOf(*objects_[k].collider);
  return boxes_[k];
}

bool PairPass::MayPair(std::size_t i, std::size_t j) const {
  const GridBox& a = boxes_[i];
  const GridBox& b = boxes_[j];
  if (b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY) return false;
  if (!(layers_[i] == layers_[j])) return false;
  return AnswerOf(objects_[i].Side(), objects_[j].Side()) != PairAnswer::None;
}

ContactSide PairPass::ContactSideOf(std::size_t k) {
  Object& object = objects_[k];
  return {k, *object.collider, object.rigid, object.kind, object.motion};
}

PairMoves PairPass::AnswerPair(std::size_t i, std::size_t j) {
  if (!MayPair(i, j)) return {};
  const Object& a = objects_[i];
  const Object& b = objects_[j];
  Manifold working(a.collision, a.uniqueId, b.collision, b.uniqueId);
  if (!a.collider->Collide(*b.collider, working)) return {};
  if (!manifolds_->RefreshManifold(working)) manifolds_->AddManifold(working);
  // Triggers never move anything.
  const PairMoves moved =
      a.trigger || b.trigger ? PairMoves{} : AnswerContact(ContactSideOf(i), ContactSideOf(j), working, step_);
  contacts_.push_back(
      {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), working.state, working.contacts[0]});
  return moved;
}

}  // namespace Orv
