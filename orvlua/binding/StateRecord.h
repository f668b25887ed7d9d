#pragma once
// What the binding keeps per state beside the core: the live-handle list and
// the pieces its protected operations need. It is the allocator's user data,
// so every thread of the state reaches it in constant time.
#include <lua.hpp>

#include "LuaObject.h"
#include "LuaState.h"
#include "orvlua/memory/SmallBlockPool.h"

namespace OrvLua::Detail {

struct StateRecord {
  StateRecord() {
    head = &sentinel;
    sentinel.prev = &head;
  }

  // Every handle bound to the state becomes an unbound nil.
  void UnbindAll();

  HandleLink* head;
  HandleLink sentinel;
  lua_State* mainThread = nullptr;
  // The core's first allocation is the block of the main thread and the
  // global state, and freeing it is the last thing lua_close does.
  void* mainBlock = nullptr;
  // A closure made once that calls the C function given as its first
  // argument, so protected operations allocate nothing.
  int trampolineRef = LUA_NOREF;
  // The object the state scripts, named in its error lines; none for a state
  // of no object.
  const Orv::GameObject* owner = nullptr;
  SmallBlockPool pool;
};

inline StateRecord* RecordOf(lua_State* L) {
  void* ud = nullptr;
  return lua_getallocf(L, &ud) == &OrvLuaAlloc ? static_cast<StateRecord*>(ud) : nullptr;
}

// Calls fn under lua_pcall with the nargs values on top of L as its
// arguments; fn sees them from stack index 1. Returns the pcall status.
int ProtectedCall(lua_State* L, lua_CFunction fn, int nargs, int nresults);

}  // namespace OrvLua::Detail
