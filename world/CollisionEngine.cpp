#include "world/CollisionEngine.h"

#include <algorithm>
#include <cmath>

#include "core/GameObject.h"
#include "core/ObjectFunc.h"
#include "core/Report.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBodyComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {

namespace {

// The collider of a live object, or null; not to be kept across a script.
Collider* ColliderOf(const GameObject& object) {
  auto* collision = object.FindComponent<CollisionComponent>();
  return collision != nullptr ? collision->GetCollider() : nullptr;
}

}  // namespace

CollisionEngine::~CollisionEngine() { manifolds_.ClearManifolds(); }

void CollisionEngine::Resume() {
  if (!pausedByScript_) paused_ = false;
}

void CollisionEngine::PauseCollisions() {
  pausedByScript_ = true;
  Pause();
}

void CollisionEngine::ResumeCollisions() {
  pausedByScript_ = false;
  Resume();
}

void CollisionEngine::OnGameObjectAdded(ObjectLockPtr<GameObject> handle) {
  auto object = handle.Lock();
  if (!Lives(object)) return;
  const bool collides = static_cast<bool>(object->LockComponent<CollisionComponent>());
  if (collides) collisionObjects_.push_back(handle);
  if (object->LockComponent<TileMapComponent>()) tilemapObjects_.push_back(handle);
}

void CollisionEngine::CollidePairs(double seconds) {
  if (paused_) return;
  CollideFollowersAndTiles(seconds);
  // A script that paused collisions in phase 1 ends the pass there.
  if (!paused_) CollideObjectPairs(seconds);
}

void CollisionEngine::CollideFollowersAndTiles(double seconds) {
  // Scripts may run here (OnTileCollide): objects are addressed by position
  // and the list's size is read again at every step.
  for (std::size_t i = 0; i < collisionObjects_.size() && !paused_; ++i) {
    auto object = collisionObjects_[i].Lock();
    if (!Lives(object)) continue;
    Collider* collider = ColliderOf(*object);
    if (collider == nullptr) continue;
    // Corners are stale after any change of position or extent, the shape's
    // first data included: both phases read them.
    collider->UpdateBounds();
    PlaceFollowers(*object, *collider);
    CollideWithTilemap(object, seconds);
  }
}

void CollisionEngine::PlaceFollowers(GameObject& parent, const Collider& collider) {
  const Vec2 centre = collider.GetPosition();
  for (const ObjectLockPtr<GameObject>& handle : parent.GetChildren()) {
    auto child = handle.Lock();
    if (!Lives(child)) continue;
    auto transform = child->LockComponent<TransformComponent>();
    if (!transform || !transform->followParent) continue;
    if (Collider* childCollider = ColliderOf(*child)) {
      childCollider->SetPosition(centre);
      childCollider->UpdateBounds();
    }
  }
}

void CollisionEngine::CollideObjectPairs(double seconds) {
  PairPass& pass = pass_;
  pass.Begin(seconds, collisionObjects_, manifolds_);
  manifolds_.BeginPass();
  FindAndAnswerPairs(pass);
  pass.SettleStaticContacts();
  pass.StopAtWallsAhead();
  manifolds_.EndPass();
  RecordPairContacts(pass);
  pass.End();
}

void CollisionEngine::AddRecord(CollisionComponent& to, std::int32_t state, const Vec2& contact, std::int32_t otherId,
                                std::int32_t otherUniqueId, const TransformComponent* otherTransform,
                                const CollisionComponent& otherCollision) {
  if (severalSteps_ && RecordedThisFrame(to, state, contact, otherId, otherUniqueId, otherTransform)) return;
  ContactRecord& record = to.AddContact();
  record.collisionStart = state == ManifoldNew;
  record.collisionStay = state == ManifoldRefreshed;
  record.collisionEnd = state == ManifoldStale;
  record.contactX = contact.x;
  record.contactY = contact.y;
  record.contactID = otherId;
  record.contactUID = otherUniqueId;
  if (otherTransform != nullptr) {
    record.worldX = otherTransform->worldX;
    record.worldY = otherTransform->worldY;
  }
  // Most objects carry no contact info: an empty map is not copied.
  const auto& info = otherCollision.GetContactInfo();
  if (!info.empty()) record.contactInfo = to.KeepContactInfo(info);
}

void CollisionEngine::RecordContact(const ContactParty& a, const ContactParty& b, const Manifold& manifold) {
  if (a.collision == nullptr || b.collision == nullptr || a.object == nullptr || b.object == nullptr) return;
  // A's record is complete before B's is made, as both lists may be one.
  const Vec2& contact = manifold.contacts[0];
  AddRecord(*a.collision, manifold.state, contact, static_cast<std::int32_t>(b.object->GetID()),
            static_cast<std::int32_t>(b.object->GetUniqueId()), b.transform, *b.collision);
  AddRecord(*b.collision, manifold.state, contact, static_cast<std::int32_t>(a.object->GetID()),
            static_cast<std::int32_t>(a.object->GetUniqueId()), a.transform, *a.collision);
}

void CollisionEngine::RecordPairContacts(const PairPass& pass) {
  // Nothing a pair's answer moves is in a record, so they are made after all.
  for (const PairPass::Contact& each : pass.Contacts()) {
    const PairPass::Object& a = pass.At(each.a);
    const PairPass::Object& b = pass.At(each.b);
    AddRecord(*a.collision, each.state, each.contact, b.id, b.uniqueId, b.transform, *b.collision);
    AddRecord(*b.collision, each.state, each.contact, a.id, a.uniqueId, a.transform, *a.collision);
  }
}

void CollisionEngine::SweepManifolds() {
  if (paused_) return;
  // Only the unique ids that stale manifolds name are looked up, each to its
  // first live collision object; the lists are kept for their storage.
  std::vector<std::int32_t>& ids = sweepIds_;
  ids.clear();
  for (std::size_t i = 0; i < manifolds_.Count(); ++i) {
    const Manifold& stored = manifolds_.At(i);
    if (stored.state != ManifoldStale) continue;
    ids.push_back(stored.uniqueIdA);
    ids.push_back(stored.uniqueIdB);
  }
  if (ids.empty()) return;
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  std::vector<std::shared_ptr<GameObject>>& found = sweepObjects_;
  found.assign(ids.size(), nullptr);
  const auto place = [&ids](std::int32_t id) {
    const auto at = std::lower_bound(ids.begin(), ids.end(), id);
    return at != ids.end() && *at == id ? static_cast<std::size_t>(at - ids.begin()) : ids.size();
  };
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (!Lives(object)) continue;
    const std::size_t k = place(static_cast<std::int32_t>(object->GetUniqueId()));
    if (k < ids.size() && !found[k]) found[k] = std::move(object);
  }
  const auto party = [](const std::shared_ptr<GameObject>& object) {
    return ContactParty{object.get(), object->LockComponent<CollisionComponent>().get(),
                        object->LockComponent<TransformComponent>().get()};
  };
  for (std::size_t i = 0; i < manifolds_.Count(); ++i) {
    const Manifold& stored = manifolds_.At(i);
    if (stored.state != ManifoldStale) continue;
    const std::shared_ptr<GameObject>& a = found[place(stored.uniqueIdA)];
    const std::shared_ptr<GameObject>& b = found[place(stored.uniqueIdB)];
    if (!a || !b) continue;
    RecordContact(party(a), party(b), stored);
  }
  // The sweep holds no object past its end.
  found.clear();
}

void CollisionEngine::LateUpdate(float) {
  if (paused_) return;
  manifolds_.AgeManifolds();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < collisionObjects_.size(); ++i) {
    auto object = collisionObjects_[i].Lock();
    if (!Lives(object)) continue;
    collisionObjects_[kept++] = collisionObjects_[i];
    auto* collision = object->FindComponent<CollisionComponent>();
    if (collision == nullptr) continue;
    collision->ClearFrameManifolds();
    // Nobody reads the contacts of an object without a script.
    if (object->FindComponent<ScriptComponent>() == nullptr) collision->ClearContacts();
    Collider* collider = collision->GetCollider();
    if (collider == nullptr) continue;
    collider->UpdateBounds();
    if (auto* transform = object->FindComponent<TransformComponent>()) {
      transform->worldX = ToFloat(collider->GetPosition().x, transform->worldX);
      transform->worldY = ToFloat(collider->GetPosition().y, transform->worldY);
    }
  }
  collisionObjects_.resize(kept);
  tilemapObjects_.erase(std::remove_if(tilemapObjects_.begin(), tilemapObjects_.end(),
                                       [](const ObjectLockPtr<GameObject>& handle) { return !Lives(handle.Lock()); }),
                        tilemapObjects_.end());
}

ObjectLockPtr<GameObject> CollisionEngine::FindColliderByUniqueId(std::int32_t uniqueId) const {
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (Lives(object) && static_cast<std::int32_t>(object->GetUniqueId()) == uniqueId) return handle;
  }
  return {};
}

bool CollisionEngine::LineOfSight(const ObjectLockPtr<GameObject>& a, const ObjectLockPtr<GameObject>& b) const {
  auto collisionA = GetHandleComponent<CollisionComponent>(a).Lock();
  auto collisionB = GetHandleComponent<CollisionComponent>(b).Lock();
  if (!collisionA || !collisionB) return false;
  const Collider* colliderA = collisionA->GetCollider();
  const Collider* colliderB = collisionB->GetCollider();
  if (colliderA == nullptr || colliderB == nullptr) return false;
  const Vec2 start = colliderA->GetPosition();
  const Vec2 d = colliderB->GetPosition() - start;
  const Vec2 middle = start + d * 0.5;
  for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
    auto object = handle.Lock();
    if (!Lives(object)) continue;
    auto collision = object->LockComponent<CollisionComponent>();
    if (!collision || collision->GetCollider() == nullptr) continue;
    const Collider* collider = collision->GetCollider();
    if (collider == colliderA || collider == colliderB) continue;
    if (collision->OverlapsBox(ToFloat(middle.x, 0.0f), ToFloat(middle.y, 0.0f), ToFloat(std::fabs(d.x), 0.0f),
                               ToFloat(std::fabs(d.y), 0.0f)) &&
        collider->IntersectsSegment(d, start)) {
      return true;
    }
  }
  return false;
}

}  // namespace Orv
