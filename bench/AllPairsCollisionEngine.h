#pragma once
// The collision engine with the pair pass it had before the broad phase:
// every pair of the list in order, with what the loop needs looked up once a
// frame. The benchmarks measure the engine's pass beside it.
#include <memory>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/RigidBodyComponent.h"

namespace OrvBench {

class AllPairsCollisionEngine : public Orv::CollisionEngine {
 public:
  using CollisionEngine::CollisionEngine;

 protected:
  struct PairEntry {
    double minX, minY, maxX, maxY;
    double z;
    std::size_t slot;
    bool hasBody;
  };
  struct PairObject {
    std::shared_ptr<Orv::GameObject> object;
    Orv::CollisionComponent* collision = nullptr;
    Orv::Collider* collider = nullptr;
    Orv::RigidBodyComponent* rigid = nullptr;
    Orv::TransformComponent* transform = nullptr;
  };
  static void ReadBounds(const Orv::Collider& collider, PairEntry& entry) {
    const Orv::Vec2 min = collider.GetMin(), max = collider.GetMax();
    entry.minX = min.x;
    entry.minY = min.y;
    entry.maxX = max.x;
    entry.maxY = max.y;
  }
  void CollideObjectPairs(float dt) override {
    using namespace Orv;
    std::vector<PairObject> objects;
    std::vector<PairEntry> entries;
    objects.reserve(collisionObjects_.size());
    entries.reserve(collisionObjects_.size());
    for (const ObjectLockPtr<GameObject>& handle : collisionObjects_) {
      PairObject held;
      held.object = handle.Lock();
      if (!held.object || !held.object->IsAlive()) continue;
      auto collision = held.object->LockComponent<CollisionComponent>();
      if (!collision || collision->GetCollider() == nullptr || collision->empty) continue;
      held.collision = collision.get();
      held.collider = collision->GetCollider();
      held.rigid = held.object->LockComponent<RigidBodyComponent>().get();
      held.transform = held.object->LockComponent<TransformComponent>().get();
      PairEntry entry;
      ReadBounds(*held.collider, entry);
      entry.z = held.collider->GetZ();
      entry.slot = objects.size();
      entry.hasBody = held.rigid != nullptr;
      objects.push_back(std::move(held));
      entries.push_back(entry);
    }
    // Frames shorter than a sixtieth are answered as if they were one.
    const float step = static_cast<float>(StepTime(dt));
    const std::size_t count = entries.size();
    for (std::size_t i = 0; i < count; ++i) {
      for (std::size_t j = i + 1; j < count; ++j) {
        const PairEntry& a = entries[i];
        const PairEntry& b = entries[j];
        if (!a.hasBody && !b.hasBody) continue;
        if (!(a.z == b.z)) continue;
        if (b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY) continue;
        PairObject& objectA = objects[a.slot];
        PairObject& objectB = objects[b.slot];
        if (objectA.collider == objectB.collider) continue;
        CollisionComponent& collisionA = *objectA.collision;
        CollisionComponent& collisionB = *objectB.collision;
        if (collisionA.AvoidsId(collisionB.collisionId) || collisionB.AvoidsId(collisionA.collisionId)) continue;
        Manifold working(&collisionA, static_cast<std::int32_t>(objectA.object->GetUniqueId()), &collisionB,
                         static_cast<std::int32_t>(objectB.object->GetUniqueId()));
        if (!collisionA.CollideDispatch(collisionB, working)) continue;
        if (!manifolds_.RefreshManifold(working)) manifolds_.AddManifold(working);
        const ContactParty partyA{objectA.object.get(), &collisionA, objectA.transform};
        const ContactParty partyB{objectB.object.get(), &collisionB, objectB.transform};
        if (collisionA.avoidTrigger || collisionB.avoidTrigger) {
          RecordContact(partyA, partyB, working);
          continue;
        }
        RigidBodyComponent* rigidA = objectA.rigid;
        RigidBodyComponent* rigidB = objectB.rigid;
        if (rigidA == nullptr) {
          working.PushOutB();
        } else if (rigidB == nullptr) {
          working.PushOutA();
        } else if (!(rigidA->body.objectReflect && rigidB->body.objectReflect)) {
          RigidBody& bodyA = rigidA->body;
          RigidBody& bodyB = rigidB->body;
          if (bodyA.objectReflect != bodyB.objectReflect) working.ReflectVelocities(bodyA, bodyB);
          working.ResolveManifold(bodyA, bodyB, step);
          working.CorrectPositions(bodyA, bodyB);
          bodyA.SetInertia(bodyA.velocity.Length() * bodyA.mass * step);
          bodyB.SetInertia(bodyB.velocity.Length() * bodyB.mass * step);
          rigidA->ReportRefusal();
          rigidB->ReportRefusal();
        }
        // Only the pair's own colliders can have moved.
        ReadBounds(*objectA.collider, entries[i]);
        ReadBounds(*objectB.collider, entries[j]);
        RecordContact(partyA, partyB, working);
      }
    }
  }
};

}  // namespace OrvBench
