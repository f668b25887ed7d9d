#include "ScriptRegistration.h"

#include <cstring>

#include "LuaGlobals.h"

namespace OrvCall::Detail {

namespace {

// globals[name] = the closure on top of the stack, which is popped: stored
// raw while nothing guards the globals, otherwise through the handle, so
// __newindex is honoured.
void SetGlobalFromTop(OrvLua::LuaState* state, lua_State* L, const char* name) {
  if (OrvLua::HasPlainGlobals(L)) {
    lua_pushstring(L, name);
    lua_insert(L, -2);
    lua_rawset(L, LUA_GLOBALSINDEX);
    return;
  }
  OrvLua::LuaObject closure(L, -1);
  lua_pop(L, 1);
  state->GetGlobals().SetObject(name, closure);
}

}  // namespace

void RegisterGlobalClosure(OrvLua::LuaState* state, const char* name, lua_CFunction dispatcher, const void* block,
                           std::size_t size, bool named) {
  lua_State* L = state->GetCState();
  lua_checkstack(L, 4);
  std::memcpy(lua_newuserdata(L, size), block, size);
  if (named) lua_pushstring(L, name);
  lua_pushcclosure(L, dispatcher, named ? 2 : 1);
  SetGlobalFromTop(state, L, name);
}

void RegisterGlobalPointerClosure(OrvLua::LuaState* state, const char* name, lua_CFunction dispatcher,
                                  const void* target, bool named) {
  lua_State* L = state->GetCState();
  lua_checkstack(L, 4);
  lua_pushlightuserdata(L, const_cast<void*>(target));
  if (named) lua_pushstring(L, name);
  lua_pushcclosure(L, dispatcher, named ? 2 : 1);
  SetGlobalFromTop(state, L, name);
}

void RegisterSharedMethodClosure(OrvLua::LuaObject& table, const char* name, lua_CFunction dispatcher,
                                 const void* block, bool named) {
  if (!table.IsTable()) return;
  lua_State* L = table.GetCState();
  lua_checkstack(L, 5);
  table.Push(L);
  lua_pushstring(L, name);
  lua_pushlightuserdata(L, const_cast<void*>(block));
  if (named) lua_pushvalue(L, -2);
  lua_pushcclosure(L, dispatcher, named ? 2 : 1);
  lua_rawset(L, -3);
  lua_pop(L, 1);
}

}  // namespace OrvCall::Detail
