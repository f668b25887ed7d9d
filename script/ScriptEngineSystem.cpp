#include "script/ScriptEngineSystem.h"

#include "core/App.h"
#include "core/Report.h"
#include "core/TypeKey.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void ScriptEngineSystem::Init(unsigned, unsigned) { requiredTypes.push_back(TypeKey<ScriptComponent>()); }

void ScriptEngineSystem::Pause() {
  scriptsPaused_ = true;
  hasPaused_ = true;
}

void ScriptEngineSystem::Resume() { scriptsPaused_ = false; }

// ---- The frame ------------------------------------------------------------

void ScriptEngineSystem::UpdateEntity(EntityRecord& entity, float dt) {
  // Once "Shutdown" has been called no script Update runs again; every
  // object walked asks the application to quit until the loop ends.
  if (shutdownRequested_) {
    owner_->Quit();
    return;
  }
  GameObject* object = entity.walked;
  if (!Lives(object)) return;
  // The walk holds the object, so its components stay: found, not locked.
  auto* component = object->FindComponent<ScriptComponent>();
  if (component == nullptr) return;
  if (!scriptsPaused_) {
    component->CallGlobalFunction("Update", dt);
    // Found again: nothing is kept across a script's call. Checked before
    // counting, so the flag comes one step after the time is reached, and at
    // once for a delay of 0 armed in this Update.
    component = object->FindComponent<ScriptComponent>();
    if (component != nullptr) {
      component->StepTimedKill(dt);
      component->SetCallPrefetch(entity);
    }
  }
  // Nothing kept for the script to read this frame (contact records) lives
  // past this point: the script has had its chance to read it.
  for (const auto& [key, component] : object->GetComponents()) {
    if (component) component->OnScriptUpdated();
  }
}

void ScriptEngineSystem::OnUpdate(float) {
  PruneEventGroups();
  for (auto& [name, channel] : channels_) channel.ReleaseGoneHandles();
}

void ScriptEngineSystem::OnLateUpdate(float) {
  while (!removalRequests_.empty()) {
    RemovalRequest request = std::move(removalRequests_.front());
    removalRequests_.pop_front();
    CarryOutRemoval(request);
  }
  CarryOutTimedKills();
  if (!scriptsPaused_) hasPaused_ = false;
  // "Shutdown" from the last object walked, or when no scripted object is
  // left to walk, would otherwise never reach the application.
  if (shutdownRequested_) owner_->Quit();
}

// ---- Engine control -------------------------------------------------------

void ScriptEngineSystem::RequestShutdown() { shutdownRequested_ = true; }
void ScriptEngineSystem::ToggleFullscreen() { owner_->ToggleFullscreen(); }
bool ScriptEngineSystem::ToggleGamePause() { return owner_->TogglePause(); }
bool ScriptEngineSystem::PauseEngineActivate() { return owner_->Pause(); }
bool ScriptEngineSystem::PauseEngineDeactivate() { return owner_->Resume(); }
bool ScriptEngineSystem::IsGamePaused() { return owner_->IsPaused(); }
bool ScriptEngineSystem::HasGamePaused() { return hasPaused_; }
unsigned ScriptEngineSystem::GetWindowWidth() { return owner_->GetWidth(); }
unsigned ScriptEngineSystem::GetWindowHeight() { return owner_->GetHeight(); }
void ScriptEngineSystem::Break(const char* text) { ShowMessage(text); }

// ---- Identity -------------------------------------------------------------

void ScriptEngineSystem::SetGameObjectID::operator()(int id) {
  if (!Lives(object_)) return;
  Orv::SetGameObjectID(object_, static_cast<std::uint32_t>(id));
}

int ScriptEngineSystem::GetGameObjectID::operator()() {
  if (!Lives(object_)) return 0;
  return static_cast<int>(Orv::GetGameObjectID(object_));
}

unsigned ScriptEngineSystem::GetGameObjectUniqueID::operator()() {
  if (!Lives(object_)) return 0;
  return Orv::GetGameObjectUniqueID(object_);
}

// ---- Archetypes -----------------------------------------------------------

OrvLua::LuaObject ScriptEngineSystem::ArcheTypeInfoIndex(const ObjectLockPtr<GameObject>& caller,
                                                         const char* componentName, int index) {
  auto component = LiveScriptComponent(caller);
  if (!component) return {};
  return ArcheTypeTable(*component, owner_->GetArcheTypeInfoByIndex(componentName, static_cast<unsigned>(index)));
}

OrvLua::LuaObject ScriptEngineSystem::ArcheTypeInfoKey(const ObjectLockPtr<GameObject>& caller,
                                                       const char* componentName, const char* key) {
  auto component = LiveScriptComponent(caller);
  if (!component) return {};
  return ArcheTypeTable(*component, owner_->GetArcheTypeInfoByKey(componentName, key));
}

// Keys from 0, as scripts have always read these tables.
OrvLua::LuaObject ScriptEngineSystem::ArcheTypeTable(ScriptComponent& caller, const std::vector<ArcheTypeInfo>& infos) {
  OrvLua::LuaObject result = caller.NewTable();
  int i = 0;
  for (const ArcheTypeInfo& info : infos) {
    OrvLua::LuaObject entry = caller.NewTable();
    entry.SetInteger("id", info.id);
    entry.SetInteger("sub_id", info.subId);
    entry.SetString("name", info.typeName.c_str());
    switch (info.value.type) {
      case DataInt: entry.SetInteger("data", info.value.intValue); break;
      case DataReal: entry.SetNumber("data", info.value.realValue); break;
      case DataString: entry.SetString("data", info.value.stringValue.c_str()); break;
      default: break;
    }
    result.SetObject(i++, entry);
  }
  return result;
}

OrvLua::LuaObject ScriptEngineSystem::GetAllArcheTypeInfoIndex::operator()(const char* componentName, int index) {
  return system_->ArcheTypeInfoIndex(object_, componentName, index);
}

OrvLua::LuaObject ScriptEngineSystem::GetAllArcheTypeInfoKey::operator()(const char* componentName, const char* key) {
  return system_->ArcheTypeInfoKey(object_, componentName, key);
}

// ---- Removal --------------------------------------------------------------

void ScriptEngineSystem::QueueRemoval(RemovalRequest request) { removalRequests_.push_back(std::move(request)); }

void ScriptEngineSystem::RemoveGameObjectUID(unsigned uniqueId) {
  QueueRemoval({.kind = RemovalRequest::ObjectByUniqueId, .uniqueId = uniqueId});
}

void ScriptEngineSystem::RemoveAllGameObjects() { QueueRemoval({.kind = RemovalRequest::AllObjects}); }

void ScriptEngineSystem::RemoveAllGameObjectsExcept(int id) {
  QueueRemoval({.kind = RemovalRequest::ObjectsExceptId, .id = id});
}

void ScriptEngineSystem::RemoveAllGameObjectsOfType(int id) {
  QueueRemoval({.kind = RemovalRequest::ObjectsWithId, .id = id});
}

void ScriptEngineSystem::RemoveAllGameObjectsContainingComponent(const char* componentName) {
  QueueRemoval({.kind = RemovalRequest::ObjectsWithComponent, .componentName = componentName});
}

void ScriptEngineSystem::RemoveAllGameObjectsExceptUID(unsigned uniqueId) {
  QueueRemoval({.kind = RemovalRequest::ObjectsExceptUniqueId, .uniqueId = uniqueId});
}

void ScriptEngineSystem::Kill(const ObjectLockPtr<GameObject>& caller) {
  auto component = LiveScriptComponent(caller);
  if (!component) return;
  component->RequestKill();
  QueueRemoval({.kind = RemovalRequest::KillObject, .target = EntityRecord(caller)});
}

void ScriptEngineSystem::TimeKill(const ObjectLockPtr<GameObject>& caller, float seconds) {
  auto component = LiveScriptComponent(caller);
  if (!component) return;
  // A countdown already running goes on: the first delay wins.
  component->ArmTimedKill(seconds);
  timedKills_.emplace_back(caller);
}

void ScriptEngineSystem::DeleteOBJSelf::operator()() { system_->Kill(object_); }
void ScriptEngineSystem::DeleteOBJSelfTimed::operator()(float seconds) { system_->TimeKill(object_, seconds); }

void ScriptEngineSystem::CarryOutRemoval(const RemovalRequest& request) {
  switch (request.kind) {
    case RemovalRequest::KillObject: owner_->DestroyObject(request.target.object); break;
    case RemovalRequest::AllObjects: owner_->DestroyAllObjects(); break;
    case RemovalRequest::ObjectByUniqueId: owner_->DestroyObjectByUniqueId(request.uniqueId); break;
    case RemovalRequest::ObjectsWithId: owner_->DestroyObjectsWithId(static_cast<unsigned>(request.id)); break;
    case RemovalRequest::ObjectsExceptUniqueId: owner_->DestroyObjectsExceptUniqueId(request.uniqueId); break;
    case RemovalRequest::ObjectsExceptId: owner_->DestroyObjectsExceptId(static_cast<unsigned>(request.id)); break;
    case RemovalRequest::ObjectsWithComponent:
      owner_->DestroyObjectsWithComponent(request.componentName.c_str());
      break;
    default: break;
  }
}

void ScriptEngineSystem::CarryOutTimedKills() {
  for (std::size_t i = 0; i < timedKills_.size();) {
    const ObjectLockPtr<GameObject>& object = timedKills_[i].object;
    auto component = LiveScriptComponent(timedKills_[i].object);
    if (!component) {
      timedKills_.erase(timedKills_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (component->IsKillRequested()) {
      owner_->DestroyObject(object);
      timedKills_.erase(timedKills_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
}

}  // namespace Orv
