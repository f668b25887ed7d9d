#pragma once
#include <list>

#include "core/BasicEntitySystem.h"

namespace Orv {

class ScriptComponent;

// The surface draw pass of the level. Around its objects it closes the scene
// frame buffer, composes it (lit when lighting is on) into frame buffer 2,
// and at the end puts frame buffer 2 onto the window. Its objects are the
// layer-1 sprites and the draw-level-1 renderables without a sprite; an
// occluder is lit by the lights near it while both its lighting and the
// game's are on, and drawn as any sprite otherwise.
class SurfaceLevelDraw : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override;
  // Only the render pass walks the entities.
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

  // Script function "EnableSurfaceLighting".
  void EnableSurfaceLighting(bool on) { lightingEnabled_ = on; }
  bool IsLightingEnabled() const { return lightingEnabled_; }

 protected:
  void RenderEntity(EntityRecord& entity) override;
  void BeginRender() override;
  void EndRender() override;
  bool AcceptEntity(ObjectLockPtr<GameObject>& object) override;
  void OnUpdate(float dt) override;
  void OnRender() override;
  void OnGameObjectOffered(ObjectLockPtr<GameObject> object) override;
  void OnEntitiesMerged(std::vector<EntityRecord>& merged) override;

 private:
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  void PlainDraw(const ObjectLockPtr<GameObject>& object);
  void LitDraw(const ObjectLockPtr<GameObject>& object);

  bool lightingEnabled_ = true;
  std::list<ObjectLockPtr<GameObject>> lights_;
};

}  // namespace Orv
