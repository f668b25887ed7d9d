#pragma once
#include "core/BasicEntitySystem.h"

namespace Orv {

// The high draw pass of the level.
class HighLevelDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  // Only the render pass walks the entities.
  void Init(unsigned width, unsigned height) override { paused = true; }
  void Start() override {}

 protected:
  void UpdateEntity(EntityRecord& entity, float dt) override {}
};

}  // namespace Orv
