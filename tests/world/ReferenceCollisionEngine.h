#pragma once
// The collision engine with its pair pass written the plain way: every pair
// of the list in order, each object and component locked again for each
// pair, every test in the order the rules give them. Slow, but easy to check
// by eye. Tests and the benchmark compare the engine's own pass with it.
#include <memory>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/RigidBodyComponent.h"

namespace OrvTest {

class ReferenceCollisionEngine : public Orv::CollisionEngine {
 public:
  using CollisionEngine::CollisionEngine;

 protected:
  void CollideObjectPairs(float dt) override {
    using namespace Orv;
    for (std::size_t i = 0; i < collisionObjects_.size(); ++i) {
      auto a = collisionObjects_[i].Lock();
      if (!a || !a->IsAlive()) continue;
      auto collisionA = a->GetComponent<CollisionComponent>().Lock();
      if (!collisionA || collisionA->GetCollider() == nullptr) continue;
      for (std::size_t j = i + 1; j < collisionObjects_.size(); ++j) {
        auto b = collisionObjects_[j].Lock();
        if (!b || !b->IsAlive()) continue;
        auto rigidA = a->GetComponent<RigidBodyComponent>().Lock();
        auto rigidB = b->GetComponent<RigidBodyComponent>().Lock();
        auto collisionB = b->GetComponent<CollisionComponent>().Lock();
        if (!collisionB || collisionB->GetCollider() == nullptr) continue;
        if (collisionA->empty || collisionB->empty) continue;
        if (!rigidA && !rigidB) continue;
        if (collisionA->GetCollider() == collisionB->GetCollider()) continue;
        if (collisionA->AvoidsId(collisionB->collisionId) || collisionB->AvoidsId(collisionA->collisionId)) continue;
        if (!(collisionA->GetCollider()->GetZ() == collisionB->GetCollider()->GetZ())) continue;
        if (!collisionA->BoundsOverlap(*collisionB)) continue;
        Manifold working(collisionA.get(), static_cast<std::int32_t>(a->GetUniqueId()), collisionB.get(),
                         static_cast<std::int32_t>(b->GetUniqueId()));
        if (dt < kMinimumStep) dt = kMinimumStep;
        if (!collisionA->CollideDispatch(*collisionB, working)) continue;
        if (!manifolds_.RefreshManifold(working)) manifolds_.AddManifold(working);
        const ContactParty partyA{a.get(), collisionA.get(), a->GetComponent<TransformComponent>().Lock().get()};
        const ContactParty partyB{b.get(), collisionB.get(), b->GetComponent<TransformComponent>().Lock().get()};
        if (collisionA->avoidTrigger || collisionB->avoidTrigger) {
          RecordContact(partyA, partyB, working);
          continue;
        }
        if (!rigidA) {
          working.PushOutB();
        } else if (!rigidB) {
          working.PushOutA();
        } else if (!(rigidA->body.objectReflect && rigidB->body.objectReflect)) {
          if (rigidA->body.objectReflect != rigidB->body.objectReflect) {
            working.ReflectVelocities(rigidA->body, rigidB->body);
          }
          working.ResolveManifold(rigidA->body, rigidB->body, dt);
          working.CorrectPositions(rigidA->body, rigidB->body);
          rigidA->body.SetInertia(rigidA->body.velocity.Length() * rigidA->body.mass * dt);
          rigidB->body.SetInertia(rigidB->body.velocity.Length() * rigidB->body.mass * dt);
          rigidA->ReportRefusal();
          rigidB->ReportRefusal();
        }
        RecordContact(partyA, partyB, working);
      }
    }
  }
};

}  // namespace OrvTest
