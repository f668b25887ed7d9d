// The script engine's script functions, in their fixed order.
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void ScriptEngineSystem::OnRegistered() { AddScriptRegistration(this, &ScriptEngineSystem::RegisterScriptFunctions); }

void ScriptEngineSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  using Self = ScriptEngineSystem;
  script.RegisterDirect("Shutdown", this, &Self::RequestShutdown);
  script.RegisterDirect("ToggleFullscreen", this, &Self::ToggleFullscreen);
  script.RegisterDirect("ToggleGamePause", this, &Self::ToggleGamePause);
  script.RegisterDirect("PauseEngineActivate", this, &Self::PauseEngineActivate);
  script.RegisterDirect("PauseEngineDeactivate", this, &Self::PauseEngineDeactivate);
  script.RegisterDirect("IsGamePaused", this, &Self::IsGamePaused);
  script.RegisterDirect("HasGamePaused", this, &Self::HasGamePaused);
  script.RegisterDirect("GetWindowWidth", this, &Self::GetWindowWidth);
  script.RegisterDirect("GetWindowHeight", this, &Self::GetWindowHeight);
  script.RegisterNewFunctor<SetGameObjectID>("SetID", object);
  script.RegisterNewFunctor<GetGameObjectID>("GetID", object);
  script.RegisterNewFunctor<GetGameObjectUniqueID>("GetUniqueID", object);
  script.RegisterNewFunctor<GetAllArcheTypeInfoIndex>("GetArcheTypeInfoIndex", this, object);
  script.RegisterNewFunctor<GetAllArcheTypeInfoKey>("GetArcheTypeInfokey", this, object);
  script.RegisterDirect("__BREAK", this, &Self::Break);
  script.RegisterNewFunctor<RegisterMessageChannel>("SubMsgChannel", this, object);
  script.RegisterNewFunctor<DeregisterMessageChannel>("UnsubMsgChannel", this, object);
  script.RegisterNewFunctor<CheckIsRegisteredMessageChannel>("IsChannelSub", this, object);
  script.RegisterDirect("SendMsgToChannel", this, &Self::SendMsgToChannel);
  script.RegisterNewFunctor<BroadcastMessageToChildrenFunc>("SendMsgToChildren", object);
  script.RegisterNewFunctor<BroadcastMessageToGroupFunc>("SendMsgToGroup", object);
  script.RegisterNewFunctor<SubscribeEventGroupFunc>("SubscribeToEventGroup", this, object);
  script.RegisterNewFunctor<UnSubscribeEventGroupFunc>("UnsubscribeFromEventGroup", this, object);
  script.RegisterNewFunctor<GetEventGroupList>("GetEventGroupList", this, object);
  script.RegisterNewFunctor<GetGroupMemberList>("GetGroupMemberList", object);
  script.RegisterNewFunctor<GetGroupMemberCount>("GetGroupMemberCount", object);
  script.RegisterDirect("GetEventGroupCount", this, &Self::GetEventGroupCount);
  script.RegisterDirect("RemoveGameObjectUID", this, &Self::RemoveGameObjectUID);
  script.RegisterDirect("RemoveAllGameObjects", this, &Self::RemoveAllGameObjects);
  script.RegisterDirect("RemoveAllGameObjectsExcept", this, &Self::RemoveAllGameObjectsExcept);
  script.RegisterDirect("RemoveAllGameObjectsOfType", this, &Self::RemoveAllGameObjectsOfType);
  script.RegisterDirect("RemoveAllGameObjectsContainingComponent", this,
                        &Self::RemoveAllGameObjectsContainingComponent);
  script.RegisterDirect("RemoveAllGameObjectsExceptUID", this, &Self::RemoveAllGameObjectsExceptUID);
  script.RegisterNewFunctor<DeleteOBJSelf>("Kill", this, object);
  script.RegisterNewFunctor<DeleteOBJSelfTimed>("TimeKill", this, object);
}

}  // namespace Orv
