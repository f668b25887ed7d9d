#pragma once
#include "core/System.h"

namespace Orv {

// Screen transitions.
class TransitionEventSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
