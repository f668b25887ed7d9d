// The base pass's script function.
#include "render/BaseLevelDraw.h"
#include "script/ScriptComponent.h"

namespace Orv {

void BaseLevelDraw::RegisterScriptFunctions(ScriptComponent& script) {
  script.RegisterDirect("EnableBaseLighting", this, &BaseLevelDraw::EnableBaseLighting);
}

}  // namespace Orv
