#include "script/ScriptRegistrar.h"

#include "core/GameObject.h"
#include "script/ScriptComponent.h"

namespace Orv {

std::shared_ptr<ScriptComponent> LiveScriptComponent(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!locked || !locked->IsAlive()) return nullptr;
  return locked->LockComponent<ScriptComponent>();
}

std::shared_ptr<ScriptComponent> ScriptToRegisterInto(const ObjectLockPtr<GameObject>& object) {
  std::shared_ptr<ScriptComponent> script = LiveScriptComponent(object);
  if (!script || script->GetState() == nullptr) return nullptr;
  return script;
}

void SetScriptConstants(ScriptComponent& script, std::span<const ScriptConstant> constants) {
  for (const ScriptConstant& constant : constants) script.SetGlobalInteger(constant.name, constant.value);
}

}  // namespace Orv
