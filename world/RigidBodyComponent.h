#pragma once
// A body that moves under velocities, forces and impulses.
#include <string_view>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"
#include "world/RigidBody.h"

namespace Orv {

class RigidBodyComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::RigidBodyComponent";

  // Property indices: positional blueprint data lands in this order.
  enum Property : unsigned {
    PosX,
    PosY,
    VelX,
    VelY,
    AccelX,
    AccelY,
    Friction,
    Direction,
    Mass,
    RotationSpeed,
    MovementTrue,
    RotationTrue,
    ResolveTileMap,
    ForceX,
    ForceY,
    ImpulseX,
    ImpulseY,
    ObjReflect,
    PropertyCount
  };

  void Setup() override;
  void Shutdown() override {}
  void OnAttach(GameObject* owner) override;
  // Only reals: a whole number without a decimal point for "mass" is ignored.
  void OnRealProperty(unsigned index, double value) override;
  // Exactly "true" or "false"; other texts leave the flag.
  void OnStringProperty(unsigned index, const char* value) override;

  // Mirrors the velocity about the normal, which need not be of unit length.
  // A zero normal leaves it.
  void Reflect(double nx, double ny);
  // Says once, naming the object, that the body refused a value that was not
  // finite. The physics and collision passes call it after changing the body.
  void ReportRefusal();

  RigidBody body;

 private:
  NotFiniteRefusal refusal_{"Rigid body"};
};

}  // namespace Orv
