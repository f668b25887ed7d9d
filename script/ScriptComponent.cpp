#include "script/ScriptComponent.h"

#include <cstring>
#include <set>
#include <string>

#include "LuaTableIterator.h"
#include "ScriptInterrupt.h"
#include "core/FileUtils.h"
#include "core/GameObject.h"
#include "core/Report.h"
#include "platform/Files.h"

namespace Orv {

namespace {

constexpr const char* kExtraScriptFolder = "data/scripts/extra/";

ScriptChunkPtr EmptyScript() {
  static const ScriptChunkPtr empty = std::make_shared<ScriptChunk>(std::string(), "script", false);
  return empty;
}

// The core's error value as text; error objects that are no text say what
// they are.
std::string ErrorText(lua_State* L) {
  const int type = lua_type(L, -1);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) return lua_tostring(L, -1);
  return std::string("(error object is a ") + lua_typename(L, type) + " value)";
}

// The core's messages already start with the file; say it only when not.
std::string NameAndMessage(const std::string& name, const std::string& message) {
  if (message.compare(0, name.size(), name) == 0) return message;
  return name + ": " + message;
}

// Globals are written raw while nobody has given the globals table a
// metatable; otherwise through the handle, which honours __newindex.
bool PlainGlobals(lua_State* L) {
  if (!lua_getmetatable(L, LUA_GLOBALSINDEX)) return true;
  lua_pop(L, 1);
  return false;
}

}  // namespace

std::vector<ScriptChunkPtr>& ScriptExtraTexts() {
  static std::vector<ScriptChunkPtr> texts;
  return texts;
}

std::map<std::string, ScriptGlobalVar>& ScriptGlobalVars() {
  static std::map<std::string, ScriptGlobalVar> vars;
  return vars;
}

void LoadExtraScripts() {
  std::vector<std::string> files;
  ListFiles((std::string(kExtraScriptFolder) + "*.lua").c_str(), files, false);
  for (const std::string& file : files) LoadExtraScriptFile(kExtraScriptFolder + file);
}

void LoadExtraScriptFile(const std::string& path) {
  std::optional<std::string> text = Platform::ReadTextFile(path);
  if (!text) {
    const std::string message = "Error loading script file: " + path;
    PrintLineAndShowMessage(message);
    return;
  }
  auto chunk = std::make_shared<ScriptChunk>(std::move(*text), path);
  // Said once here: in the objects' states a broken shared script is passed
  // over without a word, object after object.
  std::string error;
  if (!chunk->Check(error)) {
    const std::string message = "Error in script file: " + NameAndMessage(path, error);
    PrintLineAndShowMessage(message);
  }
  ScriptExtraTexts().push_back(std::move(chunk));
  if (IsVerbose()) PrintLine(path + " script loaded!");
}

ScriptComponent::ScriptComponent() : ScriptComponent(EmptyScript()) {}

ScriptComponent::ScriptComponent(std::string scriptText)
    : ScriptComponent(std::make_shared<ScriptChunk>(std::move(scriptText), "script", false)) {}

ScriptComponent::ScriptComponent(ScriptChunkPtr chunk) : script(chunk ? std::move(chunk) : EmptyScript()) {}

ScriptComponent::~ScriptComponent() { CloseState(); }

OrvLua::LuaState* ScriptComponent::Materialize() {
  if (luaState || stateClosed) return luaState;
  luaState = OrvLua::LuaState::Create();
  // Until the script runs, the state only gains functions, constants and the
  // shared scripts' definitions, which are all kept: collecting meanwhile
  // would walk a growing heap for nothing. RunScript lets the collector go.
  if (luaState) {
    lua_gc(luaState->GetCState(), LUA_GCSTOP, 0);
    collectorHeld = true;
  }
  if (setUp) RunExtraScripts();
  if (attachedTo) RegisterScriptFunctions(attachedTo);
  return luaState;
}

void ScriptComponent::Setup() {
  setUp = true;
  if (luaState) RunExtraScripts();
}

void ScriptComponent::OnAttach(GameObject* owner) {
  attachedTo = owner;
  if (luaState) RegisterScriptFunctions(owner);
}

void ScriptComponent::CloseState() {
  loaded = false;
  stateClosed = true;
  if (!luaState) return;
  OrvLua::LuaState* closing = luaState;
  luaState = nullptr;
  OrvLua::LuaState::Close(closing);
}

void ScriptComponent::RunExtraScripts() {
  OrvLua::LuaState* state = Materialize();
  if (!state) return;
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  OrvLua::RunningScript running(L);
  for (const ScriptChunkPtr& chunk : ScriptExtraTexts()) {
    if (chunk->Load(L) == 0) lua_pcall(L, 0, LUA_MULTRET, 0);
    // Errors and results are dropped: nothing in the engine reads them.
    lua_settop(L, top);
  }
}

void ScriptComponent::SetNamedAttribute(const std::string& key, double value) {
  DataBun record;
  record.realValue = value;
  record.type = DataReal;
  attributes.emplace_back(key, std::move(record));
}

void ScriptComponent::SetNamedAttribute(const std::string& key, int value) {
  DataBun record;
  record.intValue = value;
  record.type = DataInt;
  attributes.emplace_back(key, std::move(record));
}

void ScriptComponent::SetNamedAttribute(const std::string& key, const std::string& value) {
  DataBun record;
  record.stringValue = value;
  record.type = DataString;
  attributes.emplace_back(key, std::move(record));
}

void ScriptComponent::RegisterScriptFunctions(GameObject* owner) {
  if (!state || owner == nullptr) return;
  auto attributeFunc = std::make_shared<AttributeFunc>(owner);
  AttributeFunc* a = attributeFunc.get();
  functors.push_back(attributeFunc);
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

void ScriptComponent::RunScript() {
  if (!state) {
    ShowMessage("Error State machine not found!");
    return;
  }
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  lua_checkstack(L, 4);
  const bool plain = PlainGlobals(L);
  for (const auto& [key, value] : attributes) {
    switch (value.type) {
      case DataInt: lua_pushnumber(L, value.intValue); break;
      case DataReal: lua_pushnumber(L, value.realValue); break;
      case DataString: lua_pushlstring(L, value.stringValue.data(), value.stringValue.size()); break;
      default: continue;
    }
    if (plain) {
      lua_pushlstring(L, key.data(), key.size());
      lua_insert(L, -2);
      lua_rawset(L, LUA_GLOBALSINDEX);
    } else {
      OrvLua::LuaObject globals = state->GetGlobals();
      globals.SetObject(key.c_str(), OrvLua::LuaObject(L, -1));
      lua_pop(L, 1);
    }
  }
  if (collectorHeld) {
    collectorHeld = false;
    lua_gc(L, LUA_GCRESTART, 0);
  }
  bool ok = false;
  {
    OrvLua::RunningScript running(L);
    ok = script->Load(L) == 0 && lua_pcall(L, 0, LUA_MULTRET, 0) == 0;
  }
  loaded = ok;
  if (!ok) {
    // The cause and its line, not the text of the whole script.
    const std::string message = "Error running script: " + NameAndMessage(script->GetName(), ErrorText(L));
    lua_settop(L, top);
    PrintLineAndShowMessage(message);
    return;
  }
  lua_settop(L, top);
}

OrvLua::LuaObject ScriptComponent::NewTable() {
  OrvLua::LuaObject table;
  if (state) table.AssignNewTable(state);
  return table;
}

OrvLua::LuaObject ScriptComponent::MakeNumber(double value) {
  OrvLua::LuaObject result;
  if (state) result.AssignNumber(state, value);
  return result;
}

OrvLua::LuaObject ScriptComponent::MakeInteger(int value) { return MakeNumber(value); }

OrvLua::LuaObject ScriptComponent::MakeString(const char* value) {
  OrvLua::LuaObject result;
  if (state) result.AssignString(state, value);
  return result;
}

OrvLua::LuaObject ScriptComponent::MakeNil() {
  OrvLua::LuaObject result;
  if (state) result.AssignNil(state);
  return result;
}

OrvLua::LuaObject ScriptComponent::GetGlobal(const char* name) {
  if (!state) return {};
  return state->GetGlobal(name);
}

void ScriptComponent::SetGlobalInteger(const char* name, int value) {
  if (!state) return;
  lua_State* L = state->GetCState();
  if (PlainGlobals(L)) {
    lua_checkstack(L, 2);
    lua_pushstring(L, name);
    lua_pushnumber(L, value);
    lua_rawset(L, LUA_GLOBALSINDEX);
    return;
  }
  state->GetGlobals().SetInteger(name, value);
}

OrvLua::LuaObject ScriptComponent::CreateGlobalTable(const char* name) {
  if (!state) return {};
  return state->GetGlobals().CreateTable(name);
}

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name) { return CallGlobal(name, nullptr, nullptr); }

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name, double number) {
  return CallGlobal(name, &number, nullptr);
}

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name, double number,
                                                      const OrvLua::LuaObject& value) {
  return CallGlobal(name, &number, &value);
}

namespace {

int GetGlobalField(lua_State* L) {
  lua_gettable(L, LUA_GLOBALSINDEX);
  return 1;
}

// Pushes globals[name] when it is a function. The raw read serves the calls
// made every frame; a name missing under an __index metamethod is read
// protected, so a script that guards its globals (an error for an undefined
// name) cannot end the program when the engine looks for a callback the
// script does not define: such a callback is simply absent.
bool PushGlobalFunction(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_rawget(L, LUA_GLOBALSINDEX);
  if (lua_type(L, -1) == LUA_TFUNCTION) return true;
  const bool absent = lua_isnil(L, -1);
  lua_pop(L, 1);
  if (!absent || !lua_getmetatable(L, LUA_GLOBALSINDEX)) return false;
  lua_pop(L, 1);
  lua_pushcfunction(L, &GetGlobalField);
  lua_pushstring(L, name);
  if (lua_pcall(L, 1, 1, 0) == 0 && lua_type(L, -1) == LUA_TFUNCTION) return true;
  lua_pop(L, 1);
  return false;
}

}  // namespace

OrvLua::LuaObject ScriptComponent::CallGlobal(const char* name, const double* number,
                                              const OrvLua::LuaObject* value) {
  if (!loaded || !state) return {};
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  lua_checkstack(L, 4);
  OrvLua::RunningScript running(L);
  if (!PushGlobalFunction(L, name)) {
    lua_settop(L, top);
    return {};
  }
  int nargs = 0;
  if (number) {
    lua_pushnumber(L, *number);
    ++nargs;
  }
  if (value) {
    // A value of another state cannot cross over: it arrives as nil.
    value->Push(L);
    ++nargs;
  }
  if (lua_pcall(L, nargs, 1, 0) != 0) {
    ReportCallError(name);
    lua_settop(L, top);
    return {};
  }
  OrvLua::LuaObject result(L, -1);
  lua_settop(L, top);
  return result;
}

void ScriptComponent::ReportCallError(const char* functionName) {
  const std::string line = "Error in " + std::string(functionName) + " of " +
                           NameAndMessage(script->GetName(), ErrorText(state->GetCState()));
  // An Update that fails fails every frame: one line is enough.
  if (line == lastCallError) return;
  lastCallError = line;
  PrintErrorLine(line);
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
      if (state) {
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
  DataBun& var = eventVars[key] = DataBun{};
  var.stringValue = value;
  var.type = DataString;
}

void ScriptComponent::SetEventVarInteger(const char* key, int value) {
  DataBun& var = eventVars[key] = DataBun{};
  var.intValue = value;
  var.type = DataInt;
}

void ScriptComponent::SetEventVarReal(const char* key, double value) {
  DataBun& var = eventVars[key] = DataBun{};
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

namespace {

// Each nested table is copied by a call inside the one before, on the one C
// stack: a chain of tables a script builds in a loop could be nested deeper
// than that stack. Tables deeper than this are left out of the copy.
constexpr int kMaxCopyDepth = 200;

struct CopyWalk {
  ScriptComponent& receiver;
  // The tables being copied right now, outermost first.
  std::set<const void*> path;
  bool cutShort = false;
};

void CopyInto(OrvLua::LuaObject& target, const OrvLua::LuaObject& source, CopyWalk& walk) {
  walk.path.insert(source.GetLuaPointer());
  for (OrvLua::LuaTableIterator it(source); it; ++it) {
    const OrvLua::LuaObject& key = it.GetKey();
    if (!key.IsString()) continue;
    const OrvLua::LuaObject& value = it.GetValue();
    const char* name = key.GetString();
    switch (value.Type()) {
      case OrvLua::LuaObject::TagString: target.SetString(name, value.GetString()); break;
      case OrvLua::LuaObject::TagNumber: target.SetNumber(name, value.GetNumber()); break;
      case OrvLua::LuaObject::TagBoolean: target.SetBoolean(name, value.GetBoolean()); break;
      case OrvLua::LuaObject::TagTable: {
        // A table inside itself would be copied forever.
        if (walk.path.count(value.GetLuaPointer()) != 0) break;
        if (walk.path.size() >= kMaxCopyDepth) {
          walk.cutShort = true;
          break;
        }
        OrvLua::LuaObject copy = walk.receiver.NewTable();
        CopyInto(copy, value, walk);
        target.SetObject(name, copy);
        break;
      }
      default: break;
    }
  }
  walk.path.erase(source.GetLuaPointer());
}

}  // namespace

OrvLua::LuaObject CopyTableToState(ScriptComponent& receiver, const OrvLua::LuaObject& source) {
  OrvLua::LuaObject copy = receiver.NewTable();
  if (!source.IsTable() || !copy.IsBound()) return copy;
  CopyWalk walk{receiver, {}, false};
  CopyInto(copy, source, walk);
  if (walk.cutShort) {
    PrintErrorLine("Error! A table nested more than " + std::to_string(kMaxCopyDepth) +
                   " deep was copied without its deeper tables");
  }
  return copy;
}

}  // namespace Orv
