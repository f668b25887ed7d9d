// The particle burst's script function, registered into every scripted object.
#include "render/FrontParticleSystem.h"
#include "render/ParticleEmitter2DScript.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void FrontParticleSystem::OnRegistered() { AddScriptRegistration(this, &FrontParticleSystem::RegisterScriptFunctions); }

void FrontParticleSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("CreateFrontCircleTexParticles", this, &FrontParticleSystem::CreateFrontCircleTexParticles);
}

void FrontParticleSystem::CreateFrontCircleTexParticles(const char* texture, float chance, double threshold,
                                                        float lifetime, double speedFactor, int count,
                                                        OrvLua::LuaObject params) {
  CreateBurstFromScript(bursts_, "CreateFrontCircleTexParticles", texture, chance, threshold, lifetime, speedFactor,
                        count, params);
}

}  // namespace Orv
