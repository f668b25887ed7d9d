#pragma once
#include "core/System.h"

namespace Orv {

// Trails drawn behind objects.
class BackTrailSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
