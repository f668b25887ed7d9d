#pragma once
#include "core/System.h"

namespace Orv {

// Particles drawn behind the level's objects.
class BackParticleSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
