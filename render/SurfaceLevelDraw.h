#pragma once
#include "core/BasicEntitySystem.h"

namespace Orv {

// The surface draw pass of the level. Around its objects it closes the scene
// frame buffer, composes it (lit when lighting is on) into frame buffer 2,
// and at the end puts frame buffer 2 onto the window.
class SurfaceLevelDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  // Only the render pass walks the entities.
  void Init(unsigned width, unsigned height) override { paused = true; }
  void Start() override {}

 protected:
  void UpdateEntity(EntityRecord& entity, float dt) override {}
  void BeginRender() override;
  void EndRender() override;
};

}  // namespace Orv
