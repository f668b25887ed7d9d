#pragma once
// A reference to one slot of a state's stack: what a push or a call leaves.
#include <lua.hpp>

namespace OrvLua {

struct LuaStackObject {
  lua_State* state = nullptr;
  int index = 0;
};

}  // namespace OrvLua
