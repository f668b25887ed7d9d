#pragma once
// A stencil shape drawn with the object.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class StencilComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::StencilComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
