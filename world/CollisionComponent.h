#pragma once
// The object's collider and its contact records.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class CollisionComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::CollisionComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
