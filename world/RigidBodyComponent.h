#pragma once
// A body that moves under velocities, forces and impulses.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class RigidBodyComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::RigidBodyComponent";

  void Setup() override {}
  void Shutdown() override {}
};

}  // namespace Orv
