#pragma once
// The flocking parameters of an object.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class BoidComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::BoidComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
