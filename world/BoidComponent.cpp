#include "world/BoidComponent.h"

#include <cmath>

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

void BoidComponent::OnAttach(GameObject* owner) { refusal_.Attach(owner); }

void BoidComponent::OnIntProperty(unsigned index, int value) {
  if (index == GroupID) groupID = value;
}

void BoidComponent::OnRealProperty(unsigned index, double value) {
  switch (index) {
    case Radius:
      if (refusal_.Accept("radius", static_cast<float>(value))) radius = static_cast<float>(value);
      break;
    case Angle: {
      // Single precision throughout, as the heading has always been made.
      const float radians = static_cast<float>(static_cast<float>(value) * kDegreesToRadians);
      if (refusal_.Accept("angle", radians)) vectorA = {std::cos(radians), std::sin(radians)};
      break;
    }
    case PosX:
      if (refusal_.Accept("posX", value)) vectorA.x = value;
      break;
    case PosY:
      if (refusal_.Accept("posY", value)) vectorA.y = value;
      break;
    default: break;
  }
}

}  // namespace Orv
