#pragma once
// The object's sprite and its animation.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class SpriteAnimComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::SpriteAnimComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
