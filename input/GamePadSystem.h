#pragma once
#include "core/System.h"

namespace Orv {

// Reads the four gamepads for scripts.
class GamePadSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
