#pragma once
#include "core/System.h"

namespace Orv {

// Draws the tile map layers.
class LevelRenderer : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
