#include "world/Manifold.h"

#include <cmath>

#include "world/Collider.h"
#include "world/CollisionComponent.h"
#include "world/RigidBody.h"

namespace Orv {

namespace {

std::uint64_t freeCount = 0;

void MoveBody(CollisionComponent* body, const Vec2& by) {
  if (body == nullptr) return;
  Collider* collider = body->GetCollider();
  if (collider == nullptr) return;
  const Vec2 moved = collider->GetPosition() + by;
  // Asked only about a value that is not finite, which it refuses.
  const auto accept = [body](double value) { return std::isfinite(value) || body->AcceptFinite("position", value); };
  if (!accept(moved.x) || !accept(moved.y)) return;
  // The rest of the pass meets a moved box where it now is, as it meets a
  // circle: a body pushed up into the one resting on it pushes that one too.
  collider->SetPosition(moved);
  collider->UpdateBounds();
}

}  // namespace

Manifold::Manifold(CollisionComponent* a, std::int32_t idA, CollisionComponent* b, std::int32_t idB)
    : bodyA(a),
      bodyB(b),
      uniqueIdA(idA),
      uniqueIdB(idB),
      serialA(a != nullptr ? a->GetSerial() : 0),
      serialB(b != nullptr ? b->GetSerial() : 0) {}

bool Manifold::Joins(const CollisionComponent* a, const CollisionComponent* b) const {
  return a != nullptr && b != nullptr && bodyA == a && bodyB == b && serialA == a->GetSerial() &&
         serialB == b->GetSerial();
}

std::uint64_t Manifold::FreeCount() { return freeCount; }

void Manifold::Free() {
  ++freeCount;
  state = ManifoldFree;
  bodyA = nullptr;
  bodyB = nullptr;
}

void Manifold::PushOutA() { MoveBody(bodyA, normal * -std::fabs(penetration)); }

void Manifold::PushOutB() { MoveBody(bodyB, normal * std::fabs(penetration)); }

void Manifold::StopAgainstB(RigidBody& a) const { StopAgainstWall(a, bodyA, normal); }

void Manifold::StopAgainstA(RigidBody& b) const { StopAgainstWall(b, bodyB, -normal); }

void Manifold::MoveBodyA(const Vec2& vector, double factor) { MoveBody(bodyA, vector * factor); }

void Manifold::MoveBodyB(const Vec2& vector, double factor) { MoveBody(bodyB, vector * factor); }

}  // namespace Orv
