#pragma once
// Where an object is and how it is drawn: its position on screen and in the
// world, depth, scale and rotation.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>
#include <string_view>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"

namespace Orv {

// Transforms hold floats: a double beyond their range stands at its edge, and
// one that is not finite gives kept, the field's value as it was.
inline float ToFloat(double value, float kept) {
  if (!std::isfinite(value)) return kept;
  return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

class TransformComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::TransformComponent";

  // Property indices: positional blueprint data lands in this order.
  enum Property : unsigned { PosX, PosY, PosZ, ScaleX, ScaleY, RotDeg, RotVel, RotDir, PropertyCount };

  void Setup() override;
  void Shutdown() override {}
  // Adds "scaleX", "scaleY" and "rotate" as read-write floats.
  void AddToTweakBar(TwBar* bar) override;
  // Only reals reach the fields; integers and strings are stored, not applied.
  // A value that is not a finite number is refused, with one line the
  // first time, naming the object once it is attached.
  void OnRealProperty(unsigned index, double value) override;
  void OnAttach(GameObject* owner) override;
  // A carried object follows its parent's position.
  void OnMounted() override { followParent = true; }

  // In the world: set with the screen position by data (posX, posY), and
  // each frame from the collider for an object that has one.
  float worldX = 0.0f;
  float worldY = 0.0f;
  // On screen, in pixels; the camera recomputes it each frame from the world.
  float posX = 0.0f;
  float posY = 0.0f;
  float posZ = 0.0f;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
  float rotdeg = 0.0f;
  float rotvel = 0.0f;
  // A factor: 1 turns one way, -1 the other.
  float rotdir = 1.0f;
  // The camera's scale, copied by the camera every frame.
  float viewScale = 1.0f;
  bool followParent = false;
  bool followParentRotation = false;
  bool trailEnabled = false;
  // The body's velocity, copied in by the physics engine.
  double velocityX = 0.0;
  double velocityY = 0.0;

 private:
  float* Field(unsigned index);

  NotFiniteRefusal refusal_{"Transform"};
};

}  // namespace Orv
