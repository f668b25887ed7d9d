#pragma once
// One contact between the colliders of two collision components: who touches
// whom, how deep, along which normal, at which points, and in which phase of
// its life the contact is.
#include <cstdint>

#include "core/Vec2.h"
#include "world/ContactTolerances.h"

namespace Orv {

class Collider;
class CollisionComponent;
class RigidBody;

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void OnNotify(int event) = 0;
};

enum ManifoldState : std::int32_t {
  ManifoldFree = 0,
  ManifoldNew = 1,
  ManifoldRefreshed = 2,
  ManifoldStale = 4,
};

struct Manifold : public Observer {
  Manifold() = default;
  // A working manifold for the pair (a, b): bodies, unique ids and the
  // components' serials set, everything else 0 and free.
  Manifold(CollisionComponent* a, std::int32_t idA, CollisionComponent* b, std::int32_t idB);

  void OnNotify(int /*event*/) override {}

  // Every field of other, this one's state included.
  void CopyContact(const Manifold& other) { *this = other; }
  // True while the bodies are a and b, in that order, and still the very
  // components the contact began with: a component made later at the same
  // address carries another serial.
  bool Joins(const CollisionComponent* a, const CollisionComponent* b) const;
  // Frees the slot for reuse.
  void Free();
  // How many times any manifold has been freed: a store compares it with the
  // count it last saw to notice slots a body freed behind its back.
  static std::uint64_t FreeCount();

  // A's centre moves back along the normal, B's forward, each by |penetration|.
  void PushOutA();
  void PushOutB();
  // A body pushed out of a collider that does not move stops against it: it
  // loses the part of its velocity that points into the other along the
  // normal and keeps what slides along. A box that turns stops so at its
  // contact points, its turning included: it tips over a corner instead of
  // keeping its turn, and no point is left running into the wall. A for
  // body A against B, B for B against A.
  void StopAgainstB(RigidBody& a) const;
  void StopAgainstA(RigidBody& b) const;
  // The body's centre += vector × factor.
  void MoveBodyA(const Vec2& vector, double factor);
  void MoveBodyB(const Vec2& vector, double factor);

  // The answers to a contact between two bodies. None of them lets a value
  // that is not finite reach a body or a collider: the step that would make
  // one is left out.
  // Both velocities mirrored about the normal; a zero normal leaves them.
  void ReflectVelocities(RigidBody& a, RigidBody& b) const;
  // The impulses that leave neither contact point closing, found for both
  // points at once, then the bounce as a share of them, then friction at
  // each point that parts. Turning is in degrees per second; a body that contacts cannot turn
  // (inverse inertia 0) hands them none of its turning either.
  void ResolveManifold(RigidBody& a, RigidBody& b, float dt);
  // Moves the bodies apart along the normal until they overlap by
  // kLeftOverlap, so that bodies at rest on one another stay in contact.
  void CorrectPositions(const RigidBody& a, const RigidBody& b);

  // One side of a contact between two bodies: its record, its shape, and
  // the way what holds it up this pass pushes it (zero while nothing that
  // cannot give way holds it).
  struct Party {
    RigidBody& body;
    const Collider& shape;
    Vec2& heldAlong;
  };
  // The whole answer of two bodies: the inertia of each shape, the impulse
  // and the push apart. A body held from the far side, and not moving towards
  // the other, weighs as if it could not move, and the other, resting on it,
  // is held along the normal from then on: a stack is answered from its
  // ground up in one pass.
  void AnswerBodies(const Party& a, const Party& b, float dt);

  // What StopAgainstA and StopAgainstB do: body, of the component given,
  // stops moving along towards, into the wall.
  void StopAgainstWall(RigidBody& body, const CollisionComponent* component, const Vec2& towards) const;

  // Not owned: the first object's component (earlier in the engine's list)
  // and the second's; null once freed.
  CollisionComponent* bodyA = nullptr;
  CollisionComponent* bodyB = nullptr;
  std::int32_t uniqueIdA = 0;
  std::int32_t uniqueIdB = 0;
  // The bodies' serials when the contact was made; never reused, unlike
  // unique ids and addresses.
  std::uint64_t serialA = 0;
  std::uint64_t serialB = 0;
  double penetration = 0.0;
  // From A towards B.
  Vec2 normal;
  // How many of contacts are valid: 0, 1 or 2.
  std::uint32_t contactCount = 0;
  Vec2 contacts[2];
  std::int32_t state = ManifoldFree;
};

}  // namespace Orv
