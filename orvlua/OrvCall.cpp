#include "OrvCall.h"

#include <cstdlib>

namespace OrvCall {

void NoCalleeBuffer(lua_State* L) {
  luaL_error(L, "this engine function has nothing to call");
  // luaL_error does not return; this keeps the compiler sure of it.
  std::abort();
}

namespace {

// The engine's object blocks carry no metatable; a full userdata that has one
// is a script's own value (a wide string, an open file), whose first bytes
// are no object to call, and an empty one (newproxy) holds no object at all.
bool IsForeignUserData(lua_State* L, int idx) {
  if (lua_objlen(L, idx) == 0) return true;
  if (!lua_getmetatable(L, idx)) return false;
  lua_pop(L, 1);
  return true;
}

}  // namespace

void* GetObjectUserData(lua_State* L) {
  switch (lua_type(L, 1)) {
    case LUA_TUSERDATA: {
      void* object = nullptr;
      if (lua_objlen(L, 1) >= sizeof object && !IsForeignUserData(L, 1))
        std::memcpy(&object, lua_touserdata(L, 1), sizeof object);
      if (object) return object;
      break;
    }
    case LUA_TTABLE: {
      lua_pushstring(L, "__object");
      lua_rawget(L, 1);
      int type = lua_type(L, -1);
      void* object = type == LUA_TLIGHTUSERDATA || (type == LUA_TUSERDATA && !IsForeignUserData(L, -1))
                         ? lua_touserdata(L, -1)
                         : nullptr;
      lua_pop(L, 1);
      // A null light userdata would be called as an object: refuse it too.
      if (object) return object;
      luaL_error(L, "The table does not have a userdata member called __object.");
      return nullptr;
    }
    default:
      break;
  }
  luaL_argerror(L, 1, "must be userdata or a table with a userdata member called __object");
  return nullptr;
}

}  // namespace OrvCall
