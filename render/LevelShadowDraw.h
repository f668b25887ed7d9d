#pragma once
#include "core/BasicEntitySystem.h"

namespace Orv {

// The shadow pass of the level.
class LevelShadowDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  void Init(unsigned width, unsigned height) override {}
  void Start() override {}

 protected:
  void UpdateEntity(EntityRecord& entity, float dt) override {}
};

}  // namespace Orv
