#pragma once
#include "core/System.h"

namespace Orv {

// The lighting pass.
class LevelLightingSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
