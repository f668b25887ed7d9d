#pragma once
// A point light carried by the object.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class LightComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::LightComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
