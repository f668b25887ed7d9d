// The script functions of object creation and script groups, and the
// functors made for each scripted object.
#include <memory>
#include <string>

#include "core/TransformComponent.h"
#include "script/ScriptBegin.h"
#include "script/ScriptBeginScript.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {

// The calling object when it may write the group's variables: scripted and
// leading its group.
std::shared_ptr<GameObject> ScriptedLeader(std::shared_ptr<GameObject> object) {
  if (!object || !object->IsGroupLeader() || !object->LockComponent<ScriptComponent>()) return nullptr;
  return object;
}

}  // namespace

void ScriptBegin::OnRegistered() { AddScriptRegistration(this, &ScriptBegin::RegisterScriptFunctions); }

void ScriptBegin::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  script.RegisterDirect("CreateGameObject", this, &ScriptBegin::CreateGameObject);
  script.RegisterDirect("CreateInactiveGameObject", this, &ScriptBegin::CreateInactiveGameObject);
  script.RegisterDirect("CreateDelayedGameObject", this, &ScriptBegin::CreateDelayedGameObject);
  script.RegisterDirect("CreateDelayedInactiveGameObject", this, &ScriptBegin::CreateDelayedInactiveGameObject);
  script.RegisterDirect("ResetParamStack", this, &ScriptBegin::ResetParamStack);
  script.RegisterNewFunctor<CreateChildGameObject>("CreateChildGameObject", this, object);
  script.RegisterNewFunctor<CreateMountedChildGameObject>("CreateMountedChildGameObject", this, object);
  script.RegisterDirect("PushStringParamKey", this, &ScriptBegin::PushStringParamKey);
  script.RegisterDirect("PushIntParamKey", this, &ScriptBegin::PushIntParamKey);
  script.RegisterDirect("PushRealParamKey", this, &ScriptBegin::PushRealParamKey);
  script.RegisterDirect("PushStringParamIndex", this, &ScriptBegin::PushStringParamIndex);
  script.RegisterDirect("PushIntParamIndex", this, &ScriptBegin::PushIntParamIndex);
  script.RegisterDirect("PushRealParamIndex", this, &ScriptBegin::PushRealParamIndex);
  script.RegisterDirect("SetEnableGrouping", this, &ScriptBegin::SetEnableGrouping);
  script.RegisterNewFunctor<IsGroupLeaderFunc>("IsGroupLeader", object);
  script.RegisterNewFunctor<GetGroupAverageWorldPosFunc>("GetGroupAvgPos", object);
  script.RegisterNewFunctor<SetGroupVarRealFunc>("SetGroupVarReal", object);
  script.RegisterNewFunctor<SetGroupVarStringFunc>("SetGroupVarString", object);
  script.RegisterNewFunctor<SetGroupVarIntFunc>("SetGroupVarInteger", object);
  script.RegisterNewFunctor<GetGroupVarFunc>("GetGroupVar", object);
}

unsigned ScriptBegin::CreateChildGameObject::operator()(const char* typeName, int id) {
  if (!LiveObject()) return 0;
  return system_->CreateChild(typeName, id, object_);
}

unsigned ScriptBegin::CreateMountedChildGameObject::operator()(const char* typeName, int id) {
  if (!LiveObject()) return 0;
  return system_->CreateMountedChild(typeName, id, object_);
}

bool ScriptBegin::IsGroupLeaderFunc::operator()() {
  auto object = LiveObject();
  return object && object->IsGroupLeader();
}

OrvLua::LuaObject ScriptBegin::GetGroupAverageWorldPosFunc::operator()() {
  auto object = LiveObject();
  auto script = object ? object->LockComponent<ScriptComponent>() : nullptr;
  if (!script) return {};
  OrvLua::LuaObject table = script->NewTable();
  float sumX = 0.0f;
  float sumY = 0.0f;
  unsigned count = 0;
  for (const ObjectLockPtr<GameObject>& handle : object->GetGroupMembers()) {
    auto member = handle.Lock();
    if (!Lives(member)) continue;
    auto transform = member->LockComponent<TransformComponent>();
    if (!transform) continue;
    sumX += transform->worldX;
    sumY += transform->worldY;
    ++count;
  }
  float x = 0.0f;
  float y = 0.0f;
  if (count > 0) {
    const float share = 1.0f / static_cast<float>(count);
    x = share * sumX;
    y = share * sumY;
  }
  table.SetNumber("x", x);
  table.SetNumber("y", y);
  return table;
}

// Group variables live on the leader; only the leader writes them.
void ScriptBegin::SetGroupVarRealFunc::operator()(const char* key, double value) {
  if (auto leader = ScriptedLeader(LiveObject())) leader->SetGroupVar(key, value);
}

void ScriptBegin::SetGroupVarStringFunc::operator()(const char* key, const char* value) {
  if (auto leader = ScriptedLeader(LiveObject())) leader->SetGroupVar(key, std::string(value));
}

void ScriptBegin::SetGroupVarIntFunc::operator()(const char* key, int value) {
  if (auto leader = ScriptedLeader(LiveObject())) leader->SetGroupVar(key, value);
}

OrvLua::LuaObject ScriptBegin::GetGroupVarFunc::operator()(const char* key) {
  auto object = LiveObject();
  auto script = object ? object->LockComponent<ScriptComponent>() : nullptr;
  if (!script) return {};
  // The object's own variables are never read: a leader asks its members.
  for (const ObjectLockPtr<GameObject>& handle : object->GetGroupMembers()) {
    auto member = handle.Lock();
    if (!Lives(member) || !member->IsGroupLeader()) continue;
    const auto& variables = member->GetGroupVariables();
    auto found = variables.find(key);
    if (found == variables.end()) continue;
    const DataBun& value = found->second;
    switch (value.type) {
      case DataInt: return script->MakeInteger(value.intValue);
      case DataReal: return script->MakeNumber(value.realValue);
      case DataString: return script->MakeString(value.stringValue.c_str());
      default: break;
    }
  }
  return script->MakeNil();
}

}  // namespace Orv
