#pragma once
#include "core/System.h"

namespace Orv {

// Keyboard and mouse state for scripts.
class KeyboardMouse : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
