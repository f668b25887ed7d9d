#pragma once
#include "core/System.h"

namespace Orv {

// The base draw pass of the level.
class BaseLevelDraw : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
