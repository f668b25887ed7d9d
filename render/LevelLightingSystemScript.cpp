// The lighting system's script function, registered into every scripted object.
#include "render/LevelLightingSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void LevelLightingSystem::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  if (auto script = ScriptToRegisterInto(object)) RegisterScriptFunctions(*script);
}

void LevelLightingSystem::RegisterScriptFunctions(ScriptComponent& script) {
  script.RegisterDirect("SetShadowSize", this, &LevelLightingSystem::SetShadowSize);
}

}  // namespace Orv
