#include "world/RigidBody.h"

#include <algorithm>
#include <cmath>

#include "world/Collider.h"

namespace Orv {

namespace {

std::int32_t NextBodyId() {
  static std::int32_t next = 0;
  return next++;
}

constexpr double kMaximumTurn = 60.0;

}  // namespace

double StepTime(float dt) { return dt >= kMinimumStep ? static_cast<double>(dt) : static_cast<double>(kMinimumStep); }

RigidBody::RigidBody() : id(NextBodyId()) {}

bool RigidBody::Accept(double& field, double value, const char* cause) {
  if (std::isfinite(value)) {
    field = value;
    return true;
  }
  NoteRefusal(cause);
  return false;
}

bool RigidBody::Accept(Vec2& field, const Vec2& value, const char* cause) {
  if (value.IsFinite()) {
    field = value;
    return true;
  }
  NoteRefusal(cause);
  return false;
}

void RigidBody::NoteRefusal(const char* cause) {
  if (firstRefusal_ == nullptr) firstRefusal_ = cause;
}

void RigidBody::ApplyForces(float dt) {
  const double t = StepTime(dt);
  Accept(force, force + acceleration * mass, "force");
  Accept(acceleration, force * inverseMass * t, "acceleration");
}

void RigidBody::Integrate(float dt) {
  const double t = StepTime(dt);
  Accept(velocity, velocity + acceleration * t, "velocity");
  if (movementEnabled) {
    Accept(position, position + velocity * t, "position");
  } else {
    velocity = {};
  }
  angularVelocity = std::clamp(angularVelocity, -kMaximumTurn, kMaximumTurn);
  if (rotationEnabled) {
    Accept(direction, direction + angularVelocity * t, "direction");
  } else {
    angularVelocity = 0.0;
  }
  velocity -= velocity * friction;
  angularVelocity -= friction * angularVelocity;
  force = {};
}

void RigidBody::SetInertia(double value) {
  inertia = value;
  inverseInertia = value > 0.0001 ? 1.0 / value : 0.0001;
}

double InertiaPerMass(const Collider& shape) {
  switch (shape.GetType()) {
    case Collider::TypeAABB: {
      const auto& box = static_cast<const AABB&>(shape);
      return (box.GetWidth() * box.GetWidth() + box.GetHeight() * box.GetHeight()) / 12;
    }
    case Collider::TypeOBB: {
      const auto& box = static_cast<const OBB&>(shape);
      return (box.GetWidth() * box.GetWidth() + box.GetHeight() * box.GetHeight()) / 12;
    }
    case Collider::TypeCircle2D: {
      const double radius = static_cast<const Circle2D&>(shape).GetRadius();
      return radius * radius / 2;
    }
    default:
      return 0.0;
  }
}

void RigidBody::SetInertiaOf(const Collider& shape) {
  const double value = mass * InertiaPerMass(shape);
  inertia = std::isfinite(value) ? value : 0.0;
  // An axis-aligned box keeps its axes: a contact cannot turn it. A shape too
  // small to hold its mass turns as a point does: not at all.
  const bool turns = shape.GetType() == Collider::TypeCircle2D || shape.GetType() == Collider::TypeOBB;
  inverseInertia = turns && inertia > 0 && std::isfinite(1 / inertia) ? 1 / inertia : 0.0;
}

void RigidBody::StopTowards(const Vec2& towards) {
  const double lengthSquared = towards.LengthSquared();
  const double along = velocity.Dot(towards);
  if (!(lengthSquared > 0) || !(along > 0)) return;
  Accept(velocity, velocity - towards * (along / lengthSquared), "velocity");
}

bool RigidBody::SetMass(double value) {
  const double inverse = value == 0.0 ? 0.0 : 1.0 / value;
  if (!std::isfinite(value) || !std::isfinite(inverse)) {
    NoteRefusal("mass");
    return false;
  }
  mass = value;
  inverseMass = inverse;
  return true;
}

}  // namespace Orv
