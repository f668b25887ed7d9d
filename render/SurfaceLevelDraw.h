#pragma once
#include "core/System.h"

namespace Orv {

// The surface draw pass of the level.
class SurfaceLevelDraw : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
