// The base pass's script function.
#include "render/BaseLevelDraw.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void BaseLevelDraw::OnRegistered() { AddScriptRegistration(this, &BaseLevelDraw::RegisterScriptFunctions); }

void BaseLevelDraw::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("EnableBaseLighting", this, &BaseLevelDraw::EnableBaseLighting);
}

}  // namespace Orv
