#pragma once
#include "core/System.h"

namespace Orv {

// The shadow pass of the level.
class LevelShadowDraw : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
