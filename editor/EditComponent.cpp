#include "editor/EditComponent.h"

#include <cmath>

namespace Orv {

namespace {

// Its data is positional; these name the members that take a number.
const char* MemberName(unsigned index) {
  switch (index) {
    case EditComponent::X: return "x";
    case EditComponent::Y: return "y";
    case EditComponent::Width: return "width";
    case EditComponent::Height: return "height";
    case EditComponent::Radius: return "radius";
    default: return "rotation";
  }
}

}  // namespace

float* EditComponent::RealField(unsigned index) {
  switch (index) {
    case X: return &x;
    case Y: return &y;
    case Width: return &halfWidth;
    case Height: return &halfHeight;
    case Radius: return &radius;
    case Rotation: return &rotation;
    default: return nullptr;
  }
}

void EditComponent::OnAttach(GameObject* owner) { refusal_.Attach(owner); }

void EditComponent::OnIntProperty(unsigned index, int value) {
  switch (index) {
    case SavedId: savedId = value; break;
    case FromFile: fromFile = value; break;
    case Width: halfWidth = static_cast<float>(value / 2); break;
    case Height: halfHeight = static_cast<float>(value / 2); break;
    default:
      if (float* field = RealField(index)) *field = static_cast<float>(value);
      break;
  }
}

void EditComponent::OnStringProperty(unsigned index, const char* value) {
  const char* text = value != nullptr ? value : "";
  if (index == Name) name = text;
  if (index == Shape) shape = text;
}

void EditComponent::OnRealProperty(unsigned index, double value) {
  float* field = RealField(index);
  if (field == nullptr) return;
  const double kept = index == Width || index == Height ? value * 0.5 : value;
  // Beyond a float's range counts as not finite too: it would arrive as an infinity.
  const float narrowed = static_cast<float>(kept);
  if (!std::isfinite(narrowed)) {
    refusal_.Refuse(MemberName(index));
    return;
  }
  *field = narrowed;
}

}  // namespace Orv
