#pragma once
#include "core/System.h"

namespace Orv {

// Particles drawn in front of the level's objects.
class FrontParticleSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
