#include "CallCache.h"

#include <cstdlib>
#include <cstring>

#include "LuaFootprint.h"
#include "LuaGlobals.h"
#include "LuaState.h"
#include "ScriptInterrupt.h"

namespace OrvLua {

namespace {

bool SwitchedOff() {
  const char* setting = std::getenv("ORV_CALL_CACHE");
  return setting != nullptr && (std::strcmp(setting, "off") == 0 || std::strcmp(setting, "0") == 0);
}

// The error value as text; error objects that are no text say what they are.
std::string ErrorText(lua_State* L) {
  const int type = lua_type(L, -1);
  if (type == LUA_TSTRING || type == LUA_TNUMBER) return lua_tostring(L, -1);
  return std::string("(error object is a ") + lua_typename(L, type) + " value)";
}

}  // namespace

bool CallCache::Enabled() {
  static const bool enabled = !SwitchedOff() && FootprintsNoted();
  return enabled;
}

CallCache::~CallCache() { Forget(); }

void CallCache::Forget() {
  // Their references go with the registry: the state is closed by now.
  for (Detail::KeptGlobal& kept : kept_) ForgetGlobal(nullptr, kept);
  names_ = {};
  stamps_ = {};
  notedFor_ = {};
  footprintCounts_ = rangeCounts_ = {};
}

bool CallCache::PushGlobalFunction(LuaState* state, const char* name) {
  lua_State* L = state->GetCState();
  if (!Enabled()) return OrvLua::PushGlobalFunction(L, name);
  const std::size_t slot = names_[last_] == name ? last_ : 1 - last_;
  const bool sameName = names_[slot] == name;
  last_ = slot;
  if (sameName && PushNotedGlobal(L, name, kept_[slot])) return true;
  if (!OrvLua::PushGlobalFunction(L, name)) {
    // Nothing to call: nothing to fetch for it either.
    names_[slot] = nullptr;
    ForgetGlobal(L, kept_[slot]);
    notedFor_[slot] = {};
    footprintCounts_[slot] = rangeCounts_[slot] = 0;
    stamps_[slot] = 0;
    return false;
  }
  if (!sameName || !IsFootprintOf(L, notedFor_[slot])) NoteRanges(state, name, slot);
  NoteGlobal(L, name, kept_[slot]);
  names_[slot] = name;
  // Where the kept function lies goes after the footprint.
  std::size_t count = footprintCounts_[slot];
  for (const MemorySpan& span : NotedGlobalSpans(L, kept_[slot])) {
    if (span.at != nullptr) ranges_[slot][count++] = {span.at, span.bytes};
  }
  rangeCounts_[slot] = static_cast<std::uint8_t>(count);
  static std::uint64_t stamps = 0;
  stamps_[slot] = ++stamps;
  return true;
}

void CallCache::NoteRanges(LuaState* state, const char* name, std::size_t slot) {
  // The thread and the global record that follows it: size as measured, not
  // taken from the interpreter.
  constexpr std::uint32_t kThreadBytes = 384;
  CallFootprint footprint;
  NoteCallFootprint(state->GetCState(), name, footprint);
  notedFor_[slot] = footprint.key;
  auto range = ranges_[slot].begin();
  *range++ = {state, kThreadBytes};
  for (const MemorySpan& span : footprint.spans) {
    if (span.at != nullptr) *range++ = {span.at, span.bytes};
  }
  footprintCounts_[slot] = static_cast<std::uint8_t>(range - ranges_[slot].begin());
}

CallCache::Outcome CallCache::Call(LuaState* state, const char* name, const double* number, const LuaObject* value,
                                   LuaObject& result, std::string& error) {
  lua_State* L = state->GetCState();
  const int top = lua_gettop(L);
  lua_checkstack(L, 4);
  RunningScript running(L);
  if (!PushGlobalFunction(state, name)) {
    lua_settop(L, top);
    return Outcome::Absent;
  }
  int arguments = 0;
  if (number) {
    lua_pushnumber(L, *number);
    ++arguments;
  }
  if (value) {
    value->Push(L);
    ++arguments;
  }
  if (lua_pcall(L, arguments, 1, 0) != 0) {
    error = ErrorText(L);
    lua_settop(L, top);
    return Outcome::Failed;
  }
  // Most calls (every Update) give nothing back: no handle for that.
  if (!lua_isnil(L, -1)) result = LuaObject(L, -1);
  lua_settop(L, top);
  return Outcome::Returned;
}

}  // namespace OrvLua
