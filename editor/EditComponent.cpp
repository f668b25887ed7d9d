#include "editor/EditComponent.h"

#include <cmath>

#include "core/GameObject.h"
#include "core/Report.h"

namespace Orv {

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

void EditComponent::OnAttach(GameObject* owner) {
  owner_ = owner;
  if (refusedIndex_ >= 0) ReportRefused();
}

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
    Refuse(index);
    return;
  }
  *field = narrowed;
}

void EditComponent::Refuse(unsigned index) {
  if (refusedIndex_ < 0) refusedIndex_ = static_cast<int>(index);
  if (owner_ != nullptr) ReportRefused();
}

void EditComponent::ReportRefused() {
  if (refusalReported_ || owner_ == nullptr) return;
  refusalReported_ = true;
  PrintErrorLine("Editable of object " + std::to_string(owner_->GetID()) + " (unique id " +
                 std::to_string(owner_->GetUniqueId()) + "): parameter " + std::to_string(refusedIndex_) +
                 " is not a finite number; it keeps its value");
}

}  // namespace Orv
