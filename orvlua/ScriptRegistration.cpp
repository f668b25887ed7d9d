#include "ScriptRegistration.h"

#include <cstring>

#include "LuaGlobals.h"

namespace OrvCall::Detail {

void RegisterGlobalClosure(OrvLua::LuaState* state, const char* name, lua_CFunction dispatcher, const void* block,
                           std::size_t size) {
  lua_State* L = state->GetCState();
  if (!OrvLua::HasPlainGlobals(L)) {
    OrvLua::LuaObject globals = state->GetGlobals();
    globals.RegisterHelper(name, dispatcher, block, static_cast<unsigned>(size), nullptr, 0);
    return;
  }
  lua_checkstack(L, 3);
  lua_pushstring(L, name);
  std::memcpy(lua_newuserdata(L, size), block, size);
  lua_pushcclosure(L, dispatcher, 1);
  lua_rawset(L, LUA_GLOBALSINDEX);
}

void RegisterGlobalPointerClosure(OrvLua::LuaState* state, const char* name, lua_CFunction dispatcher,
                                  const void* target) {
  lua_State* L = state->GetCState();
  lua_checkstack(L, 3);
  if (OrvLua::HasPlainGlobals(L)) {
    lua_pushstring(L, name);
    lua_pushlightuserdata(L, const_cast<void*>(target));
    lua_pushcclosure(L, dispatcher, 1);
    lua_rawset(L, LUA_GLOBALSINDEX);
    return;
  }
  lua_pushlightuserdata(L, const_cast<void*>(target));
  lua_pushcclosure(L, dispatcher, 1);
  OrvLua::LuaObject closure(L, -1);
  lua_pop(L, 1);
  state->GetGlobals().SetObject(name, closure);
}

void RegisterSharedMethodClosure(OrvLua::LuaObject& table, const char* name, lua_CFunction dispatcher,
                                 const void* block) {
  if (!table.IsTable()) return;
  lua_State* L = table.GetCState();
  lua_checkstack(L, 4);
  table.Push(L);
  lua_pushstring(L, name);
  lua_pushlightuserdata(L, const_cast<void*>(block));
  lua_pushcclosure(L, dispatcher, 1);
  lua_rawset(L, -3);
  lua_pop(L, 1);
}

}  // namespace OrvCall::Detail
