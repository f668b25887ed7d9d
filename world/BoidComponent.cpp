#include "world/BoidComponent.h"

#include <cmath>
#include <string>

#include "core/GameObject.h"
#include "core/Report.h"
#include "world/Collider.h"

namespace Orv {

void BoidComponent::Setup() {
  propertyNames["groupID"] = GroupID;
  propertyNames["radius"] = Radius;
  propertyNames["angle"] = Angle;
  propertyNames["posX"] = PosX;
  propertyNames["posY"] = PosY;
  vectorB = {1, 0};
  vectorC = {1, 0};
}

void BoidComponent::OnAttach(GameObject* owner) {
  owner_ = owner;
  ReportRefusal();
}

void BoidComponent::OnIntProperty(unsigned index, int value) {
  if (index == GroupID) groupID = value;
}

void BoidComponent::OnRealProperty(unsigned index, double value) {
  switch (index) {
    case Radius:
      if (!Refused("radius", static_cast<float>(value))) radius = static_cast<float>(value);
      break;
    case Angle: {
      // Single precision throughout, as the heading has always been made.
      const float radians = static_cast<float>(static_cast<float>(value) * kDegreesToRadians);
      if (!Refused("angle", radians)) vectorA = {std::cos(radians), std::sin(radians)};
      break;
    }
    case PosX:
      if (!Refused("posX", value)) vectorA.x = value;
      break;
    case PosY:
      if (!Refused("posY", value)) vectorA.y = value;
      break;
    default: break;
  }
}

bool BoidComponent::Refused(const char* parameter, double value) {
  if (std::isfinite(value)) return false;
  if (firstRefusal_ == nullptr) firstRefusal_ = parameter;
  ReportRefusal();
  return true;
}

void BoidComponent::ReportRefusal() {
  if (refusalReported_ || owner_ == nullptr || firstRefusal_ == nullptr) return;
  refusalReported_ = true;
  PrintErrorLine("Boid of object " + std::to_string(owner_->GetID()) + " (unique id " +
                 std::to_string(owner_->GetUniqueId()) + "): \"" + firstRefusal_ +
                 "\" is not a finite number; ignored");
}

}  // namespace Orv
