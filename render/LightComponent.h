#pragma once
// Makes its object a point light: its intensity is the light's reach, and
// shadowcast lets it cast shadows.
#include <string_view>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"

namespace Orv {

class LightComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::LightComponent";

  enum Property : unsigned { Intensity, ShadowCast };

  void Setup() override;
  void Shutdown() override {}
  void OnAttach(GameObject* owner) override { refusal_.Attach(owner); }
  // Index 1 alone: shadowcast := value != 0.
  void OnIntProperty(unsigned index, int value) override;
  // Any index sets the intensity; a value that is not finite is ignored.
  void OnRealProperty(unsigned index, double value) override;

  double intensity = 1.0;
  bool shadowcast = false;
  // Kept for the scripts that toggle it; nothing draws by it.
  bool lightToggle = false;

 private:
  NotFiniteRefusal refusal_{"Light"};
};

}  // namespace Orv
