#pragma once
#include "core/System.h"

namespace Orv {

// Tile maps for scripts: loading, editing, ray casts and paths.
class TilemapSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
