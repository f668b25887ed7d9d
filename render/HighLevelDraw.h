#pragma once
#include "core/BasicEntitySystem.h"

namespace Orv {

// The high draw pass: sprites of layer 2 and above (and negative layers)
// straight onto the window, each followed by its script's Render.
class HighLevelDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override {}
  // Only the render pass walks the entities.
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

 protected:
  void RenderEntity(EntityRecord& entity) override;
  bool AcceptEntity(ObjectLockPtr<GameObject>& object) override;
  void OnEntitiesMerged(std::vector<EntityRecord>& merged) override;
};

}  // namespace Orv
