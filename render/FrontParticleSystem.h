#pragma once
// Particles drawn over the level and the debug outlines, under the GUI.
#include "LuaObject.h"
#include "core/System.h"
#include "render/TextureParticleEmitter2D.h"

namespace Orv {

class ScriptComponent;

class FrontParticleSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void OnRegistered() override;
  void Update(float dt) override;
  void Render() override;
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  // Script function: one burst of particles of that sprite frame.
  void CreateFrontCircleTexParticles(const char* texture, float chance, double threshold, float lifetime,
                                     double speedFactor, int count, OrvLua::LuaObject params);

  const ParticleBursts& Bursts() const { return bursts_; }

 private:
  ParticleBursts bursts_;
};

}  // namespace Orv
