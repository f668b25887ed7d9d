#pragma once
#include "core/BasicEntitySystem.h"

namespace Orv {

// The overlay pass: objects whose renderable draw level is 2 or more draw
// through their script's Render alone, late in the frame.
class OverlayDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  // Only the render pass walks the entities.
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

 protected:
  void RenderEntity(EntityRecord& entity) override;
  void BeginRender() override;
  void EndRender() override;
  bool AcceptEntity(ObjectLockPtr<GameObject>& object) override;
};

}  // namespace Orv
