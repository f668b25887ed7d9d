// The shadow pass's script functions, registered into every scripted object.
#include "render/LevelShadowDraw.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void LevelShadowDraw::OnRegistered() { AddScriptRegistration(this, &LevelShadowDraw::RegisterScriptFunctions); }

void LevelShadowDraw::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("SetEnableTileHighlight", this, &LevelShadowDraw::SetEnableTileHighlight);
  script.RegisterDirect("SetHighlightTile", this, &LevelShadowDraw::SetHighlightTile);
  script.RegisterDirect("SetHighlightTileTexture", this, &LevelShadowDraw::SetHighlightTileTexture);
  script.RegisterDirect("SetEnableTilePreview", this, &LevelShadowDraw::SetEnableTilePreview);
}

}  // namespace Orv
