// The particle burst's script function, registered into every scripted object.
#include "render/BackParticleSystem.h"
#include "render/ParticleEmitter2DScript.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void BackParticleSystem::OnRegistered() { AddScriptRegistration(this, &BackParticleSystem::RegisterScriptFunctions); }

void BackParticleSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("CreateBackCircleTexParticles", this, &BackParticleSystem::CreateBackCircleTexParticles);
}

void BackParticleSystem::CreateBackCircleTexParticles(const char* texture, float chance, double threshold,
                                                      float lifetime, double speedFactor, int count,
                                                      OrvLua::LuaObject params) {
  CreateBurstFromScript(bursts_, "CreateBackCircleTexParticles", texture, chance, threshold, lifetime, speedFactor,
                        count, params);
}

}  // namespace Orv
