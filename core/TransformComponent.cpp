#include "core/TransformComponent.h"

#include <cmath>

#include "platform/TweakBar.h"

namespace Orv {

namespace {
constexpr const char* kTweakGroup = " group=transform ";
}  // namespace

void TransformComponent::Setup() {
  propertyNames["posX"] = PosX;
  propertyNames["posY"] = PosY;
  propertyNames["posZ"] = PosZ;
  propertyNames["scaleX"] = ScaleX;
  propertyNames["scaleY"] = ScaleY;
  propertyNames["rotdeg"] = RotDeg;
  propertyNames["rotvel"] = RotVel;
  propertyNames["rotdir"] = RotDir;
  posX = posY = posZ = 0.0f;
  scaleX = scaleY = 1.0f;
}

float* TransformComponent::Field(unsigned index) {
  switch (index) {
    case PosX: return &posX;
    case PosY: return &posY;
    case PosZ: return &posZ;
    case ScaleX: return &scaleX;
    case ScaleY: return &scaleY;
    case RotDeg: return &rotdeg;
    case RotVel: return &rotvel;
    case RotDir: return &rotdir;
    default: return nullptr;
  }
}

void TransformComponent::OnRealProperty(unsigned index, double value) {
  float* field = Field(index);
  if (field == nullptr) return;
  const auto narrowed = static_cast<float>(value);
  if (!std::isfinite(narrowed)) {
    for (const auto& [name, named] : propertyNames) {
      if (named == index) refusal_.Refuse(name);
    }
    return;
  }
  *field = narrowed;
  // The camera recomputes the screen position from the world one every frame,
  // so a position given as data is where the object stands in the world. An
  // object with a collider has its world position from the collider instead.
  if (index == PosX) worldX = posX;
  if (index == PosY) worldY = posY;
}

void TransformComponent::OnAttach(GameObject* owner) { refusal_.Attach(owner); }

void TransformComponent::AddToTweakBar(TwBar* bar) {
  if (bar == nullptr) return;
  TwAddVarRW(bar, "scaleX", TW_TYPE_FLOAT, &scaleX, kTweakGroup);
  TwAddVarRW(bar, "scaleY", TW_TYPE_FLOAT, &scaleY, kTweakGroup);
  TwAddVarRW(bar, "rotate", TW_TYPE_FLOAT, &rotdeg, kTweakGroup);
}

}  // namespace Orv
