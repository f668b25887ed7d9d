// The script component's own script functions: the attribute functions of
// its object, "ReloadScript", the shared global variables and the object's
// event variables.
#include "script/ScriptComponent.h"

#include "core/GameObject.h"
#include "script/ScriptGlobalVars.h"

namespace Orv {

void ScriptComponent::RegisterScriptFunctions(GameObject* owner) {
  if (!GetState() || owner == nullptr) return;
  OrvLua::LuaState::SetOwner(GetState()->GetCState(), owner);
  auto attributeFunc = std::make_shared<AttributeFunc>(owner);
  AttributeFunc* a = attributeFunc.get();
  functors_.push_back(attributeFunc);
  RegisterDirect("SetStringAttribKey", a, &AttributeFunc::SetStringAttribKey);
  RegisterDirect("SetIntAttribKey", a, &AttributeFunc::SetIntAttribKey);
  RegisterDirect("SetRealAttribKey", a, &AttributeFunc::SetRealAttribKey);
  RegisterDirect("GetStringAttribKey", a, &AttributeFunc::GetStringAttribKey);
  RegisterDirect("GetIntAttribKey", a, &AttributeFunc::GetIntAttribKey);
  RegisterDirect("GetRealAttribKey", a, &AttributeFunc::GetRealAttribKey);
  RegisterDirect("SetStringAttribIndex", a, &AttributeFunc::SetStringAttribIndex);
  RegisterDirect("SetIntAttribIndex", a, &AttributeFunc::SetIntAttribIndex);
  RegisterDirect("SetRealAttribIndex", a, &AttributeFunc::SetRealAttribIndex);
  RegisterDirect("GetStringAttribIndex", a, &AttributeFunc::GetStringAttribIndex);
  RegisterDirect("GetIntAttribIndex", a, &AttributeFunc::GetIntAttribIndex);
  RegisterDirect("GetRealAttribIndex", a, &AttributeFunc::GetRealAttribIndex);
  RegisterDirect("ReloadScript", this, &ScriptComponent::ReloadScript);
  RegisterDirect("GetGlobalVar", this, &ScriptComponent::GetGlobalVar);
  RegisterDirect("SetGlobalVarReal", this, &ScriptComponent::SetGlobalVarReal);
  RegisterDirect("SetGlobalVarInt", this, &ScriptComponent::SetGlobalVarInt);
  RegisterDirect("SetGlobalVarString", this, &ScriptComponent::SetGlobalVarString);
  RegisterDirect("SetGlobalVarNil", this, &ScriptComponent::SetGlobalVarNil);
  RegisterDirect("ClearAllGlobalVars", this, &ScriptComponent::ClearAllGlobalVars);
  RegisterDirect("SetEventVarString", this, &ScriptComponent::SetEventVarString);
  RegisterDirect("SetEventVarInteger", this, &ScriptComponent::SetEventVarInteger);
  RegisterDirect("SetEventVarReal", this, &ScriptComponent::SetEventVarReal);
}

// The global variables: shared by the scripts of every object.
OrvLua::LuaObject ScriptComponent::GetGlobalVar(const char* name) {
  const ScriptGlobalVar& var = ScriptGlobalVars()[name];
  if (!var.isSet) return MakeNil();
  switch (var.value.type) {
    case DataInt: return MakeInteger(var.value.intValue);
    case DataReal: return MakeNumber(var.value.realValue);
    case DataString: {
      OrvLua::LuaObject result;
      if (OrvLua::LuaState* state = GetState()) {
        result.AssignString(state, var.value.stringValue.data(), static_cast<int>(var.value.stringValue.size()));
      }
      return result;
    }
    default: return MakeNil();
  }
}

void ScriptComponent::SetGlobalVarReal(const char* name, double value) {
  ScriptGlobalVar& var = ScriptGlobalVars()[name];
  var = ScriptGlobalVar{};
  var.isSet = true;
  var.value.realValue = value;
  var.value.type = DataReal;
}

void ScriptComponent::SetGlobalVarInt(const char* name, int value) {
  ScriptGlobalVar& var = ScriptGlobalVars()[name];
  var = ScriptGlobalVar{};
  var.isSet = true;
  var.value.intValue = value;
  var.value.type = DataInt;
}

void ScriptComponent::SetGlobalVarString(const char* name, const char* value) {
  ScriptGlobalVar& var = ScriptGlobalVars()[name];
  var = ScriptGlobalVar{};
  var.isSet = true;
  var.value.stringValue = value;
  var.value.type = DataString;
}

void ScriptComponent::SetGlobalVarNil(const char* name) {
  ScriptGlobalVar& var = ScriptGlobalVars()[name];
  var = ScriptGlobalVar{};
  var.value.type = DataNone;
}

void ScriptComponent::ClearAllGlobalVars() { ScriptGlobalVars().clear(); }

// Event variables: a key set again takes the new value and its type.
void ScriptComponent::SetEventVarString(const char* key, const char* value) {
  DataBun& var = eventVars_[key] = DataBun{};
  var.stringValue = value;
  var.type = DataString;
}

void ScriptComponent::SetEventVarInteger(const char* key, int value) {
  DataBun& var = eventVars_[key] = DataBun{};
  var.intValue = value;
  var.type = DataInt;
}

void ScriptComponent::SetEventVarReal(const char* key, double value) {
  DataBun& var = eventVars_[key] = DataBun{};
  var.realValue = value;
  var.type = DataReal;
}

// Attribute functions: the object side finds the component by its name.
void ScriptComponent::AttributeFunc::SetStringAttribKey(const char* component, const char* key, const char* value) {
  object_->SetStringAttribKey(component, key, value);
}

void ScriptComponent::AttributeFunc::SetIntAttribKey(const char* component, const char* key, int value) {
  object_->SetIntAttribKey(component, key, value);
}

void ScriptComponent::AttributeFunc::SetRealAttribKey(const char* component, const char* key, double value) {
  object_->SetRealAttribKey(component, key, value);
}

const char* ScriptComponent::AttributeFunc::GetStringAttribKey(const char* component, const char* key) {
  return Keep(object_->GetStringAttribKey(component, key));
}

int ScriptComponent::AttributeFunc::GetIntAttribKey(const char* component, const char* key) {
  return object_->GetIntAttribKey(component, key);
}

double ScriptComponent::AttributeFunc::GetRealAttribKey(const char* component, const char* key) {
  return object_->GetRealAttribKey(component, key);
}

void ScriptComponent::AttributeFunc::SetStringAttribIndex(const char* component, unsigned index, const char* value) {
  object_->SetStringAttribIndex(component, index, value);
}

void ScriptComponent::AttributeFunc::SetIntAttribIndex(const char* component, unsigned index, int value) {
  object_->SetIntAttribIndex(component, index, value);
}

void ScriptComponent::AttributeFunc::SetRealAttribIndex(const char* component, unsigned index, double value) {
  object_->SetRealAttribIndex(component, index, value);
}

const char* ScriptComponent::AttributeFunc::GetStringAttribIndex(const char* component, unsigned index) {
  return Keep(object_->GetStringAttribIndex(component, index));
}

int ScriptComponent::AttributeFunc::GetIntAttribIndex(const char* component, unsigned index) {
  return object_->GetIntAttribIndex(component, index);
}

double ScriptComponent::AttributeFunc::GetRealAttribIndex(const char* component, unsigned index) {
  return object_->GetRealAttribIndex(component, index);
}

const char* ScriptComponent::AttributeFunc::Keep(std::optional<std::string> value) {
  if (!value) return nullptr;
  result_ = std::move(*value);
  return result_.c_str();
}

}  // namespace Orv
