#pragma once
#include "core/System.h"

namespace Orv {

// The high draw pass of the level.
class HighLevelDraw : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
