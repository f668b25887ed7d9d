#include "world/RigidBody.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
  UpdateInertia(t);
}

void RigidBody::SetInertia(double value) {
  inertia = value;
  inverseInertia = value > 0.0001 ? 1.0 / value : 0.0001;
}

void RigidBody::UpdateInertia(double t) {
  // A speed and mass too large to multiply stand at the largest inertia.
  double value = velocity.Length() * mass * t;
  if (std::isnan(value)) value = 0.0;
  if (std::isinf(value)) value = std::copysign(std::numeric_limits<double>::max(), value);
  SetInertia(value);
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
