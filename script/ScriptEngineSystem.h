#pragma once
#include "core/System.h"

namespace Orv {

// Calls each script's Update; identity, messages and removal for scripts.
class ScriptEngineSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
