#include "world/RigidBody.h"

#include <algorithm>
#include <cmath>

#include "world/Collider.h"
#include "world/ContactTolerances.h"

namespace Orv {

namespace {

std::int32_t NextBodyId() {
  static std::int32_t next = 0;
  return next++;
}

}  // namespace

double StepTime(float dt) { return dt >= kMinimumStep ? static_cast<double>(dt) : static_cast<double>(kMinimumStep); }

FrameSteps StepsOf(float dt) {
  const double time = StepTime(dt);
  // A frame that is a whole number of sixtieths in single precision is that
  // many steps, not one more for its rounding.
  const double count = std::ceil(time / double{kMinimumStep} - 1e-4);
  if (!(count > 1)) return {1, time};
  // No more steps than a frame of 0.1 s takes many times over: a frame that
  // long is a stalled machine, and more steps would stall it further.
  const int steps = static_cast<int>(std::min(count, 600.0));
  // Steps of exactly a sixtieth where the frame is that many of them to
  // single precision: a frame of 0.1 s then moves the world exactly as six
  // frames at 60 frames a second do.
  const double sixtieths = steps * double{kMinimumStep};
  if (std::fabs(time - sixtieths) <= 1e-6 * sixtieths) return {steps, double{kMinimumStep}};
  return {steps, time / steps};
}

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

void RigidBody::ApplyForces() {
  Accept(force, force + acceleration * mass, "force");
  // Per sixtieth of a second, the step as long as a frame at 60 frames a
  // second; the step takes its own share of it, so that the velocity gained
  // grows with time alone, however the time is cut into steps.
  Accept(acceleration, force * inverseMass * double{kMinimumStep}, "acceleration");
}

void RigidBody::IntegrateFor(double t) {
  Accept(velocity, velocity + acceleration * t, "velocity");
  if (movementEnabled) {
    Accept(position, position + velocity * t, "position");
  } else {
    velocity = {};
  }
  angularVelocity = std::clamp(angularVelocity, -kMostTurn, kMostTurn);
  if (rotationEnabled) {
    Accept(direction, direction + angularVelocity * t, "direction");
  } else {
    angularVelocity = 0.0;
  }
  // Friction is a share lost per sixtieth of a second.
  const double lost = t == double{kMinimumStep} ? friction : 1 - std::pow(1 - friction, t / double{kMinimumStep});
  velocity -= velocity * lost;
  angularVelocity -= lost * angularVelocity;
  force = {};
}

void RigidBody::HoldFrameInputs(std::uint64_t frame) {
  if (frame != inputsFrame_) {
    inputsFrame_ = frame;
    frameForce_ = force;
    frameAcceleration_ = acceleration;
  } else {
    force = frameForce_;
    acceleration = frameAcceleration_;
  }
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
    default: return 0.0;
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
