#pragma once
#include "core/System.h"

namespace Orv {

// The stencil pass.
class GLStencilSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
