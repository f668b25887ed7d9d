#pragma once
#include "core/System.h"

namespace Orv {

// Collision tests and contact manifolds between collision components.
class CollisionEngine : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
