#pragma once
#include "core/System.h"

namespace Orv {

// Starts each new object's script; creation from scripts and groups.
class ScriptBegin : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
