// The script component's life (its state, made on first use and closed with
// the object) and the engine's calls into its script.
#include "script/ScriptComponent.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>

#include "LuaGlobals.h"
#include "ScriptInterrupt.h"
#include "core/BasicEntitySystem.h"
#include "core/Report.h"
#include "script/ExtraScripts.h"

namespace Orv {

namespace {

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

}  // namespace

ScriptComponent::ScriptComponent() : ScriptComponent(EmptyScript()) {}

ScriptComponent::ScriptComponent(std::string scriptText)
    : ScriptComponent(std::make_shared<ScriptChunk>(std::move(scriptText), "script", false)) {}

ScriptComponent::ScriptComponent(ScriptChunkPtr chunk) : script_(chunk ? std::move(chunk) : EmptyScript()) {}

ScriptComponent::~ScriptComponent() { CloseState(); }

OrvLua::LuaState* ScriptComponent::Materialize() {
  if (luaState_ || stateClosed_) return luaState_;
  luaState_ = OrvLua::LuaState::Create();
  // Until the script runs, the state only gains functions, constants and the
  // shared scripts' definitions, which are all kept: collecting meanwhile
  // would walk a growing heap for nothing. RunScript lets the collector go.
  if (luaState_) {
    lua_gc(luaState_->GetCState(), LUA_GCSTOP, 0);
    collectorHeld_ = true;
  }
  if (setUp_) RunExtraScripts();
  if (attachedTo_) RegisterScriptFunctions(attachedTo_);
  return luaState_;
}

void ScriptComponent::Setup() {
  setUp_ = true;
  if (luaState_) RunExtraScripts();
}

void ScriptComponent::OnAttach(GameObject* owner) {
  attachedTo_ = owner;
  if (luaState_) RegisterScriptFunctions(owner);
}

void ScriptComponent::CloseState() {
  loaded_ = false;
  stateClosed_ = true;
  // Nothing of the state is to be fetched any more.
  calledKeys_ = {};
  calledSpots_ = {};
  spotsStamps_ = {};
  // Their references go with the registry.
  for (OrvLua::NotedGlobal& noted : calledGlobals_) OrvLua::ForgetGlobal(nullptr, noted);
  calledNames_ = {};
  if (!luaState_) return;
  OrvLua::LuaState* closing = luaState_;
  luaState_ = nullptr;
  OrvLua::LuaState::Close(closing);
}

void ScriptComponent::RunExtraScripts() {
  OrvLua::LuaState* state = Materialize();
  if (!state) return;
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  OrvLua::RunningScript running(L);
  for (const ScriptChunkPtr& chunk : ScriptExtraTexts()) {
    // A text that does not compile was reported when it was read.
    if (chunk->Load(L) == 0 && lua_pcall(L, 0, LUA_MULTRET, 0) != 0 && chunk->FirstRunError()) {
      const char* message = lua_tostring(L, -1);
      const std::string text = message ? message : "?";
      if (!OrvLua::IsQuitInterruption(text))
        PrintLineAndShowMessage("Error running script file: " + chunk->WithName(text));
    }
    // Results are dropped: nothing in the engine reads them.
    lua_settop(L, top);
  }
}

void ScriptComponent::SetNamedAttribute(const std::string& key, double value) {
  DataBun record;
  record.realValue = value;
  record.type = DataReal;
  attributes_.emplace_back(key, std::move(record));
}

void ScriptComponent::SetNamedAttribute(const std::string& key, int value) {
  DataBun record;
  record.intValue = value;
  record.type = DataInt;
  attributes_.emplace_back(key, std::move(record));
}

void ScriptComponent::SetNamedAttribute(const std::string& key, const std::string& value) {
  DataBun record;
  record.stringValue = value;
  record.type = DataString;
  attributes_.emplace_back(key, std::move(record));
}

void ScriptComponent::RunScript() {
  OrvLua::LuaState* state = GetState();
  if (!state) {
    ShowMessage("Error State machine not found!");
    return;
  }
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  lua_checkstack(L, 4);
  const bool plain = OrvLua::HasPlainGlobals(L);
  for (const auto& [key, value] : attributes_) {
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
  if (collectorHeld_) {
    collectorHeld_ = false;
    lua_gc(L, LUA_GCRESTART, 0);
  }
  bool ok = false;
  {
    OrvLua::RunningScript running(L);
    ok = script_->Load(L) == 0 && lua_pcall(L, 0, LUA_MULTRET, 0) == 0;
  }
  loaded_ = ok;
  if (!ok) {
    // The cause and its line, not the text of the whole script.
    const std::string cause = ErrorText(L);
    lua_settop(L, top);
    if (!OrvLua::IsQuitInterruption(cause))
      PrintLineAndShowMessage("Error running script: " + script_->WithName(cause));
    return;
  }
  lua_settop(L, top);
}

OrvLua::LuaObject ScriptComponent::NewTable() {
  OrvLua::LuaObject table;
  if (OrvLua::LuaState* state = GetState()) table.AssignNewTable(state);
  return table;
}

OrvLua::LuaObject ScriptComponent::MakeNumber(double value) {
  OrvLua::LuaObject result;
  if (OrvLua::LuaState* state = GetState()) result.AssignNumber(state, value);
  return result;
}

OrvLua::LuaObject ScriptComponent::MakeInteger(int value) { return MakeNumber(value); }

OrvLua::LuaObject ScriptComponent::MakeString(const char* value) {
  OrvLua::LuaObject result;
  if (OrvLua::LuaState* state = GetState()) result.AssignString(state, value);
  return result;
}

OrvLua::LuaObject ScriptComponent::MakeNil() {
  OrvLua::LuaObject result;
  if (OrvLua::LuaState* state = GetState()) result.AssignNil(state);
  return result;
}

OrvLua::LuaObject ScriptComponent::GetGlobal(const char* name) {
  OrvLua::LuaState* state = GetState();
  if (!state) return {};
  return state->GetGlobal(name);
}

void ScriptComponent::SetGlobalInteger(const char* name, int value) {
  OrvLua::LuaState* state = GetState();
  if (!state) return;
  lua_State* L = state->GetCState();
  // Every object start sets dozens of constants: raw while nothing guards
  // the globals, otherwise through the handle, which honours __newindex.
  if (OrvLua::HasPlainGlobals(L)) {
    lua_checkstack(L, 2);
    lua_pushstring(L, name);
    lua_pushnumber(L, value);
    lua_rawset(L, LUA_GLOBALSINDEX);
    return;
  }
  state->GetGlobals().SetInteger(name, value);
}

OrvLua::LuaObject ScriptComponent::CreateGlobalTable(const char* name, int fields) {
  OrvLua::LuaState* state = GetState();
  if (!state) return {};
  return state->GetGlobals().CreateTable(name, 0, fields);
}

void ScriptComponent::NoteHotSpots(EntityRecord& entry) const {
  if (entry.spotsStamp == spotsStamps_[lastCalled_]) return;
  entry.spotsStamp = spotsStamps_[lastCalled_];
  const CallSpots& spots = calledSpots_[lastCalled_];
  static_assert(EntityRecord::kObjectSpots + std::tuple_size_v<CallSpots> <=
                std::tuple_size_v<decltype(EntityRecord::hot)>);
  std::copy(spots.begin(), spots.end(), entry.hot.begin() + EntityRecord::kObjectSpots);
}

void ScriptComponent::NoteCall(const char* name, std::size_t slot) {
  // The thread and the global record that follows it: size as measured, not
  // taken from the interpreter.
  constexpr std::uint32_t kThreadBytes = 384;
  OrvLua::CallFootprint footprint;
  OrvLua::NoteCallFootprint(luaState_->GetCState(), name, footprint);
  calledKeys_[slot] = footprint.key;
  auto spot = calledSpots_[slot].begin();
  const auto* first = reinterpret_cast<const char*>(&luaState_);
  *spot++ = {first, static_cast<std::uint32_t>(reinterpret_cast<const char*>(&spotsStamps_ + 1) - first)};
  *spot++ = {luaState_, kThreadBytes};
  for (const OrvLua::MemorySpan& span : footprint.spans) *spot++ = {span.at, span.bytes};
}

void ScriptComponent::NoteGlobalSpots(std::size_t slot) {
  const auto spans = OrvLua::NotedGlobalSpans(luaState_->GetCState(), calledGlobals_[slot]);
  auto spot = calledSpots_[slot].end() - spans.size();
  for (const OrvLua::MemorySpan& span : spans) *spot++ = {span.at, span.bytes};
  static std::uint64_t stamps = 0;
  spotsStamps_[slot] = ++stamps;
}

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name) { return CallGlobal(name, nullptr, nullptr); }

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name, double number) {
  return CallGlobal(name, &number, nullptr);
}

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name, const OrvLua::LuaObject& value) {
  return CallGlobal(name, nullptr, &value);
}

OrvLua::LuaObject ScriptComponent::CallGlobalFunction(const char* name, double number, const OrvLua::LuaObject& value) {
  return CallGlobal(name, &number, &value);
}

OrvLua::LuaObject ScriptComponent::CallGlobal(const char* name, const double* number, const OrvLua::LuaObject* value) {
  if (!loaded_) return {};
  OrvLua::LuaState* state = GetState();
  if (!state) return {};
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  lua_checkstack(L, 4);
  OrvLua::RunningScript running(L);
  // Update and Render take turns, each in its slot with its noted function
  // and footprint; another name takes the slot not used last.
  const std::size_t slot = calledNames_[lastCalled_] == name ? lastCalled_ : 1 - lastCalled_;
  const bool sameName = calledNames_[slot] == name;
  if (!sameName || !OrvLua::PushNotedGlobal(L, name, calledGlobals_[slot])) {
    if (!OrvLua::PushGlobalFunction(L, name)) {
      lua_settop(L, top);
      return {};
    }
    if (!sameName || !OrvLua::IsFootprintOf(L, calledKeys_[slot])) NoteCall(name, slot);
    OrvLua::NoteGlobal(L, name, calledGlobals_[slot]);
    calledNames_[slot] = name;
    NoteGlobalSpots(slot);
  }
  lastCalled_ = slot;
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
  // Most calls (every Update) give nothing back: no handle for that.
  if (lua_isnil(L, -1)) {
    lua_settop(L, top);
    return {};
  }
  OrvLua::LuaObject result(L, -1);
  lua_settop(L, top);
  return result;
}

void ScriptComponent::ReportCallError(const char* functionName) {
  const std::string cause = ErrorText(luaState_->GetCState());
  if (OrvLua::IsQuitInterruption(cause)) return;
  const std::string line = "Error in " + std::string(functionName) + " of " + script_->WithName(cause);
  // An Update that fails fails every frame: one line is enough.
  if (line == lastCallError_) return;
  lastCallError_ = line;
  PrintErrorLine(line);
}

}  // namespace Orv
