#pragma once
#include "core/System.h"

namespace Orv {

// Draws the mouse cursor on top of everything.
class CursorRender : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
