#pragma once
#include "core/System.h"

namespace Orv {

// Clears and sets up each frame; sprites and text for scripts.
class GLRenderSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
