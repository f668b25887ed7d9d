#include "world/CollisionEngine.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "core/GameObject.h"
#include "core/Report.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBodyComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {

namespace {

// Transforms hold floats: a position beyond their range stands at its edge.
float ToFloat(double value) {
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

bool Lives(const std::shared_ptr<GameObject>& object) { return object && object->IsAlive(); }

// The collider of a live object, or null; not to be kept across a script.
Collider* ColliderOf(const GameObject& object) {
  auto* collision = object.FindComponent<CollisionComponent>();
  return collision != nullptr ? collision->GetCollider() : nullptr;
}

// A body pushed out of a static collider in this pass does not give way to
// another body that would push it back in: for that pair it weighs as if it
// could not move.
class HeldStill {
 public:
  HeldStill(RigidBody& body, bool held) : body_(body), inverseMass_(body.inverseMass) {
    if (held) body.inverseMass = 0.0;
  }
  ~HeldStill() { body_.inverseMass = inverseMass_; }
  HeldStill(const HeldStill&) = delete;
  HeldStill& operator=(const HeldStill&) = delete;

 private:
  RigidBody& body_;
  double inverseMass_;
};

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

void CollisionEngine::CollidePairs(float dt) {
  if (paused_) return;
  // Phase 1 may run scripts (OnTileCollide): objects are addressed by
  // position and the list's size is read again at every step.
  // A script that pauses collisions there ends the pass at once.
  for (std::size_t i = 0; i < collisionObjects_.size() && !paused_; ++i) {
    auto object = collisionObjects_[i].Lock();
    if (!Lives(object)) continue;
    Collider* collider = ColliderOf(*object);
    if (collider == nullptr) continue;
    // Corners are stale after any change of position or extent, the shape's
    // first data included: both passes below read them.
    collider->UpdateBounds();
    PlaceFollowers(*object, *collider);
    CollideWithTilemap(object, dt);
  }
  if (!paused_) CollideObjectPairs(dt);
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

void CollisionEngine::CollideObjectPairs(float dt) {
  std::vector<PairObject>& objects = pairObjects_;
  std::vector<GridBox>& boxes = pairBoxes_;
  std::vector<PairLayer>& layers = pairLayers_;
  std::vector<std::uint8_t>& bodies = pairBodies_;
  objects.clear();
  boxes.clear();
  layers.clear();
  bodies.clear();
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
    boxes.push_back(BoundsOf(*held.collider));
    layers.push_back({held.collider->GetZ()});
    bodies.push_back(held.rigid != nullptr ? 1 : 0);
    objects.push_back(std::move(held));
  }
  // Frames shorter than a sixtieth are answered as if they were one.
  const float step = static_cast<float>(StepTime(dt));
  const std::size_t count = boxes.size();
  grid_.Build(boxes, bodies);
  // The pairs of the all-pairs loop, in its order: for each i, the j above
  // it that share a cell, one of the two with a body, ascending. Only the
  // pair's own colliders move, so the list stays complete unless i leaves
  // its cells; then it is asked again.
  std::vector<std::uint32_t>& candidates = candidates_;
  manifolds_.BeginPass();
  for (std::size_t i = 0; i < count; ++i) {
    grid_.Candidates(i, i, candidates);
    for (std::size_t k = 0; k < candidates.size(); ++k) {
      const std::size_t j = candidates[k];
      const GridBox& a = boxes[i];
      const GridBox& b = boxes[j];
      if (b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY) continue;
      if (!(layers[i].z == layers[j].z)) continue;
      PairObject& objectA = objects[i];
      PairObject& objectB = objects[j];
      if (objectA.collider == objectB.collider) continue;
      CollisionComponent& collisionA = *objectA.collision;
      CollisionComponent& collisionB = *objectB.collision;
      if ((objectA.avoidsSome && collisionA.AvoidsId(objectB.collisionId)) ||
          (objectB.avoidsSome && collisionB.AvoidsId(objectA.collisionId))) {
        continue;
      }
      Manifold working(&collisionA, objectA.uniqueId, &collisionB, objectB.uniqueId);
      if (!objectA.collider->Collide(*objectB.collider, working)) continue;
      if (!manifolds_.RefreshManifold(working)) manifolds_.AddManifold(working);
      if (objectA.trigger || objectB.trigger) {
        RecordPairContact(objectA, objectB, working);
        continue;
      }
      RigidBodyComponent* rigidA = objectA.rigid;
      RigidBodyComponent* rigidB = objectB.rigid;
      // Only the pair's own colliders can move, and only those answered.
      bool movedA = true, movedB = true;
      if (rigidA == nullptr) {
        working.PushOutB();
        working.StopAgainstA(rigidB->body);
        objectB.heldAlong += working.normal;
        objectB.shoved = objectB.shoved || objectB.pushedOut;
        objectB.pushedOut = true;
        movedA = false;
      } else if (rigidB == nullptr) {
        working.PushOutA();
        working.StopAgainstB(rigidA->body);
        objectA.heldAlong -= working.normal;
        objectA.shoved = objectA.shoved || objectA.pushedOut;
        objectA.pushedOut = true;
        movedB = false;
      } else if (rigidA->body.objectReflect && rigidB->body.objectReflect) {
        movedA = movedB = false;
      } else {
        RigidBody& bodyA = rigidA->body;
        RigidBody& bodyB = rigidB->body;
        if (bodyA.objectReflect != bodyB.objectReflect) working.ReflectVelocities(bodyA, bodyB);
        {
          // The answer pushes A back along the normal and B forward.
          const HeldStill holdA(bodyA, objectA.heldAlong.Dot(working.normal) > 0);
          const HeldStill holdB(bodyB, objectB.heldAlong.Dot(working.normal) < 0);
          working.ResolveManifold(bodyA, bodyB, step);
          working.CorrectPositions(bodyA, bodyB);
        }
        objectA.shoved = objectB.shoved = true;
        bodyA.SetInertia(bodyA.velocity.Length() * bodyA.mass * step);
        bodyB.SetInertia(bodyB.velocity.Length() * bodyB.mass * step);
        if (bodyA.FirstRefusal() != nullptr) rigidA->ReportRefusal();
        if (bodyB.FirstRefusal() != nullptr) rigidB->ReportRefusal();
      }
      if (movedB) {
        boxes[j] = BoundsOf(*objectB.collider);
        grid_.Move(j, boxes[j]);
      }
      if (movedA) {
        boxes[i] = BoundsOf(*objectA.collider);
        if (grid_.Move(i, boxes[i])) {
          grid_.Candidates(i, j, candidates);
          k = static_cast<std::size_t>(-1);
        }
      }
      RecordPairContact(objectA, objectB, working);
    }
  }
  SettleStaticContacts();
  manifolds_.EndPass();
  // The pass holds no object past its end.
  objects.clear();
}

void CollisionEngine::AddRecord(CollisionComponent& to, const Manifold& manifold, std::int32_t otherId,
                                std::int32_t otherUniqueId, const TransformComponent* otherTransform,
                                const CollisionComponent& otherCollision) {
  ContactRecord& record = to.AddContact();
  record.collisionStart = manifold.state == ManifoldNew;
  record.collisionStay = manifold.state == ManifoldRefreshed;
  record.collisionEnd = manifold.state == ManifoldStale;
  record.contactX = manifold.contacts[0].x;
  record.contactY = manifold.contacts[0].y;
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
  AddRecord(*a.collision, manifold, static_cast<std::int32_t>(b.object->GetID()),
            static_cast<std::int32_t>(b.object->GetUniqueId()), b.transform, *b.collision);
  AddRecord(*b.collision, manifold, static_cast<std::int32_t>(a.object->GetID()),
            static_cast<std::int32_t>(a.object->GetUniqueId()), a.transform, *a.collision);
}

void CollisionEngine::RecordPairContact(const PairObject& a, const PairObject& b, const Manifold& manifold) {
  AddRecord(*a.collision, manifold, b.id, b.uniqueId, b.transform, *b.collision);
  AddRecord(*b.collision, manifold, a.id, a.uniqueId, a.transform, *a.collision);
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
      transform->worldX = ToFloat(collider->GetPosition().x);
      transform->worldY = ToFloat(collider->GetPosition().y);
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
    if (collision->OverlapsBox(ToFloat(middle.x), ToFloat(middle.y), ToFloat(std::fabs(d.x)),
                               ToFloat(std::fabs(d.y))) &&
        collider->IntersectsSegment(d, start)) {
      return true;
    }
  }
  return false;
}

}  // namespace Orv
