#pragma once
// The collision engine with its pair pass written the plain way: every pair
// of the list in order, each object and component locked again for each
// pair, every test in the order the rules give them. Slow, but easy to check
// by eye. Tests and the benchmark compare the engine's own pass with it.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

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
    // For each object of the list, the sum of the directions it was pushed
    // out of static colliders in this pass.
    std::vector<Vec2> held(collisionObjects_.size());
    // Pushed out of a static collider; moved by another body or out of a
    // second static collider.
    std::vector<bool> pushedOut(collisionObjects_.size()), shoved(collisionObjects_.size());
    // Each object's box when the pass began.
    std::vector<std::pair<Vec2, Vec2>> start(collisionObjects_.size());
    for (std::size_t k = 0; k < collisionObjects_.size(); ++k) {
      auto object = collisionObjects_[k].Lock();
      auto collision = object ? object->GetComponent<CollisionComponent>().Lock() : nullptr;
      if (collision && collision->GetCollider()) {
        start[k] = {collision->GetCollider()->GetMin(), collision->GetCollider()->GetMax()};
      }
    }
    for (std::size_t i = 0; i < collisionObjects_.size(); ++i) {
      auto a = collisionObjects_[i].Lock();
      if (!Lives(a)) continue;
      auto collisionA = a->GetComponent<CollisionComponent>().Lock();
      if (!collisionA || collisionA->GetCollider() == nullptr) continue;
      for (std::size_t j = i + 1; j < collisionObjects_.size(); ++j) {
        auto b = collisionObjects_[j].Lock();
        if (!Lives(b)) continue;
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
          working.StopAgainstA(rigidB->body);
          held[j] += working.normal;
          if (pushedOut[j]) shoved[j] = true;
          pushedOut[j] = true;
        } else if (!rigidB) {
          working.PushOutA();
          working.StopAgainstB(rigidA->body);
          held[i] -= working.normal;
          if (pushedOut[i]) shoved[i] = true;
          pushedOut[i] = true;
        } else if (!(rigidA->body.objectReflect && rigidB->body.objectReflect)) {
          if (rigidA->body.objectReflect != rigidB->body.objectReflect) {
            working.ReflectVelocities(rigidA->body, rigidB->body);
          }
          // A body held against a static collider does not give way towards it.
          const double inverseMassA = rigidA->body.inverseMass, inverseMassB = rigidB->body.inverseMass;
          if (held[i].Dot(working.normal) > 0) rigidA->body.inverseMass = 0;
          if (held[j].Dot(working.normal) < 0) rigidB->body.inverseMass = 0;
          working.ResolveManifold(rigidA->body, rigidB->body, dt);
          working.CorrectPositions(rigidA->body, rigidB->body);
          rigidA->body.inverseMass = inverseMassA;
          rigidB->body.inverseMass = inverseMassB;
          shoved[i] = shoved[j] = true;
          rigidA->body.SetInertia(rigidA->body.velocity.Length() * rigidA->body.mass * dt);
          rigidB->body.SetInertia(rigidB->body.velocity.Length() * rigidB->body.mass * dt);
          rigidA->ReportRefusal();
          rigidB->ReportRefusal();
        }
        RecordContact(partyA, partyB, working);
      }
    }
    // Up to three rounds: every pair of a body and a static collider whose
    // boxes overlap now, as the pair loop would answer it, in its order;
    // whoever is inside is pushed out again, across the face it entered by
    // when it began the pass clear of the wall, and stopped: static colliders
    // have the last word. The next round asks again about the bodies moved.
    for (int round = 0; round < 3; ++round) {
      std::vector<std::pair<std::size_t, std::size_t>> settle;
      // Boxes the loop moved still have their old corners.
      for (std::size_t k = 0; k < collisionObjects_.size(); ++k) {
        auto object = collisionObjects_[k].Lock();
        if (!shoved[k] || !Lives(object)) continue;
        auto collision = object->GetComponent<CollisionComponent>().Lock();
        if (collision && collision->GetCollider() && !collision->empty && !collision->avoidTrigger) {
          collision->GetCollider()->UpdateBounds();
        }
      }
      for (std::size_t i = 0; i < collisionObjects_.size(); ++i) {
        for (std::size_t j = i + 1; j < collisionObjects_.size(); ++j) {
          auto a = collisionObjects_[i].Lock();
          auto b = collisionObjects_[j].Lock();
          if (!Lives(a) || !Lives(b)) continue;
          auto collisionA = a->GetComponent<CollisionComponent>().Lock();
          auto collisionB = b->GetComponent<CollisionComponent>().Lock();
          if (!collisionA || !collisionB || !collisionA->GetCollider() || !collisionB->GetCollider()) continue;
          if (collisionA->empty || collisionB->empty || collisionA->avoidTrigger || collisionB->avoidTrigger) continue;
          const bool bodyA = static_cast<bool>(a->GetComponent<RigidBodyComponent>().Lock());
          const bool bodyB = static_cast<bool>(b->GetComponent<RigidBodyComponent>().Lock());
          if (bodyA == bodyB || collisionA->GetCollider() == collisionB->GetCollider()) continue;
          if (!shoved[bodyA ? i : j]) continue;
          if (collisionA->AvoidsId(collisionB->collisionId) || collisionB->AvoidsId(collisionA->collisionId)) continue;
          if (!(collisionA->GetCollider()->GetZ() == collisionB->GetCollider()->GetZ())) continue;
          if (collisionA->BoundsOverlap(*collisionB)) settle.emplace_back(i, j);
        }
      }
      std::fill(shoved.begin(), shoved.end(), false);
      bool moved = false;
      for (const auto& [i, j] : settle) {
        auto a = collisionObjects_[i].Lock();
        auto b = collisionObjects_[j].Lock();
        auto collisionA = a->GetComponent<CollisionComponent>().Lock();
        auto collisionB = b->GetComponent<CollisionComponent>().Lock();
        Manifold working(collisionA.get(), static_cast<std::int32_t>(a->GetUniqueId()), collisionB.get(),
                         static_cast<std::int32_t>(b->GetUniqueId()));
        if (!collisionA->CollideDispatch(*collisionB, working) || !(working.penetration > 0)) continue;
        if (auto rigidB = b->GetComponent<RigidBodyComponent>().Lock()) {
          AimAcrossEnteredFace(*collisionA->GetCollider(), *collisionB->GetCollider(), start[j].first, start[j].second,
                               true, working);
          working.PushOutB();
          working.StopAgainstA(rigidB->body);
          shoved[j] = true;
        } else {
          AimAcrossEnteredFace(*collisionB->GetCollider(), *collisionA->GetCollider(), start[i].first, start[i].second,
                               false, working);
          working.PushOutA();
          working.StopAgainstB(a->GetComponent<RigidBodyComponent>().Lock()->body);
          shoved[i] = true;
        }
        moved = true;
      }
      if (!moved) break;
    }
  }
};

}  // namespace OrvTest
