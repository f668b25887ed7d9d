#include "render/LightComponent.h"

#include <cmath>

namespace Orv {

void LightComponent::Setup() {
  propertyNames["intensity"] = Intensity;
  propertyNames["shadowcast"] = ShadowCast;
}

void LightComponent::OnIntProperty(unsigned index, int value) {
  if (index == ShadowCast) shadowcast = value != 0;
}

void LightComponent::OnRealProperty(unsigned /*index*/, double value) {
  if (std::isfinite(value)) {
    intensity = value;
    return;
  }
  refusal_.Refuse("intensity");
}

}  // namespace Orv
