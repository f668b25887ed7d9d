#pragma once
// The collision engine with its pair pass written the plain way: every pair
// of the list in order, each object and component locked again for each
// pair, every test in the order the rules give them. Slow, but easy to check
// by eye. Tests and the benchmark compare the engine's own pass with it. It
// decides by the same rules (world/PairRules.h), answers each contact by the
// same function (world/ContactAnswer.h) and hands the same step state from
// phase to phase.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/ContactAnswer.h"
#include "world/PairRules.h"
#include "world/RigidBodyComponent.h"

namespace OrvTest {

class ReferenceCollisionEngine : public Orv::CollisionEngine {
 public:
  using CollisionEngine::CollisionEngine;

 protected:
  struct Held {
    std::shared_ptr<Orv::GameObject> object;
    std::shared_ptr<Orv::CollisionComponent> collision;
    std::shared_ptr<Orv::RigidBodyComponent> rigid;
    Orv::Collider* collider() const { return collision->GetCollider(); }
    Orv::RigidBody* body() const { return rigid ? &rigid->body : nullptr; }
    Orv::BodyKind kind() const { return Orv::KindOf(body()); }
    Orv::PairSide side() const { return Orv::SideOf(*collision, body()); }
  };

  // Object k of the list, if it lives and has a collider.
  Held Lock(std::size_t k) const {
    Held held{collisionObjects_[k].Lock(), nullptr, nullptr};
    if (!Orv::Lives(held.object)) return {};
    held.collision = held.object->GetComponent<Orv::CollisionComponent>().Lock();
    if (!held.collision || held.collision->GetCollider() == nullptr) return {};
    held.rigid = held.object->GetComponent<Orv::RigidBodyComponent>().Lock();
    return held;
  }

  // Whether wall holds body as a static collider does in this pass.
  static bool Holds(const Held& wall, const Held& body) {
    return wall.collider() != body.collider() && Orv::HoldsAsWall(wall.kind(), body.kind()) &&
           Orv::AnswerOf(wall.side(), body.side()) == Orv::PairAnswer::Respond;
  }

  static bool MayHold(const Held& held) {
    return held.object && !held.collision->avoidTrigger && held.kind() != Orv::BodyKind::Moving;
  }

  static bool Meet(const Orv::Vec2& minA, const Orv::Vec2& maxA, const Orv::Vec2& minB, const Orv::Vec2& maxB) {
    return !(minB.x > maxA.x || minA.x > maxB.x || minB.y > maxA.y || minA.y > maxB.y);
  }

  void CollideObjectPairs(double seconds) override {
    using namespace Orv;
    const std::size_t count = collisionObjects_.size();
    PairStep step;
    step.BeginFor(seconds);
    // For each object of the list, its box when the pass began, the sum of
    // the directions it was pushed out of walls in this pass, and whether it
    // was moved by another body or out of a wall.
    std::vector<PassMotion> motion(count);
    for (std::size_t k = 0; k < count; ++k) {
      if (const Held o = Lock(k); o.object) {
        motion[k].startMin = o.collider()->GetMin();
        motion[k].startMax = o.collider()->GetMax();
      }
    }
    for (std::size_t i = 0; i < count; ++i) {
      const Held a = Lock(i);
      if (!a.object) continue;
      for (std::size_t j = i + 1; j < count; ++j) {
        const Held b = Lock(j);
        if (!b.object) continue;
        const PairAnswer answer = AnswerOf(a.side(), b.side());
        if (answer == PairAnswer::None || !a.collision->BoundsOverlap(*b.collision)) continue;
        Manifold working(a.collision.get(), static_cast<std::int32_t>(a.object->GetUniqueId()), b.collision.get(),
                         static_cast<std::int32_t>(b.object->GetUniqueId()));
        if (!a.collision->CollideDispatch(*b.collision, working)) continue;
        if (!manifolds_.RefreshManifold(working)) manifolds_.AddManifold(working);
        const ContactParty partyA{a.object.get(), a.collision.get(),
                                  a.object->GetComponent<TransformComponent>().Lock().get()};
        const ContactParty partyB{b.object.get(), b.collision.get(),
                                  b.object->GetComponent<TransformComponent>().Lock().get()};
        if (answer == PairAnswer::Record) {
          RecordContact(partyA, partyB, working);
          continue;
        }
        AnswerContact({i, *a.collider(), a.rigid.get(), a.kind(), motion[i]},
                      {j, *b.collider(), b.rigid.get(), b.kind(), motion[j]}, working, step);
        RecordContact(partyA, partyB, working);
      }
    }
    Settle(step, motion);
    StopAhead(step);
  }

  // Up to four rounds: each shoved body that overlaps walls, with the walls
  // whose boxes met its box when the round began, in the list's order; it
  // leaves them by the rules and is asked again in the next round.
  void Settle(Orv::PairStep& step, std::vector<Orv::PassMotion>& motion) const {
    using namespace Orv;
    const std::size_t count = collisionObjects_.size();
    std::vector<bool> shoved(count);
    for (std::size_t k = 0; k < count; ++k) shoved[k] = motion[k].shoved;
    for (int round = 0; round < 4; ++round) {
      std::vector<std::pair<Vec2, Vec2>> box(count);
      for (std::size_t k = 0; k < count; ++k) {
        if (const Held o = Lock(k); o.object) {
          o.collider()->UpdateBounds();
          box[k] = {o.collider()->GetMin(), o.collider()->GetMax()};
        }
      }
      std::vector<bool> asked = shoved;
      std::fill(shoved.begin(), shoved.end(), false);
      bool moved = false;
      for (std::size_t k = 0; k < count; ++k) {
        const Held body = Lock(k);
        if (!asked[k] || !body.object || !body.rigid || body.collision->avoidTrigger) continue;
        std::vector<const Collider*> near, walls;
        for (std::size_t w = 0; w < count; ++w) {
          const Held wall = Lock(w);
          if (!MayHold(wall) || !Holds(wall, body)) continue;
          // Its box as it is and as it began the pass, and all between.
          const Vec2& startMin = motion[k].startMin;
          const Vec2& startMax = motion[k].startMax;
          const Vec2 sweptMin{std::min(box[k].first.x, startMin.x), std::min(box[k].first.y, startMin.y)};
          const Vec2 sweptMax{std::max(box[k].second.x, startMax.x), std::max(box[k].second.y, startMax.y)};
          if (Meet(box[w].first, box[w].second, sweptMin, sweptMax)) near.push_back(wall.collider());
        }
        step.HeldBy(k, walls);
        const std::size_t known = walls.size();
        if (!SettleAmongWalls(*body.collider(), body.rigid->body, motion[k].startMin, motion[k].startMax, near,
                              walls)) {
          continue;
        }
        for (std::size_t w = known; w < walls.size(); ++w) step.Hold(k, walls[w]);
        shoved[k] = moved = true;
      }
      if (!moved) break;
    }
  }

  // Each moving body's coming step, with the walls whose boxes, as the phase
  // began, meet its swept box, in the list's order.
  void StopAhead(const Orv::PairStep& step) const {
    using namespace Orv;
    const std::size_t count = collisionObjects_.size();
    std::vector<std::pair<Vec2, Vec2>> box(count);
    for (std::size_t k = 0; k < count; ++k) {
      if (const Held o = Lock(k); o.object) {
        o.collider()->UpdateBounds();
        box[k] = {o.collider()->GetMin(), o.collider()->GetMax()};
      }
    }
    for (std::size_t k = 0; k < count; ++k) {
      const Held body = Lock(k);
      if (!body.object || !body.rigid || body.collision->avoidTrigger || !body.rigid->body.movementEnabled) continue;
      const Vec2 motion = body.rigid->body.velocity * step.Step();
      if (!motion.IsFinite() || motion == Vec2{}) continue;
      Vec2 min, max;
      SweptBox(*body.collider(), motion, min, max);
      std::vector<const Collider*> walls;
      for (std::size_t w = 0; w < count; ++w) {
        const Held wall = Lock(w);
        if (MayHold(wall) && Holds(wall, body) && Meet(box[w].first, box[w].second, min, max)) {
          walls.push_back(wall.collider());
        }
      }
      StopStepAtWalls(*body.collider(), body.rigid->body, step.Step(), walls);
    }
  }
};

}  // namespace OrvTest
