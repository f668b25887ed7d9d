// The pair pass's middle phases: the snapshot of every usable collision
// object, the broad phase that finds the pairs whose boxes may overlap, and
// the narrow phase with the answer of each pair. No script runs in them.
#include <cstdint>
#include <memory>
#include <utility>

#include "core/GameObject.h"
#include "core/ObjectFunc.h"
#include "core/TransformComponent.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
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

void CollisionEngine::TakePairSnapshot() {
  pairObjects_.clear();
  pairBoxes_.clear();
  pairLayers_.clear();
  pairBodies_.clear();
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    PairObject held;
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
    pairBoxes_.push_back(BoundsOf(*held.collider));
    held.startMin = {pairBoxes_.back().minX, pairBoxes_.back().minY};
    held.startMax = {pairBoxes_.back().maxX, pairBoxes_.back().maxY};
    pairLayers_.push_back({held.collider->GetZ()});
    pairBodies_.push_back(held.rigid != nullptr ? 1 : 0);
    pairObjects_.push_back(std::move(held));
  }
}

void CollisionEngine::FindAndAnswerPairs(PairStep& step) {
  // For each i, the j above it that share a cell, one of the two with a
  // body, ascending. Only the pair's own colliders move, so the list stays
  // complete unless i leaves its cells; then the rest is asked for again.
  BuildPairGrid();
  for (std::size_t i = 0; i < pairBoxes_.size(); ++i) {
    std::size_t after = i;
    do {
      grid_.Candidates(i, after, candidates_);
      after = AnswerCandidates(i, step);
    } while (after != kAllAnswered);
  }
}

std::size_t CollisionEngine::AnswerCandidates(std::size_t i, PairStep& step) {
  for (const std::uint32_t j : candidates_) {
    const PairMoves moved = AnswerPair(i, j, step);
    if (moved.b) grid_.Move(j, RereadPairBox(j));
    if (moved.a && grid_.Move(i, RereadPairBox(i))) return j;
  }
  return kAllAnswered;
}

void CollisionEngine::BuildPairGrid() { grid_.Build(pairBoxes_, pairBodies_); }

const GridBox& CollisionEngine::RereadPairBox(std::size_t k) {
  pairBoxes_[k] = BoundsOf(*pairObjects_[k].collider);
  return pairBoxes_[k];
}

bool CollisionEngine::MayPair(std::size_t i, std::size_t j) const {
  const GridBox& a = pairBoxes_[i];
  const GridBox& b = pairBoxes_[j];
  if (b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY) return false;
  if (!(pairLayers_[i].z == pairLayers_[j].z)) return false;
  return AnswerOf(pairObjects_[i].Side(), pairObjects_[j].Side()) != PairAnswer::None;
}

CollisionEngine::PairMoves CollisionEngine::AnswerPair(std::size_t i, std::size_t j, PairStep& step) {
  if (!MayPair(i, j)) return {};
  PairObject& a = pairObjects_[i];
  PairObject& b = pairObjects_[j];
  Manifold working(a.collision, a.uniqueId, b.collision, b.uniqueId);
  if (!a.collider->Collide(*b.collider, working)) return {};
  if (!manifolds_.RefreshManifold(working)) manifolds_.AddManifold(working);
  // Triggers never move anything.
  const PairMoves moved = a.trigger || b.trigger ? PairMoves{} : Respond(i, j, working, step);
  pairContacts_.push_back(
      {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), working.state, working.contacts[0]});
  return moved;
}

CollisionEngine::PairMoves CollisionEngine::Respond(std::size_t i, std::size_t j, Manifold& working, PairStep& step) {
  PairObject& a = pairObjects_[i];
  PairObject& b = pairObjects_[j];
  if (a.rigid == nullptr) return HoldOut(i, j, working, step);
  if (b.rigid == nullptr) return HoldOut(j, i, working, step);
  RigidBody& bodyA = a.rigid->body;
  RigidBody& bodyB = b.rigid->body;
  if (bodyA.objectReflect && bodyB.objectReflect) return {};
  if (bodyA.objectReflect != bodyB.objectReflect) working.ReflectVelocities(bodyA, bodyB);
  const float dt = static_cast<float>(step.Step());
  PairMoves moved{true, true};
  if (HoldsAsWall(&bodyA, &bodyB)) {
    BounceOffWall(bodyB, bodyA, working.normal);
    moved = HoldOut(i, j, working, step);
  } else if (HoldsAsWall(&bodyB, &bodyA)) {
    BounceOffWall(bodyA, bodyB, -working.normal);
    moved = HoldOut(j, i, working, step);
  } else {
    working.AnswerBodies({bodyA, *a.collider, a.heldAlong}, {bodyB, *b.collider, b.heldAlong}, dt);
    a.shoved = b.shoved = true;
  }
  if (bodyA.FirstRefusal() != nullptr) a.rigid->ReportRefusal();
  if (bodyB.FirstRefusal() != nullptr) b.rigid->ReportRefusal();
  return moved;
}

CollisionEngine::PairMoves CollisionEngine::HoldOut(std::size_t wall, std::size_t body, Manifold& working,
                                                    PairStep& step) {
  PairObject& held = pairObjects_[body];
  const bool wallIsA = wall < body;
  const Collider& wallCollider = *pairObjects_[wall].collider;
  AimAcrossEnteredFace(wallCollider, *held.collider, held.startMin, held.startMax, wallIsA, working);
  // Shoved past a wall's middle by its neighbours, it goes back the way it came.
  KeepToStartSide(wallCollider, *held.collider, (held.startMin + held.startMax) * 0.5, wallIsA, working);
  if (wallIsA) {
    working.PushOutB();
    working.StopAgainstA(held.rigid->body);
  } else {
    working.PushOutA();
    working.StopAgainstB(held.rigid->body);
  }
  held.heldAlong += wallIsA ? working.normal : -working.normal;
  // It may now lie in a wall it already left, or one it met before.
  held.shoved = true;
  step.Hold(body, pairObjects_[wall].collider);
  return {!wallIsA, wallIsA};
}

}  // namespace Orv
