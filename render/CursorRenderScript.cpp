// The cursor's script functions, registered into every scripted object.
#include "render/CursorRender.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void CursorRender::OnRegistered() { AddScriptRegistration(this, &CursorRender::RegisterScriptFunctions); }

void CursorRender::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("SetCursorImage", this, &CursorRender::SetCursorImage);
  script.RegisterDirect("SetCursorImagePressed", this, &CursorRender::SetCursorImagePressed);
}

void CursorRender::SetCursorImage(const char* frameId) { cursor_ = ResourceManager::GetInstance().GetSprite(frameId); }

void CursorRender::SetCursorImagePressed(const char* frameId) {
  cursorPressed_ = ResourceManager::GetInstance().GetSprite(frameId);
}

}  // namespace Orv
