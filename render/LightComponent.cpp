#include "render/LightComponent.h"

#include <cmath>
#include <string>

#include "core/GameObject.h"
#include "core/Report.h"

namespace Orv {

void LightComponent::Setup() {
  propertyNames["intensity"] = Intensity;
  propertyNames["shadowcast"] = ShadowCast;
}

void LightComponent::OnIntProperty(unsigned index, int value) {
  if (index == ShadowCast) shadowcast = value != 0;
}

void LightComponent::OnRealProperty(unsigned index, double value) {
  if (std::isfinite(value)) {
    intensity = value;
    return;
  }
  ReportNotFiniteOnce(reportedNotFinite_, "Light", owner_, "an intensity that is not a finite number is ignored");
}

}  // namespace Orv
