#pragma once
#include "core/System.h"

namespace Orv {

// Collider outlines for debugging.
class DebugDraw : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
