#pragma once
#include "core/System.h"

namespace Orv {

// Sound for scripts: the play queue, volumes, pause and mute.
class AudioSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
};

}  // namespace Orv
