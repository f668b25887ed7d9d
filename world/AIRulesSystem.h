#pragma once
#include "core/System.h"

namespace Orv {

// Holds the place of the game's rules; it has no behaviour of its own.
class AIRulesSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
