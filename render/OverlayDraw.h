#pragma once
#include "core/System.h"

namespace Orv {

// The overlay draw pass.
class OverlayDraw : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
