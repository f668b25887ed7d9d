#pragma once
// Red outlines of every collider over the game, drawn straight onto the
// screen while the console is on.
#include "core/BasicEntitySystem.h"

namespace Orv {

class DebugDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  // Only the render pass walks the entities.
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

 protected:
  void RenderEntity(EntityRecord& entity) override;
};

}  // namespace Orv
