// The surface pass's script function.
#include "render/SurfaceLevelDraw.h"
#include "script/ScriptComponent.h"

namespace Orv {

void SurfaceLevelDraw::RegisterScriptFunctions(ScriptComponent& script) {
  script.RegisterDirect("EnableSurfaceLighting", this, &SurfaceLevelDraw::EnableSurfaceLighting);
}

}  // namespace Orv
