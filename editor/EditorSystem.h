#pragma once
#include "core/System.h"

namespace Orv {

// The in-game editor.
class EditorSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
