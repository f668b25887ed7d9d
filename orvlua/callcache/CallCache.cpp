#include "CallCache.h"

#include <cstdlib>
#include <cstring>

#include "CallRanges.h"
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
  static const bool enabled = !SwitchedOff() && LayoutProbePassed();
  return enabled;
}

CallCache::~CallCache() { Forget(); }

void CallCache::Forget() {
  // Their references go with the registry: the state is closed by now.
  for (Detail::KeptGlobal& kept : kept_) ForgetKeptGlobal(nullptr, kept);
  names_ = {};
  stamps_ = {};
  rangesKeys_ = {};
  callRangeCounts_ = rangeCounts_ = {};
}

bool CallCache::PushGlobalFunction(LuaState* state, const char* name) {
  lua_State* L = state->GetCState();
  if (!Enabled()) return OrvLua::PushGlobalFunction(L, name);
  const std::size_t slot = names_[last_] == name ? last_ : 1 - last_;
  const bool sameName = names_[slot] == name;
  last_ = slot;
  if (sameName && PushKeptGlobal(L, name, kept_[slot])) return true;
  if (!OrvLua::PushGlobalFunction(L, name)) {
    // Nothing to call: nothing to fetch for it either.
    names_[slot] = nullptr;
    ForgetKeptGlobal(L, kept_[slot]);
    rangesKeys_[slot] = {};
    callRangeCounts_[slot] = rangeCounts_[slot] = 0;
    stamps_[slot] = 0;
    return false;
  }
  if (!sameName || !RangesStillHold(L, rangesKeys_[slot])) FindRanges(state, name, slot);
  KeepGlobal(L, name, kept_[slot]);
  names_[slot] = name;
  // Where the kept function lies goes after the call's ranges.
  std::size_t count = callRangeCounts_[slot];
  for (const MemorySpan& span : KeptGlobalSpans(L, kept_[slot])) {
    if (span.at != nullptr) ranges_[slot][count++] = {span.at, span.bytes};
  }
  rangeCounts_[slot] = static_cast<std::uint8_t>(count);
  static std::uint64_t stamps = 0;
  stamps_[slot] = ++stamps;
  return true;
}

void CallCache::FindRanges(LuaState* state, const char* name, std::size_t slot) {
  // The thread and the global record that follows it: size as measured, not
  // taken from the interpreter.
  constexpr std::uint32_t kThreadBytes = 384;
  CallRanges found;
  FindCallRanges(state->GetCState(), name, found);
  rangesKeys_[slot] = found.key;
  auto range = ranges_[slot].begin();
  *range++ = {state, kThreadBytes};
  for (const MemorySpan& span : found.spans) {
    if (span.at != nullptr) *range++ = {span.at, span.bytes};
  }
  callRangeCounts_[slot] = static_cast<std::uint8_t>(range - ranges_[slot].begin());
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
