#include "LuaGlobals.h"

namespace OrvLua {

namespace {

int GetGlobalField(lua_State* L) {
  lua_gettable(L, LUA_GLOBALSINDEX);
  return 1;
}

}  // namespace

bool HasPlainGlobals(lua_State* L) {
  if (!lua_getmetatable(L, LUA_GLOBALSINDEX)) return true;
  lua_pop(L, 1);
  return false;
}

bool PushGlobalFunction(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_rawget(L, LUA_GLOBALSINDEX);
  if (lua_type(L, -1) == LUA_TFUNCTION) return true;
  const bool absent = lua_isnil(L, -1);
  lua_pop(L, 1);
  if (!absent || HasPlainGlobals(L)) return false;
  lua_pushcfunction(L, &GetGlobalField);
  lua_pushstring(L, name);
  if (lua_pcall(L, 1, 1, 0) == 0 && lua_type(L, -1) == LUA_TFUNCTION) return true;
  lua_pop(L, 1);
  return false;
}

}  // namespace OrvLua
