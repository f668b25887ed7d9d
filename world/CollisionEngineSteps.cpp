// A frame in steps: the pair passes of all but the last step, each followed
// by the bodies' move, and what keeps scripts hearing of each contact and
// each tile cell once a frame.
#include <functional>

#include "core/GameObject.h"
#include "core/ObjectFunc.h"
#include "core/TransformComponent.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBody.h"

namespace Orv {

void CollisionEngine::StepWorld(float dt) {
  if (paused_) return;
  // Without bodies moved between them, more passes would answer the same
  // places again.
  FrameSteps steps = StepsOf(dt);
  if (bodies_ == nullptr || bodies_->IsPaused()) steps = {1, StepTime(dt)};
  severalSteps_ = steps.count > 1;
  frameRecords_.clear();
  frameCells_.clear();
  for (int k = 1; k < steps.count; ++k) {
    CollidePairs(steps.seconds);
    // A script that paused collisions or physics leaves the rest of the
    // frame's time to the physics update.
    if (paused_) break;
    EndStep();
    // Physics paused by a script: the bodies stay where this pass left them.
    if (!bodies_->StepBodies(steps.seconds)) return;
  }
  if (!paused_) CollidePairs(steps.seconds);
}

void CollisionEngine::EndStep() {
  SweepManifolds();
  manifolds_.AgeManifolds();
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (!Lives(object)) continue;
    if (auto* collision = object->FindComponent<CollisionComponent>()) collision->ClearFrameManifolds();
  }
}

bool CollisionEngine::RecordedThisFrame(CollisionComponent& to, std::int32_t state, const Vec2& contact,
                                        std::int32_t otherId, std::int32_t otherUniqueId,
                                        const TransformComponent* otherTransform) {
  const RecordKey key{&to, otherUniqueId, otherId, state == ManifoldStale};
  const auto [at, added] = frameRecords_.try_emplace(key, to.GetContacts().size());
  if (!added && at->second < to.GetContacts().size()) {
    ContactRecord& earlier = to.ContactAt(at->second);
    // Unless the list was cleared or another component took the address.
    if (earlier.contactUID == otherUniqueId && earlier.contactID == otherId && earlier.collisionEnd == key.ended) {
      earlier.contactX = contact.x;
      earlier.contactY = contact.y;
      if (otherTransform != nullptr) {
        earlier.worldX = otherTransform->worldX;
        earlier.worldY = otherTransform->worldY;
      }
      return true;
    }
  }
  at->second = to.GetContacts().size();
  return false;
}

std::size_t CollisionEngine::RecordKeyHash::operator()(const RecordKey& k) const {
  std::size_t h = std::hash<const void*>{}(k.to);
  h = h * 1000003u ^ static_cast<std::uint32_t>(k.otherUniqueId);
  h = h * 1000003u ^ static_cast<std::uint32_t>(k.otherId);
  return h * 2u + (k.ended ? 1u : 0u);
}

std::size_t CollisionEngine::CellKeyHash::operator()(const CellKey& k) const {
  std::size_t h = std::hash<const void*>{}(k.map) ^ k.object;
  h = h * 1000003u ^ static_cast<std::size_t>(k.x);
  return h * 1000003u ^ static_cast<std::size_t>(k.y);
}

bool CollisionEngine::FirstTellOfCell(const GameObject& object, const GameObject& map, long long x, long long y) {
  if (!severalSteps_) return true;
  return frameCells_.insert({object.GetUniqueId(), &map, x, y}).second;
}

}  // namespace Orv
