// The lighting system's script function, registered into every scripted object.
#include "render/LevelLightingSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void LevelLightingSystem::OnRegistered() { AddScriptRegistration(this, &LevelLightingSystem::RegisterScriptFunctions); }

void LevelLightingSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("SetShadowSize", this, &LevelLightingSystem::SetShadowSize);
}

}  // namespace Orv
