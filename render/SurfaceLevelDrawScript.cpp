// The surface pass's script function.
#include "render/SurfaceLevelDraw.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void SurfaceLevelDraw::OnRegistered() { AddScriptRegistration(this, &SurfaceLevelDraw::RegisterScriptFunctions); }

void SurfaceLevelDraw::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("EnableSurfaceLighting", this, &SurfaceLevelDraw::EnableSurfaceLighting);
}

}  // namespace Orv
