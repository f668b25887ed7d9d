#pragma once
// Draws an object that has no sprite, at its draw level.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class RenderableComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::RenderableComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
