#pragma once
#include "core/System.h"

namespace Orv {

// Buttons, progress bars and labels for scripts.
class GUISystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
