// The script component's life (its state, made on first use and closed with
// the object) and the engine's calls into its script.
#include "script/ScriptComponent.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "LuaTableIterator.h"
#include "ScriptInterrupt.h"
#include "StateScripts.h"
#include "core/BasicEntitySystem.h"
#include "core/Report.h"
#include "script/ExtraScripts.h"

namespace Orv {

namespace {

ScriptChunkPtr EmptyScript() {
  static const ScriptChunkPtr empty = std::make_shared<ScriptChunk>(std::string(), "script", false);
  return empty;
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
    OrvLua::HoldCollector(luaState_);
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
  calls_.Forget();
  if (!luaState_) return;
  OrvLua::LuaState* closing = luaState_;
  luaState_ = nullptr;
  OrvLua::LuaState::Close(closing);
}

void ScriptComponent::RunExtraScripts() {
  OrvLua::LuaState* state = Materialize();
  if (!state) return;
  for (const ScriptChunkPtr& chunk : ScriptExtraTexts()) {
    // A text that does not compile was reported when it was read. Results
    // are dropped: nothing in the engine reads them.
    OrvLua::ScriptError error;
    if (!chunk->Run(state, error) && chunk->FirstRunError()) {
      const std::string text = error.text.value_or("?");
      if (!OrvLua::IsQuitInterruption(text))
        PrintLineAndShowMessage("Error running script file: " + chunk->WithName(text));
    }
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
  for (const auto& [key, value] : attributes_) {
    switch (value.type) {
      case DataInt: OrvLua::SetGlobalNumber(state, key, value.intValue); break;
      case DataReal: OrvLua::SetGlobalNumber(state, key, value.realValue); break;
      case DataString: OrvLua::SetGlobalString(state, key, value.stringValue); break;
      default: break;
    }
  }
  if (collectorHeld_) {
    collectorHeld_ = false;
    OrvLua::ReleaseCollector(state);
  }
  OrvLua::ScriptError error;
  loaded_ = script_->Run(state, error);
  // The cause and its line, not the text of the whole script.
  if (!loaded_ && !OrvLua::IsQuitInterruption(error.Describe()))
    PrintLineAndShowMessage("Error running script: " + script_->WithName(error.Describe()));
  if (loaded_ && script_->FirstNamesCheck()) ReportMisspeltCallbacks(state);
}

void ScriptComponent::ReportMisspeltCallbacks(OrvLua::LuaState* state) {
  // The functions the engine calls by name. Lua names are case-sensitive, so
  // "function update(dt)" is an ordinary function that nothing calls, and the
  // game would run without it and without a word.
  static constexpr std::string_view kCallbacks[] = {"Init", "Update", "Render", "OnMessage", "OnTileCollide"};
  constexpr std::size_t kCount = std::size(kCallbacks);
  const auto sameLetters = [](std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
  };
  bool defined[kCount] = {};
  std::vector<std::pair<std::size_t, std::string>> variants;
  // A raw walk of the globals: nothing in it calls into the script.
  for (OrvLua::LuaTableIterator it(state->GetGlobals()); it; ++it) {
    if (!it.GetKey().IsString() || !it.GetValue().IsFunction()) continue;
    const std::string_view name = it.GetKey().GetString();
    for (std::size_t i = 0; i < kCount; ++i) {
      if (name == kCallbacks[i]) {
        defined[i] = true;
      } else if (sameLetters(name, kCallbacks[i])) {
        variants.emplace_back(i, name);
      }
    }
  }
  // In the callbacks' order, whatever order the globals were walked in.
  std::sort(variants.begin(), variants.end());
  for (const auto& [callback, name] : variants) {
    if (defined[callback]) continue;
    PrintErrorLine(GetScriptPath() + " defines \"" + name + "\", which the engine never calls: did you mean \"" +
                   std::string(kCallbacks[callback]) + "\"? (callback names are case-sensitive)");
  }
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
  // Every object start sets dozens of constants: raw while nothing guards
  // the globals, otherwise through their metamethods.
  OrvLua::SetGlobalNumber(state, name, value);
}

OrvLua::LuaObject ScriptComponent::CreateGlobalTable(const char* name, int fields) {
  OrvLua::LuaState* state = GetState();
  if (!state) return {};
  return state->GetGlobals().CreateTable(name, 0, fields);
}

void ScriptComponent::SetCallPrefetch(EntityRecord& entry) const {
  // Most turns the entry holds these ranges already.
  if (entry.prefetch.Stamp() == calls_.RangesStamp()) return;
  const auto* first = reinterpret_cast<const char*>(&luaState_);
  const auto* end = reinterpret_cast<const char*>(&calls_) + OrvLua::CallCache::HotBytes();
  entry.prefetch.Set(calls_.RangesStamp(), {first, static_cast<std::uint32_t>(end - first)}, calls_.PrefetchRanges());
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
  OrvLua::LuaObject result;
  std::string error;
  if (calls_.Call(state, name, number, value, result, error) == OrvLua::CallCache::Outcome::Failed) {
    ReportCallError(name, error);
  }
  return result;
}

void ScriptComponent::ReportCallError(const char* functionName, const std::string& error) {
  if (OrvLua::IsQuitInterruption(error)) return;
  const std::string line = "Error in " + std::string(functionName) + " of " + script_->WithName(error);
  // An Update that fails fails every frame: one line is enough.
  if (line == lastCallError_) return;
  lastCallError_ = line;
  PrintErrorLine(line);
}

}  // namespace Orv
