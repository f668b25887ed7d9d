#pragma once
#include "core/System.h"

namespace Orv {

// Creates the objects of the spawn list when the engine starts.
class GOSummoner : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
