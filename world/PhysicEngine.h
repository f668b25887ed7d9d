#pragma once
#include "core/System.h"

namespace Orv {

// Integrates the rigid bodies.
class PhysicEngine : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
