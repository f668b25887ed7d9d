#include "world/RigidBodyComponent.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace Orv {

void RigidBodyComponent::Setup() {
  propertyNames["pos x"] = PosX;
  propertyNames["pos y"] = PosY;
  propertyNames["vel x"] = VelX;
  propertyNames["vel y"] = VelY;
  propertyNames["accel x"] = AccelX;
  propertyNames["accel y"] = AccelY;
  propertyNames["friction"] = Friction;
  propertyNames["direction"] = Direction;
  propertyNames["mass"] = Mass;
  propertyNames["rotationSpeed"] = RotationSpeed;
  propertyNames["movementTrue"] = MovementTrue;
  propertyNames["rotationTrue"] = RotationTrue;
  propertyNames["resolveTileMap"] = ResolveTileMap;
  propertyNames["force x"] = ForceX;
  propertyNames["force y"] = ForceY;
  propertyNames["impulse x"] = ImpulseX;
  propertyNames["impulse y"] = ImpulseY;
  propertyNames["objReflect"] = ObjReflect;
}

void RigidBodyComponent::OnAttach(GameObject* owner) {
  ReportRefusal();
  refusal_.Attach(owner);
}

void RigidBodyComponent::OnRealProperty(unsigned index, double value) {
  RigidBody& b = body;
  switch (index) {
    case PosX: b.Accept(b.position.x, value, "pos x"); break;
    case PosY: b.Accept(b.position.y, value, "pos y"); break;
    case VelX: b.Accept(b.velocity.x, value, "vel x"); break;
    case VelY: b.Accept(b.velocity.y, value, "vel y"); break;
    case AccelX: b.Accept(b.acceleration.x, value, "accel x"); break;
    case AccelY: b.Accept(b.acceleration.y, value, "accel y"); break;
    // Below 0 every step would speed the body up without end, above 1 it
    // would reverse it, and the contact friction takes its square root.
    case Friction: b.Accept(b.friction, std::clamp(value, 0.0, 1.0), "friction"); break;
    case Direction: b.Accept(b.direction, value, "direction"); break;
    // Below 0 a push would pull: a body would pass through what it meets,
    // or throw both back.
    case Mass:
      if (refusal_.AcceptNotNegative("mass", value, "a negative mass", "the body keeps the mass it had")) {
        b.SetMass(value);
      }
      break;
    case RotationSpeed: b.Accept(b.angularVelocity, value, "rotationSpeed"); break;
    case ForceX: b.Accept(b.force.x, value, "force x"); break;
    case ForceY: b.Accept(b.force.y, value, "force y"); break;
    // A body without mass takes no impulse.
    case ImpulseX:
      if (b.mass != 0.0) b.Accept(b.velocity.x, value / b.mass, "impulse x");
      break;
    case ImpulseY:
      if (b.mass != 0.0) b.Accept(b.velocity.y, value / b.mass, "impulse y");
      break;
    default: break;
  }
  ReportRefusal();
}

void RigidBodyComponent::OnStringProperty(unsigned index, const char* value) {
  bool* flag = nullptr;
  switch (index) {
    case MovementTrue: flag = &body.movementEnabled; break;
    case RotationTrue: flag = &body.rotationEnabled; break;
    case ResolveTileMap: flag = &body.resolveTileMap; break;
    case ObjReflect: flag = &body.objectReflect; break;
    default: return;
  }
  const std::string_view text = value != nullptr ? value : "";
  if (text == "true") *flag = true;
  if (text == "false") *flag = false;
}

void RigidBodyComponent::Reflect(double nx, double ny) {
  const double lengthSquared = nx * nx + ny * ny;
  if (lengthSquared == 0.0) return;
  const double d = (body.velocity.x * nx + body.velocity.y * ny) / lengthSquared;
  body.Accept(body.velocity, {body.velocity.x - 2 * d * nx, body.velocity.y - 2 * d * ny}, "velocity");
  ReportRefusal();
}

void RigidBodyComponent::ReportRefusal() {
  if (body.FirstRefusal() != nullptr) refusal_.Refuse(body.FirstRefusal());
}

}  // namespace Orv
