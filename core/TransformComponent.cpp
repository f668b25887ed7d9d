#include "core/TransformComponent.h"

#include <cmath>

#include "core/GameObject.h"
#include "core/Report.h"
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
    if (refused_.empty()) {
      for (const auto& [name, named] : propertyNames) {
        if (named == index) refused_ = name;
      }
    }
    ReportRefused();
    return;
  }
  *field = narrowed;
  // The camera recomputes the screen position from the world one every frame,
  // so a position given as data is where the object stands in the world. An
  // object with a collider has its world position from the collider instead.
  if (index == PosX) worldX = posX;
  if (index == PosY) worldY = posY;
}

void TransformComponent::OnAttach(GameObject* owner) {
  owner_ = owner;
  if (!refused_.empty()) ReportRefused();
}

void TransformComponent::ReportRefused() {
  if (refusalReported_ || owner_ == nullptr) return;
  refusalReported_ = true;
  PrintErrorLine("Transform of object " + std::to_string(owner_->GetID()) + " (unique id " +
                 std::to_string(owner_->GetUniqueId()) + "): \"" + refused_ +
                 "\" is not a finite number; the transform keeps its value");
}

void TransformComponent::AddToTweakBar(TwBar* bar) {
  if (bar == nullptr) return;
  TwAddVarRW(bar, "scaleX", TW_TYPE_FLOAT, &scaleX, kTweakGroup);
  TwAddVarRW(bar, "scaleY", TW_TYPE_FLOAT, &scaleY, kTweakGroup);
  TwAddVarRW(bar, "rotate", TW_TYPE_FLOAT, &rotdeg, kTweakGroup);
}

}  // namespace Orv
