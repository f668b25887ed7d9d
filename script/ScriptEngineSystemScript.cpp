// The script engine's script functions, in their fixed order.
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void ScriptEngineSystem::OnRegistered() { AddScriptRegistration(this, &ScriptEngineSystem::RegisterScriptFunctions); }

void ScriptEngineSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  using Self = ScriptEngineSystem;
  const EntityRecord entity(object);
  script.RegisterDirect("Shutdown", this, &Self::RequestShutdown);
  script.RegisterDirect("ToggleFullscreen", this, &Self::ToggleFullscreen);
  script.RegisterDirect("ToggleGamePause", this, &Self::ToggleGamePause);
  script.RegisterDirect("PauseEngineActivate", this, &Self::PauseEngineActivate);
  script.RegisterDirect("PauseEngineDeactivate", this, &Self::PauseEngineDeactivate);
  script.RegisterDirect("IsGamePaused", this, &Self::IsGamePaused);
  script.RegisterDirect("HasGamePaused", this, &Self::HasGamePaused);
  script.RegisterDirect("GetWindowWidth", this, &Self::GetWindowWidth);
  script.RegisterDirect("GetWindowHeight", this, &Self::GetWindowHeight);
  script.RegisterNewFunctor<SetGameObjectID>("SetID", entity);
  script.RegisterNewFunctor<GetGameObjectID>("GetID", entity);
  script.RegisterNewFunctor<GetGameObjectUniqueID>("GetUniqueID", entity);
  script.RegisterNewFunctor<GetAllArcheTypeInfoIndex>("GetArcheTypeInfoIndex", this, entity);
  script.RegisterNewFunctor<GetAllArcheTypeInfoKey>("GetArcheTypeInfokey", this, entity);
  script.RegisterDirect("__BREAK", this, &Self::Break);
  script.RegisterNewFunctor<RegisterMessageChannel>("SubMsgChannel", this, entity);
  script.RegisterNewFunctor<DeregisterMessageChannel>("UnsubMsgChannel", this, entity);
  script.RegisterNewFunctor<CheckIsRegisteredMessageChannel>("IsChannelSub", this, entity);
  script.RegisterDirect("SendMsgToChannel", this, &Self::SendMsgToChannel);
  script.RegisterNewFunctor<BroadcastMessageToChildrenFunc>("SendMsgToChildren", entity);
  script.RegisterNewFunctor<BroadcastMessageToGroupFunc>("SendMsgToGroup", entity);
  script.RegisterNewFunctor<SubscribeEventGroupFunc>("SubscribeToEventGroup", this, entity);
  script.RegisterNewFunctor<UnSubscribeEventGroupFunc>("UnsubscribeFromEventGroup", this, entity);
  script.RegisterNewFunctor<GetEventGroupList>("GetEventGroupList", this, entity);
  script.RegisterNewFunctor<GetGroupMemberList>("GetGroupMemberList", entity);
  script.RegisterNewFunctor<GetGroupMemberCount>("GetGroupMemberCount", entity);
  script.RegisterDirect("GetEventGroupCount", this, &Self::GetEventGroupCount);
  script.RegisterDirect("RemoveGameObjectUID", this, &Self::RemoveGameObjectUID);
  script.RegisterDirect("RemoveAllGameObjects", this, &Self::RemoveAllGameObjects);
  script.RegisterDirect("RemoveAllGameObjectsExcept", this, &Self::RemoveAllGameObjectsExcept);
  script.RegisterDirect("RemoveAllGameObjectsOfType", this, &Self::RemoveAllGameObjectsOfType);
  script.RegisterDirect("RemoveAllGameObjectsContainingComponent", this,
                        &Self::RemoveAllGameObjectsContainingComponent);
  script.RegisterDirect("RemoveAllGameObjectsExceptUID", this, &Self::RemoveAllGameObjectsExceptUID);
  script.RegisterNewFunctor<DeleteOBJSelf>("Kill", this, entity);
  script.RegisterNewFunctor<DeleteOBJSelfTimed>("TimeKill", this, entity);
}

}  // namespace Orv
