#pragma once
#include "core/System.h"

namespace Orv {

// The camera, and each object's screen position.
class CameraSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
