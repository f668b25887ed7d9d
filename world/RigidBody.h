#pragma once
// The state the physics engine integrates and the collision response changes:
// a plain record, no object or component. A value that would leave the body
// not finite is refused and the field keeps its last value; the record notes
// the first such refusal so its owner can say so once.
#include <cstdint>

#include "core/Vec2.h"

namespace Orv {

class Collider;

// Frames shorter than this are stepped as if they were this long. The
// single-precision value nearest 1/60.
inline constexpr float kMinimumStep = 0.016666668f;

// dt floored at kMinimumStep, compared in single precision.
double StepTime(float dt);

// The steps the world takes a frame in: the frame's time (StepTime) in as
// few equal steps as keep each within a sixtieth of a second, so that a long
// frame moves bodies as the same time in short frames does.
struct FrameSteps {
  int count = 1;
  double seconds = kMinimumStep;
};
FrameSteps StepsOf(float dt);

// The moment of inertia of a unit of mass spread evenly over the shape,
// about its centre, in px²: a box (w² + h²) / 12, a circle r² / 2; 0 for a
// shape without area.
double InertiaPerMass(const Collider& shape);

class RigidBody {
 public:
  // Ids count every body made in the run, from 0.
  RigidBody();

  // Mass times acceleration joins the force; the acceleration then becomes
  // the velocity change of a sixtieth of a second, whatever the step's
  // length: Integrate takes it in proportion to that.
  void ApplyForces();
  // Velocity, position, turning, friction, in that order; clears the force.
  void Integrate(float dt) { IntegrateFor(StepTime(dt)); }
  void IntegrateFor(double seconds);
  // The force and acceleration a script left for the frame act in each of
  // the frame's steps, as they would in each of as many short frames: the
  // body's first step of the frame numbered frame keeps them, each later one
  // puts them back.
  void HoldFrameInputs(std::uint64_t frame);
  // The inverse is 1 / value above 0.0001, else exactly 0.0001.
  void SetInertia(double value);
  // The inertia of the mass spread over the shape (InertiaPerMass): what a
  // contact's impulse turns. A body that cannot turn under contacts, of mass
  // 0 or with a shape that keeps its axes, has an inverse of 0.
  void SetInertiaOf(const Collider& shape);
  // Takes out of the velocity its part along towards, when there is one:
  // what slides across it is kept.
  void StopTowards(const Vec2& towards);
  // 1 / mass, or 0 for a mass of 0: such a body does not move under forces or
  // impulses. False, leaving both, when the inverse would not be finite.
  bool SetMass(double value);

  // Stores value in field when it is finite; otherwise keeps the field and
  // notes cause as the first refusal. Answers whether it stored.
  bool Accept(double& field, double value, const char* cause);
  bool Accept(Vec2& field, const Vec2& value, const char* cause);
  // Notes cause as the first refusal unless one is noted already.
  void NoteRefusal(const char* cause);
  // What was first refused, or null.
  const char* FirstRefusal() const { return firstRefusal_; }

  std::int32_t id;
  bool rotationEnabled = true;
  bool movementEnabled = true;
  bool objectReflect = false;
  Vec2 position;
  // World units per second.
  Vec2 velocity;
  Vec2 acceleration;
  Vec2 force;
  // Degrees.
  double direction = 0.0;
  // Degrees per second; every step holds it within ±kMostTurn.
  double angularVelocity = 0.0;
  double mass = 0.0;
  double inverseMass = 0.0;
  // Mass × px², about the centre.
  double inertia = 0.0;
  double inverseInertia = 0.0;
  double bouncy = 0.0;
  // The share of velocity and turning lost every sixtieth of a second, 0..1.
  double friction = 0.0;
  bool resolveTileMap = false;

 private:
  const char* firstRefusal_ = nullptr;
  Vec2 frameForce_, frameAcceleration_;
  // The frame they were kept in; 0 for none.
  std::uint64_t inputsFrame_ = 0;
};

}  // namespace Orv
