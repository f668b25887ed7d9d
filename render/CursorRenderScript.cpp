// The cursor's script functions, registered into every scripted object.
#include "core/GameObject.h"
#include "render/CursorRender.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"

namespace Orv {

void CursorRender::OnGameObjectAdded(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!locked || !locked->IsAlive()) return;
  auto script = locked->GetComponent<ScriptComponent>().Lock();
  if (!script) return;
  script->RegisterDirect("SetCursorImage", this, &CursorRender::SetCursorImage);
  script->RegisterDirect("SetCursorImagePressed", this, &CursorRender::SetCursorImagePressed);
}

void CursorRender::SetCursorImage(const char* frameId) { cursor_ = ResourceManager::GetInstance().GetSprite(frameId); }

void CursorRender::SetCursorImagePressed(const char* frameId) {
  cursorPressed_ = ResourceManager::GetInstance().GetSprite(frameId);
}

}  // namespace Orv
